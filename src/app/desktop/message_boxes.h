#pragma once
// The window's message boxes: the engine's messages shown as modal boxes with the
// kind's title and icon and one OK button. Tests replace the hook with a recorder.

namespace velora::app {

// Routes MsgPlain/MsgError/MsgWarning/MsgInfo to modal message boxes.
void InstallMessageBoxes();

}  // namespace velora::app
