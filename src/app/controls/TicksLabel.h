#pragma once
// The numbers under a slider ("5      50      95"): the caption keeps its text, and each
// number is drawn under the slider's position for that value, whatever the font.
#include <QLabel>
#include <QPointer>
#include <QSlider>

namespace velora::app {

class TTicksLabel : public QLabel {
 public:
  TTicksLabel(const QString& text, QSlider* slider, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<QSlider> slider_;
};

}  // namespace velora::app
