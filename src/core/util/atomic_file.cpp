#include "util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "util/errors.h"
#include "util/regular_file.h"
#include "util/stream.h"

namespace velora {

namespace {

// The process's file creation mask, read once without changing it (umask() itself
// would change it for every thread while it is read).
mode_t CreationMask() {
  static const mode_t mask = [] {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
      if (key == "Umask:") {
        unsigned value = 022;
        status >> std::oct >> value;
        return static_cast<mode_t>(value);
      }
    }
    return static_cast<mode_t>(022);
  }();
  return mask;
}

[[noreturn]] void Fail(const std::string& path, int error) {
  throw EFCreateError("Cannot create file \"" + ExpandFileName(path) + "\". " +
                      FileErrorText(error));
}

// The file a write replaces: the target of a symbolic link, so the link stays a link.
std::string ReplacedFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string target(resolved);
  std::free(resolved);
  return target;
}

}  // namespace

void WriteFileAtomically(const std::string& path, const void* data, size_t size, bool syncToDisk) {
  const std::string target = ReplacedFile(path);
  // A FIFO, socket, device or folder in the target's place is never written into nor
  // replaced.
  if (const int special = SpecialFileError(target); special != 0) Fail(path, special);
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string tempName = folder + ".velora-XXXXXX.tmp";
  std::vector<char> tempBuffer(tempName.begin(), tempName.end());
  tempBuffer.push_back('\0');
  const int fd = ::mkstemps(tempBuffer.data(), 4);
  if (fd < 0) Fail(path, errno);
  tempName = tempBuffer.data();

  int error = 0;
  struct stat old {};
  const mode_t mode =
      ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CreationMask());
  if (::fchmod(fd, mode) != 0) error = errno;
  const auto* bytes = static_cast<const char*>(data);
  for (size_t done = 0; !error && done < size;) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      error = n < 0 ? errno : ENOSPC;  // a write that takes nothing means a full disk
    }
  }
  if (!error && syncToDisk && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(tempName.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(tempName.c_str());
    Fail(path, error);
  }
}

}  // namespace velora
