#include "desktop/open_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>

namespace velora::app {

namespace {

// The button that changes nothing: No or Cancel, else the box's escape button, else the
// only button there is (OK).
QAbstractButton* SafeButton(QMessageBox& box) {
  for (QAbstractButton* button : box.buttons()) {
    const QMessageBox::ButtonRole role = box.buttonRole(button);
    if (role == QMessageBox::RejectRole || role == QMessageBox::NoRole) return button;
  }
  if (box.escapeButton() != nullptr) return box.escapeButton();
  const QList<QAbstractButton*> buttons = box.buttons();
  return buttons.size() == 1 ? buttons.front() : nullptr;
}

}  // namespace

int AnswerOpenBoxes() {
  QList<QPointer<QDialog>> open;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog != nullptr && dialog->isVisible() && dialog->isModal()) open.append(dialog);
  }
  int answered = 0;
  for (const QPointer<QDialog>& dialog : open) {
    if (dialog.isNull() || !dialog->isVisible()) continue;
    auto* box = qobject_cast<QMessageBox*>(dialog.data());
    QAbstractButton* safe = box != nullptr ? SafeButton(*box) : nullptr;
    if (safe != nullptr) {
      safe->click();
    } else {
      dialog->reject();
    }
    ++answered;
  }
  return answered;
}

}  // namespace velora::app
