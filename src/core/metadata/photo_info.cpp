#include "metadata/photo_info.h"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace velora {

namespace {

// What one JPEG APP1 segment holds after its "Exif\0\0" identifier.
constexpr size_t kMaxExifBytes = 65527;

// libexiv2 keeps process-wide state (its log level, the XMP toolkit's registry), so all
// of its work happens under one lock; the batch's threads pass here once per picture.
std::mutex& ExivLock() {
  static std::mutex lock;
  return lock;
}

void QuietOnce() {
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

std::vector<uint8_t> EditedExif(const std::vector<uint8_t>& block, bool keepLocation, int width,
                                int height) {
  Exiv2::ExifData exif;
  const Exiv2::ByteOrder order =
      Exiv2::ExifParser::decode(exif, block.data(), static_cast<uint32_t>(block.size()));
  if (order == Exiv2::invalidByteOrder || exif.empty()) return {};
  Exiv2::ExifThumb(exif).erase();
  if (!keepLocation) {
    for (auto it = exif.begin(); it != exif.end();) {
      it = it->groupName() == "GPSInfo" ? exif.erase(it) : std::next(it);
    }
    auto pointer = exif.findKey(Exiv2::ExifKey("Exif.Image.GPSTag"));
    if (pointer != exif.end()) exif.erase(pointer);
  }
  exif["Exif.Image.Orientation"] = uint16_t{1};
  exif["Exif.Photo.PixelXDimension"] = static_cast<uint32_t>(width);
  exif["Exif.Photo.PixelYDimension"] = static_cast<uint32_t>(height);
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, order, exif);
  if (blob.empty() || blob.size() > kMaxExifBytes) return {};
  return {blob.begin(), blob.end()};
}

std::string EditedXmp(const std::string& packet, int width, int height) {
  Exiv2::XmpData xmp;
  if (Exiv2::XmpParser::decode(xmp, packet) != 0) return {};
  auto setIfPresent = [&xmp](const char* key, uint32_t value) {
    auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it != xmp.end()) it->setValue(std::to_string(value));
  };
  setIfPresent("Xmp.tiff.Orientation", 1);
  setIfPresent("Xmp.exif.PixelXDimension", static_cast<uint32_t>(width));
  setIfPresent("Xmp.exif.PixelYDimension", static_cast<uint32_t>(height));
  std::string edited;
  if (Exiv2::XmpParser::encode(edited, xmp, Exiv2::XmpParser::useCompactFormat) != 0) return {};
  return edited;
}

}  // namespace

PhotoInfo KeptPhotoInfo(const MetadataBlocks& source, bool keepAll, int width, int height) {
  PhotoInfo kept;
  std::lock_guard lock(ExivLock());
  QuietOnce();
  // A damaged block costs the output that block, never the picture.
  try {
    if (!source.Exif.empty()) kept.Exif = EditedExif(source.Exif, keepAll, width, height);
  } catch (const std::exception&) {
    kept.Exif.clear();
  }
  try {
    if (keepAll && !source.Xmp.empty()) kept.Xmp = EditedXmp(source.Xmp, width, height);
  } catch (const std::exception&) {
    kept.Xmp.clear();
  }
  return kept;
}

}  // namespace velora
