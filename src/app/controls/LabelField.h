#pragma once
// A caption with a run of blanks that leaves room for a control, and the control placed
// over those blanks ("Hide hint after [ 4000 ] miliseconds."). The caption keeps its exact
// text; the control follows the caption's font as it changes.
#include <QLabel>
#include <QWidget>

namespace velora::app {

class TLabelField : public QWidget {
 public:
  // `label` holds the caption; `field` goes over the first run of two or more blanks.
  TLabelField(QLabel* label, QWidget* field, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Place();
  // Where the blanks start and how wide they are, in the caption's font.
  QRect BlankRun() const;

  QLabel* label_;
  QWidget* field_;
  QLabel* tail_ = nullptr;  // the caption after the blanks, when the field needs more room
};

}  // namespace velora::app
