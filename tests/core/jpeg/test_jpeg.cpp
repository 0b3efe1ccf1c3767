// Reading and writing JPEG: byte identity with libjpeg-turbo's own tools, the file
// layout, damaged input, and safe writing under faults.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "corpus.h"
#include "jpeg/jpeg.h"
#include "png_builder.h"
#include "test_util.h"

using namespace velora;
using namespace velora::test;

namespace {

std::vector<uint8_t> EncodedBytes(const TBitmap& bitmap, int quality) {
  TJPEGImage jpeg;
  jpeg.EncodeQuality = quality;
  jpeg.CopyGraphic(&bitmap);
  TMemoryStream out;
  jpeg.SaveToStream(out);
  return out.Bytes();
}

std::unique_ptr<TJPEGImage> Loaded(const std::string& path) {
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->LoadFile(path);
  return jpeg;
}

// The markers of a JPEG file in order, up to the start of scan.
std::vector<int> Markers(const std::vector<uint8_t>& b) {
  std::vector<int> markers;
  size_t i = 2;
  markers.push_back(b[1]);
  while (i + 4 <= b.size() && b[i] == 0xFF) {
    markers.push_back(b[i + 1]);
    if (b[i + 1] == 0xDA) break;
    i += 2 + (b[i + 2] << 8 | b[i + 3]);
  }
  markers.push_back(b[b.size() - 1]);  // EOI's second byte
  return markers;
}

// The position of the first marker 0xFF code, or npos.
size_t FindMarker(const std::vector<uint8_t>& b, uint8_t code) {
  for (size_t i = 0; i + 1 < b.size(); ++i) {
    if (b[i] == 0xFF && b[i + 1] == code) return i;
  }
  return std::string::npos;
}

}  // namespace

TEST(JpegWrite, BytesEqualLibjpegTurbosOwnEncoderAtEveryQuality) {
  TempDir dir;
  TBitmap bitmap;
  FillPattern(bitmap, 37, 23, 7);
  const std::string ppm = dir.Path("in.ppm");
  WritePpm(bitmap, ppm);
  for (int q = 5; q <= 95; ++q) {
    const std::string out = dir.Path("cjpeg.jpg");
    ASSERT_EQ(RunCommand("cjpeg -dct float -baseline -quality " + std::to_string(q) +
                         " -sample 2x2 -outfile " + out + " " + ppm),
              0);
    EXPECT_EQ(EncodedBytes(bitmap, q), ReadBytes(out)) << "quality " << q;
  }
}

TEST(JpegWrite, BaselineJfifLayoutAndNothingElse) {
  TBitmap bitmap;
  FillPattern(bitmap, 16, 16, 1);
  for (int q : {5, 74, 95}) {
    const std::vector<uint8_t> b = EncodedBytes(bitmap, q);
    // SOI, APP0, DQT, DQT, SOF0, DHT x4, SOS ... EOI
    EXPECT_EQ(Markers(b),
              (std::vector<int>{0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9}))
        << q;
    // JFIF 1.01, density unit 0, density 1 x 1, no thumbnail.
    const uint8_t app0[] = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    EXPECT_TRUE(std::equal(std::begin(app0), std::end(app0), b.begin() + 2)) << q;
    // 8-bit quantisation tables (precision nibble 0) for tables 0 and 1.
    EXPECT_EQ(b[2 + 18 + 4], 0x00);
    // Luminance sampled 2x2, chroma 1x1.
    const size_t sof = FindMarker(b, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(b[sof + 4], 8);      // bits per sample
    EXPECT_EQ(b[sof + 9], 3);      // components
    EXPECT_EQ(b[sof + 11], 0x22);  // Y
    EXPECT_EQ(b[sof + 14], 0x11);  // Cb
    EXPECT_EQ(b[sof + 17], 0x11);  // Cr
  }
}

TEST(JpegWrite, QualityFiveCapsTableEntriesAt255) {
  TBitmap bitmap;
  FillPattern(bitmap, 8, 8, 1);
  const std::vector<uint8_t> b = EncodedBytes(bitmap, 5);
  const size_t table = 2 + 18 + 5;  // first DQT's 64 entries
  int capped = 0;
  for (size_t i = 0; i < 64; ++i) capped += b[table + i] == 255;
  EXPECT_GT(capped, 10);
}

TEST(JpegWrite, TwoSavesGiveTheSameBytesAndQualityIsReadOnlyOnce) {
  TempDir dir;
  TBitmap bitmap;
  FillPattern(bitmap, 20, 10, 3);
  TJPEGImage jpeg;
  jpeg.EncodeQuality = 50;
  jpeg.CopyGraphic(&bitmap);
  jpeg.SaveFile(dir.Path("a.jpg"));
  jpeg.EncodeQuality = 90;  // too late: the bytes are made
  jpeg.SaveFile(dir.Path("b.jpg"));
  EXPECT_EQ(ReadBytes(dir.Path("a.jpg")), ReadBytes(dir.Path("b.jpg")));
  EXPECT_EQ(ReadBytes(dir.Path("a.jpg")), EncodedBytes(bitmap, 50));
}

TEST(JpegWrite, EmptyBitmapGivesAnEmptyFileAndOneRowEncodes) {
  TempDir dir;
  TBitmap empty;
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&empty);
  jpeg.SaveFile(dir.Path("empty.jpg"));
  EXPECT_EQ(ReadFile(dir.Path("empty.jpg")), "");
  TBitmap row;
  FillPattern(row, 50, 1, 2);
  TJPEGImage one;
  one.CopyGraphic(&row);
  one.SaveFile(dir.Path("row.jpg"));
  const auto back = Loaded(dir.Path("row.jpg"));
  EXPECT_EQ(back->Width(), 50);
  EXPECT_EQ(back->Height(), 1);
}

TEST(JpegWrite, TheCallersBitmapIsNeverCopiedOrChanged) {
  TBitmap bitmap;
  FillPattern(bitmap, 30, 30, 4);
  const std::vector<uint8_t> before = RgbOf(bitmap);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeJpeg();
  EXPECT_EQ(RgbOf(bitmap), before);
  EXPECT_TRUE(jpeg.Bitmap().SharesPixelsWith(bitmap));
}

TEST(JpegWrite, SavingReplacesALongerFileExactly) {
  TempDir dir;
  const std::string path = dir.Write("out.jpg", std::string(100000, 'x'));
  TBitmap bitmap;
  FillPattern(bitmap, 8, 8, 5);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.SaveFile(path);
  EXPECT_EQ(ReadBytes(path), EncodedBytes(bitmap, 90));
}

TEST(JpegWrite, FailedSavesLeaveTheTargetAndNoTemporaryFile) {
  TempDir dir;
  TBitmap bitmap;
  FillPattern(bitmap, 64, 64, 6);
  auto expectRefused = [&](const std::string& target, const std::string& reason) {
    TJPEGImage jpeg;
    jpeg.CopyGraphic(&bitmap);
    try {
      jpeg.SaveFile(target);
      ADD_FAILURE() << target;
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "Cannot create file \"" + target + "\". " + reason);
    }
  };
  expectRefused(dir.Path("missing/out.jpg"), "No such file or directory");

  // A folder nobody may write to, and a disk that is full. Both need a file system of
  // our own when running as root, who may write anywhere.
  SmallFileSystem full(dir, "full", 16384);
  SmallFileSystem readOnly(dir, "ro", 65536);
  if (!full.Mounted() || !readOnly.Mounted()) GTEST_SKIP() << "cannot mount a small file system";
  const std::string kept = "old bytes that must survive";
  const std::string target = full.Path() + "/out.jpg";
  { std::ofstream(target) << kept; }
  TBitmap big;
  FillPattern(big, 400, 400, 7);  // far more than 16 KiB of JPEG
  TJPEGImage jpeg;
  jpeg.EncodeQuality = 95;
  jpeg.CopyGraphic(&big);
  EXPECT_THROW(jpeg.SaveFile(target), EFCreateError);
  EXPECT_EQ(ReadFile(target), kept);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(full.Path()), {}), 1);

  const std::string roTarget = readOnly.Path() + "/out.jpg";
  { std::ofstream(roTarget) << kept; }
  ASSERT_TRUE(readOnly.MakeReadOnly());
  expectRefused(roTarget, "Read-only file system");
  EXPECT_EQ(ReadFile(roTarget), kept);
}

TEST(JpegRead, HeaderOnlyAtLoadPixelsOnFirstUse) {
  SKIP_WITHOUT_CORPUS();
  const auto jpeg = Loaded(Corpus("jpeg/libjpeg-turbo/testorig.jpg"));
  EXPECT_EQ(jpeg->Width(), 227);
  EXPECT_EQ(jpeg->Height(), 149);
  EXPECT_FALSE(jpeg->HasBitmap());
  EXPECT_EQ(jpeg->Bitmap().GetPixelDepth(), PixelDepth::pf24bit);
  EXPECT_TRUE(jpeg->HasBitmap());
}

TEST(JpegRead, PixelsEqualLibjpegTurbosOwnDecoder) {
  SKIP_WITHOUT_CORPUS();
  // djpeg with the float DCT, smoothing and fancy upsampling, as we decode.
  TempDir dir;
  const char* files[] = {
      "jpeg/libjpeg-turbo/testorig.jpg",          "jpeg/libjpeg-turbo/testimgari.jpg",
      "jpeg/misc/peacock.progressive.jpeg",       "jpeg/misc/peacock.grayscale.jpeg",
      "jpeg/misc/peacock.s2x1-422.jpeg",          "jpeg/misc/peacock.s1x3.jpeg",
      "jpeg/misc/peacock.default.truncated.jpeg", "jpeg/misc/mona-lisa.21x32.q50.jpeg"};
  for (const char* file : files) {
    const std::string out = dir.Path("djpeg.pnm");
    const int status =
        RunCommand("djpeg -dct float -outfile " + out + " " + Corpus(file) + " 2>/dev/null");
    ASSERT_TRUE(status == 0 || status == 2) << file;  // 2: warnings, such as a truncated file
    int w = 0, h = 0;
    std::vector<uint8_t> expected;
    ASSERT_TRUE(ReadPnm(out, w, h, expected)) << file;
    EXPECT_EQ(RgbOf(Loaded(Corpus(file))->Bitmap()), expected) << file;
  }
}

TEST(JpegRead, GrayPicturesKeepAll256Levels) {
  TBitmap gray;
  gray.SetPixelDepth(PixelDepth::pf24bit);
  gray.SetSize(256, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 256; ++x)
      std::fill_n(gray.RowAddress(y) + 3 * x, 3, static_cast<uint8_t>(x));
  }
  TJPEGImage writer;
  writer.GrayOnly = true;
  writer.EncodeQuality = 95;
  writer.CopyGraphic(&gray);
  TMemoryStream bytes;
  writer.SaveToStream(bytes);
  bytes.SetPosition(0);
  TJPEGImage reader;
  reader.LoadFromStream(bytes);
  TBitmap copy;
  copy.CopyGraphic(&reader);
  std::set<int> levels;
  for (int x = 0; x < 256; ++x) {
    const uint8_t* p = copy.ConstRowAddress(3) + 3 * x;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    levels.insert(p[0]);
  }
  EXPECT_GT(levels.size(), 240u);  // not 236 dithered levels
}

TEST(JpegRead, CmykPicturesBecomeRgb) {
  SKIP_WITHOUT_CORPUS();
  const auto jpeg = Loaded(Corpus("jpeg/misc/pil_sample_cmyk.jpg"));
  const TBitmap& bitmap = jpeg->Bitmap();
  EXPECT_EQ(bitmap.GetPixelDepth(), PixelDepth::pf24bit);
  EXPECT_EQ(bitmap.Width(), jpeg->Width());
  // The sample is a colourful photograph: its pixels are neither all black nor all gray.
  int colourful = 0;
  for (int y = 0; y < bitmap.Height(); y += 7) {
    const uint8_t* p = bitmap.ConstRowAddress(y);
    for (int x = 0; x < bitmap.Width(); x += 7) {
      colourful += std::abs(p[3 * x] - p[3 * x + 2]) > 40;
    }
  }
  EXPECT_GT(colourful, 20);
}

TEST(JpegRead, EmptyAndForeignInput) {
  TempDir dir;
  const Bytes png = MakePng({2, 2, 8, 2, std::vector<uint16_t>(12, 90)});
  struct Case {
    const char* name;
    std::string bytes;
    int loadCode;    // the message code of the error at load, 0 when it loads
    int decodeCode;  // the message code of the error at first use
  } cases[] = {
      {"empty.jpg", "", 0, 42},  // loads as an empty picture, fails when used
      {"png.jpg", std::string(png.begin(), png.end()), 53, 0},
      {"soi-only.jpg", std::string("\xFF\xD8", 2), 51, 0},
  };
  for (const auto& c : cases) {
    TJPEGImage jpeg;
    try {
      jpeg.LoadFile(dir.Write(c.name, c.bytes));
      EXPECT_EQ(c.loadCode, 0) << c.name;
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message(), "JPEG error #" + std::to_string(c.loadCode)) << c.name;
      continue;
    }
    EXPECT_EQ(jpeg.Width(), 0);
    EXPECT_EQ(jpeg.Height(), 0);
    EXPECT_FALSE(jpeg.IsEmpty());  // a 0-byte file counts as read
    TBitmap copy;
    try {
      copy.CopyGraphic(&jpeg);
      ADD_FAILURE() << c.name;
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message(), "JPEG error #" + std::to_string(c.decodeCode)) << c.name;
    }
  }
}

TEST(JpegRead, DamagedDataShowsOnlyWhenDecoded) {
  SKIP_WITHOUT_CORPUS();
  std::vector<uint8_t> bytes = ReadBytes(Corpus("jpeg/libjpeg-turbo/testorig.jpg"));
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 200; ++i) bytes[i] ^= 0x5A;
  TBytesStream stream(bytes.data(), bytes.size());
  TJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  EXPECT_EQ(jpeg.Width(), 227);
  try {
    jpeg.Bitmap();  // libjpeg steps over what it can; anything else is an EJPEG
  } catch (const EJPEG&) {
  }
}

// A file that ends early or holds corrupt data is marked damaged by whichever decoding
// reads its pixels; sound files, whatever their kind, are not.
TEST(JpegRead, LostDataMarksThePictureDamaged) {
  std::vector<uint8_t> flipped = ReadBytes(Corpus("jpeg/libjpeg-turbo/testorig.jpg"));
  for (size_t i = flipped.size() / 2; i < flipped.size() / 2 + 200; ++i) flipped[i] ^= 0x5A;
  std::vector<uint8_t> cut = ReadBytes(Corpus("jpeg/libjpeg-turbo/testorig.jpg"));
  cut.resize(cut.size() * 2 / 3);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool damaged;
  };
  const Case cases[] = {
      {"sound baseline", ReadBytes(Corpus("jpeg/libjpeg-turbo/testorig.jpg")), false},
      {"sound progressive", ReadBytes(Corpus("jpeg/misc/peacock.progressive.jpeg")), false},
      {"sound arithmetic", ReadBytes(Corpus("jpeg/libjpeg-turbo/testimgari.jpg")), false},
      {"truncated in the corpus", ReadBytes(Corpus("jpeg/misc/peacock.default.truncated.jpeg")),
       true},
      {"cut at two thirds", cut, true},
      {"corrupt entropy data", flipped, true},
  };
  for (const Case& c : cases) {
    for (const bool rows : {false, true}) {
      TBytesStream stream(c.bytes.data(), c.bytes.size());
      TJPEGImage jpeg;
      jpeg.LoadFromStream(stream);
      EXPECT_FALSE(jpeg.Damaged()) << c.name << ": nothing is known before the pixels are read";
      try {
        if (rows) {
          auto source = jpeg.RowStream();
          ASSERT_NE(source, nullptr);
          for (int y = 0; y < source->Height(); ++y) source->Row(y);
        } else {
          jpeg.Bitmap();
        }
      } catch (const EJPEG&) {
        EXPECT_TRUE(c.damaged) << c.name;  // data libjpeg could not step over
        continue;
      }
      EXPECT_EQ(jpeg.Damaged(), c.damaged) << c.name << (rows ? " (rows)" : " (bitmap)");
    }
  }
}

TEST(JpegRead, HugePicturesFailBeforeAllocating) {
  TBitmap bitmap;
  FillPattern(bitmap, 16, 16, 1);
  std::vector<uint8_t> bytes = EncodedBytes(bitmap, 50);
  const size_t sof = FindMarker(bytes, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  for (size_t i : {sof + 5, sof + 7}) {  // 60000 x 60000 pixels
    bytes[i] = 0xEA;
    bytes[i + 1] = 0x60;
  }
  TBytesStream stream(bytes.data(), bytes.size());
  TJPEGImage jpeg;
  jpeg.LoadFromStream(stream);
  EXPECT_EQ(jpeg.Width(), 60000);
  try {
    jpeg.Bitmap();
    ADD_FAILURE();
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), "JPEG image is too large to decode (60000 x 60000 pixels)");
  }
}

// A small file can repeat a scan thousands of times, and each is a pass over the whole
// picture: past the limit the decoder stops instead of working for minutes.
TEST(JpegRead, ScansBeyondTheLimitAreRefused) {
  TBitmap bitmap;
  FillPattern(bitmap, 16, 16, 3);
  TJPEGImage encoder;
  encoder.EncodeProgressive = true;
  encoder.CopyGraphic(&bitmap);
  TMemoryStream encoded;
  encoder.SaveToStream(encoded);
  const std::vector<uint8_t>& original = encoded.Bytes();
  // Entropy-coded data never hold a marker, so every 0xFF 0xDA starts a scan; the last
  // scan runs up to the end-of-image marker.
  std::vector<size_t> scanStarts;
  for (size_t i = 0; i + 1 < original.size(); ++i) {
    if (original[i] == 0xFF && original[i + 1] == 0xDA) scanStarts.push_back(i);
  }
  ASSERT_GT(scanStarts.size(), 1u);
  const std::vector<uint8_t> lastScan(original.begin() + scanStarts.back(), original.end() - 2);

  for (const int scans : {500, 501}) {
    std::vector<uint8_t> bytes(original.begin(), original.end() - 2);
    for (size_t n = scanStarts.size(); n < static_cast<size_t>(scans); ++n) {
      bytes.insert(bytes.end(), lastScan.begin(), lastScan.end());
    }
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    TBytesStream stream(bytes.data(), bytes.size());
    TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    if (scans == 500) {
      EXPECT_EQ(jpeg.Bitmap().Width(), 16);
      continue;
    }
    try {
      jpeg.Bitmap();
      ADD_FAILURE() << scans << " scans";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message(), "JPEG image has too many scans (more than 500)");
    }
  }
}

TEST(JpegRead, SizeCannotBeSetAndOtherCopiesAreRefused) {
  TJPEGImage jpeg;
  EXPECT_THROW(jpeg.SetWidth(5), EInvalidGraphicOperation);
  TMetafile metafile;
  try {
    jpeg.CopyGraphic(&metafile);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TMetafile to a TJPEGImage");
  }
  EXPECT_THROW(jpeg.CopyTo(metafile), EConvertError);
}
