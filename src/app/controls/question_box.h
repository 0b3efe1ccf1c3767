#pragma once
// Yes/No questions of the window: a modal box with a question icon, the text shown as plain
// text, and the buttons Yes and No. Tests replace the box with an answer of their own.
#include <functional>
#include <string>

namespace velora::app {

// Answers a question: true for Yes. An empty hook restores the modal box.
using QuestionHook = std::function<bool(const std::string& title, const std::string& text)>;
void SetQuestionHook(QuestionHook hook);

// Asks the question; true only when the answer is Yes.
bool AskYesNo(const std::string& title, const std::string& text);

}  // namespace velora::app
