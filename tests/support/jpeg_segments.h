#pragma once
// Builds the metadata segments of JPEG files for the tests: EXIF blocks with an
// orientation, ICC profile segments, and files with such segments put in or listed.
#include <cstdint>
#include <string>
#include <vector>

namespace velora::test {

using Bytes = std::vector<uint8_t>;

// One entry of an EXIF image file directory. A SHORT of count 1 is stored in the first two
// bytes of the value field, anything else as a 32-bit value.
struct ExifEntry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;
};

// The data of an APP1 segment: "Exif\0\0", a TIFF header in the byte order asked for with
// IFD0 at offset 8, IFD0's entries and the offset of the next directory.
Bytes ExifBlock(bool littleEndian, const std::vector<ExifEntry>& entries, uint32_t nextIfd = 0);
// A camera-like block: a Make entry, then the Orientation.
Bytes ExifWithOrientation(bool littleEndian, int orientation);

// The data of an APP2 segment holding part `sequence` of `count` of an ICC profile.
Bytes IccSegment(int sequence, int count, const Bytes& part);
// A profile of `size` bytes: for 128 bytes or more an ICC header (size, "RGB " colour
// space, "acsp") followed by a pattern, else the pattern alone.
Bytes TestProfile(size_t size, const std::string& colorSpace = "RGB ");

struct Segment {
  int marker;  // 0xE1 for APP1, ...
  Bytes data;  // without the marker and the length
};
// The file with the segments put right after its start-of-image marker.
Bytes WithSegments(const Bytes& jpeg, const std::vector<Segment>& segments);
// The segments of a file from its start up to the start of scan (included, without data).
std::vector<Segment> SegmentsOf(const Bytes& jpeg);

}  // namespace velora::test
