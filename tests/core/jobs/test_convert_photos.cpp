// Photos from phones and cameras: the conversion turns them upright before resizing,
// sizes them as they are seen, and keeps their colour profile, and nothing else.
#include <gtest/gtest.h>

#include "formats/formats.h"
#include "jobs/convert.h"
#include "jpeg/jpeg.h"
#include "jpeg_segments.h"
#include "picture/orientation.h"
#include "png_builder.h"
#include "resample/resample.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

namespace {

Bytes Encoded(const TBitmap& bitmap, int quality, const Bytes& profile = {}) {
  TJPEGImage jpeg;
  jpeg.EncodeQuality = quality;
  jpeg.EncodeColorProfile = profile;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeJpeg();
  return jpeg.CompressedBytes();
}

struct Converted {
  ConvertResult result;
  std::vector<std::string> log;
  Bytes bytes;  // the output file, when one was written
};

Converted Convert(const ResizeSettings& settings, const std::string& source, const TempDir& dir) {
  Converted c;
  ConvertHooks hooks;
  hooks.Log = [&c](const std::string& line) { c.log.push_back(line); };
  TPicture preview;
  ForceFolder(dir.Path("Output/"));
  c.result = ConvertImage(settings, source, dir.Path("Output/"), preview, hooks);
  if (!c.result.SavedAs.empty()) c.bytes = ReadBytes(c.result.SavedAs);
  return c;
}

void LoadBytes(TJPEGImage& jpeg, const Bytes& bytes) {
  TBytesStream stream(bytes.data(), bytes.size());
  jpeg.LoadFromStream(stream);
}

}  // namespace

TEST(ConvertPhotos, APortraitWithTag6ComesOutUprightWithItsProfileAndNothingElse) {
  TempDir dir;
  // The camera stores the portrait 96 x 128 as 128 x 96 pixels, tag 6, a 200 KB profile.
  TBitmap upright;
  FillPattern(upright, 96, 128, 21);
  TBitmap stored;
  stored.CopyGraphic(&upright);
  TurnUpright(stored, 8);  // the turn tag 6 undoes
  const Bytes profile = TestProfile(200 * 1024);
  const std::string source = dir.Write(
      "portrait.jpg",
      WithSegments(Encoded(stored, 92, profile), {{0xE1, ExifWithOrientation(false, 6)}}));

  ResizeSettings settings;  // smaller by 2, Mitchell, quality 74
  const Converted c = Convert(settings, source, dir);
  ASSERT_FALSE(c.result.SavedAs.empty());
  EXPECT_TRUE(c.log.empty());

  // Exactly the bytes of: decode, turn upright, resample, encode with the profile.
  TJPEGImage decoded;
  decoded.LoadFile(source);
  TBitmap turned;
  CopyUpright(decoded, turned);
  TBitmap target;
  target.SetPixelDepth(PixelDepth::pf24bit);
  target.SetSize(48, 64);
  ResamplePlain(turned, target, FilterTable[6].Kernel, FilterTable[6].Support);
  EXPECT_EQ(c.bytes, Encoded(target, 74, profile));

  TJPEGImage out;
  LoadBytes(out, c.bytes);
  EXPECT_EQ(out.Width(), 48);
  EXPECT_EQ(out.Height(), 64);
  EXPECT_EQ(out.ColorProfile(), profile);
  EXPECT_EQ(out.Orientation(), 1);
  // JFIF and the profile: no EXIF block (no orientation, no position), nothing else.
  for (const Segment& s : SegmentsOf(c.bytes)) {
    EXPECT_TRUE(s.marker == 0xE0 || s.marker == 0xE2 || s.marker < 0xE0 || s.marker > 0xEF)
        << std::hex << s.marker;
  }
}

TEST(ConvertPhotos, WithoutTagOrProfileTheOutputIsTheSameAsBefore) {
  TempDir dir;
  TBitmap bitmap;
  FillPattern(bitmap, 90, 70, 5);
  const Bytes plain = Encoded(bitmap, 90);
  ResizeSettings settings;
  const Bytes expected = Convert(settings, dir.Write("plain.jpg", plain), dir).bytes;
  ASSERT_FALSE(expected.empty());
  // Metadata that changes nothing: tag 1, a damaged EXIF block, an XMP packet, a damaged
  // profile, a profile of another colour space.
  Bytes damaged = ExifWithOrientation(true, 6);
  damaged.resize(damaged.size() - 12);
  const std::vector<std::vector<Segment>> variants = {
      {{0xE1, ExifWithOrientation(true, 1)}},
      {{0xE1, damaged}},
      {{0xE1, {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0}}},
      {{0xE2, IccSegment(1, 2, TestProfile(300))}},
      {{0xE2, IccSegment(1, 1, TestProfile(300, "GRAY"))}},
  };
  for (size_t i = 0; i < variants.size(); ++i) {
    const std::string name = "variant" + std::to_string(i) + ".jpg";
    EXPECT_EQ(Convert(settings, dir.Write(name, WithSegments(plain, variants[i])), dir).bytes,
              expected)
        << i;
  }
}

TEST(ConvertPhotos, EveryModeSizesThePictureAsItIsSeen) {
  TempDir dir;
  // 60 x 40 stored, 40 x 60 upright; 400 x 4 stored, 4 x 400 upright.
  TBitmap wide, flat;
  FillPattern(wide, 60, 40, 8);
  FillPattern(flat, 400, 4, 9);
  const std::string tilted = dir.Write(
      "tilted.jpg", WithSegments(Encoded(wide, 90), {{0xE1, ExifWithOrientation(true, 6)}}));
  const std::string pole = dir.Write(
      "pole.jpg", WithSegments(Encoded(flat, 90), {{0xE1, ExifWithOrientation(false, 8)}}));
  auto settings = [](ResizeMode mode, int whole, int tenths, int w, int h, int side) {
    ResizeSettings s;
    s.Mode = mode;
    s.FactorWhole = whole;
    s.FactorTenths = tenths;
    s.BoxWidth = w;
    s.BoxHeight = h;
    s.SideLength = side;
    return s;
  };
  const struct {
    const char* what;
    std::string source;
    ResizeSettings settings;
    int width, height;  // 0 x 0: "WARNING! Output size too small"
  } cases[] = {
      {"smaller by 2", tilted, settings(ResizeMode::DecreaseTimes, 2, 0, 0, 0, 0), 20, 30},
      {"larger by 1.5", tilted, settings(ResizeMode::IncreaseTimes, 1, 5, 0, 0, 0), 60, 90},
      {"one size", tilted, settings(ResizeMode::SameSize, 0, 0, 33, 22, 0), 33, 22},
      {"one width", tilted, settings(ResizeMode::SameWidth, 0, 0, 0, 0, 20), 20, 30},
      {"one height", tilted, settings(ResizeMode::SameHeight, 0, 0, 0, 0, 30), 20, 30},
      {"one width, tall", pole, settings(ResizeMode::SameWidth, 0, 0, 0, 0, 2), 2, 200},
      {"one height, tall: too narrow", pole, settings(ResizeMode::SameHeight, 0, 0, 0, 0, 2), 0, 0},
      {"fit in a box", tilted, settings(ResizeMode::FitInBox, 0, 0, 30, 30, 0), 20, 30},
      {"fit in a box, tall", pole, settings(ResizeMode::FitInBox, 0, 0, 100, 100, 0), 1, 100},
  };
  for (const auto& c : cases) {
    const Converted out = Convert(c.settings, c.source, dir);
    if (c.width == 0) {
      EXPECT_EQ(out.log, std::vector<std::string>{kLogTooSmall + c.source}) << c.what;
      continue;
    }
    ASSERT_FALSE(out.bytes.empty()) << c.what;
    TJPEGImage jpeg;
    LoadBytes(jpeg, out.bytes);
    EXPECT_EQ(jpeg.Width(), c.width) << c.what;
    EXPECT_EQ(jpeg.Height(), c.height) << c.what;
  }
}

TEST(ConvertPhotos, APngsProfileGoesWithItsOutput) {
  TempDir dir;
  PngImage image;
  image.width = 8;
  image.height = 6;
  image.colorType = 2;
  for (int i = 0; i < 8 * 6 * 3; ++i) image.samples.push_back(static_cast<uint16_t>(i * 5 % 256));
  const Bytes profile = TestProfile(70000);
  Bytes iccp = {'P', '3', 0, 0};
  const Bytes stream = Deflate(profile);
  iccp.insert(iccp.end(), stream.begin(), stream.end());
  const std::string source = dir.Write("drawing.png", MakePng(image, {{"iCCP", iccp}}));
  const Converted c = Convert(ResizeSettings{}, source, dir);
  TJPEGImage out;
  LoadBytes(out, c.bytes);
  EXPECT_EQ(out.ColorProfile(), profile);
  EXPECT_EQ(out.Width(), 4);
}

TEST(ConvertPhotos, APictureNeverEnlargedKeepsItsPixelsTurnedUpright) {
  TempDir dir;
  TBitmap wide;
  FillPattern(wide, 60, 40, 8);
  const std::string tilted = dir.Write(
      "tilted.jpg", WithSegments(Encoded(wide, 90), {{0xE1, ExifWithOrientation(true, 6)}}));
  TPicture loaded;
  LoadPictureFile(loaded, tilted);
  TBitmap upright;
  CopyUpright(*loaded.Graphic(), upright);
  ASSERT_EQ(upright.Width(), 40);

  for (ResizeMode mode : {ResizeMode::SameSize, ResizeMode::SameWidth, ResizeMode::SameHeight,
                          ResizeMode::FitInBox}) {
    ResizeSettings s;
    s.Mode = mode;
    s.BoxWidth = 40;
    s.BoxHeight = 1000;
    s.SideLength = 1000;
    s.NeverEnlarge = true;
    const Converted out = Convert(s, tilted, dir);
    EXPECT_EQ(out.bytes, Encoded(upright, s.Quality)) << static_cast<int>(mode);
  }
}
