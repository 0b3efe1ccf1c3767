#pragma once
// The boxes open when the session ends: each is answered with its safe choice, so the
// code that waits on it goes on and the program can end.

namespace velora::app {

// Closes every modal box and dialog that is showing: a message or question box by its
// button for No, Cancel or (when that is all it has) OK; any other dialog as Cancel does.
// Returns how many it answered.
int AnswerOpenBoxes();

}  // namespace velora::app
