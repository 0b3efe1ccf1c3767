#include "png/png_inflate.h"

#include <algorithm>
#include <limits>

#include "png/png_errors.h"

namespace velora {

std::string ZlibErrorText(int zlibResult) {
  const char* name = nullptr;
  switch (zlibResult) {
    case Z_VERSION_ERROR:
      name = "incompatible version (-6)";
      break;
    case Z_BUF_ERROR:
      name = "buffer error (-5)";
      break;
    case Z_MEM_ERROR:
      name = "insufficient memory (-4)";
      break;
    case Z_DATA_ERROR:
      name = "data error (-3)";
      break;
    case Z_STREAM_ERROR:
      name = "stream error (-2)";
      break;
    case Z_ERRNO:
      name = "file error (-1)";
      break;
    case Z_STREAM_END:
      name = "stream end (1)";
      break;
    case Z_NEED_DICT:
      name = "need dictionary (2)";
      break;
  }
  const std::string description =
      name ? std::string(name) : "unknown (" + std::to_string(zlibResult) + ")";
  return "Could not decompress the image because it contains invalid compressed data.\r\n"
         " Description: " +
         description;
}

void RaiseZlibError(int zlibResult) {
  throw EPNGZLIBError(ZlibErrorText(zlibResult));
}

TInflater::TInflater() {
  const int result = inflateInit(&z_);
  if (result != Z_OK) RaiseZlibError(result);
}

TInflater::~TInflater() {
  inflateEnd(&z_);
}

std::string InflateBytes(const uint8_t* data, size_t size, size_t limit) {
  TInflater inflater;
  z_stream& z = inflater.Stream();
  std::string out;
  unsigned char block[4096];
  size_t rest = size;
  z.next_in = const_cast<Bytef*>(data);
  for (;;) {
    if (z.avail_in == 0 && rest > 0) {
      z.avail_in = static_cast<uInt>(std::min<size_t>(rest, std::numeric_limits<uInt>::max()));
      rest -= z.avail_in;
    }
    z.next_out = block;
    z.avail_out = sizeof block;
    const int result = inflate(&z, Z_NO_FLUSH);
    out.append(reinterpret_cast<const char*>(block), sizeof block - z.avail_out);
    if (out.size() >= limit) {
      out.resize(limit);
      return out;
    }
    if (result == Z_STREAM_END) return out;
    // No progress with output room left: the data ended before the stream did.
    if (result == Z_BUF_ERROR) return out;
    if (result != Z_OK) RaiseZlibError(result);
  }
}

std::optional<std::vector<uint8_t>> InflateWhole(const uint8_t* data, size_t size, size_t limit) {
  try {
    TInflater inflater;
    z_stream& z = inflater.Stream();
    std::vector<uint8_t> out;
    unsigned char block[16384];
    size_t rest = size;
    z.next_in = const_cast<Bytef*>(data);
    for (;;) {
      if (z.avail_in == 0 && rest > 0) {
        z.avail_in = static_cast<uInt>(std::min<size_t>(rest, std::numeric_limits<uInt>::max()));
        rest -= z.avail_in;
      }
      z.next_out = block;
      z.avail_out = sizeof block;
      const int result = inflate(&z, Z_NO_FLUSH);
      const size_t made = sizeof block - z.avail_out;
      if (made > limit - out.size()) return std::nullopt;
      out.insert(out.end(), block, block + made);
      if (result == Z_STREAM_END) return out;
      // Z_BUF_ERROR with room for output: the data ended before the stream did.
      if (result != Z_OK) return std::nullopt;
    }
  } catch (const Exception&) {
    return std::nullopt;  // zlib could not start
  }
}

}  // namespace velora
