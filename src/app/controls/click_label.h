#pragma once
// A label that works as a link: hand cursor, and a click when the left button is pressed
// and released over it.
#include <QLabel>

namespace velora::app {

class TClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TClickLabel(const QString& text = QString(), QWidget* parent = nullptr);

 signals:
  void Click();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace velora::app
