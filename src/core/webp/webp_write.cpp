#include "webp/webp_write.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>
#include <memory>

namespace velora {

namespace {

[[noreturn]] void Refuse(const std::string& why) {
  throw EInvalidGraphic("Cannot encode WebP (" + why + ")");
}

// Owns what libwebp allocates, released on every path out.
struct PictureGuard {
  WebPPicture* picture;
  ~PictureGuard() { WebPPictureFree(picture); }
};
struct WriterGuard {
  WebPMemoryWriter* writer;
  ~WriterGuard() { WebPMemoryWriterClear(writer); }
};
struct MuxDeleter {
  void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// The picture's pixels top row first, blue-green-red and alpha when there is one.
std::vector<uint8_t> PackedPixels(const TBitmap& bitmap, const uint8_t* alpha) {
  const int width = bitmap.Width(), height = bitmap.Height();
  const size_t channels = alpha ? 4 : 3;
  std::vector<uint8_t> packed(static_cast<size_t>(width) * height * channels);
  uint8_t* out = packed.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bitmap.ConstRowAddress(y);
    if (!alpha) {
      std::memcpy(out, row, 3 * static_cast<size_t>(width));
      out += 3 * static_cast<size_t>(width);
      continue;
    }
    const uint8_t* a = alpha + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x, out += 4) {
      std::memcpy(out, row + 3 * x, 3);
      out[3] = a[x];
    }
  }
  return packed;
}

std::vector<uint8_t> EncodeImage(const TBitmap& bitmap, const WebpWriteOptions& options) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (width > kMaxWebpSide || height > kMaxWebpSide) Refuse("picture too large");
  WebPConfig config;
  if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, static_cast<float>(options.Quality)))
    Refuse("library version");
  config.method = 4;
  WebPPicture picture;
  if (!WebPPictureInit(&picture)) Refuse("library version");
  PictureGuard pictureGuard{&picture};
  picture.width = width;
  picture.height = height;
  const std::vector<uint8_t> packed = PackedPixels(bitmap, options.Alpha);
  const int ok = options.Alpha ? WebPPictureImportBGRA(&picture, packed.data(), 4 * width)
                               : WebPPictureImportBGR(&picture, packed.data(), 3 * width);
  if (!ok) throw EOutOfMemory("Out of memory");
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  WriterGuard writerGuard{&writer};
  picture.writer = WebPMemoryWrite;
  picture.custom_ptr = &writer;
  if (!WebPEncode(&config, &picture)) {
    if (picture.error_code == VP8_ENC_ERROR_OUT_OF_MEMORY) throw EOutOfMemory("Out of memory");
    Refuse("error " + std::to_string(static_cast<int>(picture.error_code)));
  }
  return {writer.mem, writer.mem + writer.size};
}

// The image with the chunks of the photo information and the profile added.
std::vector<uint8_t> WithChunks(const std::vector<uint8_t>& image,
                                const WebpWriteOptions& options) {
  std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxNew());
  if (!mux) throw EOutOfMemory("Out of memory");
  const WebPData bitstream{image.data(), image.size()};
  if (WebPMuxSetImage(mux.get(), &bitstream, 0) != WEBP_MUX_OK) Refuse("image chunk");
  auto add = [&mux](const char* fourcc, const uint8_t* data, size_t size) {
    const WebPData chunk{data, size};
    if (size && WebPMuxSetChunk(mux.get(), fourcc, &chunk, 0) != WEBP_MUX_OK) Refuse(fourcc);
  };
  add("ICCP", options.ColorProfile.data(), options.ColorProfile.size());
  add("EXIF", options.Exif.data(), options.Exif.size());
  add("XMP ", reinterpret_cast<const uint8_t*>(options.Xmp.data()), options.Xmp.size());
  WebPData assembled{nullptr, 0};
  if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) Refuse("assembling chunks");
  std::vector<uint8_t> bytes(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  return bytes;
}

}  // namespace

std::vector<uint8_t> EncodeWebpBytes(const TBitmap& bitmap, const WebpWriteOptions& options) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return {};
  std::vector<uint8_t> image = EncodeImage(bitmap, options);
  if (options.ColorProfile.empty() && options.Exif.empty() && options.Xmp.empty()) return image;
  return WithChunks(image, options);
}

}  // namespace velora
