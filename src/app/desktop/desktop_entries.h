#pragma once
// The program's entries on the desktop, as Desktop Entry (".desktop") files: the launcher
// on the desktop (or in the applications menu) and the entry that starts the program when
// the user logs on ($XDG_CONFIG_HOME/autostart). Files are replaced atomically.
#include <optional>
#include <string>

namespace velora::app {

// The program's desktop id: the name of its installed desktop entry and of its icon in
// the icon theme, which the entries written here name too.
inline constexpr const char* kDesktopId = "example.velora.ImageResizer";

// One Exec argument as it is written in the file: always quoted, with `"`, backquote, `$`
// and `\` escaped inside the quotes, `%` doubled (a literal percent, not a field code),
// and then every backslash doubled by the string escaping that readers undo first. So the
// argument comes back whole, whatever it holds. Empty when the text has a control
// character or is not UTF-8, which no entry can carry.
std::optional<std::string> DesktopExecArgument(const std::string& argument);

// A plain string value (Name, Path): backslashes doubled. Empty as above.
std::optional<std::string> DesktopStringValue(const std::string& text);

// The full path of the running program.
std::string AppExePath();

// The start-up entry of a program: "<config folder>autostart/<name>.desktop", the name
// being the executable's name without its extension (or the whole name when it has
// none). "" when there is no config folder.
std::string AutoStartEntryPath(const std::string& programPath);

// The launcher's file: "<desktop folder><link name>.desktop", or in the applications menu
// folder when not on the desktop. "" when there is no such folder (a desktop folder that
// is the home folder itself counts as none: that is how a desktop is turned off).
std::string ShortcutPath(const std::string& linkName, bool onDesktop);

// Writes the launcher: Type=Application, the link name, Exec = the target, Path = the
// program's own folder; marked executable. Reports nothing; false when nothing was written.
bool CreateShortcut(const std::string& linkName, const std::string& target, bool onDesktop);
// The launcher of the running program.
bool CreateAppShortcut(const std::string& linkName, bool onDesktop);
// What to tell a user whose launcher could not be written: where it would have gone, and
// why not there.
std::string ShortcutFailureText(const std::string& linkName, bool onDesktop);

// Enabling writes the program's start-up entry (its autostart folder is created when
// missing); a write that fails shows "Failed to set data for '<name>'". Disabling removes
// the entry; a missing one is no error. No config folder: nothing happens, nothing is said.
bool SetAutoStart(const std::string& programPath, bool enable);
// The start-up entry of the running program.
bool SetAppAutoStart(bool enable);

// What the window calls; tests put a recorder in its place.
class DesktopEntryWriter {
 public:
  virtual ~DesktopEntryWriter() = default;
  virtual bool CreateAppShortcut(const std::string& linkName, bool onDesktop) {
    return app::CreateAppShortcut(linkName, onDesktop);
  }
  virtual bool SetAppAutoStart(bool enable) { return app::SetAppAutoStart(enable); }
};

}  // namespace velora::app
