#include "controls/question_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <utility>

namespace velora::app {

namespace {

QuestionHook& CurrentHook() {
  static QuestionHook hook;
  return hook;
}

bool ShowQuestionBox(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

void SetQuestionHook(QuestionHook hook) {
  CurrentHook() = std::move(hook);
}

bool AskYesNo(const std::string& title, const std::string& text) {
  const QuestionHook& hook = CurrentHook();
  return hook ? hook(title, text) : ShowQuestionBox(title, text);
}

}  // namespace velora::app
