// What a JPEG carries besides its pixels: the EXIF orientation (read, bounds-checked,
// never fatal) and the ICC profile (read from its APP2 segments, written after JFIF).
#include <gtest/gtest.h>

#include <span>

#include "jpeg/exif.h"
#include "jpeg/icc_profile.h"
#include "jpeg/jpeg.h"
#include "jpeg_segments.h"
#include "picture/orientation.h"
#include "test_util.h"

using namespace velora;
using namespace velora::test;

namespace {

constexpr uint16_t kShort = 3, kLong = 4;

int Orientation(const Bytes& block) {
  return ExifOrientation(block.data(), block.size());
}

Bytes Encoded(const TBitmap& bitmap, int quality, const Bytes& profile = {}) {
  TJPEGImage jpeg;
  jpeg.EncodeQuality = quality;
  jpeg.EncodeColorProfile = profile;
  jpeg.CopyGraphic(&bitmap);
  jpeg.EncodeJpeg();
  return jpeg.CompressedBytes();
}

void Load(TJPEGImage& jpeg, const Bytes& bytes) {
  TBytesStream stream(bytes.data(), bytes.size());
  jpeg.LoadFromStream(stream);
}

// Gray blocks of 16 x 16 pixels, one level each: a JPEG at quality 100 keeps them exactly,
// and a pixel moved by one across a block edge shows.
void GrayBlocks(TBitmap& bitmap, int blocksAcross, int blocksDown) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(16 * blocksAcross, 16 * blocksDown);
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const int level = 20 + 37 * ((y / 16) * blocksAcross + x / 16);
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uint8_t>(level);
    }
  }
}

std::vector<std::span<const uint8_t>> Spans(const std::vector<Bytes>& segments) {
  return {segments.begin(), segments.end()};
}

}  // namespace

TEST(Exif, OrientationInEitherByteOrder) {
  for (bool little : {true, false}) {
    for (int o = 1; o <= 8; ++o) EXPECT_EQ(Orientation(ExifWithOrientation(little, o)), o);
    // Among other entries, wherever it stands.
    EXPECT_EQ(Orientation(ExifBlock(little, {{0x0100, kLong, 1, 4000},
                                             {0x0101, kLong, 1, 3000},
                                             {0x0110, 2, 4, 0},
                                             {0x0112, kShort, 1, 6},
                                             {0x011A, 5, 1, 200}})),
              6);
  }
}

TEST(Exif, WhatCannotBeReadCountsAsUpright) {
  const Bytes good = ExifWithOrientation(true, 6);
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  // Offsets in the block: TIFF header at 6, IFD0 at 14 (count), entries at 16 and 28.
  const struct {
    const char* what;
    Bytes block;
  } cases[] = {
      {"empty", {}},
      {"no EXIF identifier", patched(0, {'E', 'x', 'i', 'g'})},
      {"XMP instead", Bytes{'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0}},
      {"unknown byte order", patched(6, {'I', 'M'})},
      {"not 42", patched(8, {43, 0})},
      {"IFD0 beyond the block", patched(10, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"IFD0 at the last byte", patched(10, {static_cast<uint8_t>(good.size() - 7), 0, 0, 0})},
      {"IFD0 at the header: 0x4949 entries", patched(10, {0, 0, 0, 0})},
      {"value 0", ExifWithOrientation(true, 0)},
      {"value 9", ExifWithOrientation(true, 9)},
      {"value 65535", ExifWithOrientation(true, 0xFFFF)},
      {"type LONG", ExifBlock(true, {{0x0112, kLong, 1, 6}})},
      {"two values", ExifBlock(true, {{0x0112, kShort, 2, 6}})},
      {"no orientation", ExifBlock(false, {{0x010F, 2, 4, 0}})},
      {"no entries", ExifBlock(false, {})},
      // Only IFD0 is read: its next-directory pointer may point back at itself.
      {"directory pointing at itself", ExifBlock(true, {{0x010F, 2, 4, 0}}, 8)},
      {"orientation in IFD1 only (the thumbnail's)",
       [] {
         Bytes b = ExifBlock(true, {{0x010F, 2, 4, 0}}, 26);
         const Bytes ifd1 = ExifBlock(true, {{0x0112, kShort, 1, 6}});
         b.insert(b.end(), ifd1.begin() + 14, ifd1.end());
         return b;
       }()},
  };
  for (const auto& c : cases) EXPECT_EQ(Orientation(c.block), 1) << c.what;
  EXPECT_EQ(ExifOrientation(nullptr, 0), 1);
  // A directory claiming more entries than the block holds: those inside are read.
  EXPECT_EQ(Orientation(patched(14, {0xFF, 0xFF})), 6);
  EXPECT_EQ(Orientation(ExifBlock(true, {{0x0112, kShort, 1, 6}})), 6);
  Bytes noOrientation = ExifBlock(true, {{0x010F, 2, 4, 0}});
  noOrientation[14] = 0xFF;
  EXPECT_EQ(Orientation(noOrientation), 1);
}

TEST(Exif, ABlockCutShortAnywhereIsNeverReadPastItsEnd) {
  // Every prefix of a block whose orientation entry is its second: the value is read only
  // once the whole entry lies inside. The copy is exactly as long as the prefix, so a read
  // past it is a sanitizer finding.
  for (bool little : {true, false}) {
    const Bytes block = ExifWithOrientation(little, 8);
    const size_t entryEnd = 6 + 8 + 2 + 2 * 12;
    for (size_t n = 0; n <= block.size(); ++n) {
      const Bytes prefix(block.begin(), block.begin() + static_cast<long>(n));
      EXPECT_EQ(Orientation(prefix), n >= entryEnd ? 8 : 1) << n << " bytes";
    }
  }
}

TEST(JpegMetadata, EveryOrientationInBothByteOrdersShowsTheUprightPicture) {
  TBitmap upright;
  GrayBlocks(upright, 3, 2);
  const int inverse[9] = {0, 1, 2, 3, 4, 5, 8, 7, 6};  // the turn that undoes each one
  for (int o = 1; o <= 8; ++o) {
    // What the camera stores for this orientation.
    TBitmap stored;
    stored.CopyGraphic(&upright);
    TurnUpright(stored, inverse[o]);
    const Bytes plain = Encoded(stored, 100);
    for (bool little : {true, false}) {
      TJPEGImage jpeg;
      Load(jpeg, WithSegments(plain, {{0xE1, ExifWithOrientation(little, o)}}));
      EXPECT_EQ(jpeg.Orientation(), o);
      EXPECT_EQ(jpeg.Width(), stored.Width());  // the picture itself stays as stored
      ASSERT_EQ(RgbOf(jpeg.Bitmap()), RgbOf(stored)) << "quality 100 keeps flat blocks exactly";
      EXPECT_EQ(UprightWidth(jpeg), 48);
      EXPECT_EQ(UprightHeight(jpeg), 32);
      TBitmap shown;
      CopyUpright(jpeg, shown);
      EXPECT_EQ(RgbOf(shown), RgbOf(upright)) << "orientation " << o << (little ? " II" : " MM");
    }
  }
}

TEST(JpegMetadata, ADamagedExifBlockLoadsAsStored) {
  TBitmap bitmap;
  GrayBlocks(bitmap, 2, 1);
  const Bytes plain = Encoded(bitmap, 90);
  TJPEGImage reference;
  Load(reference, plain);
  Bytes damaged = ExifWithOrientation(false, 6);
  damaged[11] = 0xF0;  // IFD0 far beyond the block
  for (const Bytes& block : {damaged, Bytes{'E', 'x', 'i', 'f', 0, 0}, Bytes{'E', 'x'}}) {
    TJPEGImage jpeg;
    Load(jpeg, WithSegments(plain, {{0xE1, block}}));
    EXPECT_EQ(jpeg.Orientation(), 1);
    EXPECT_EQ(RgbOf(jpeg.Bitmap()), RgbOf(reference.Bitmap()));
  }
  // The first EXIF block counts; an APP1 segment of another kind before it does not.
  TJPEGImage jpeg;
  Load(jpeg, WithSegments(plain, {{0xE1, {'h', 't', 't', 'p', 0}},
                                  {0xE1, ExifWithOrientation(true, 3)},
                                  {0xE1, ExifWithOrientation(true, 6)}}));
  EXPECT_EQ(jpeg.Orientation(), 3);
}

TEST(IccSegments, JoinedInSequenceOrderOrDroppedWhole) {
  const Bytes a = {1, 2, 3}, b = {4, 5}, c = {6};
  const Bytes abc = {1, 2, 3, 4, 5, 6};
  const Bytes other = {'M', 'P', 'F', 0, 9, 9};
  const struct {
    const char* what;
    std::vector<Bytes> segments;
    Bytes profile;
  } cases[] = {
      {"none", {}, {}},
      {"in order", {IccSegment(1, 3, a), IccSegment(2, 3, b), IccSegment(3, 3, c)}, abc},
      {"out of order", {IccSegment(3, 3, c), IccSegment(1, 3, a), IccSegment(2, 3, b)}, abc},
      {"among other APP2 segments",
       {other, IccSegment(2, 2, b), other, IccSegment(1, 2, a)},
       {1, 2, 3, 4, 5}},
      {"one segment", {IccSegment(1, 1, a)}, a},
      {"a part missing", {IccSegment(1, 3, a), IccSegment(3, 3, c)}, {}},
      {"a part twice", {IccSegment(1, 2, a), IccSegment(1, 2, a), IccSegment(2, 2, b)}, {}},
      {"counts disagree", {IccSegment(1, 2, a), IccSegment(2, 3, b)}, {}},
      {"sequence 0", {IccSegment(0, 1, a)}, {}},
      {"sequence beyond the count", {IccSegment(2, 1, a)}, {}},
      {"count 0", {IccSegment(0, 0, a)}, {}},
      {"header cut short",
       {Bytes{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1}},
       {}},
      {"only empty parts", {IccSegment(1, 1, {})}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinIccSegments(Spans(c.segments)), c.profile) << c.what;
}

TEST(IccSegments, ProfilesOverOneMebibyteAreDropped) {
  const Bytes part(65519, 7);
  std::vector<Bytes> segments;
  for (int i = 1; i <= 16; ++i) segments.push_back(IccSegment(i, 16, part));
  EXPECT_EQ(JoinIccSegments(Spans(segments)).size(), 16 * 65519u);  // 1048304 bytes
  segments.clear();
  const Bytes last(1048576 - 15 * 65519 + 1, 7);  // one byte over 1 MiB in all
  for (int i = 1; i <= 15; ++i) segments.push_back(IccSegment(i, 16, part));
  segments.push_back(IccSegment(16, 16, last));
  EXPECT_TRUE(JoinIccSegments(Spans(segments)).empty());
  segments.back() = IccSegment(16, 16, Bytes(last.size() - 1, 7));
  EXPECT_EQ(JoinIccSegments(Spans(segments)).size(), 1048576u);
}

TEST(JpegMetadata, ProfilesRoundTripInSegmentsOfAtMost65519Bytes) {
  TBitmap bitmap;
  FillPattern(bitmap, 33, 17, 4);
  const Bytes plain = Encoded(bitmap, 74);
  TJPEGImage reference;
  Load(reference, plain);
  for (size_t size : {size_t{1}, size_t{65519}, size_t{65520}, size_t{200 * 1024}}) {
    const Bytes profile = TestProfile(size);
    const Bytes bytes = Encoded(bitmap, 74, profile);
    const std::vector<Segment> segments = SegmentsOf(bytes);
    // SOI, then JFIF, then the profile's segments, each numbered out of their count.
    const int count = static_cast<int>((size + 65518) / 65519);
    ASSERT_GE(segments.size(), static_cast<size_t>(count) + 1);
    EXPECT_EQ(segments[0].marker, 0xE0);
    for (int i = 1; i <= count; ++i) {
      const Segment& s = segments[static_cast<size_t>(i)];
      ASSERT_EQ(s.marker, 0xE2);
      EXPECT_EQ(s.data[12], i);
      EXPECT_EQ(s.data[13], count);
      EXPECT_EQ(s.data.size() - 14, i < count ? 65519 : size - 65519 * (count - 1)) << size;
    }
    EXPECT_NE(segments[static_cast<size_t>(count) + 1].marker, 0xE2);
    // Without them, the file is byte for byte the one made without a profile.
    Bytes stripped = {0xFF, 0xD8};
    for (const Segment& s : segments) {
      if (s.marker == 0xE2) continue;
      stripped.insert(stripped.end(), {0xFF, static_cast<uint8_t>(s.marker),
                                       static_cast<uint8_t>((s.data.size() + 2) >> 8),
                                       static_cast<uint8_t>(s.data.size() + 2)});
      stripped.insert(stripped.end(), s.data.begin(), s.data.end());
    }
    const size_t scanData = bytes.size() - (plain.size() - stripped.size());
    stripped.insert(stripped.end(), bytes.begin() + static_cast<long>(scanData), bytes.end());
    EXPECT_EQ(stripped, plain) << size;

    TJPEGImage loaded;
    Load(loaded, bytes);
    EXPECT_EQ(loaded.ColorProfile(), profile) << size;
    EXPECT_EQ(RgbOf(loaded.Bitmap()), RgbOf(reference.Bitmap()));
  }
}

TEST(JpegMetadata, NoProfileTooLargeIsWrittenOrRead) {
  TBitmap bitmap;
  FillPattern(bitmap, 16, 16, 2);
  const Bytes plain = Encoded(bitmap, 74);
  EXPECT_EQ(Encoded(bitmap, 74, Bytes(kMaxColorProfileBytes + 1, 1)), plain);
  EXPECT_GT(Encoded(bitmap, 74, Bytes(kMaxColorProfileBytes, 1)).size(),
            plain.size() + kMaxColorProfileBytes);

  // A file whose profile segments add up to more than 1 MiB loads, without the profile.
  std::vector<Segment> segments;
  for (int i = 1; i <= 17; ++i) segments.push_back({0xE2, IccSegment(i, 17, Bytes(65519, 3))});
  TJPEGImage jpeg;
  Load(jpeg, WithSegments(plain, segments));
  EXPECT_TRUE(jpeg.ColorProfile().empty());
  EXPECT_EQ(jpeg.Width(), 16);
  // So does one with a damaged profile.
  Load(jpeg, WithSegments(plain, {{0xE2, IccSegment(1, 2, {1, 2})}}));
  EXPECT_TRUE(jpeg.ColorProfile().empty());
  EXPECT_EQ(RgbOf(jpeg.Bitmap()).size(), 16u * 16 * 3);
}
