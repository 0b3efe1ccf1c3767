// Folder and file helpers of the utility library.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "util/TarnoTPU.h"
#include "util/regular_file.h"
#include "version.h"

namespace velora {

namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

std::string HomeFolder() {
  return EnvOr("HOME", "");
}

std::string ConfigHome() {
  const std::string home = HomeFolder();
  return EnvOr("XDG_CONFIG_HOME", home.empty() ? "" : home + "/.config");
}

// The folder named by XDG_<key>_DIR in user-dirs.dirs, or "" when it is not named.
std::string XdgUserDir(const std::string& key) {
  const std::string config = ConfigHome();
  if (config.empty()) return "";
  const std::string path = config + "/user-dirs.dirs";
  // A FIFO would block the read and a device never end it.
  if (SpecialFileError(path) != 0) return "";
  std::ifstream in(path);
  const std::string prefix = "XDG_" + key + "_DIR=";
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string value = line.substr(prefix.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
    return value;
  }
  return "";
}

}  // namespace

std::string AppFolder() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "/";
  return FolderPart(std::string(buffer, static_cast<size_t>(n)));
}

std::string IntendedSpecialFolder(int csidl) {
  std::string path;
  switch (csidl) {
    case CSIDL_APPDATA:
      path = ConfigHome();
      break;
    case CSIDL_DESKTOPDIRECTORY:
      path = XdgUserDir("DESKTOP");
      if (path.empty() && !HomeFolder().empty()) path = HomeFolder() + "/Desktop";
      break;
    case CSIDL_PERSONAL:
      path = XdgUserDir("DOCUMENTS");
      if (path.empty() && !HomeFolder().empty()) path = HomeFolder() + "/Documents";
      break;
    case CSIDL_MYPICTURES:
      path = XdgUserDir("PICTURES");
      if (!IsFolder(path)) path = HomeFolder();
      break;
    default:
      break;
  }
  return WithTrailingDelimiter(path);
}

std::string GetSpecialFolder(int csidl) {
  const std::string path = IntendedSpecialFolder(csidl);
  const bool mustExist = csidl != CSIDL_APPDATA;
  return mustExist && !IsFolder(path) ? std::string() : path;
}

std::string SettingsFolder(const std::string& productName) {
  const std::string folder = WithTrailingDelimiter(GetSpecialFolder(CSIDL_APPDATA) + productName);
  if (!ValidFolder(folder)) ForceFolder(folder);
  return folder;
}

std::string TempFolder() {
  return WithTrailingDelimiter(EnvOr("TMPDIR", "/tmp"));
}

std::string WithTrailingDelimiter(const std::string& text) {
  if (text.empty() || text.back() == '/') return text;
  return text + "/";
}

bool ValidFolder(const std::string& text) {
  if (text.size() > 1 && text.back() == ' ') return false;
  return IsFolder(text);
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileNameNoExt(const std::string& path) {
  const std::string name = NamePart(path);
  return CopyRange(name, 1, LastPos(".", name) - 1);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FileExistsMsg(const std::string& path) {
  if (FileExists(path)) return true;
  MsgPlain(path.empty() ? "No file specified!" : "File \"" + path + "\" does not exist");
  return false;
}

bool CanWriteTo(const std::string& path) {
  if (!ValidFolder(FolderPart(path))) return false;
  std::string target = path;
  if (ValidFolder(path) && !FileExists(path)) {
    target = WithTrailingDelimiter(path) + "WritePermTest.DeleteMe";
  }
  const bool existed = FileExists(target);
  // Only a regular file can be written as a file: a FIFO or device is never opened.
  const int fd = existed ? OpenRegularFile(target, O_RDWR).fd
                         : ::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  if (!existed) ::unlink(target.c_str());
  return true;
}

bool ForceFolder(const std::string& path) {
  if (path.empty()) return false;
  std::string rest = path;
  if (rest.back() == '/') rest.pop_back();
  // The root, or a folder that is there already.
  if (rest.empty() || IsFolder(rest)) return true;
  // Parents first, from the outermost missing one inwards. A relative name without a
  // folder part lives in the current folder, which exists.
  const std::string parent = FolderPart(rest);
  if (!parent.empty() && !ForceFolder(parent)) return false;
  return ::mkdir(rest.c_str(), 0777) == 0 || IsFolder(rest);
}

int MakeFolder(const std::string& path) {
  if (ValidFolder(path)) return 0;
  if (ForceFolder(path)) return 1;
  MsgError("Cannot create directory!\r\n" + path);
  return -1;
}

bool UserIsAdmin() {
  return false;
}

std::string GetFileVersion() {
  return VELORA_VERSION;
}

}  // namespace velora
