#pragma once
// The about box: the product's picture with the program's version and a credits line on
// it, borderless, centred on the screen. A click anywhere on it, or Esc, closes it.
#include <QDialog>

class QLabel;

namespace velora::app {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  // `picture` names the PNG resource shown; the box keeps its size when it cannot be read.
  explicit TAboutBox(QWidget* parent = nullptr, const QString& picture = ":/about.png");

  QLabel* aboutImage = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblCredits = nullptr;

  static constexpr int kWidth = 634;
  static constexpr int kHeight = 366;

 public slots:
  void aboutImageClick();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate(const QString& picture);
};

}  // namespace velora::app
