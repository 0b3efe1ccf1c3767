#include "jpeg/exif.h"

#include <cstring>

namespace velora {

namespace {

constexpr uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;

// Reads 16- and 32-bit numbers of a TIFF structure in its byte order. Callers check that
// the bytes lie inside the structure first.
struct TiffReader {
  const uint8_t* base;
  size_t size;
  bool littleEndian;

  uint16_t U16(size_t at) const {
    const uint8_t* p = base + at;
    return littleEndian ? static_cast<uint16_t>(p[0] | p[1] << 8)
                        : static_cast<uint16_t>(p[0] << 8 | p[1]);
  }
  uint32_t U32(size_t at) const {
    const uint8_t* p = base + at;
    return littleEndian
               ? uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24
               : uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
  }
  // Whether `count` bytes from `at` lie inside the structure (without overflow).
  bool Holds(size_t at, size_t count) const { return at <= size && count <= size - at; }
};

}  // namespace

int ExifOrientation(const uint8_t* data, size_t size) {
  if (!data || size < sizeof kExifId || std::memcmp(data, kExifId, sizeof kExifId) != 0) return 1;
  TiffReader tiff{data + sizeof kExifId, size - sizeof kExifId, false};
  // The TIFF header: "II" (little-endian) or "MM" (big-endian), 42, the offset of IFD0.
  if (!tiff.Holds(0, 8)) return 1;
  if (tiff.base[0] == 'I' && tiff.base[1] == 'I') {
    tiff.littleEndian = true;
  } else if (!(tiff.base[0] == 'M' && tiff.base[1] == 'M')) {
    return 1;
  }
  if (tiff.U16(2) != 42) return 1;
  const size_t ifd = tiff.U32(4);
  if (!tiff.Holds(ifd, 2)) return 1;
  // IFD0: a count, then 12-byte entries (tag, type, count, value). Only this directory is
  // read, so directories that point at each other cannot make the reader loop; entries
  // that a cut-short block no longer holds are not read.
  const unsigned entries = tiff.U16(ifd);
  for (unsigned i = 0; i < entries; ++i) {
    const size_t entry = ifd + 2 + 12 * size_t{i};
    if (!tiff.Holds(entry, 12)) return 1;
    if (tiff.U16(entry) != kOrientationTag) continue;
    // One SHORT, stored in the first two bytes of the value field.
    if (tiff.U16(entry + 2) != kTypeShort || tiff.U32(entry + 4) != 1) return 1;
    const int value = tiff.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

}  // namespace velora
