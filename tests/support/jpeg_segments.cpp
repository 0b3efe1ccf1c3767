#include "jpeg_segments.h"

namespace velora::test {

namespace {

void Put16(Bytes& b, bool little, uint32_t v) {
  if (little) {
    b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  } else {
    b.insert(b.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
  }
}

void Put32(Bytes& b, bool little, uint32_t v) {
  Put16(b, little, little ? v & 0xFFFF : v >> 16);
  Put16(b, little, little ? v >> 16 : v & 0xFFFF);
}

}  // namespace

Bytes ExifBlock(bool littleEndian, const std::vector<ExifEntry>& entries, uint32_t nextIfd) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  b.insert(b.end(), littleEndian ? std::initializer_list<uint8_t>{'I', 'I'}
                                 : std::initializer_list<uint8_t>{'M', 'M'});
  Put16(b, littleEndian, 42);
  Put32(b, littleEndian, 8);
  Put16(b, littleEndian, static_cast<uint32_t>(entries.size()));
  for (const ExifEntry& e : entries) {
    Put16(b, littleEndian, e.tag);
    Put16(b, littleEndian, e.type);
    Put32(b, littleEndian, e.count);
    if (e.type == 3 && e.count == 1) {
      Put16(b, littleEndian, e.value);
      Put16(b, littleEndian, 0);
    } else {
      Put32(b, littleEndian, e.value);
    }
  }
  Put32(b, littleEndian, nextIfd);
  return b;
}

Bytes ExifWithOrientation(bool littleEndian, int orientation) {
  // Make: 4 ASCII bytes held in the value field ("Cam\0").
  return ExifBlock(littleEndian, {{0x010F, 2, 4, littleEndian ? 0x006D6143u : 0x43616D00u},
                                  {0x0112, 3, 1, static_cast<uint32_t>(orientation)}});
}

Bytes IccSegment(int sequence, int count, const Bytes& part) {
  Bytes b = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
  b.push_back(static_cast<uint8_t>(sequence));
  b.push_back(static_cast<uint8_t>(count));
  b.insert(b.end(), part.begin(), part.end());
  return b;
}

Bytes TestProfile(size_t size, const std::string& colorSpace) {
  Bytes p(size);
  for (size_t i = 0; i < size; ++i) p[i] = static_cast<uint8_t>((i * 131 + i / 251) % 256);
  if (size >= 128) {
    Bytes head;
    Put32(head, false, static_cast<uint32_t>(size));
    std::copy(head.begin(), head.end(), p.begin());
    std::copy(colorSpace.begin(), colorSpace.end(), p.begin() + 16);
    const std::string signature = "acsp";
    std::copy(signature.begin(), signature.end(), p.begin() + 36);
  }
  return p;
}

Bytes WithSegments(const Bytes& jpeg, const std::vector<Segment>& segments) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  for (const Segment& s : segments) {
    const size_t length = s.data.size() + 2;
    out.insert(out.end(), {0xFF, static_cast<uint8_t>(s.marker), static_cast<uint8_t>(length >> 8),
                           static_cast<uint8_t>(length)});
    out.insert(out.end(), s.data.begin(), s.data.end());
  }
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

std::vector<Segment> SegmentsOf(const Bytes& jpeg) {
  std::vector<Segment> segments;
  size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    const int marker = jpeg[i + 1];
    const size_t length = size_t{jpeg[i + 2]} << 8 | jpeg[i + 3];
    if (i + 2 + length > jpeg.size()) break;
    segments.push_back({marker, Bytes(jpeg.begin() + static_cast<long>(i) + 4,
                                      jpeg.begin() + static_cast<long>(i + 2 + length))});
    if (marker == 0xDA) break;
    i += 2 + length;
  }
  return segments;
}

}  // namespace velora::test
