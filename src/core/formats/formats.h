#pragma once
// The process-wide format table, with the rows of every reader, and the loading of a
// picture file through it.
#include <string>

#include "picture/picture.h"

namespace velora {

// The built-in rows, then the JPEG, GIF and PNG rows, then HEIF/AVIF, WebP and TIFF. Built on first use (thread-safe)
// and read-only afterwards.
const TFileFormatsList& FormatTable();

// Replaces the picture's graphic by the file's picture, its reader chosen by the file
// name's extension. On failure raises and keeps the previous graphic.
void LoadPictureFile(TPicture& picture, const std::string& fileName);

}  // namespace velora
