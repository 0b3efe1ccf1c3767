// Photo information kept or removed: the blocks found in each kind of file, and a camera
// JPEG with a date, a location, a thumbnail and XMP converted with each choice into each
// format, read back by libexiv2.
#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include "jobs/convert.h"
#include "jpeg/jpeg.h"
#include "jpeg_segments.h"
#include "metadata/metadata_blocks.h"
#include "png_builder.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

namespace {

const std::string kTiff = std::string("II*\0\x08\0\0\0", 8);

Bytes AsBytes(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

Bytes Riff(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes body = AsBytes("WEBP");
  for (const auto& [type, data] : chunks) {
    body.insert(body.end(), type.begin(), type.end());
    for (int i = 0; i < 4; ++i) body.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
    body.insert(body.end(), data.begin(), data.end());
    if (data.size() & 1) body.push_back(0);
  }
  Bytes file = AsBytes("RIFF");
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

Bytes PlainJpeg() {
  TBitmap bitmap;
  FillPattern(bitmap, 8, 8, 1);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeJpeg();
  return jpeg.CompressedBytes();
}

}  // namespace

TEST(MetadataBlocks, FoundInEachKindOfFile) {
  const Bytes exif = AsBytes("Exif" + std::string(2, '\0') + kTiff);
  const Bytes xmp = AsBytes("http://ns.adobe.com/xap/1.0/" + std::string(1, '\0') + "<x/>");
  const Bytes itxt = AsBytes("XML:com.adobe.xmp" + std::string(5, '\0') + "<x/>");
  const Bytes jpeg = WithSegments(PlainJpeg(), {{0xE1, exif}, {0xE1, xmp}});
  const Bytes png = MakePng(PngImage{1, 1, 8, 0, {7}}, {{"eXIf", AsBytes(kTiff)}, {"iTXt", itxt}});
  const Bytes webp =
      Riff({{"VP8X", Bytes(10)}, {"EXIF", AsBytes(kTiff)}, {"XMP ", AsBytes("<x/>")}});
  struct Case {
    const char* name;
    Bytes file;
    bool exif, xmp;
  } cases[] = {
      {"jpeg", jpeg, true, true},
      {"png", png, true, true},
      {"webp", webp, true, true},
      {"webp with Exif prefix", Riff({{"EXIF", exif}}), true, false},
      {"jpeg cut inside the EXIF segment", Bytes(jpeg.begin(), jpeg.begin() + 19), false, false},
      {"png cut inside the eXIf chunk", Bytes(png.begin(), png.begin() + 45), false, false},
      {"png cut after the eXIf chunk", Bytes(png.begin(), png.begin() + 60), true, false},
      {"a BMP", AsBytes("BM" + std::string(60, '\0')), false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    const MetadataBlocks found = FindMetadataBlocks(c.file.data(), c.file.size());
    EXPECT_EQ(found.Exif == AsBytes(kTiff), c.exif) << c.name;
    EXPECT_EQ(found.Xmp == "<x/>", c.xmp) << c.name;
    EXPECT_EQ(found.Exif.empty(), !c.exif) << c.name;
  }
}

namespace {

// A 64 x 32 camera JPEG turned by orientation 6, with a date, a location, a thumbnail and
// XMP, written by libexiv2.
std::string CameraJpeg(const TempDir& dir) {
  TBitmap bitmap;
  FillPattern(bitmap, 64, 32, 5);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  const std::string path = dir.Path("camera.jpg");
  jpeg.SaveFile(path);
  const Bytes thumbnail = PlainJpeg();

  auto image = Exiv2::ImageFactory::open(path);
  Exiv2::ExifData& exif = image->exifData();
  exif["Exif.Image.Make"] = "Velora";
  exif["Exif.Image.Orientation"] = uint16_t{6};
  exif["Exif.Photo.DateTimeOriginal"] = "2024:05:06 07:08:09";
  exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  Exiv2::URationalValue latitude;
  latitude.read("48/1 51/1 30/1");
  exif["Exif.GPSInfo.GPSLatitude"] = latitude;
  Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
  image->xmpData()["Xmp.dc.title"] = "Cat";
  image->xmpData()["Xmp.tiff.Orientation"] = "6";
  image->writeMetadata();
  return path;
}

bool Has(const Exiv2::ExifData& exif, const char* key) {
  return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

bool HasGroup(const Exiv2::ExifData& exif, const std::string& group) {
  for (const auto& datum : exif) {
    if (datum.groupName() == group) return true;
  }
  return false;
}

}  // namespace

TEST(PhotoInfo, EachChoiceInEachFormat) {
  TempDir dir;
  const std::string source = CameraJpeg(dir);
  for (OutputFormat format : {OutputFormat::Jpeg, OutputFormat::Png, OutputFormat::Webp}) {
    for (MetadataChoice choice :
         {MetadataChoice::None, MetadataChoice::NoLocation, MetadataChoice::All}) {
      SCOPED_TRACE(testing::Message() << "format " << int(format) << " choice " << int(choice));
      ResizeSettings s;
      s.Format = format;
      s.Metadata = choice;
      const std::string out =
          dir.Path("out" + std::to_string(int(format)) + std::to_string(int(choice)) + "/");
      ForceFolder(out);
      TPicture preview;
      const ConvertResult r = ConvertImage(s, source, out, preview, ConvertHooks{});
      ASSERT_FALSE(r.SavedAs.empty());

      auto image = Exiv2::ImageFactory::open(r.SavedAs);
      image->readMetadata();
      EXPECT_EQ(image->pixelWidth(), 16);  // upright: 32 x 64 halved
      EXPECT_EQ(image->pixelHeight(), 32);
      const Exiv2::ExifData& exif = image->exifData();
      const Exiv2::XmpData& xmp = image->xmpData();
      if (choice == MetadataChoice::None) {
        EXPECT_TRUE(exif.empty());
        EXPECT_TRUE(xmp.empty());
        continue;
      }
      ASSERT_TRUE(Has(exif, "Exif.Photo.DateTimeOriginal"));
      EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"))->toString(),
                "2024:05:06 07:08:09");
      EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"))->toLong(), 1);
      EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension"))->toLong(), 16);
      EXPECT_EQ(exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension"))->toLong(), 32);
      EXPECT_FALSE(HasGroup(exif, "Thumbnail"));
      const bool all = choice == MetadataChoice::All;
      EXPECT_EQ(HasGroup(exif, "GPSInfo"), all);
      EXPECT_EQ(Has(exif, "Exif.Image.GPSTag"), all);
      EXPECT_EQ(xmp.findKey(Exiv2::XmpKey("Xmp.dc.title")) != xmp.end(), all);
      if (all) {
        EXPECT_EQ(xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"))->toString(), "1");
      }
    }
  }
}

// In a JPEG the photo information follows the JFIF segment and comes before the profile.
TEST(PhotoInfo, JpegSegmentOrder) {
  TempDir dir;
  const std::string source = dir.Write(
      "p.jpg",
      WithSegments(ReadBytes(CameraJpeg(dir)), {{0xE2, IccSegment(1, 1, TestProfile(200))}}));
  ForceFolder(dir.Path("o/"));
  ResizeSettings s;
  s.Metadata = MetadataChoice::All;
  TPicture preview;
  const ConvertResult r = ConvertImage(s, source, dir.Path("o/"), preview, ConvertHooks{});
  ASSERT_FALSE(r.SavedAs.empty());
  std::vector<int> markers;
  for (const Segment& segment : SegmentsOf(ReadBytes(r.SavedAs))) markers.push_back(segment.marker);
  ASSERT_GE(markers.size(), 4u);
  EXPECT_EQ(std::vector<int>(markers.begin(), markers.begin() + 4),
            (std::vector<int>{0xE0, 0xE1, 0xE1, 0xE2}));
}

// A damaged EXIF block costs the output its photo information, never the picture.
TEST(PhotoInfo, DamagedExifIsDropped) {
  TempDir dir;
  const Bytes damaged = AsBytes("Exif" + std::string(2, '\0') + "II*\0\xff\xff\xff\x7f junk");
  const std::string source = dir.Write("d.jpg", WithSegments(PlainJpeg(), {{0xE1, damaged}}));
  ForceFolder(dir.Path("o/"));
  ResizeSettings s;
  s.Metadata = MetadataChoice::All;
  s.Mode = ResizeMode::SameWidth;
  s.SideLength = 4;
  TPicture preview;
  const ConvertResult r = ConvertImage(s, source, dir.Path("o/"), preview, ConvertHooks{});
  ASSERT_FALSE(r.SavedAs.empty());
  for (const Segment& segment : SegmentsOf(ReadBytes(r.SavedAs))) EXPECT_NE(segment.marker, 0xE1);
}
