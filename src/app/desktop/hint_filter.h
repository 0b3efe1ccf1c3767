#pragma once
// The built-in help: the controls' tooltips are their help texts. An application-wide
// event filter shows them with the chosen hide pause and, in the third mode, also puts
// the help text under the mouse into the status line. The mode is read each time the
// help text under the mouse changes, as the window's three radio buttons are the setting.
// Qt's own status tips are swallowed: they would clear the status line on every hover.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QPoint;
class QWidget;

namespace velora::app {

enum class HintMode { Off, Tooltips, TooltipsAndStatusLine };

// A help text as it is shown: "\r\n" and a lone "\r" become line breaks.
QString HintDisplayText(const QString& hint);
// The part a tooltip shows: before the first "|", else the whole text.
QString ShortHint(const QString& hint);
// The part the status line shows: after the first "|", else the whole text; one line.
QString LongHint(const QString& hint);

class THintFilter : public QObject {
  Q_OBJECT

 public:
  using ModeSource = std::function<HintMode()>;
  using StatusSink = std::function<void(const QString& text)>;
  // Shows a tooltip for `msecs` milliseconds; tests record instead.
  using TooltipShower =
      std::function<void(const QPoint& globalPos, const QString& text, QWidget* widget, int msecs)>;

  THintFilter(ModeSource mode, StatusSink status, QObject* parent = nullptr);

  // Filters every event of the application from now on (until destroyed).
  void Install();

  // How long a tooltip stays, in milliseconds.
  void SetHidePause(int msecs) { hidePause_ = msecs; }
  int HidePause() const { return hidePause_; }

  // Whether tooltips show, as the mode made it at the last change of help text.
  bool TooltipsOn() const { return tooltipsOn_; }

  void SetTooltipShower(TooltipShower shower) { shower_ = std::move(shower); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The help text under the mouse is now that of `widget`.
  void Hover(QWidget* widget);
  void HintChanged(const QString& hint);

  ModeSource mode_;
  StatusSink status_;
  TooltipShower shower_;
  int hidePause_ = 4000;
  bool tooltipsOn_ = true;
  QString currentHint_;
  QPointer<QWidget> hovered_;
};

}  // namespace velora::app
