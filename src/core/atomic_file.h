#pragma once
// Replacing a file so that it is never seen half-written: the bytes go to a temporary
// file in the same folder, which is renamed over the target only when every byte is on
// disk. On any failure the target is unchanged and no temporary file is left.
#include <cstddef>
#include <string>

namespace velora {

// Raises EFCreateError "Cannot create file "%s". %s" (the target's full path and the
// system's reason) when the folder is missing or read-only, the disk is full, a write
// is short, or the rename fails.
void WriteFileAtomically(const std::string& path, const void* data, size_t size);

}  // namespace velora
