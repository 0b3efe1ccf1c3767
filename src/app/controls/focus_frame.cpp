#include "controls/focus_frame.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QFocusFrame>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace velora::app {

TFocusFrame::TFocusFrame(QWidget* window) : QObject(window), window_(window) {
  frame_ = new QFocusFrame(window);
  frame_->setObjectName(QStringLiteral("FocusFrame"));
  // The frame is drawn in the window-text colour; the highlight colour marks the focus as
  // the other controls' focus does.
  QPalette palette = frame_->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
  frame_->setPalette(palette);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

QWidget* TFocusFrame::Framed() const {
  return frame_ ? frame_->widget() : nullptr;
}

bool TFocusFrame::NeedsFrame(const QWidget* widget) {
  return qobject_cast<const QAbstractSlider*>(widget) ||
         qobject_cast<const QAbstractItemView*>(widget) ||
         qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget);
}

void TFocusFrame::FocusChanged(QWidget* now) {
  if (!frame_) return;
  const bool mine = now && (now == window_ || window_->isAncestorOf(now));
  frame_->setWidget(mine && NeedsFrame(now) ? now : nullptr);
}

}  // namespace velora::app
