// The photo information: the input as a whole file (JPEG, PNG or WebP by its first bytes)
// searched for its EXIF block and XMP packet, and each block found edited by libexiv2 as
// a kept output's is. Besides the sanitizers' findings, a block found larger than the
// limit, or an edited EXIF block too long for a JPEG segment, is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "metadata/metadata_blocks.h"
#include "metadata/photo_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The exact size, so a read past the input is caught even for an empty one.
  const std::vector<uint8_t> file(data, data + size);
  const velora::MetadataBlocks found = velora::FindMetadataBlocks(file.data(), file.size());
  if (found.Exif.size() > velora::kMaxMetadataBlockBytes ||
      found.Xmp.size() > velora::kMaxMetadataBlockBytes) {
    std::abort();
  }
  // Also the input itself as an EXIF block, which is what most inputs are worth trying.
  velora::MetadataBlocks raw;
  raw.Exif = file;
  for (const velora::MetadataBlocks& blocks : {found, raw}) {
    for (bool keepAll : {false, true}) {
      const velora::PhotoInfo kept = velora::KeptPhotoInfo(blocks, keepAll, 640, 480);
      if (kept.Exif.size() > 65527) std::abort();
      if (!keepAll && !kept.Xmp.empty()) std::abort();
    }
  }
  return 0;
}
