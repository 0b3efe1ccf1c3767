#pragma once
// The one thing read from a JPEG's EXIF block: its Orientation tag.
#include <cstddef>
#include <cstdint>

namespace velora {

// The Orientation (tag 0x0112 of the first image file directory) of an APP1 segment's
// data, which start with "Exif\0\0" and a TIFF header in either byte order: 1 to 8, or 1
// when the data are no EXIF block or the tag is missing, damaged or out of range. Reads
// nothing outside the `size` bytes, whatever the offsets inside claim.
int ExifOrientation(const uint8_t* data, size_t size);

}  // namespace velora
