// The bitmap, the picture and the format table.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "formats/formats.h"
#include "picture/picture.h"
#include "test_util.h"

using namespace velora;

TEST(Bitmap, RowsAreBottomUpAndPaddedToFourBytes) {
  TBitmap bmp;
  bmp.SetPixelDepth(PixelDepth::pf24bit);
  bmp.SetSize(5, 3);
  const uint8_t* bits = bmp.Dib()->bits.get();
  EXPECT_EQ(bmp.Dib()->stride, 16u);  // 15 bytes padded to 16
  EXPECT_EQ(bmp.RowStep(), -16);
  EXPECT_EQ(bmp.RowAddress(0), bits + 2 * 16);
  EXPECT_EQ(bmp.RowAddress(2), bits);
  EXPECT_THROW(bmp.RowAddress(3), EInvalidGraphicOperation);
  EXPECT_THROW(bmp.RowAddress(-1), EInvalidGraphicOperation);
  try {
    bmp.RowAddress(3);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Scan line index out of range");
  }
}

TEST(Bitmap, StrideForEveryDepth) {
  struct Case {
    PixelDepth depth;
    int width;
    size_t stride;
  } cases[] = {{PixelDepth::pf1bit, 33, 8},  {PixelDepth::pf4bit, 9, 8},
               {PixelDepth::pf8bit, 5, 8},   {PixelDepth::pf15bit, 3, 8},
               {PixelDepth::pf16bit, 2, 4},  {PixelDepth::pf24bit, 1, 4},
               {PixelDepth::pf32bit, 3, 12}, {PixelDepth::pfDevice, 3, 12}};
  for (const auto& c : cases) {
    TBitmap bmp;
    bmp.SetPixelDepth(c.depth);
    bmp.SetSize(c.width, 2);
    EXPECT_EQ(bmp.GetPixelDepth(), c.depth);
    EXPECT_EQ(bmp.Dib()->stride, c.stride) << static_cast<int>(c.depth);
  }
}

TEST(Bitmap, NewBitmapIsDeviceAndSizeChangesFillWhiteKeepingTopLeft) {
  TBitmap bmp;
  EXPECT_EQ(bmp.GetPixelDepth(), PixelDepth::pfDevice);
  bmp.SetPixelDepth(PixelDepth::pf24bit);
  bmp.SetSize(2, 2);
  std::memset(bmp.RowAddress(0), 7, 6);
  std::memset(bmp.RowAddress(1), 9, 6);
  bmp.SetSize(3, 3);
  EXPECT_EQ(bmp.ConstRowAddress(0)[0], 7);
  EXPECT_EQ(bmp.ConstRowAddress(1)[5], 9);
  EXPECT_EQ(bmp.ConstRowAddress(0)[6], 255);  // new column is white
  EXPECT_EQ(bmp.ConstRowAddress(2)[0], 255);  // new row is white
  bmp.SetWidth(0);
  EXPECT_TRUE(bmp.IsEmpty());
  EXPECT_EQ(bmp.GetPixelDepth(), PixelDepth::pf24bit);  // remembered for the next size
}

TEST(Bitmap, CopySharesUntilEitherIsWritten) {
  TBitmap a;
  a.SetPixelDepth(PixelDepth::pf24bit);
  a.SetSize(4, 4);
  a.RowAddress(1)[0] = 10;
  TBitmap b;
  b.CopyGraphic(&a);
  EXPECT_TRUE(b.SharesPixelsWith(a));
  b.RowAddress(1)[0] = 20;
  EXPECT_FALSE(b.SharesPixelsWith(a));
  EXPECT_EQ(a.ConstRowAddress(1)[0], 10);
  EXPECT_EQ(b.ConstRowAddress(1)[0], 20);
  // And the other way round.
  TBitmap c;
  c.CopyGraphic(&a);
  a.RowAddress(1)[0] = 30;
  EXPECT_EQ(c.ConstRowAddress(1)[0], 10);
  // A size or depth change of one leaves the other alone.
  TBitmap d;
  d.CopyGraphic(&c);
  d.SetPixelDepth(PixelDepth::pf8bit);
  EXPECT_EQ(c.GetPixelDepth(), PixelDepth::pf24bit);
  d.CopyGraphic(nullptr);
  EXPECT_TRUE(d.IsEmpty());
}

TEST(Bitmap, DepthConversionsToDirectColourAreExact) {
  // An 8-bit image with a table converts to each deeper depth with its table colours.
  auto dib = DibSection::Create(3, 1, 8);
  dib->colors = {{10, 20, 30, 0}, {255, 128, 0, 0}, {1, 2, 3, 0}};
  dib->Row(0)[0] = 1;
  dib->Row(0)[1] = 0;
  dib->Row(0)[2] = 7;  // beyond the table: black
  TBitmap src;
  src.SetDib(dib);
  TBitmap b24;
  b24.CopyGraphic(&src);
  b24.SetPixelDepth(PixelDepth::pf24bit);
  const uint8_t* p = b24.ConstRowAddress(0);
  EXPECT_EQ(std::vector<int>(p, p + 9), (std::vector<int>{255, 128, 0, 10, 20, 30, 0, 0, 0}));
  TBitmap b32;
  b32.CopyGraphic(&src);
  b32.SetPixelDepth(PixelDepth::pf32bit);
  p = b32.ConstRowAddress(0);
  EXPECT_EQ(std::vector<int>(p, p + 8), (std::vector<int>{255, 128, 0, 0, 10, 20, 30, 0}));
}

TEST(Bitmap, SixteenBitPixelsWidenToFullRange) {
  struct Case {
    PixelDepth depth;
    uint16_t pixel;
    TColorEntry expected;
  } cases[] = {
      {PixelDepth::pf15bit, 0x7FFF, {255, 255, 255, 0}},
      {PixelDepth::pf15bit, 0x7C00, {0, 0, 255, 0}},
      {PixelDepth::pf15bit, 0x0001, {8, 0, 0, 0}},
      {PixelDepth::pf15bit, 0x0010, {132, 0, 0, 0}},  // 10000b -> 10000100b
      {PixelDepth::pf16bit, 0xFFFF, {255, 255, 255, 0}},
      {PixelDepth::pf16bit, 0x07E0, {0, 255, 0, 0}},
      {PixelDepth::pf16bit, 0x0020, {0, 4, 0, 0}},
  };
  for (const auto& c : cases) {
    TBitmap bmp;
    bmp.SetPixelDepth(c.depth);
    bmp.SetSize(1, 1);
    bmp.RowAddress(0)[0] = static_cast<uint8_t>(c.pixel);
    bmp.RowAddress(0)[1] = static_cast<uint8_t>(c.pixel >> 8);
    bmp.SetPixelDepth(PixelDepth::pf24bit);
    const uint8_t* p = bmp.ConstRowAddress(0);
    EXPECT_EQ((TColorEntry{p[0], p[1], p[2], 0}), c.expected) << std::hex << c.pixel;
  }
}

TEST(Bitmap, ReducingToEightBitsMapsToTheNearestFixedColour) {
  TBitmap bmp;
  bmp.SetPixelDepth(PixelDepth::pf24bit);
  bmp.SetSize(2, 1);
  uint8_t* p = bmp.RowAddress(0);
  const uint8_t pixels[] = {0, 0, 250, 52, 51, 51};  // near red; near the cube's gray 51
  std::memcpy(p, pixels, 6);
  bmp.SetPixelDepth(PixelDepth::pf8bit);
  bmp.SetPixelDepth(PixelDepth::pf24bit);
  p = bmp.RowAddress(0);
  EXPECT_EQ(std::vector<int>(p, p + 6), (std::vector<int>{0, 0, 255, 51, 51, 51}));
  EXPECT_THROW(bmp.SetPixelDepth(PixelDepth::pfCustom), EInvalidGraphic);
}

TEST(FormatTable, TheRowsInOrder) {
  const auto& rows = FormatTable().Entries();
  ASSERT_EQ(rows.size(), 15u);
  const char* expected[][3] = {{"wmf", "Metafiles", "TMetafile"},
                               {"emf", "Enhanced Metafiles", "TMetafile"},
                               {"ico", "Icons", "TIcon"},
                               {"bmp", "Bitmaps", "TBitmap"},
                               {"jpeg", "JPEG Image File", "TJPEGImage"},
                               {"jpg", "JPEG Image File", "TJPEGImage"},
                               {"gif", "GIF Image", "TGifPicture"},
                               {"png", "Portable Network Graphics", "TPngPicture"},
                               {"heic", "HEIF Image", "THeifPicture"},
                               {"heif", "HEIF Image", "THeifPicture"},
                               {"hif", "HEIF Image", "THeifPicture"},
                               {"avif", "AVIF Image", "THeifPicture"},
                               {"webp", "WebP Image", "TWebPPicture"},
                               {"tif", "TIFF Image", "TTiffPicture"},
                               {"tiff", "TIFF Image", "TTiffPicture"}};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].extension, expected[i][0]);
    EXPECT_EQ(rows[i].description, expected[i][1]);
    EXPECT_STREQ(rows[i].graphicClass->name, expected[i][2]);
  }
}

TEST(FormatTable, LookupsScanFromTheLatestRow) {
  TFileFormatsList list;
  EXPECT_EQ(list.FindByExtension("BMP"), &TBitmap::Class());
  EXPECT_EQ(list.FindByExtension("jp"), nullptr);
  EXPECT_EQ(list.FindByExtension(""), nullptr);
  list.AddFormat("BMP", "Other", TIcon::Class());
  EXPECT_EQ(list.FindByExtension("bmp"), &TIcon::Class());
  EXPECT_EQ(list.FindByClassName("TIcon"), &TIcon::Class());
  EXPECT_EQ(list.FindByClassName("ticon"), nullptr);
  list.RemoveClass(TIcon::Class());
  EXPECT_EQ(list.FindByExtension("bmp"), &TBitmap::Class());
  EXPECT_EQ(list.FindByExtension("ico"), nullptr);
}

TEST(Picture, ExtensionRules) {
  struct Case {
    const char* name;
    const char* extension;
  } cases[] = {{"photo.JPG", "JPG"}, {"holiday.tar.bmp", "bmp"}, {"photo", ""},
               {"photo.", ""},       {"my.pictures/photo", ""},  {"/a/b.c/d.png", "png"}};
  for (const auto& c : cases) EXPECT_EQ(FileExtension(c.name), c.extension) << c.name;
}

TEST(Picture, UnknownExtensionsAreRefusedAndKeepThePreviousGraphic) {
  test::TempDir dir;
  const struct {
    const char* name;
    const char* message;
  } cases[] = {{"photo.jp", "Unknown picture file extension (.jp)"},
               {"photo.JP", "Unknown picture file extension (.JP)"},
               {"photo", "Unknown picture file extension (.)"},
               {"photo.", "Unknown picture file extension (.)"}};
  TPicture picture;
  auto bitmap = std::make_unique<TBitmap>();
  TBitmap* kept = bitmap.get();
  picture.SetGraphic(std::move(bitmap));
  for (const auto& c : cases) {
    const std::string path = dir.Write(c.name, "x");
    try {
      LoadPictureFile(picture, path);
      ADD_FAILURE() << c.name;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(picture.Graphic(), kept);
  }
}

TEST(Picture, MissingFileRaisesOpenErrorWithFullPath) {
  test::TempDir dir;
  TPicture picture;
  try {
    LoadPictureFile(picture, dir.Path("missing.bmp"));
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot open file \"" + dir.Path("missing.bmp") + "\". No such file or directory");
  }
}

TEST(Picture, ZeroByteBmpLoadsAsAnEmptyBitmap) {
  test::TempDir dir;
  TPicture picture;
  LoadPictureFile(picture, dir.Write("empty.bmp", ""));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);
}

TEST(Picture, MetafilesAndIconsCannotBeCopiedIntoABitmap) {
  TMetafile metafile;
  TIcon icon;
  TBitmap bmp;
  try {
    bmp.CopyGraphic(&metafile);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TMetafile to a TBitmap");
  }
  EXPECT_THROW(bmp.CopyGraphic(&icon), EConvertError);
}

TEST(Bitmap, SizeForOverwriteKeepsTheDepthAndClearsOnlyThePadding) {
  TBitmap bmp;
  bmp.SetPixelDepth(PixelDepth::pf24bit);
  bmp.SetSizeForOverwrite(5, 3);  // 15 bytes a row, one byte of padding
  EXPECT_EQ(bmp.GetPixelDepth(), PixelDepth::pf24bit);
  EXPECT_EQ(bmp.Width(), 5);
  EXPECT_EQ(bmp.Height(), 3);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(bmp.ConstRowAddress(y)[15], 0);
  bmp.SetSizeForOverwrite(0, 3);
  EXPECT_TRUE(bmp.IsEmpty());
  EXPECT_EQ(bmp.GetPixelDepth(), PixelDepth::pf24bit);
}
