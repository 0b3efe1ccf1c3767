#include "desktop/desktop_entries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "util/TarnoTPU.h"
#include "util/atomic_file.h"
#include "util/errors.h"

namespace velora::app {

namespace {

// Well-formed UTF-8 without control characters (C0 and DEL).
bool UsableText(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t extra = 0;
    unsigned int code = 0;
    unsigned int least = 0;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, code = c & 0x1F, least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, code = c & 0x0F, least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, code = c & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    i += extra + 1;
  }
  return true;
}

std::string DoubleBackslashes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string EnvText(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The applications menu folder ($XDG_DATA_HOME/applications), created when missing.
std::string ApplicationsFolder() {
  std::string data = EnvText("XDG_DATA_HOME");
  if (data.empty() || data.front() != '/') {
    const std::string home = EnvText("HOME");
    if (home.empty()) return "";
    data = home + "/.local/share";
  }
  const std::string folder = WithTrailingDelimiter(data) + "applications/";
  return ForceFolder(folder) ? folder : "";
}

bool WriteEntry(const std::string& path, const std::string& text) {
  try {
    WriteFileAtomically(path, text.data(), text.size(), true);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// Executable wherever it is readable, as launchers are expected to be.
bool MarkExecutable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  const mode_t mode = st.st_mode & 07777;
  return ::chmod(path.c_str(), mode | ((mode & 0444) >> 2) | S_IXUSR) == 0;
}

}  // namespace

std::optional<std::string> DesktopExecArgument(const std::string& argument) {
  if (!UsableText(argument)) return std::nullopt;
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') {
      quoted += '\\';
    } else if (c == '%') {
      quoted += '%';
    }
    quoted += c;
  }
  quoted += '"';
  return DoubleBackslashes(quoted);
}

std::optional<std::string> DesktopStringValue(const std::string& text) {
  if (!UsableText(text)) return std::nullopt;
  return DoubleBackslashes(text);
}

std::string AppExePath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string AutoStartEntryPath(const std::string& programPath) {
  const std::string config = GetSpecialFolder(CSIDL_APPDATA);
  if (config.empty()) return "";
  // Executables here seldom have an extension; then the whole name is the entry's name.
  std::string name = FileNameNoExt(programPath);
  if (name.empty()) name = NamePart(programPath);
  if (name.empty()) return "";
  return config + "autostart/" + name + ".desktop";
}

std::string ShortcutPath(const std::string& linkName, bool onDesktop) {
  if (linkName.empty() || linkName.find('/') != std::string::npos) return "";
  std::string folder;
  if (onDesktop) {
    folder = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const std::string home = EnvText("HOME");
    if (!home.empty() && WithoutTrailingSlashes(folder) == WithoutTrailingSlashes(home)) {
      folder.clear();
    }
  } else {
    folder = ApplicationsFolder();
  }
  return folder.empty() ? "" : folder + linkName + ".desktop";
}

bool CreateShortcut(const std::string& linkName, const std::string& target, bool onDesktop) {
  const std::string path = ShortcutPath(linkName, onDesktop);
  const auto name = DesktopStringValue(linkName);
  const auto exec = DesktopExecArgument(target);
  const auto workFolder = DesktopStringValue(AppFolder());
  if (path.empty() || !name || !exec || !workFolder) return false;
  const std::string text = "[Desktop Entry]\nType=Application\nName=" + *name + "\nExec=" + *exec +
                           "\nPath=" + *workFolder + "\nIcon=" + kDesktopId + "\n";
  return WriteEntry(path, text) && MarkExecutable(path);
}

bool CreateAppShortcut(const std::string& linkName, bool onDesktop) {
  const std::string self = AppExePath();
  return !self.empty() && CreateShortcut(linkName, self, onDesktop);
}

std::string ShortcutFailureText(const std::string& linkName, bool onDesktop) {
  const std::string path = ShortcutPath(linkName, onDesktop);
  if (!path.empty()) return "Cannot write the launcher " + path;
  const std::string wanted = onDesktop ? IntendedSpecialFolder(CSIDL_DESKTOPDIRECTORY) : "";
  std::string text = "Cannot create the launcher \"" + linkName + ".desktop\": there is no " +
                     (onDesktop ? "desktop folder" : "applications folder");
  if (!wanted.empty()) text += " (it would be " + wanted + ")";
  return text + ".";
}

bool SetAutoStart(const std::string& programPath, bool enable) {
  const std::string path = AutoStartEntryPath(programPath);
  if (path.empty()) return false;
  if (!enable) return ::unlink(path.c_str()) == 0 || errno == ENOENT;
  if (!ForceFolder(FolderPart(path))) return false;
  const auto exec = DesktopExecArgument(programPath);
  const auto name = DesktopStringValue(kProductName);
  const std::string text = exec && name ? "[Desktop Entry]\nType=Application\nName=" + *name +
                                              "\nExec=" + *exec + "\nIcon=" + kDesktopId + "\n"
                                        : std::string();
  if (text.empty() || !WriteEntry(path, text)) {
    MsgError("Failed to set data for '" + FileNameNoExt(path) + "'");
    return false;
  }
  return true;
}

bool SetAppAutoStart(bool enable) {
  const std::string self = AppExePath();
  return !self.empty() && SetAutoStart(self, enable);
}

}  // namespace velora::app
