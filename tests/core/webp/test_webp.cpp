// The WebP reader: lossy, lossless and with alpha, agreeing with libwebp's own decoding;
// the first frame of an animation; the ICCP and EXIF chunks; damaged and huge files.
#include <gtest/gtest.h>
#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstring>

#include "decoded_picture_util.h"
#include "formats/formats.h"
#include "picture/orientation.h"
#include "test_util.h"
#include "webp/webp_read.h"

using namespace velora;
using Bytes = std::vector<uint8_t>;
using test::RgbaOf;

namespace {

std::unique_ptr<TWebPPicture> Load(const Bytes& file) {
  return test::LoadBytes<TWebPPicture>(file);
}

// A picture of smooth gradients and a sharp edge, red, green, blue, alpha per pixel.
Bytes Rgba(int width, int height, unsigned seed = 0) {
  Bytes px;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      px.push_back(static_cast<uint8_t>(x * 255 / width + seed));
      px.push_back(static_cast<uint8_t>(y * 255 / height));
      px.push_back(static_cast<uint8_t>(x < width / 2 ? 30 : 220));
      // Never fully transparent: the lossless encoder may change the colours under those.
      px.push_back(static_cast<uint8_t>(1 + (x + y) * 254 / (width + height)));
    }
  }
  return px;
}

Bytes Encode(const Bytes& rgba, int width, int height, bool lossless, bool alpha) {
  uint8_t* out = nullptr;
  size_t size = 0;
  Bytes rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
  if (alpha) {
    size = lossless ? WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &out)
                    : WebPEncodeRGBA(rgba.data(), width, height, width * 4, 60, &out);
  } else {
    size = lossless ? WebPEncodeLosslessRGB(rgb.data(), width, height, width * 3, &out)
                    : WebPEncodeRGB(rgb.data(), width, height, width * 3, 60, &out);
  }
  Bytes file(out, out + size);
  WebPFree(out);
  return file;
}

// The file with chunks set by libwebpmux (ICCP, EXIF).
Bytes WithChunks(const Bytes& webp, const std::vector<std::pair<const char*, Bytes>>& chunks) {
  const WebPData in{webp.data(), webp.size()};
  WebPMux* mux = WebPMuxCreate(&in, 1);
  for (const auto& [fourcc, data] : chunks) {
    const WebPData chunk{data.data(), data.size()};
    EXPECT_EQ(WebPMuxSetChunk(mux, fourcc, &chunk, 1), WEBP_MUX_OK) << fourcc;
  }
  WebPData out;
  WebPDataInit(&out);
  EXPECT_EQ(WebPMuxAssemble(mux, &out), WEBP_MUX_OK);
  Bytes file(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  WebPMuxDelete(mux);
  return file;
}

// An EXIF block as a WebP file carries it: the bare TIFF structure with one entry.
Bytes ExifWithOrientation(uint16_t orientation, bool withJpegPrefix = false) {
  Bytes exif = {'I',
                'I',
                42,
                0,
                8,
                0,
                0,
                0,
                1,
                0,
                0x12,
                0x01,
                3,
                0,
                1,
                0,
                0,
                0,
                static_cast<uint8_t>(orientation),
                0,
                0,
                0,
                0,
                0,
                0,
                0};
  if (withJpegPrefix) exif.insert(exif.begin(), {'E', 'x', 'i', 'f', 0, 0});
  return exif;
}

}  // namespace

TEST(WebP, PixelsAgreeWithLibwebpAndAlphaIsKeptBeside) {
  const int w = 37, h = 23;
  const Bytes source = Rgba(w, h);
  for (const bool lossless : {false, true}) {
    for (const bool alpha : {false, true}) {
      SCOPED_TRACE(std::string(lossless ? "lossless" : "lossy") + (alpha ? " with alpha" : ""));
      const Bytes file = Encode(source, w, h, lossless, alpha);
      const auto picture = Load(file);
      ASSERT_EQ(picture->Width(), w);
      ASSERT_EQ(picture->Height(), h);
      EXPECT_EQ(picture->HasAlpha(), alpha);
      int rw = 0, rh = 0;
      uint8_t* reference = WebPDecodeRGBA(file.data(), file.size(), &rw, &rh);
      ASSERT_NE(reference, nullptr);
      const Bytes expected(reference, reference + static_cast<size_t>(w) * h * 4);
      WebPFree(reference);
      EXPECT_EQ(RgbaOf(*picture), expected);
      if (lossless && alpha) {
        EXPECT_EQ(RgbaOf(*picture), source);
      }
      // The resizer's copy: the same colours, alpha left out.
      TBitmap bitmap;
      bitmap.CopyGraphic(picture.get());
      EXPECT_EQ(test::RgbOf(bitmap), test::RgbOf(picture->Bitmap()));
    }
  }
}

TEST(WebP, TheProfileAndTheExifOrientationAreRead) {
  const Bytes plain = Encode(Rgba(8, 4), 8, 4, true, false);
  const Bytes profile(3000, 0x5A);
  const struct {
    const char* what;
    Bytes file;
    Bytes profile;
    int orientation;
  } cases[] = {
      {"no chunks", plain, {}, 1},
      {"a profile", WithChunks(plain, {{"ICCP", profile}}), profile, 1},
      {"orientation 6", WithChunks(plain, {{"EXIF", ExifWithOrientation(6)}}), {}, 6},
      {"orientation 8 after Exif\\0\\0",
       WithChunks(plain, {{"EXIF", ExifWithOrientation(8, true)}}),
       {},
       8},
      {"both", WithChunks(plain, {{"ICCP", profile}, {"EXIF", ExifWithOrientation(3)}}), profile,
       3},
      {"orientation out of range", WithChunks(plain, {{"EXIF", ExifWithOrientation(9)}}), {}, 1},
      {"damaged EXIF", WithChunks(plain, {{"EXIF", Bytes{'I', 'I', 42}}}), {}, 1},
  };
  for (const auto& c : cases) {
    const auto picture = Load(c.file);
    EXPECT_EQ(picture->ColorProfile(), c.profile) << c.what;
    EXPECT_EQ(picture->Orientation(), c.orientation) << c.what;
    EXPECT_EQ(UprightWidth(*picture), SwapsSides(c.orientation) ? 4 : 8) << c.what;
  }
}

TEST(WebP, AnAnimationGivesItsFirstFrame) {
  const int w = 16, h = 12;
  WebPAnimEncoderOptions options;
  ASSERT_TRUE(WebPAnimEncoderOptionsInit(&options));
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(w, h, &options);
  WebPConfig config;
  ASSERT_TRUE(WebPConfigInit(&config));
  config.lossless = 1;
  const Bytes frames[] = {Rgba(w, h, 0), Rgba(w, h, 90)};
  int timestamp = 0;
  for (const Bytes& frame : frames) {
    WebPPicture picture;
    ASSERT_TRUE(WebPPictureInit(&picture));
    picture.use_argb = 1;
    picture.width = w;
    picture.height = h;
    ASSERT_TRUE(WebPPictureImportRGBA(&picture, frame.data(), w * 4));
    ASSERT_TRUE(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config));
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData out;
  WebPDataInit(&out);
  ASSERT_TRUE(WebPAnimEncoderAssemble(encoder, &out));
  const Bytes file(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  WebPAnimEncoderDelete(encoder);

  const auto picture = Load(file);
  ASSERT_EQ(picture->Width(), w);
  ASSERT_EQ(picture->Height(), h);
  EXPECT_EQ(RgbaOf(*picture), frames[0]);
}

TEST(WebP, DamagedTruncatedAndHugeFilesAreRefused) {
  const Bytes good = Encode(Rgba(40, 30), 40, 30, false, false);
  Bytes flipped = good;
  for (size_t i = 40; i < flipped.size(); i += 3) flipped[i] ^= 0xA5;
  // A lossless header claiming 16384 x 16384, and an extended header claiming a canvas of
  // 2^24 x 2^24, each followed by next to nothing.
  Bytes hugeLossless = {'R', 'I', 'F', 'F', 26, 0, 0, 0,    'W',  'E',  'B',  'P', 'V',
                        'P', '8', 'L', 13,  0,  0, 0, 0x2F, 0xFF, 0xFF, 0xFF, 0x0F};
  hugeLossless.resize(34, 0);
  Bytes hugeCanvas = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E',  'B',  'P',  'V',  'P',  '8',
                      'X', 10,  0,   0,   0, 0, 0, 0, 0,   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  hugeCanvas.insert(hugeCanvas.end(), good.begin() + 12, good.end());
  const uint32_t riff = static_cast<uint32_t>(hugeCanvas.size() - 8);
  std::memcpy(&hugeCanvas[4], &riff, 4);
  test::ExpectRefused<TWebPPicture, EWebPError>({
      {"empty", {}},
      {"only the RIFF header", Bytes(good.begin(), good.begin() + 12)},
      {"cut in half", Bytes(good.begin(), good.begin() + good.size() / 2)},
      {"bytes changed", flipped},
      {"a PNG signature", {0x89, 'P', 'N', 'G', 13, 10, 26, 10}},
      {"lossless header of 16384 x 16384", hugeLossless},
      {"canvas of 2^24 x 2^24", hugeCanvas},
  });
}

TEST(WebP, LoadsThroughTheFormatTableWhateverTheCase) {
  test::TempDir dir;
  const Bytes file = Encode(Rgba(6, 5), 6, 5, true, false);
  for (const char* name : {"a.webp", "b.WebP", "c.WEBP"}) {
    TPicture picture;
    LoadPictureFile(picture, dir.Write(name, file));
    ASSERT_NE(picture.Graphic(), nullptr) << name;
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TWebPPicture") << name;
    EXPECT_EQ(picture.Width(), 6) << name;
  }
}
