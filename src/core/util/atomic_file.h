#pragma once
// Replacing a file so that it is never seen half-written: the bytes go to a temporary
// file in the same folder, which is renamed over the target only when every byte is on
// disk. On any failure the target is unchanged and no temporary file is left.
#include <cstddef>
#include <string>

namespace velora {

// A symbolic link stays a link: the file it points to is replaced. A replaced file keeps
// its permissions; a new one gets the usual ones. With `syncToDisk` the bytes are on the
// disk before the rename, so not even a crash of the machine can leave a short file.
// Raises EFCreateError "Cannot create file "%s". %s" (the target's full path and the
// system's reason) when the folder is missing or read-only, the disk is full, a write
// is short, or the rename fails, and when the target (or what its link points to) is a
// FIFO, socket, device or folder: such a target is left alone.
void WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         bool syncToDisk = false);

}  // namespace velora
