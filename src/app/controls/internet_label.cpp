#include "controls/internet_label.h"

#include <QPalette>

#include "desktop/shell_open.h"

namespace velora::app {

TInternetLabel::TInternetLabel(const QString& text, QWidget* parent) : TClickLabel(text, parent) {
  // Underlined from the start; after the mouse has left it once, only while it is over it.
  Show(NotVisitedColor, true);
  connect(this, &TClickLabel::Click, this, &TInternetLabel::OpenLink);
}

QColor TInternetLabel::TextColor() const {
  return palette().color(QPalette::WindowText);
}

void TInternetLabel::enterEvent(QEnterEvent* event) {
  Show(OverColor, true);
  TClickLabel::enterEvent(event);
}

void TInternetLabel::leaveEvent(QEvent* event) {
  Show(visited_ ? VisitedColor : NotVisitedColor, false);
  TClickLabel::leaveEvent(event);
}

void TInternetLabel::OpenLink() {
  if (link_.empty()) return;
  visited_ = OpenTargetOrSay(link_);
  Show(visited_ ? VisitedColor : NotVisitedColor, Underlined());
}

void TInternetLabel::Show(const QColor& color, bool underline) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
  QFont f = font();
  f.setUnderline(underline);
  setFont(f);
}

}  // namespace velora::app
