#pragma once
// Opening a file that must be a regular file. Opening a FIFO blocks until a writer comes,
// and a device such as /dev/zero or /dev/urandom never ends: a picture, the settings file
// and a converted picture's target are therefore only ever regular files (or symbolic
// links to one). Anything else is refused before a byte is read or written, without
// blocking.
#include <sys/types.h>

#include <string>

namespace velora {

// The error of a path that names a FIFO, socket or device (a folder gives EISDIR).
inline constexpr int kNotRegularFile = -1;

// The system's text for an error number; "Not a regular file" for kNotRegularFile.
std::string FileErrorText(int error);

struct OpenedFile {
  int fd = -1;    // the open descriptor (the caller closes it), -1 when refused
  int error = 0;  // when refused: the system's error number, or kNotRegularFile
};

// open(2) with `flags` (O_CLOEXEC is added; with O_CREAT a missing file is created with
// `mode`), refused unless the path, after following symbolic links, is a regular file.
OpenedFile OpenRegularFile(const std::string& path, int flags, mode_t mode = 0);

// 0 when the path names a regular file (or a link to one) or nothing; otherwise EISDIR
// for a folder and kNotRegularFile for a FIFO, socket or device.
int SpecialFileError(const std::string& path);

}  // namespace velora
