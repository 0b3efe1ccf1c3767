#include "util/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velora {

namespace {

int NotRegularError(mode_t mode) {
  return S_ISDIR(mode) ? EISDIR : kNotRegularFile;
}

}  // namespace

std::string FileErrorText(int error) {
  return error == kNotRegularFile ? "Not a regular file" : std::strerror(error);
}

OpenedFile OpenRegularFile(const std::string& path, int flags, mode_t mode) {
  OpenedFile result;
  // Looked at before opening, so that no device is ever opened (opening some has effects
  // of its own); the check of the open descriptor covers a path changed in between.
  result.error = SpecialFileError(path);
  if (result.error != 0) return result;
  // O_NONBLOCK: opening a FIFO would otherwise wait for its other end.
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat st {};
  const int error = ::fstat(fd, &st) != 0 ? errno
                    : S_ISREG(st.st_mode) ? 0
                                          : NotRegularError(st.st_mode);
  if (error != 0) {
    ::close(fd);
    result.error = error;
    return result;
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status != -1) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  result.fd = fd;
  return result;
}

int SpecialFileError(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return 0;
  return NotRegularError(st.st_mode);
}

}  // namespace velora
