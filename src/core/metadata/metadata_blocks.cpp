#include "metadata/metadata_blocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "util/regular_file.h"

namespace velora {

namespace {

constexpr uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr char kJpegXmpId[] = "http://ns.adobe.com/xap/1.0/";  // then a zero byte
constexpr char kPngXmpKeyword[] = "XML:com.adobe.xmp";
constexpr uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t Big32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t Little32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool StartsWith(const uint8_t* data, size_t size, const void* prefix, size_t length) {
  return size >= length && std::memcmp(data, prefix, length) == 0;
}

// The first block of each kind wins; oversized ones are passed over.
void TakeExif(MetadataBlocks& found, const uint8_t* data, size_t size) {
  if (StartsWith(data, size, kExifId, sizeof kExifId)) {
    data += sizeof kExifId;
    size -= sizeof kExifId;
  }
  if (found.Exif.empty() && size > 0 && size <= kMaxMetadataBlockBytes)
    found.Exif.assign(data, data + size);
}
void TakeXmp(MetadataBlocks& found, const uint8_t* data, size_t size) {
  if (found.Xmp.empty() && size > 0 && size <= kMaxMetadataBlockBytes)
    found.Xmp.assign(reinterpret_cast<const char*>(data), size);
}

void FromJpeg(const uint8_t* data, size_t size, MetadataBlocks& found) {
  size_t at = 2;  // after SOI
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // a fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return;  // the scan begins: no metadata after it
    const size_t length = size_t{data[at + 2]} << 8 | data[at + 3];
    if (length < 2 || length > size - at - 2) return;
    const uint8_t* body = data + at + 4;
    const size_t bodySize = length - 2;
    if (marker == 0xE1) {
      if (StartsWith(body, bodySize, kExifId, sizeof kExifId)) {
        TakeExif(found, body, bodySize);
      } else if (StartsWith(body, bodySize, kJpegXmpId, sizeof kJpegXmpId)) {
        TakeXmp(found, body + sizeof kJpegXmpId, bodySize - sizeof kJpegXmpId);
      }
    }
    at += 2 + length;
  }
}

// An iTXt chunk: keyword, 0, compression flag, method, language, 0, translated keyword,
// 0, text. Only uncompressed XMP is taken, as the XMP standard asks writers to store it.
void FromPngText(const uint8_t* body, size_t size, MetadataBlocks& found) {
  const size_t keyword = sizeof kPngXmpKeyword;  // with its zero byte
  if (!StartsWith(body, size, kPngXmpKeyword, keyword) || size < keyword + 2) return;
  if (body[keyword] != 0) return;
  size_t at = keyword + 2;
  for (int field = 0; field < 2; ++field) {
    const void* end = std::memchr(body + at, 0, size - at);
    if (!end) return;
    at = static_cast<size_t>(static_cast<const uint8_t*>(end) - body) + 1;
  }
  TakeXmp(found, body + at, size - at);
}

void FromPng(const uint8_t* data, size_t size, MetadataBlocks& found) {
  size_t at = sizeof kPngSignature;
  while (at + 12 <= size) {
    const size_t length = Big32(data + at);
    if (length > size - at - 12) return;
    const uint8_t* type = data + at + 4;
    const uint8_t* body = data + at + 8;
    if (std::memcmp(type, "eXIf", 4) == 0) TakeExif(found, body, length);
    if (std::memcmp(type, "iTXt", 4) == 0) FromPngText(body, length, found);
    if (std::memcmp(type, "IEND", 4) == 0) return;
    at += 12 + length;
  }
}

void FromWebp(const uint8_t* data, size_t size, MetadataBlocks& found) {
  size_t at = 12;  // after "RIFF", the size and "WEBP"
  while (at + 8 <= size) {
    const size_t length = Little32(data + at + 4);
    if (length > size - at - 8) return;
    const uint8_t* body = data + at + 8;
    if (std::memcmp(data + at, "EXIF", 4) == 0) TakeExif(found, body, length);
    if (std::memcmp(data + at, "XMP ", 4) == 0) TakeXmp(found, body, length);
    at += 8 + length + (length & 1);  // chunks are padded to an even length
  }
}

}  // namespace

MetadataBlocks FindMetadataBlocks(const uint8_t* data, size_t size) {
  MetadataBlocks found;
  if (!data) return found;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) {
    FromJpeg(data, size, found);
  } else if (StartsWith(data, size, kPngSignature, sizeof kPngSignature)) {
    FromPng(data, size, found);
  } else if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 &&
             std::memcmp(data + 8, "WEBP", 4) == 0) {
    FromWebp(data, size, found);
  }
  return found;
}

MetadataBlocks ReadMetadataBlocks(const std::string& path) {
  const OpenedFile file = OpenRegularFile(path, O_RDONLY);
  if (file.fd < 0) return {};
  std::vector<uint8_t> bytes;
  struct stat info {};
  if (fstat(file.fd, &info) == 0 && info.st_size > 0 &&
      static_cast<uint64_t>(info.st_size) <= kMaxMetadataFileBytes) {
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(file.fd, bytes.data() + got, bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);  // a file that shrank meanwhile is read as far as it goes
  }
  close(file.fd);
  return FindMetadataBlocks(bytes.data(), bytes.size());
}

}  // namespace velora
