// The HEIF reader: HEIC and AVIF of 8, 10 and 12 bits with and without alpha, agreeing
// with libheif's own decoding (deep samples rounded to the nearest 8-bit value); the ICC
// profile; the container's rotation applied once; damaged and huge files.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "decoded_picture_util.h"
#include "formats/formats.h"
#include "heif/heifread.h"
#include "picture/orientation.h"
#include "test_util.h"

using namespace velora;
using Bytes = std::vector<uint8_t>;
using test::RgbaOf;

namespace {

std::unique_ptr<THeifPicture> Load(const Bytes& file) {
  return test::LoadBytes<THeifPicture>(file);
}

struct Fixture {
  heif_compression_format codec = heif_compression_HEVC;
  int width = 24, height = 16;
  int bits = 8;
  bool alpha = false;
  Bytes profile;
  heif_orientation orientation = heif_orientation_normal;
  Bytes exif;
};

heif_error WriteBytes(heif_context*, const void* data, size_t size, void* userdata) {
  auto* out = static_cast<Bytes*>(userdata);
  out->insert(out->end(), static_cast<const uint8_t*>(data),
              static_cast<const uint8_t*>(data) + size);
  return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// A gradient picture encoded by libheif (x265 for HEVC, aom for AV1).
Bytes Encode(const Fixture& f) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  EXPECT_EQ(heif_context_get_encoder_for_format(context, f.codec, &encoder).code, heif_error_Ok);
  heif_encoder_set_lossy_quality(encoder, 90);
  if (f.codec == heif_compression_AV1) heif_encoder_set_parameter(encoder, "speed", "9");
  const bool deep = f.bits > 8;
  const heif_chroma chroma =
      deep ? (f.alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
           : (f.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  heif_image* image = nullptr;
  EXPECT_EQ(heif_image_create(f.width, f.height, heif_colorspace_RGB, chroma, &image).code,
            heif_error_Ok);
  heif_image_add_plane(image, heif_channel_interleaved, f.width, f.height, f.bits);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const int channels = f.alpha ? 4 : 3;
  const uint32_t max = (1u << f.bits) - 1;
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const uint32_t values[4] = {max * x / (f.width - 1), max * y / (f.height - 1),
                                  x < f.width / 2 ? max / 5 : max * 4 / 5,
                                  max * (x + y) / (f.width + f.height - 2)};
      for (int c = 0; c < channels; ++c) {
        uint8_t* p = plane + y * stride + (x * channels + c) * (deep ? 2 : 1);
        p[0] = static_cast<uint8_t>(values[c]);
        if (deep) p[1] = static_cast<uint8_t>(values[c] >> 8);
      }
    }
  }
  if (!f.profile.empty()) {
    heif_image_set_raw_color_profile(image, "prof", f.profile.data(), f.profile.size());
  }
  heif_encoding_options* options = heif_encoding_options_alloc();
  options->image_orientation = f.orientation;
  heif_image_handle* handle = nullptr;
  EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, &handle).code,
            heif_error_Ok);
  if (!f.exif.empty())
    heif_context_add_exif_metadata(context, handle, f.exif.data(), f.exif.size());
  Bytes file;
  heif_writer writer{1, &WriteBytes};
  EXPECT_EQ(heif_context_write(context, &writer, &file).code, heif_error_Ok);
  heif_image_handle_release(handle);
  heif_encoding_options_free(options);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

// libheif's own decoding as red, green, blue, alpha bytes: 8-bit samples as they come,
// deeper ones rounded to the nearest 8-bit value.
Bytes Reference(const Bytes& file, int& width, int& height) {
  heif_context* context = heif_context_alloc();
  heif_context_read_from_memory_without_copy(context, file.data(), file.size(), nullptr);
  heif_image_handle* handle = nullptr;
  heif_context_get_primary_image_handle(context, &handle);
  const bool alpha = heif_image_handle_has_alpha_channel(handle);
  const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
  heif_image* image = nullptr;
  const heif_chroma chroma =
      deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
           : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  EXPECT_EQ(heif_decode_image(handle, &image, heif_colorspace_RGB, chroma, nullptr).code,
            heif_error_Ok);
  width = heif_image_get_width(image, heif_channel_interleaved);
  height = heif_image_get_height(image, heif_channel_interleaved);
  const int bits = heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const int channels = alpha ? 4 : 3;
  Bytes out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 4; ++c) {
        if (c == channels) {
          out.push_back(255);
          continue;
        }
        const uint8_t* p = plane + y * stride + (x * channels + c) * (deep ? 2 : 1);
        const double v = deep ? p[0] | p[1] << 8 : p[0];
        out.push_back(deep ? static_cast<uint8_t>(std::floor(v * 255 / ((1 << bits) - 1) + 0.5))
                           : static_cast<uint8_t>(v));
      }
    }
  }
  heif_image_release(image);
  heif_image_handle_release(handle);
  heif_context_free(context);
  return out;
}

}  // namespace

TEST(Heif, PixelsAgreeWithLibheifDeepSamplesRounded) {
  const struct {
    const char* what;
    heif_compression_format codec;
    int bits;
    bool alpha;
  } cases[] = {
      {"HEIC 8-bit", heif_compression_HEVC, 8, false},
      {"HEIC 8-bit with alpha", heif_compression_HEVC, 8, true},
      {"HEIC 10-bit", heif_compression_HEVC, 10, false},
      {"AVIF 8-bit", heif_compression_AV1, 8, false},
      {"AVIF 12-bit with alpha", heif_compression_AV1, 12, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    f.codec = c.codec;
    f.bits = c.bits;
    f.alpha = c.alpha;
    const Bytes file = Encode(f);
    const auto picture = Load(file);
    int w = 0, h = 0;
    const Bytes expected = Reference(file, w, h);
    ASSERT_EQ(picture->Width(), f.width);
    ASSERT_EQ(picture->Height(), f.height);
    ASSERT_EQ(w, f.width);
    EXPECT_EQ(picture->HasAlpha(), c.alpha);
    EXPECT_EQ(picture->Orientation(), 1);
    EXPECT_EQ(RgbaOf(*picture), expected);
  }
}

TEST(Heif, TheProfileIsKept) {
  Fixture f;
  f.profile = Bytes(2000, 0x3C);
  EXPECT_EQ(Load(Encode(f))->ColorProfile(), f.profile);
  // Without one the file has only an nclx description, which is no profile.
  EXPECT_TRUE(Load(Encode(Fixture{}))->ColorProfile().empty());
}

// The container's rotation is applied by libheif; an EXIF orientation inside the file
// says the same turn again and must not be applied a second time.
TEST(Heif, AContainerRotationIsAppliedOnce) {
  Fixture f;
  f.width = 32;
  f.height = 16;
  f.orientation = heif_orientation_rotate_90_cw;
  f.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
            0,   1,   0,  0, 0, 6, 0, 0, 0, 0, 0,    0,    0};
  const Bytes file = Encode(f);
  const auto picture = Load(file);
  EXPECT_EQ(picture->Width(), 16);
  EXPECT_EQ(picture->Height(), 32);
  EXPECT_EQ(picture->Orientation(), 1);
  int w = 0, h = 0;
  EXPECT_EQ(RgbaOf(*picture), Reference(file, w, h));
  TBitmap upright;
  CopyUpright(*picture, upright);
  EXPECT_EQ(upright.Width(), 16);
  EXPECT_EQ(test::RgbOf(upright), test::RgbOf(picture->Bitmap()));
  // The encoded picture's left column (no red) is now the top row, to its right end.
  const uint8_t* top = picture->Bitmap().ConstRowAddress(0);
  EXPECT_LT(top[15 * 3 + 2], 60);
}

TEST(Heif, DamagedTruncatedAndHugeFilesAreRefused) {
  const Bytes good = Encode(Fixture{});
  Bytes flipped = good;
  for (size_t i = good.size() / 3; i < good.size(); i += 5) flipped[i] ^= 0x5A;
  // The image's spatial extent claimed as 60000 x 60000.
  Bytes huge = good;
  const uint8_t ispe[] = {'i', 's', 'p', 'e'};
  auto at = std::search(huge.begin(), huge.end(), std::begin(ispe), std::end(ispe));
  ASSERT_NE(at, huge.end());
  const uint8_t side[] = {0, 0, 0xEA, 0x60};
  std::copy(std::begin(side), std::end(side), at + 8);
  std::copy(std::begin(side), std::end(side), at + 12);
  test::ExpectRefused<THeifPicture, EHeifError>({
      {"empty", {}},
      {"the file type box only", Bytes(good.begin(), good.begin() + 24)},
      {"cut in half", Bytes(good.begin(), good.begin() + good.size() / 2)},
      {"cut before the last bytes", Bytes(good.begin(), good.end() - 10)},
      {"bytes changed", flipped},
      {"60000 x 60000", huge},
  });
}

TEST(Heif, LoadsThroughTheFormatTableWhateverTheCase) {
  test::TempDir dir;
  Fixture f;
  const Bytes heic = Encode(f);
  f.codec = heif_compression_AV1;
  const Bytes avif = Encode(f);
  for (const auto& [name, file] : {std::pair{"a.heic", heic},
                                   {"b.HEIF", heic},
                                   {"c.Hif", heic},
                                   {"d.avif", avif},
                                   {"e.AVIF", avif}}) {
    TPicture picture;
    LoadPictureFile(picture, dir.Write(name, file));
    ASSERT_NE(picture.Graphic(), nullptr) << name;
    EXPECT_STREQ(picture.Graphic()->ClassName(), "THeifPicture") << name;
    EXPECT_EQ(picture.Width(), f.width) << name;
  }
}
