#pragma once
// Finding the photo information in a picture file's bytes without decoding the picture:
// the EXIF block (JPEG APP1 "Exif", PNG eXIf, WebP EXIF chunk) and the XMP packet (JPEG
// APP1 of Adobe's namespace, PNG iTXt "XML:com.adobe.xmp", WebP "XMP " chunk).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velora {

// Blocks larger than this are passed over: no camera writes them, and each is copied and
// parsed whole.
inline constexpr size_t kMaxMetadataBlockBytes = size_t{1} << 20;

struct MetadataBlocks {
  std::vector<uint8_t> Exif;  // from the TIFF header on; empty when there is none
  std::string Xmp;            // the packet's text; empty when there is none
};

// The first EXIF block and the first XMP packet of a JPEG, PNG or WebP file. Any other
// kind of file, and a structure cut short or damaged, gives what was found before the
// damage. Reads nothing outside the `size` bytes.
MetadataBlocks FindMetadataBlocks(const uint8_t* data, size_t size);

}  // namespace velora

namespace velora {

// FindMetadataBlocks over a file's bytes. A file that cannot be read, is no regular file
// or is larger than kMaxMetadataFileBytes gives no blocks.
inline constexpr uint64_t kMaxMetadataFileBytes = uint64_t{1} << 30;
MetadataBlocks ReadMetadataBlocks(const std::string& path);

}  // namespace velora
