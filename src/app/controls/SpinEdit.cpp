#include "controls/SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <climits>

namespace velora::app {

TSpinEdit::TSpinEdit(NumberBox limits, int increment, QWidget* parent)
    : QAbstractSpinBox(parent), limits_(limits), increment_(increment) {
  setKeyboardTracking(true);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  lineEdit()->setText(QString::number(limits_.Limit(0)));
  connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::Changed);
}

int TSpinEdit::Value() const {
  return limits_.Read(lineEdit()->text().toStdString());
}

void TSpinEdit::SetValue(int value) {
  const QString text = QString::number(limits_.Limit(value));
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void TSpinEdit::stepBy(int steps) {
  const long long next =
      static_cast<long long>(Value()) + static_cast<long long>(steps) * increment_;
  const long long clamped = std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, next));
  SetValue(static_cast<int>(clamped));
  selectAll();
}

// Any text may stand while the user types; it reads as a number or as the lower limit.
QValidator::State TSpinEdit::validate(QString&, int&) const {
  return QValidator::Acceptable;
}

// Room for the widest number the box takes: its limits, or six digits without them.
QSize TSpinEdit::sizeHint() const {
  ensurePolished();
  QString widest = "000000";
  if (limits_.Upper) {
    widest = QString::number(*limits_.Upper);
    if (limits_.Lower && QString::number(*limits_.Lower).size() > widest.size()) {
      widest = QString::number(*limits_.Lower);
    }
  }
  const QFontMetrics metrics(font());
  const int textWidth = metrics.horizontalAdvance(widest + ' ') + 6;
  QStyleOptionSpinBox option;
  initStyleOption(&option);
  const QSize hint = QAbstractSpinBox::sizeHint();
  return style()
      ->sizeFromContents(QStyle::CT_SpinBox, &option,
                         QSize(textWidth, lineEdit()->sizeHint().height()), this)
      .expandedTo(QSize(0, hint.height()));
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
  return StepUpEnabled | StepDownEnabled;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  if (digitsOnly_ && (typed == QLatin1String(".") || typed == QLatin1String(","))) {
    event->accept();
    emit SeparatorTyped();
    return;
  }
  // Other characters that are no digit never reach a digits-only box's text.
  if (digitsOnly_ && typed.size() == 1 && typed[0].isPrint() && !typed[0].isDigit()) {
    event->accept();
    return;
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  SetValue(Value());
  QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace velora::app
