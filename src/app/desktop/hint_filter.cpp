#include "desktop/hint_filter.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QRegularExpression>
#include <QToolTip>
#include <QWidget>

namespace velora::app {

namespace {

// The help text of a widget: its own, else the nearest parent's.
QString HintOf(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    if (!widget->toolTip().isEmpty()) return widget->toolTip();
  }
  return QString();
}

void ShowToolTip(const QPoint& globalPos, const QString& text, QWidget* widget, int msecs) {
  QToolTip::showText(globalPos, text, widget, QRect(), msecs);
}

}  // namespace

QString HintDisplayText(const QString& hint) {
  QString text = hint;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString ShortHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  QString text = bar < 0 ? hint : hint.mid(bar + 1);
  // The status line has one line: each run of line breaks reads as one blank.
  static const QRegularExpression breaks(QStringLiteral("[\r\n]+"));
  text.replace(breaks, QStringLiteral(" "));
  return text;
}

THintFilter::THintFilter(ModeSource mode, StatusSink status, QObject* parent)
    : QObject(parent), mode_(std::move(mode)), status_(std::move(status)), shower_(ShowToolTip) {}

void THintFilter::Install() {
  QCoreApplication::instance()->installEventFilter(this);
}

bool THintFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::ToolTip:
    case QEvent::StatusTip:
      break;
    default:
      return false;
  }
  if (event->type() == QEvent::StatusTip) return true;  // would clear the status line
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);

  if (event->type() == QEvent::Enter) {
    Hover(widget);
    return false;
  }
  if (event->type() == QEvent::Leave) {
    // Back over the parent, which the mouse never left.
    if (widget == hovered_) Hover(widget->parentWidget());
    return false;
  }

  // A tooltip is due for the widget under the mouse. Qt offers an unclaimed one to the
  // parents in turn; those are not what the mouse is over.
  if (!(hovered_ && widget->isAncestorOf(hovered_))) Hover(widget);
  if (!tooltipsOn_) {
    QToolTip::hideText();
    return true;
  }
  const QString hint = HintOf(widget);
  if (hint.isEmpty()) return false;  // a widget's own tips (tabs, items) stay its own
  const auto* help = static_cast<QHelpEvent*>(event);
  shower_(help->globalPos(), HintDisplayText(ShortHint(hint)), widget, hidePause_);
  return true;
}

void THintFilter::Hover(QWidget* widget) {
  hovered_ = widget;
  const QString hint = HintOf(widget);
  if (hint == currentHint_) return;
  currentHint_ = hint;
  HintChanged(hint);
}

void THintFilter::HintChanged(const QString& hint) {
  const HintMode mode = mode_ ? mode_() : HintMode::Tooltips;
  tooltipsOn_ = mode != HintMode::Off;
  if (!tooltipsOn_) QToolTip::hideText();
  if (mode == HintMode::TooltipsAndStatusLine && status_) status_(LongHint(hint));
}

}  // namespace velora::app
