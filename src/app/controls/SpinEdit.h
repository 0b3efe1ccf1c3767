#pragma once
// A number box: a spin box whose value is its text read as a whole number. While the user
// types, the value is the typed number as it stands; the limits are applied when the
// program or the arrows set a value and when the box loses the focus. A text that is not
// a whole number reads as the lower limit (0 without one).
#include <QAbstractSpinBox>

#include "jobs/geometry.h"

namespace velora::app {

class TSpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit TSpinEdit(NumberBox limits = {}, int increment = 1, QWidget* parent = nullptr);

  // The value the text reads as, without limits while it is being typed.
  int Value() const;
  // Sets the value after the limits; `Changed` follows when the text changes.
  void SetValue(int value);
  const NumberBox& Limits() const { return limits_; }
  // A box for digits only: other typed characters are dropped, and a decimal separator
  // ("." or ",") typed into it raises SeparatorTyped instead, so the next box can take the
  // rest.
  void SetDigitsOnly(bool digitsOnly) { digitsOnly_ = digitsOnly; }

  void stepBy(int steps) override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }
  QValidator::State validate(QString& input, int& pos) const override;

 signals:
  // The text changed, by typing, the arrows or the program.
  void Changed();
  // "." or "," was typed into a digits-only box.
  void SeparatorTyped();

 protected:
  StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  NumberBox limits_;
  int increment_;
  bool digitsOnly_ = false;
};

}  // namespace velora::app
