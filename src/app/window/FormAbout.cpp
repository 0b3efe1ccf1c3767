#include "window/FormAbout.h"

#include <algorithm>

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include "preview/preview_banner.h"
#include "util/TarnoTPU.h"

namespace velora::app {

namespace {

constexpr const char* kCredits =
    "Made by the Velora Image Resizer developers. Thank you to everyone who reported a "
    "problem or suggested an idea.";

QLabel* OverlayLabel(QWidget* parent, const char* name, QPoint at) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->setTextFormat(Qt::PlainText);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  label->move(at);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent, const QString& picture)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setModal(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(212, 208, 200));
  setPalette(palette);
  setAutoFillBackground(true);
  FormCreate(picture);
}

void TAboutBox::FormCreate(const QString& picture) {
  aboutImage = new QLabel(this);
  aboutImage->setObjectName("aboutImage");
  const QImage image = LoadPngResource(picture, qRgb(212, 208, 200));
  // Without its picture the box keeps its size: a box of no size could not be clicked away.
  const QSize size = image.isNull() ? QSize(kWidth, kHeight) : image.size();
  if (!image.isNull()) aboutImage->setPixmap(QPixmap::fromImage(image));
  aboutImage->setGeometry(QRect(QPoint(0, 0), size));
  setFixedSize(size);

  lblCredits = OverlayLabel(this, "lblCredits", QPoint(23, 201));
  lblCredits->setText(kCredits);
  lblCredits->setWordWrap(true);
  // The picture's emblem stands on the right from x = 400: the credits wrap before it.
  lblCredits->setFixedWidth(std::min(size.width() - 46, 370));
  lblCredits->adjustSize();
  lblVersion = OverlayLabel(this, "lblVersion", QPoint(10, 14));
  lblVersion->setText(QString::fromStdString("Version " + GetFileVersion()));
  lblVersion->adjustSize();
  for (QLabel* label : {aboutImage, lblVersion, lblCredits}) label->installEventFilter(this);

  // Centred on the screen, wherever the main window stands.
  const QScreen* screen = parentWidget() && parentWidget()->screen()
                              ? parentWidget()->screen()
                              : QGuiApplication::primaryScreen();
  if (screen) move(screen->geometry().center() - QPoint(size.width() / 2, size.height() / 2));
}

void TAboutBox::aboutImageClick() {
  accept();
}

void TAboutBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) aboutImageClick();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    aboutImageClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace velora::app
