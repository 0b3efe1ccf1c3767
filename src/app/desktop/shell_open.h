#pragma once
// Opening a document, folder or web address with the desktop's default handler.
// Everything the window opens goes through one replaceable opener, so tests record the
// addresses instead of starting a browser or a file manager.
#include <QUrl>
#include <functional>
#include <string>

namespace velora::app {

// Hands a URL to the desktop; true when the desktop accepted it. Must not wait for the
// handler to finish.
using DesktopOpener = std::function<bool(const QUrl& url)>;

// Replaces the opener; an empty function restores QDesktopServices::openUrl.
void SetDesktopOpener(DesktopOpener opener);

// The URL a target stands for: a web address (anything starting with a URL scheme such as
// "https:" or "mailto:") as it is, a file or folder path as a file URL (a relative path
// taken from the current folder). An empty target gives an empty URL.
QUrl TargetUrl(const std::string& target);

// Opens the target through the opener; false for an empty target or when the desktop
// refused it.
bool OpenTarget(const std::string& target);

// Opens the target; when the desktop has no program for it, says so in one box. An empty
// target opens nothing and says nothing.
bool OpenTargetOrSay(const std::string& target);
// The box's text for a target no program would open.
std::string NoProgramText(const std::string& target);

// Routes the engine's ShellOpen to OpenTargetOrSay: nothing the user asked to open fails
// without a word.
void InstallShellOpen();

}  // namespace velora::app
