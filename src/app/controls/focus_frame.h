#pragma once
// A visible keyboard focus for the controls whose style draws none: in the common styles a
// slider and the item lists and multi-line text boxes show no sign of having the focus, so
// a frame in the highlight colour is drawn around the one that has it.
#include <QObject>
#include <QPointer>

class QFocusFrame;
class QWidget;

namespace velora::app {

class TFocusFrame : public QObject {
  Q_OBJECT

 public:
  // Follows the focus within the window (and its children).
  explicit TFocusFrame(QWidget* window);

  // The control the frame surrounds now, or nullptr when none does.
  QWidget* Framed() const;

  // True for the kinds of control that get the frame.
  static bool NeedsFrame(const QWidget* widget);

 private:
  void FocusChanged(QWidget* now);

  QWidget* window_;
  QPointer<QFocusFrame> frame_;
};

}  // namespace velora::app
