#include "controls/LabelField.h"

#include <QEvent>
#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>

namespace velora::app {

TLabelField::TLabelField(QLabel* label, QWidget* field, QWidget* parent)
    : QWidget(parent), label_(label), field_(field) {
  label_->setParent(this);
  field_->setParent(this);
  field_->raise();
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  Place();
}

QRect TLabelField::BlankRun() const {
  const QString text = label_->text();
  const QRegularExpressionMatch blanks = QRegularExpression(" {2,}").match(text);
  const QFontMetrics metrics(label_->font());
  if (!blanks.hasMatch()) return QRect(metrics.horizontalAdvance(text), 0, 0, 0);
  const int start = metrics.horizontalAdvance(text.left(blanks.capturedStart()) + ' ');
  const int width = metrics.horizontalAdvance(QString(blanks.capturedLength() - 2, ' '));
  return QRect(start, 0, width, 0);
}

QSize TLabelField::sizeHint() const {
  // The field may need more room than the blanks give: the caption's tail moves right.
  const QRect run = BlankRun();
  const int fieldWidth = std::max(run.width(), field_->sizeHint().width());
  const QSize labelSize = label_->sizeHint();
  const int extra = fieldWidth - run.width();
  return QSize(labelSize.width() + extra,
               std::max(labelSize.height(), field_->sizeHint().height()));
}

void TLabelField::Place() {
  const QRect run = BlankRun();
  const QSize fieldHint = field_->sizeHint();
  const int fieldWidth = std::max(run.width(), fieldHint.width());
  const int height = std::max(label_->sizeHint().height(), fieldHint.height());
  const QString text = label_->text();
  const QRegularExpressionMatch blanks = QRegularExpression(" {2,}").match(text);
  if (blanks.hasMatch() && fieldWidth > run.width()) {
    // Split the caption around the field so both halves stay readable.
    label_->setGeometry(0, 0, run.x(), height);
  } else {
    label_->setGeometry(0, 0, width(), height);
  }
  field_->setGeometry(run.x(), (height - fieldHint.height()) / 2, fieldWidth, fieldHint.height());
  if (tail_ == nullptr && blanks.hasMatch()) {
    tail_ = new QLabel(this);
  }
  if (tail_ != nullptr) {
    tail_->setFont(label_->font());
    tail_->setText(text.mid(blanks.capturedEnd() - 1));
    tail_->setVisible(fieldWidth > run.width());
    tail_->setGeometry(run.x() + fieldWidth, 0, tail_->sizeHint().width(), height);
  }
}

void TLabelField::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Place();
}

bool TLabelField::event(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange ||
      event->type() == QEvent::LayoutRequest) {
    updateGeometry();
    Place();
  }
  return QWidget::event(event);
}

}  // namespace velora::app
