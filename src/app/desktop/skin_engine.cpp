#include "desktop/skin_engine.h"

#include <QApplication>
#include <QColor>
#include <QStyle>

namespace velora::app {

QPalette SkinPalette() {
  const QColor face(kHeaderRed, kHeaderGreen, kHeaderBlue);
  const QColor dark = face.darker(220);
  QPalette p(face);  // derives the light and dark shades from the face colour
  p.setColor(QPalette::Window, face);
  p.setColor(QPalette::Button, face.lighter(106));
  p.setColor(QPalette::Base, QColor(250, 252, 249));
  p.setColor(QPalette::AlternateBase, face.lighter(112));
  p.setColor(QPalette::WindowText, Qt::black);
  p.setColor(QPalette::ButtonText, Qt::black);
  p.setColor(QPalette::Text, Qt::black);
  p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
  p.setColor(QPalette::ToolTipText, Qt::black);
  p.setColor(QPalette::Highlight, dark);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, QColor(0, 0, 255));
  p.setColor(QPalette::LinkVisited, QColor(128, 0, 128));
  const QColor grey(120, 124, 119);
  p.setColor(QPalette::Disabled, QPalette::WindowText, grey);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, grey);
  p.setColor(QPalette::Disabled, QPalette::Text, grey);
  return p;
}

void TSkinEngine::Start(bool skinsOn) {
  if (!skinsOn) return;
  desktopStyle_ = QApplication::style()->name();
  desktopPalette_ = QApplication::palette();
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setPalette(SkinPalette());
  active_ = true;
}

void TSkinEngine::SkinsClicked(bool checked) {
  if (!checked && active_) Deactivate();
}

void TSkinEngine::Deactivate() {
  QApplication::setStyle(desktopStyle_);
  QApplication::setPalette(desktopPalette_);
  active_ = false;
}

}  // namespace velora::app
