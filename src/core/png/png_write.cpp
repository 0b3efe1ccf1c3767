#include "png/png_write.h"

#include <png.h>

#include <cstring>

namespace velora {

namespace {

// libpng reports through these; an exception must not cross its C frames, so the error
// is noted and libpng's longjmp brings us back.
struct WriteState {
  std::vector<uint8_t> bytes;
  std::string error;
  bool outOfMemory = false;
};

void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
  state->error = message ? message : "PNG error";
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

void OnWrite(png_structp png, png_bytep data, size_t length) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  try {
    state->bytes.insert(state->bytes.end(), data, data + length);
  } catch (const std::bad_alloc&) {
    state->outOfMemory = true;
    png_error(png, "Out of memory");
  }
}
void OnFlush(png_structp) {}

// One output row: the bitmap's blue-green-red with the alpha bytes woven in when there
// are any (libpng swaps blue and red itself).
void FillRow(const uint8_t* pixels, const uint8_t* alpha, int width, std::vector<uint8_t>& row) {
  if (!alpha) {
    std::memcpy(row.data(), pixels, 3 * static_cast<size_t>(width));
    return;
  }
  for (int x = 0; x < width; ++x) {
    std::memcpy(&row[4 * static_cast<size_t>(x)], pixels + 3 * x, 3);
    row[4 * static_cast<size_t>(x) + 3] = alpha[x];
  }
}

}  // namespace

std::vector<uint8_t> EncodePngBytes(const TBitmap& bitmap, const PngWriteOptions& options) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (width <= 0 || height <= 0) return {};
  WriteState state;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) throw EOutOfMemory("Out of memory");
  png_infop info = png_create_info_struct(png);
  // Made before the jump point, so nothing a longjmp skips needs destroying.
  std::vector<uint8_t> row(static_cast<size_t>(width) * (options.Alpha ? 4 : 3));
  std::vector<png_text> texts;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (state.outOfMemory || !info) throw EOutOfMemory("Out of memory");
    throw EInvalidGraphic(state.error);
  }
  png_set_write_fn(png, &state, OnWrite, OnFlush);
  // A profile libpng finds unsound is left out with a warning rather than failing the file.
  png_set_benign_errors(png, 1);
  png_set_compression_level(png, options.CompressionLevel);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               options.Alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!options.ColorProfile.empty()) {
    png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, options.ColorProfile.data(),
                 static_cast<png_uint_32>(options.ColorProfile.size()));
  }
  if (!options.Exif.empty()) {
    png_set_eXIf_1(png, info, static_cast<png_uint_32>(options.Exif.size()),
                   const_cast<png_bytep>(options.Exif.data()));
  }
  if (!options.Xmp.empty()) {
    png_text text{};
    text.compression = PNG_ITXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("XML:com.adobe.xmp");
    text.text = const_cast<char*>(options.Xmp.c_str());
    text.itxt_length = options.Xmp.size();
    texts.push_back(text);
    png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
  }
  png_write_info(png, info);
  png_set_bgr(png);
  for (int y = 0; y < height; ++y) {
    FillRow(bitmap.ConstRowAddress(y),
            options.Alpha ? options.Alpha + static_cast<size_t>(y) * width : nullptr, width, row);
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::move(state.bytes);
}

}  // namespace velora
