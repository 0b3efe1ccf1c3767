#pragma once
// The photo information an output keeps: the source's EXIF block made true for the new
// picture (upright, its new size, no thumbnail of the old one, the location only when
// asked for) and, when everything is kept, its XMP packet. Edited with libexiv2, which
// knows maker notes and IFD offsets.
#include <cstdint>
#include <string>
#include <vector>

#include "metadata/metadata_blocks.h"

namespace velora {

struct PhotoInfo {
  std::vector<uint8_t> Exif;  // from the TIFF header on; empty: none is written
  std::string Xmp;            // empty: none is written
};

// What of `source` an output of width × height pixels carries. Orientation becomes 1,
// PixelXDimension and PixelYDimension the new size, the thumbnail (IFD1) goes. Without
// `keepAll` the GPS directory and the XMP packet go as well. A block that libexiv2 cannot
// read, or whose edited form is larger than a JPEG segment holds, is dropped: the output
// is written without it.
PhotoInfo KeptPhotoInfo(const MetadataBlocks& source, bool keepAll, int width, int height);

}  // namespace velora
