#pragma once
// The utility library: path, file and folder helpers; message boxes; number and text
// helpers; launching documents. Folder texts end in "/". Nothing here throws.
#include <functional>
#include <string>

namespace velora {

// ---- Folders and files ----

// Special folders, by the numbers the rest of the program knows them by.
inline constexpr int CSIDL_PERSONAL = 5;           // the user's documents folder
inline constexpr int CSIDL_DESKTOPDIRECTORY = 16;  // the user's desktop folder
inline constexpr int CSIDL_APPDATA = 26;           // per-user settings ($XDG_CONFIG_HOME)
inline constexpr int CSIDL_MYPICTURES = 39;        // the user's pictures folder, else home

inline constexpr const char* kProductName = "Velora Image Resizer";

// The folder of the running executable.
std::string AppFolder();
// The per-user folder for the product's settings; created when missing.
std::string SettingsFolder(const std::string& productName);
// The path of a special folder as a folder text, or "" when there is none.
std::string GetSpecialFolder(int csidl);
// Where a special folder is meant to be, whether or not it exists ("" when nothing names
// it), as a folder text: what to tell a user whose folder is missing.
std::string IntendedSpecialFolder(int csidl);
// The folder for temporary files ($TMPDIR, else /tmp/), as a folder text.
std::string TempFolder();
// Appends "/" unless the text ends in one; "" stays "".
std::string WithTrailingDelimiter(const std::string& text);
// The text names an existing folder and does not end in a blank.
bool ValidFolder(const std::string& text);
// The folder part of a path: up to and including the last "/"; "" when there is none.
std::string FolderPart(const std::string& path);
// The name part of a path: what follows the folder part.
std::string NamePart(const std::string& path);
// The name part without its last extension; "" when the name has no ".".
std::string FileNameNoExt(const std::string& path);
// A file (not a folder) of that name exists.
bool FileExists(const std::string& path);
// True when the file exists; otherwise tells the user why not (MsgPlain) and is false.
bool FileExistsMsg(const std::string& path);
// A file can be opened for writing at the path (a file, or a folder to test inside).
bool CanWriteTo(const std::string& path);
// Creates the folder and all missing parents.
bool ForceFolder(const std::string& path);
// 0 when the folder existed, 1 when it was created, -1 (after an error box) otherwise.
int MakeFolder(const std::string& path);
// There is no administrators' group to belong to here.
bool UserIsAdmin();
// The program's version: four numbers joined by dots.
std::string GetFileVersion();

// ---- Messages ----

enum class MessageKind { Plain, Error, Warning, Info };
// The box's title for each kind.
const char* MessageTitle(MessageKind kind);
// Where messages go. The app shows boxes, the command-line tool prints, tests record.
// The default writes the message to standard error. Install before threads start.
using MessageHook = std::function<void(MessageKind kind, const std::string& text)>;
void SetMessageHook(MessageHook hook);
// Each shows nothing for an empty text; the text passes through ExpandCRLF.
void MsgPlain(const std::string& text);
void MsgError(const std::string& text);
void MsgWarning(const std::string& text);
void MsgInfo(const std::string& text);

// ---- Launching ----

using ShellOpenHook = std::function<void(const std::string& target)>;
void SetShellOpenHook(ShellOpenHook hook);
// Hands a file, folder or web address to the desktop's default handler.
void ShellOpen(const std::string& target);

// ---- Text and numbers (1-based positions) ----

// "CRLF" markers to line breaks, with the blanks around them partly swallowed.
std::string ExpandCRLF(const std::string& text);
// The number with "." and at most `decimals` decimals, cut, not rounded.
std::string FormatReal(int decimals, double x);
std::string IntText(int n);
// Characters from position `from` to position `to`, both included.
std::string CopyRange(const std::string& text, int from, int to);
std::string ReverseText(const std::string& text);
// The 1-based start of the last occurrence of part in text; 0 when absent or empty.
int LastPos(const std::string& part, const std::string& text);

}  // namespace velora
