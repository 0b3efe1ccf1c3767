#include "heif/heifread.h"

#include <libheif/heif.h>

#include <memory>
#include <string>

namespace velora {

namespace {

std::unique_ptr<TGraphic> Create() {
  return std::make_unique<THeifPicture>();
}

struct HeifDeleter {
  void operator()(heif_context* p) const { heif_context_free(p); }
  void operator()(const heif_image_handle* p) const { heif_image_handle_release(p); }
  void operator()(const heif_image* p) const { heif_image_release(p); }
  void operator()(heif_decoding_options* p) const { heif_decoding_options_free(p); }
};
template <class T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

void Check(const heif_error& error) {
  if (error.code != heif_error_Ok) {
    throw EHeifError(std::string("HEIF image is not valid: ") +
                     (error.message ? error.message : "unknown error"));
  }
}

std::vector<uint8_t> IccProfile(const heif_image_handle* handle) {
  const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
  std::vector<uint8_t> profile;
  if (size == 0 || size > kMaxColorProfileBytes) return profile;
  profile.resize(size);
  if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok) {
    profile.clear();
  }
  return profile;
}

// Interleaved red, green, blue (and alpha) samples of `bits` bits, 8 in one byte or more in
// two little-endian bytes, into blue, green, red rows and the alpha plane.
template <bool kDeep>
void Unpack(const uint8_t* plane, int planeStride, int bits, DibSection& dib,
            std::vector<uint8_t>& alpha) {
  const int channels = alpha.empty() ? 3 : 4;
  auto sample = [bits](const uint8_t* p, int i) -> uint8_t {
    if constexpr (kDeep) {
      return NearestByte(static_cast<uint32_t>(p[2 * i] | p[2 * i + 1] << 8), bits);
    } else {
      (void)bits;
      return p[i];
    }
  };
  for (int y = 0; y < dib.height; ++y) {
    const uint8_t* in = plane + static_cast<ptrdiff_t>(y) * planeStride;
    uint8_t* out = dib.Row(y);
    uint8_t* a = channels == 4 ? alpha.data() + static_cast<size_t>(y) * dib.width : nullptr;
    for (int x = 0; x < dib.width; ++x, out += 3) {
      const int first = x * channels;
      out[0] = sample(in, first + 2);
      out[1] = sample(in, first + 1);
      out[2] = sample(in, first);
      if (a) a[x] = sample(in, first + 3);
    }
  }
}

}  // namespace

const TGraphicClass& THeifPicture::Class() {
  static const TGraphicClass cls{"THeifPicture", nullptr, &Create};
  return cls;
}

void THeifPicture::LoadFromStream(TStream& stream) {
  Clear();
  const std::vector<uint8_t> bytes = ReadRemaining(stream);
  const HeifPtr<heif_context> context(heif_context_alloc());
  if (!context) throw EOutOfMemory("Out of memory");
  Check(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr));
  heif_image_handle* rawHandle = nullptr;
  Check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
  const HeifPtr<const heif_image_handle> handle(rawHandle);

  // The size after the container's transforms, as the picture will be.
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > 8;
  // The library's own interleaved image must fit the budget too.
  const int64_t libraryScale = (alpha ? 4 : 3) * (deep ? 2 : 1);
  if (!FitsPixelBudget(width, height, alpha) ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * libraryScale >
          kMaxPixelBytes) {
    throw EHeifError("HEIF image is too large (" + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels)");
  }

  const HeifPtr<heif_decoding_options> options(heif_decoding_options_alloc());
  if (!options) throw EOutOfMemory("Out of memory");
  options->ignore_transformations = 0;
  options->convert_hdr_to_8bit = 0;  // deep samples are rounded here, not cut
  const heif_chroma chroma =
      deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
           : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image* rawImage = nullptr;
  Check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get()));
  const HeifPtr<const heif_image> image(rawImage);
  int planeStride = 0;
  const uint8_t* plane =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &planeStride);
  const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
  if (!plane || heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
      heif_image_get_height(image.get(), heif_channel_interleaved) != height ||
      (deep ? bits <= 8 || bits > 16 : bits != 8)) {
    throw EHeifError("HEIF image is not valid: unexpected decoded image");
  }

  Pixels pixels = NewPixels(width, height, alpha);
  if (deep) {
    Unpack<true>(plane, planeStride, bits, *pixels.dib, pixels.alpha);
  } else {
    Unpack<false>(plane, planeStride, bits, *pixels.dib, pixels.alpha);
  }
  Install(std::move(pixels), 1, IccProfile(handle.get()));
}

}  // namespace velora
