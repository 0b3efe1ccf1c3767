// The GIF reader: loading, the LZW decoder, warnings and errors, and the first frame
// as a bitmap. Most pictures are built here with a small GIF writer of our own;
// the corpus samples add real-world encoders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "corpus.h"
#include "formats/formats.h"
#include "gif/gifread.h"
#include "gif/gifread_reader.h"
#include "test_util.h"

using namespace velora;
using Bytes = std::vector<uint8_t>;

namespace {

// ---- A small GIF writer ----

struct Rgb {
  uint8_t r, g, b;
};

// Packs codes least significant bit first.
class BitPacker {
 public:
  void Put(int code, int width) {
    acc_ |= (static_cast<uint32_t>(code) & ((1u << width) - 1)) << count_;
    count_ += width;
    while (count_ >= 8) {
      bytes_.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      count_ -= 8;
    }
  }
  Bytes Finish() {
    if (count_ > 0) bytes_.push_back(static_cast<uint8_t>(acc_));
    count_ = 0;
    acc_ = 0;
    return bytes_;
  }

 private:
  Bytes bytes_;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// Emits codes at the width a GIF decoder expects: minimum size + 1 after a clear code,
// one bit more each time the decoder's table reaches the next power of two, at most 12.
class CodeStream {
 public:
  explicit CodeStream(int minSize) : minSize_(minSize) { Reset(); }
  int Clear() const { return 1 << minSize_; }
  int End() const { return Clear() + 1; }
  void Emit(int code) {
    packer_.Put(code, width_);
    if (code == Clear()) {
      Reset();
      return;
    }
    if (havePrevious_ && next_ < 4096) {
      ++next_;
      if (next_ >= (1 << width_) && width_ < 12) ++width_;
    }
    havePrevious_ = true;
  }
  Bytes Finish() { return packer_.Finish(); }

 private:
  void Reset() {
    width_ = minSize_ + 1;
    next_ = Clear() + 2;
    havePrevious_ = false;
  }
  int minSize_;
  int width_ = 0, next_ = 0;
  bool havePrevious_ = false;
  BitPacker packer_;
};

// A plain LZW encoder. With clearWhenFull off it keeps using the full table without
// a clear code, which decoders must accept too.
Bytes LzwEncode(const Bytes& pixels, int minSize, bool clearWhenFull = true) {
  CodeStream out(minSize);
  std::map<std::pair<int, uint8_t>, int> table;
  int next = out.Clear() + 2;
  out.Emit(out.Clear());
  if (!pixels.empty()) {
    int current = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
      const auto key = std::make_pair(current, pixels[i]);
      if (auto it = table.find(key); it != table.end()) {
        current = it->second;
        continue;
      }
      out.Emit(current);
      if (next < 4096) table[key] = next++;
      if (next == 4096 && clearWhenFull) {
        out.Emit(out.Clear());
        table.clear();
        next = out.Clear() + 2;
      }
      current = pixels[i];
    }
    out.Emit(current);
  }
  out.Emit(out.End());
  return out.Finish();
}

// Data sub-blocks of at most blockSize bytes, with the terminator.
Bytes SubBlocks(const Bytes& data, size_t blockSize = 255) {
  Bytes out;
  for (size_t at = 0; at < data.size(); at += blockSize) {
    const size_t n = std::min(blockSize, data.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + at, data.begin() + at + n);
  }
  out.push_back(0);
  return out;
}

// The rows of a picture in the order an interlaced GIF stores them.
Bytes Interlace(const Bytes& pixels, int width, int height) {
  Bytes out;
  for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
    for (int y = start; y < height; y += step) {
      out.insert(out.end(), pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
    }
  }
  return out;
}

int TableBits(size_t entries) {
  int bits = 0;
  while ((size_t{2} << bits) < entries) ++bits;
  return bits;
}

struct ImageOptions {
  std::vector<Rgb> localColors;
  bool interlaced = false;
  int minSize = 0;  // 0: from the colour count
};
ImageOptions Interlaced() {
  ImageOptions o;
  o.interlaced = true;
  return o;
}
ImageOptions LocalColors(std::vector<Rgb> colors) {
  ImageOptions o;
  o.localColors = std::move(colors);
  return o;
}
ImageOptions MinSize(int minSize) {
  ImageOptions o;
  o.minSize = minSize;
  return o;
}

class GifBuilder {
 public:
  GifBuilder& Header(int width, int height, const std::vector<Rgb>& colors = {},
                     const char* signature = "GIF89a") {
    Text(signature);
    Word(width);
    Word(height);
    const bool table = !colors.empty();
    bytes_.push_back(static_cast<uint8_t>(table ? 0x80 | TableBits(colors.size()) : 0));
    bytes_.push_back(0);  // background
    bytes_.push_back(0);  // aspect ratio
    if (table) Colors(colors);
    globalColors_ = colors.size();
    return *this;
  }
  GifBuilder& GraphicControl(uint8_t packed, int delay, uint8_t transparentIndex) {
    Raw({0x21, 0xF9, 4, packed});
    Word(delay);
    return Raw({transparentIndex, 0});
  }
  GifBuilder& Loop(int count) {
    Raw({0x21, 0xFF, 11});
    Text("NETSCAPE2.0");
    Raw({3, 1});
    Word(count);
    return Raw({0});
  }
  GifBuilder& Comment(const std::string& text) {
    Raw({0x21, 0xFE});
    return Raw(SubBlocks(Bytes(text.begin(), text.end())));
  }
  // The descriptor and local map only; the caller adds the data.
  GifBuilder& Descriptor(int left, int top, int width, int height, const ImageOptions& o = {}) {
    bytes_.push_back(0x2C);
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    uint8_t packed = o.interlaced ? 0x40 : 0;
    if (!o.localColors.empty()) packed |= 0x80 | TableBits(o.localColors.size());
    bytes_.push_back(packed);
    if (!o.localColors.empty()) Colors(o.localColors);
    return *this;
  }
  GifBuilder& Image(int left, int top, int width, int height, const Bytes& pixels,
                    const ImageOptions& o = {}) {
    Descriptor(left, top, width, height, o);
    int minSize = o.minSize;
    if (minSize == 0) {
      const size_t colors = o.localColors.empty() ? globalColors_ : o.localColors.size();
      minSize = std::max(2, TableBits(colors) + 1);
    }
    bytes_.push_back(static_cast<uint8_t>(minSize));
    const Bytes stored = o.interlaced ? Interlace(pixels, width, height) : pixels;
    return Raw(SubBlocks(LzwEncode(stored, minSize)));
  }
  GifBuilder& Trailer() { return Raw({0x3B}); }
  GifBuilder& Raw(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  GifBuilder& Text(const std::string& s) { return Raw(Bytes(s.begin(), s.end())); }
  GifBuilder& Word(int v) { return Raw({static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); }
  const Bytes& Get() const { return bytes_; }

 private:
  void Colors(const std::vector<Rgb>& colors) {
    const size_t count = size_t{2} << TableBits(colors.size());
    for (size_t i = 0; i < count; ++i) {
      const Rgb c = i < colors.size() ? colors[i] : Rgb{0, 0, 0};
      Raw({c.r, c.g, c.b});
    }
  }
  Bytes bytes_;
  size_t globalColors_ = 0;
};

const std::vector<Rgb> kFour = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kDark = 0x0A141E;

// ---- Loading and looking ----

std::unique_ptr<TGifPicture> Load(const Bytes& bytes) {
  auto gif = std::make_unique<TGifPicture>();
  TMemoryStream stream(bytes);
  gif->LoadFromStream(stream);
  return gif;
}

std::unique_ptr<TGifPicture> LoadFile(const std::string& path) {
  auto gif = std::make_unique<TGifPicture>();
  gif->LoadFile(path);
  return gif;
}

// The message of the EGifError that loading raises, or "" when it loads.
std::string LoadError(const Bytes& bytes) {
  try {
    Load(bytes);
  } catch (const EGifError& e) {
    return e.what();
  }
  return "";
}

std::unique_ptr<TBitmap> FirstFrame(const TGifPicture& gif) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->CopyGraphic(&gif);
  return bitmap;
}

// 0xRRGGBB of a 24-bit bitmap's pixel.
uint32_t At(const TBitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.ConstRowAddress(y) + 3 * x;
  return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// All pixels, top row first, as 0xRRGGBB.
std::vector<uint32_t> AllPixels(const TBitmap& bitmap) {
  std::vector<uint32_t> out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) out.push_back(At(bitmap, x, y));
  }
  return out;
}

bool HasWarning(const TGifPicture& gif, const std::string& text) {
  for (const auto& w : gif.Warnings()) {
    if (w == text) return true;
  }
  return false;
}

// The bytes without their last n.
Bytes Cut(const Bytes& bytes, size_t n) {
  return Bytes(bytes.begin(), bytes.end() - static_cast<ptrdiff_t>(n));
}

Bytes Noise(size_t count, int modulo, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out(count);
  for (auto& b : out) b = static_cast<uint8_t>(rng() % static_cast<unsigned>(modulo));
  return out;
}

}  // namespace

// ---- The LZW decoder ----

TEST(GifLzw, DecodesWhatAnEncoderWrites) {
  // Runs exercise the code that stands for itself (a string followed by its own first
  // index); long inputs fill the 4096-entry table, with and without a clear code.
  struct Case {
    const char* name;
    int width, height, minSize;
    Bytes pixels;
    bool clearWhenFull;
  } cases[] = {
      {"one pixel", 1, 1, 2, {3}, true},
      {"runs of one index", 40, 3, 2, Bytes(120, 1), true},
      {"two-colour pattern", 17, 9, 2, Noise(17 * 9, 2, 1), true},
      {"noise, 4 bits", 64, 64, 4, Noise(64 * 64, 16, 2), true},
      {"noise, 8 bits, table refilled", 200, 150, 8, Noise(200 * 150, 256, 3), true},
      {"noise, 8 bits, full table kept", 200, 150, 8, Noise(200 * 150, 256, 4), false},
      {"few colours, long, full table kept", 300, 100, 2, Noise(300 * 100, 3, 5), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Rgb> colors(size_t{1} << c.minSize);
    for (size_t i = 0; i < colors.size(); ++i) {
      colors[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7};
    }
    GifBuilder b;
    b.Header(c.width, c.height, colors).Descriptor(0, 0, c.width, c.height);
    b.Raw({static_cast<uint8_t>(c.minSize)});
    b.Raw(SubBlocks(LzwEncode(c.pixels, c.minSize, c.clearWhenFull))).Trailer();
    const auto gif = Load(b.Get());
    ASSERT_EQ(gif->Frames().size(), 1u);
    EXPECT_EQ(gif->Frames()[0]->Pixels(), c.pixels);
    EXPECT_TRUE(gif->Warnings().empty());
  }
}

TEST(GifLzw, SubBlockSizesDoNotMatter) {
  const Bytes pixels = Noise(50 * 20, 4, 9);
  const Bytes data = LzwEncode(pixels, 2);
  for (size_t blockSize : {1u, 2u, 7u, 255u}) {
    GifBuilder b;
    b.Header(50, 20, kFour).Descriptor(0, 0, 50, 20).Raw({2}).Raw(SubBlocks(data, blockSize));
    EXPECT_EQ(Load(b.Trailer().Get())->Frames()[0]->Pixels(), pixels) << blockSize;
  }
}

TEST(GifLzw, CodeSizesAboveEightAreTakenAsEight) {
  const Bytes pixels = Noise(30 * 30, 256, 11);
  GifBuilder b;
  b.Header(30, 30, std::vector<Rgb>(256)).Descriptor(0, 0, 30, 30).Raw({11});
  b.Raw(SubBlocks(LzwEncode(pixels, 8))).Trailer();
  EXPECT_EQ(Load(b.Get())->Frames()[0]->Pixels(), pixels);
}

TEST(GifLzw, InterlacedRowsLandInTheirPlaces) {
  // Heights around the pass boundaries: a pass may have no rows at all.
  for (int height : {1, 2, 3, 4, 5, 8, 9, 13, 16, 17}) {
    Bytes pixels;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < 3; ++x) pixels.push_back(static_cast<uint8_t>((y * 3 + x) % 4));
    }
    GifBuilder b;
    b.Header(3, height, kFour).Image(0, 0, 3, height, pixels, Interlaced()).Trailer();
    const auto gif = Load(b.Get());
    EXPECT_TRUE(gif->Frames()[0]->Interlaced());
    EXPECT_EQ(gif->Frames()[0]->Pixels(), pixels) << height;
  }
}

TEST(GifLzw, DataEndingEarlyLeaveTheFillValue) {
  // The frame is 4 x 2; the data hold 3 pixels. The rest keeps the transparent index of
  // a transparent frame, else index 0. Codes are 4 bits wide (minimum code size 3), so
  // the data without an end code end on a byte boundary.
  struct Case {
    const char* name;
    bool endCode;  // data end with an end code, or just run out
    bool transparent;
    std::vector<uint32_t> expected;
    const char* warning;
  } cases[] = {
      {"end code", true, false, {kBlue, kGreen, kBlue, kRed, kRed, kRed, kRed, kRed}, nullptr},
      {"end code, transparent index 3",
       true,
       true,
       {kBlue, kGreen, kBlue, kDark, kDark, kDark, kDark, kDark},
       nullptr},
      {"no end code",
       false,
       false,
       {kBlue, kGreen, kBlue, kRed, kRed, kRed, kRed, kRed},
       "Decoder bit buffer under-run"},
      {"no end code, transparent index 3",
       false,
       true,
       {kBlue, kGreen, kBlue, kDark, kDark, kDark, kDark, kDark},
       "Decoder bit buffer under-run"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CodeStream codes(3);
    for (int code : {8, 2, 1, 2}) codes.Emit(code);
    if (c.endCode) codes.Emit(9);
    GifBuilder b;
    b.Header(4, 2, kFour);
    if (c.transparent) b.GraphicControl(0x01, 0, 3);
    b.Descriptor(0, 0, 4, 2).Raw({3}).Raw(SubBlocks(codes.Finish())).Trailer();
    const auto gif = Load(b.Get());
    EXPECT_EQ(gif->Frames()[0]->Transparent(), c.transparent);
    EXPECT_EQ(AllPixels(*FirstFrame(*gif)), c.expected);
    EXPECT_EQ(c.warning != nullptr, HasWarning(*gif, c.warning ? c.warning : "x"));
  }
}

TEST(GifLzw, DecodingStopsWhenTheFrameIsFullAndSkipsTheRest) {
  // Six pixels of data for a 2 x 2 frame, then garbage codes before the end code: the
  // garbage is never decoded and the next frame is found after the terminator.
  CodeStream codes(2);
  for (int code : {4, 1, 1, 1, 1, 1, 1, 7, 7, 7, 5}) codes.Emit(code);
  GifBuilder b;
  b.Header(2, 2, kFour).Descriptor(0, 0, 2, 2).Raw({2}).Raw(SubBlocks(codes.Finish(), 1));
  b.Image(0, 0, 2, 2, {2, 2, 2, 2}).Trailer();
  const auto gif = Load(b.Get());
  ASSERT_EQ(gif->Frames().size(), 2u);
  EXPECT_EQ(gif->Frames()[0]->Pixels(), Bytes(4, 1));
  EXPECT_EQ(gif->Frames()[1]->Pixels(), Bytes(4, 2));
  EXPECT_TRUE(gif->Warnings().empty());
}

TEST(GifLzw, CodesNotYetInTheTableAreRefused) {
  // After a clear code only literals are defined; later, codes up to the next free one.
  struct Case {
    const char* name;
    std::vector<int> codes;
  } cases[] = {
      {"table code right after the clear code", {4, 6, 5}},
      {"code beyond the next free entry", {4, 1, 7, 5}},
      {"same, after the codes grew to 4 bits", {4, 1, 1, 1, 9, 5}},
  };
  for (const auto& c : cases) {
    CodeStream codes(2);
    for (int code : c.codes) codes.Emit(code);
    GifBuilder b;
    b.Header(3, 3, kFour).Descriptor(0, 0, 3, 3).Raw({2}).Raw(SubBlocks(codes.Finish()));
    EXPECT_EQ(LoadError(b.Trailer().Get()), "Circular decoder table entry") << c.name;
  }
}

// ---- The first frame as a bitmap ----

TEST(GifCopy, FirstFrameOnTheLogicalScreen) {
  struct Case {
    const char* name;
    Bytes file;
    int width, height;
    std::vector<uint32_t> expected;  // top row first
  };
  const Case cases[] = {
      {"frame fills the screen",
       GifBuilder().Header(2, 2, kFour).Image(0, 0, 2, 2, {0, 1, 2, 3}).Trailer().Get(),
       2,
       2,
       {kRed, kGreen, kBlue, kDark}},
      {"smaller frame: white around it",
       GifBuilder().Header(4, 3, kFour).Image(1, 1, 2, 1, {2, 3}).Trailer().Get(),
       4,
       3,
       {kWhite, kWhite, kWhite, kWhite,  //
        kWhite, kBlue, kDark, kWhite,    //
        kWhite, kWhite, kWhite, kWhite}},
      {"frame beyond the screen grows it",
       GifBuilder().Header(2, 2, kFour).Image(1, 1, 3, 2, {0, 1, 2, 3, 2, 1}).Trailer().Get(),
       4,
       3,
       {kWhite, kWhite, kWhite, kWhite,  //
        kWhite, kRed, kGreen, kBlue,     //
        kWhite, kDark, kBlue, kGreen}},
      {"a later frame grows the screen; the first one is shown",
       GifBuilder()
           .Header(1, 1, kFour)
           .Image(0, 0, 1, 1, {1})
           .Image(2, 0, 1, 2, {3, 3})
           .Trailer()
           .Get(),
       3,
       2,
       {kGreen, kWhite, kWhite, kWhite, kWhite, kWhite}},
      {"transparent pixels keep their colour",
       GifBuilder()
           .Header(2, 1, kFour)
           .GraphicControl(0x01, 0, 1)
           .Image(0, 0, 2, 1, {1, 0})
           .Trailer()
           .Get(),
       2,
       1,
       {kGreen, kRed}},
      {"the local map wins over the global one",
       GifBuilder()
           .Header(2, 1, kFour)
           .Image(0, 0, 2, 1, {0, 1}, LocalColors({{1, 2, 3}, {4, 5, 6}}))
           .Trailer()
           .Get(),
       2,
       1,
       {0x010203, 0x040506}},
      {"indices beyond the map are black",
       GifBuilder()
           .Header(4, 1, {{9, 9, 9}, {200, 100, 50}})
           .Image(0, 0, 4, 1, {0, 1, 2, 3}, MinSize(2))
           .Trailer()
           .Get(),
       4,
       1,
       {0x090909, 0xC86432, kBlack, kBlack}},
      {"only the first frame of an animation",
       GifBuilder()
           .Header(2, 1, kFour)
           .Loop(0)
           .GraphicControl(0x04, 10, 0)
           .Image(0, 0, 2, 1, {2, 2})
           .GraphicControl(0x04, 10, 0)
           .Image(0, 0, 2, 1, {0, 1})
           .Trailer()
           .Get(),
       2,
       1,
       {kBlue, kBlue}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto gif = Load(c.file);
    EXPECT_EQ(gif->Width(), c.width);
    EXPECT_EQ(gif->Height(), c.height);
    const auto bitmapPtr = FirstFrame(*gif);
    const TBitmap& bitmap = *bitmapPtr;
    EXPECT_EQ(bitmap.GetPixelDepth(), PixelDepth::pf24bit);
    ASSERT_EQ(bitmap.Width(), c.width);
    ASSERT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(AllPixels(bitmap), c.expected);
  }
}

TEST(GifCopy, EmptyPictureMakesAnEmptyBitmap) {
  const auto gif = Load(GifBuilder().Header(3, 3, kFour).Trailer().Get());
  EXPECT_TRUE(gif->IsEmpty());
  TBitmap bitmap;
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(5, 5);
  bitmap.CopyGraphic(gif.get());
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
}

TEST(GifCopy, WithoutAnyColourMapTheCopyFails) {
  const auto gif = Load(GifBuilder().Header(2, 1).Image(0, 0, 2, 1, {0, 1}).Trailer().Get());
  ASSERT_FALSE(gif->IsEmpty());  // loading does not need a map
  try {
    FirstFrame(*gif);
    FAIL() << "copied without a colour map";
  } catch (const EGifError& e) {
    EXPECT_STREQ(e.what(), "No global or local color table defined");
  }
}

TEST(GifCopy, OnlyBitmapsAreDestinations) {
  const auto gif = Load(GifBuilder().Header(1, 1, kFour).Image(0, 0, 1, 1, {0}).Trailer().Get());
  TGifPicture other;
  try {
    other.CopyGraphic(gif.get());
    FAIL() << "copied into a GIF";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TGifPicture to a TGifPicture");
  }
}

// ---- Blocks, extensions, warnings and errors ----

TEST(GifLoad, FramesKeepWhatThePreviewNeeds) {
  GifBuilder b;
  b.Header(4, 4, kFour).Loop(3).Comment("made by hand");
  b.GraphicControl(0x08 | 0x01, 25, 2).Image(1, 2, 2, 1, {0, 1});
  b.GraphicControl(0x0C, 7, 0).Image(0, 0, 1, 1, {3}, LocalColors({{1, 1, 1}, {2, 2, 2}}));
  b.Loop(9).Image(0, 0, 1, 1, {1}).Trailer();
  const auto gif = Load(b.Get());
  EXPECT_EQ(gif->Signature(), "GIF89a");
  ASSERT_EQ(gif->Frames().size(), 3u);
  EXPECT_EQ(gif->LoopCount(), 3);  // the first loop extension counts

  const TGifFrame& f0 = *gif->Frames()[0];
  EXPECT_EQ(f0.Left(), 1);
  EXPECT_EQ(f0.Top(), 2);
  EXPECT_EQ(f0.Extensions().size(), 3u);  // loop, comment, graphic control
  EXPECT_EQ(dynamic_cast<const TGifCommentExtension&>(*f0.Extensions()[1]).Text(), "made by hand");
  EXPECT_EQ(f0.Disposal(), TGifDisposal::dmBackground);
  EXPECT_EQ(f0.Delay(), 25);
  EXPECT_TRUE(f0.Transparent());
  EXPECT_EQ(f0.TransparentIndex(), 2);
  EXPECT_EQ(&f0.ActiveColorMap(), &gif->GlobalColorMap());

  const TGifFrame& f1 = *gif->Frames()[1];
  EXPECT_EQ(f1.Disposal(), TGifDisposal::dmPrevious);
  EXPECT_EQ(f1.Delay(), 7);
  EXPECT_FALSE(f1.Transparent());
  EXPECT_EQ(f1.ActiveColorMap().Count(), 2);
  EXPECT_EQ(f1.ActiveColorMap().entries[1], (TGifColor{2, 2, 2}));
  EXPECT_EQ(f1.Pixel(0, 0), 3);

  const TGifFrame& f2 = *gif->Frames()[2];
  EXPECT_EQ(f2.GraphicControl(), nullptr);
  EXPECT_EQ(f2.Delay(), 0);
}

TEST(GifLoad, SignatureAndPrefix) {
  const Bytes plain = GifBuilder().Header(1, 1, kFour).Image(0, 0, 1, 1, {2}).Trailer().Get();
  Bytes prefixed = {0x12, 0x34, 0x56, 0x78};
  prefixed.insert(prefixed.end(), plain.begin(), plain.end());
  const Bytes old = GifBuilder().Header(1, 1, kFour, "gif87a").Image(0, 0, 1, 1, {2}).Get();
  Bytes badSignature = plain;
  badSignature[1] = 'X';
  Bytes prefixedTwice = {0, 0, 0, 0};
  prefixedTwice.insert(prefixedTwice.end(), prefixed.begin(), prefixed.end());

  EXPECT_EQ(Load(prefixed)->Frames()[0]->Pixels(), Bytes{2});
  EXPECT_EQ(Load(old)->Signature(), "gif87a");
  EXPECT_EQ(LoadError(badSignature), "Invalid GIF signature");
  EXPECT_EQ(LoadError(prefixedTwice), "Invalid GIF signature");
  EXPECT_EQ(LoadError({}), "Invalid GIF signature");
  EXPECT_EQ(LoadError({'G', 'I', 'F', '8'}), "Premature end of data");
}

TEST(GifLoad, ErrorsStopLoading) {
  const Bytes image = GifBuilder().Image(0, 0, 1, 1, {0}).Get();
  auto with = [&](std::initializer_list<uint8_t> extension) {
    return GifBuilder().Header(1, 1, kFour).Raw(Bytes(extension)).Raw(image).Trailer().Get();
  };
  const Bytes full = GifBuilder().Header(2, 2, kFour).Image(0, 0, 2, 2, {0, 1, 2, 3}).Get();
  struct Case {
    const char* name;
    Bytes file;
    const char* message;
  } cases[] = {
      {"unknown extension label", with({0x21, 0x02, 0}), "Unknown extension type"},
      {"application block of 5 bytes", with({0x21, 0xFF, 5, 'a', 'b', 'c', 'd', 'e', 0}),
       "Unsupported Application Extension block size"},
      {"loop count sub-block of 2 bytes",
       with({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 5, 0}),
       "Invalid GIF data"},
      {"buffer size sub-block of 4 bytes", with({0x21, 0xFF, 11,  'A', 'N', 'I', 'M', 'E', 'X', 'T',
                                                 'S',  '1',  '.', '0', 4,   2,   1,   2,   3,   0}),
       "Invalid GIF data"},
      {"screen descriptor cut short", Bytes(full.begin(), full.begin() + 10),
       "Premature end of data"},
      {"global colour map cut short", Bytes(full.begin(), full.begin() + 20),
       "Premature end of data"},
      {"image descriptor cut short", Bytes(full.begin(), full.begin() + 30),
       "Premature end of data"},
      {"local colour map cut short",
       Cut(GifBuilder().Header(1, 1).Descriptor(0, 0, 1, 1, LocalColors(kFour)).Get(), 1),
       "Premature end of data"},
      {"frame too large",
       GifBuilder().Header(1, 1, kFour).Descriptor(0, 0, 65535, 65535).Raw({2, 0}).Trailer().Get(),
       "GIF image too large: a frame of 65535 x 65535 pixels"},
      {"logical screen too large", GifBuilder().Header(30000, 30000, kFour).Trailer().Get(),
       "GIF image too large: a logical screen of 30000 x 30000 pixels"},
      {"screen grown too large",
       GifBuilder()
           .Header(1, 1, kFour)
           .Image(0, 0, 1, 1, {0})
           .Image(65535, 65535, 1, 1, {0})
           .Trailer()
           .Get(),
       "GIF image too large: a logical screen of 65536 x 65536 pixels"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(c.file), c.message) << c.name;
}

TEST(GifLoad, AllFramesAndBlocksShareOneMemoryLimit) {
  // Many large frames with almost no data would otherwise need many gigabytes.
  TMemoryStream stream;
  std::vector<std::string> warnings;
  TGifReader reader(stream, warnings);
  reader.Charge(kMaxPixelBytes / 2);
  reader.Charge(kMaxPixelBytes / 2);
  EXPECT_THROW(reader.Charge(1), EGifError);
}

TEST(GifLoad, FailedLoadRewindsTheStreamAndLeavesNoFrames) {
  auto gif = Load(GifBuilder().Header(1, 1, kFour).Image(0, 0, 1, 1, {0}).Trailer().Get());
  Bytes bad = {'x', 'y', 'z'};
  const Bytes file = GifBuilder().Header(1, 1, kFour).Raw({0x21, 0x77, 0}).Get();
  bad.insert(bad.end(), file.begin(), file.end());
  TMemoryStream stream(bad);
  stream.SetPosition(3);
  EXPECT_THROW(gif->LoadFromStream(stream), EGifError);
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_TRUE(gif->IsEmpty());
}

TEST(GifLoad, LoadingStopsAfterTheTrailer) {
  const Bytes gif = GifBuilder().Header(1, 1, kFour).Image(0, 0, 1, 1, {0}).Trailer().Get();
  Bytes two = gif;
  two.insert(two.end(), gif.begin(), gif.end());
  TMemoryStream stream(two);
  TGifPicture picture;
  picture.LoadFromStream(stream);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(gif.size()));
  picture.LoadFromStream(stream);  // the second picture reads from there
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(two.size()));
}

TEST(GifLoad, DamagedFilesLoadWithWarnings) {
  const Bytes image = GifBuilder().Image(0, 0, 2, 1, {1, 2}).Get();
  const Bytes start = GifBuilder().Header(2, 1, kFour).Get();
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  struct Case {
    const char* name;
    Bytes file;
    size_t frames;
    std::vector<std::string> warnings;
  } cases[] = {
      {"no trailer", join({start, image}), 1, {}},
      {"padding zeros between blocks", join({start, {0, 0}, image, {0}, image, {0x3B}}), 2, {}},
      {"stray bytes instead of the trailer",
       join({start, image, {'j', 'u', 'n', 'k'}}),
       1,
       {"Unknown GIF block type", "Invalid Image trailer"}},
      {"stray bytes after the trailer", join({start, image, {0x3B, 'j', 'u', 'n', 'k'}}), 1, {}},
      {"stray byte before a frame",
       join({start, image, {'?'}, image, {0x3B}}),
       1,
       {"Unknown GIF block type", "Invalid Image trailer"}},
      // The byte after an extension that is no introducer is read as the separator.
      {"broken separator after an extension",
       join({start, {0x21, 0xFE, 1, 'c', 0, 0x2D}, Bytes(image.begin() + 1, image.end()), {0x3B}}),
       1,
       {"Invalid extension introducer"}},
      {"graphic control cut short",
       join({start, image, {0x21, 0xF9, 4, 1}}),
       1,
       {"Premature end of data"}},
      {"comment cut short",
       join({start, image, {0x21, 0xFE, 9, 'a', 'b'}}),
       1,
       {"Premature end of data"}},
      {"image data cut short",
       join({start, Cut(image, 2)}),
       1,
       {"Premature end of data", "Decoder bit buffer under-run"}},
      {"zero-sized frame takes the screen size",
       join({start, GifBuilder().Image(0, 0, 0, 5, {1, 1}).Get(), {0x3B}}),
       1,
       {"Image exceeds Logical Screen size"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto gif = Load(c.file);
    EXPECT_EQ(gif->Frames().size(), c.frames);
    EXPECT_EQ(gif->Warnings(), c.warnings);
    if (c.frames > 0) {
      EXPECT_EQ(At(*FirstFrame(*gif), 0, 0), kGreen);
    }
  }
}

TEST(GifLoad, ExtensionsWithoutAnImageGoToTheNextOne) {
  // A graphic control followed by padding still applies to the image after it; one
  // before the trailer makes no frame.
  GifBuilder b;
  b.Header(1, 1, kFour).GraphicControl(0x01, 5, 3).Raw({0}).Image(0, 0, 1, 1, {0});
  b.Comment("the end").Trailer();
  const auto gif = Load(b.Get());
  ASSERT_EQ(gif->Frames().size(), 1u);
  EXPECT_TRUE(gif->Frames()[0]->Transparent());
  EXPECT_EQ(gif->Frames()[0]->Delay(), 5);
  EXPECT_EQ(gif->Warnings(), std::vector<std::string>{"Invalid extension introducer"});
}

TEST(GifLoad, ApplicationExtensions) {
  struct Case {
    const char* name;
    Bytes extension;
    std::optional<int> loopCount;
    const char* identifier;
  } cases[] = {
      {"NETSCAPE2.0 with loop count and buffer size",
       {0x21, 0xFF, 11,   'N',  'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',  //
        3,    1,    0x10, 0x27, 5,   2,   1,   0,   0,   0,   0},
       10000,
       "NETSCAPE2.0"},
      {"ANIMEXTS1.0, unknown sub-blocks skipped",
       {0x21, 0xFF, 11, 'A', 'N', 'I', 'M', 'E', 'X', 'T', 'S', '1', '.', '0',  //
        2,    9,    9,  3,   1,   4,   0,   0},
       4,
       "ANIMEXTS1.0"},
      {"a block longer than 11 bytes",
       {0x21, 0xFF, 13, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 'x', 'y',  //
        3,    1,    7,  0,   0},
       7,
       "NETSCAPE2.0"},
      {"a block of 10 bytes",
       {0x21, 0xFF, 10, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', 0},
       std::nullopt,
       "NETSCAPE2."},
      {"another application",
       {0x21, 0xFF, 11, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a', 'X', 'M', 'P', 2, 'h', 'i', 0},
       std::nullopt,
       "XMP DataXMP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto gif = Load(
        GifBuilder().Header(1, 1, kFour).Raw(c.extension).Image(0, 0, 1, 1, {1}).Trailer().Get());
    EXPECT_EQ(gif->LoopCount(), c.loopCount);
    ASSERT_EQ(gif->Frames()[0]->Extensions().size(), 1u);
    const auto& app =
        dynamic_cast<const TGifApplicationExtension&>(*gif->Frames()[0]->Extensions()[0]);
    EXPECT_EQ(app.identifier, c.identifier);
    EXPECT_EQ(At(*FirstFrame(*gif), 0, 0), kGreen);  // the data after it are found
    EXPECT_TRUE(gif->Warnings().empty());
  }
}

// ---- The corpus ----

TEST(GifCorpus, HandCheckedPixels) {
  SKIP_WITHOUT_CORPUS();
  struct Pixel {
    int x, y;
    uint32_t rgb;
  };
  struct Case {
    const char* file;
    int width, height;
    size_t frames;
    std::vector<Pixel> pixels;
    std::vector<std::string> warnings;
  } cases[] = {
      // Global map entry k is (17k, 0, 255); frame 1 holds 1, 2, 3 at (1, 0); later
      // frames reach beyond the 2 x 2 screen.
      {"frame-out-of-bounds.gif",
       6,
       5,
       4,
       {{0, 0, kWhite}, {1, 0, 0x1100FF}, {2, 0, 0x2200FF}, {3, 0, 0x3300FF}, {5, 4, kWhite}},
       {}},
      // Entries (128, 0, 0), (128, 0, 193), ...; a 2 x 1 frame with 0, 1.
      {"background-color.gif",
       4,
       1,
       2,
       {{0, 0, 0x800000}, {1, 0, 0x8000C1}, {2, 0, kWhite}, {3, 0, kWhite}},
       {}},
      // Entry k is (16k, 0, 0); the first frame holds 8 ... 15.
      {"transparent-index.gif", 4, 2, 2, {{0, 0, 0x800000}, {3, 1, 0xF00000}}, {}},
      // A 1 x 1 interlaced frame at (3, 2) with index 0, (0, 0, 255).
      {"small-frame-interlaced.gif", 5, 5, 1, {{3, 2, kBlue}, {2, 2, kWhite}, {4, 4, kWhite}}, {}},
      {"zero-width-frame.gif",
       2,
       2,
       1,
       {{0, 0, kBlue}, {1, 1, kBlue}},
       {"Image exceeds Logical Screen size"}},
      // Only a local map.
      {"empty-palette.gif", 1, 1, 2, {{0, 0, kBlue}}, {}},
      {"pixel-data-none.gif", 2, 2, 1, {{1, 1, kBlue}}, {}},
      {"pixel-data-not-enough.gif", 2, 2, 1, {{1, 1, kBlue}}, {}},
      {"pixel-data-too-much-good-lzw.gif", 2, 2, 1, {{1, 1, kBlue}}, {}},
      {"pixel-data-too-much-bad-lzw.gif", 2, 2, 1, {{1, 1, kBlue}}, {}},
      {"no-frames.gif", 1, 1, 0, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto gif = LoadFile(test::Corpus(std::string("gif/misc/") + c.file));
    EXPECT_EQ(gif->Width(), c.width);
    EXPECT_EQ(gif->Height(), c.height);
    EXPECT_EQ(gif->Frames().size(), c.frames);
    EXPECT_EQ(gif->Warnings(), c.warnings);
    const auto bitmapPtr = FirstFrame(*gif);
    const TBitmap& bitmap = *bitmapPtr;
    if (c.frames == 0) {
      EXPECT_TRUE(bitmap.IsEmpty());
    }
    for (const auto& p : c.pixels) EXPECT_EQ(At(bitmap, p.x, p.y), p.rgb) << p.x << "," << p.y;
  }
}

TEST(GifCorpus, LoopCountsAndGraphicControls) {
  SKIP_WITHOUT_CORPUS();
  struct Case {
    const char* file;
    std::optional<int> loopCount;
    int firstDelay;
  } cases[] = {
      {"multiple-loop-counts.gif", 50, 0},  // the first of three
      {"background-color.gif", 1, 10},
      {"metadata-empty.gif", 2000, 0},
      {"metadata-full.gif", 2000, 0},
      {"animated-red-blue.gif", 2, 10},
      {"multiple-graphic-controls.gif", std::nullopt, 30},  // the last one before the image
  };
  for (const auto& c : cases) {
    const auto gif = LoadFile(test::Corpus(std::string("gif/misc/") + c.file));
    EXPECT_EQ(gif->LoopCount(), c.loopCount) << c.file;
    EXPECT_EQ(gif->Frames()[0]->Delay(), c.firstDelay) << c.file;
  }
}

TEST(GifCorpus, InterlacedAndRegularTwinsAreIdentical) {
  SKIP_WITHOUT_CORPUS();
  const auto regular = LoadFile(test::Corpus("gif/misc/hippopotamus.regular.gif"));
  const auto interlaced = LoadFile(test::Corpus("gif/misc/hippopotamus.interlaced.gif"));
  EXPECT_FALSE(regular->Frames()[0]->Interlaced());
  EXPECT_TRUE(interlaced->Frames()[0]->Interlaced());
  EXPECT_EQ(regular->Frames()[0]->Pixels(), interlaced->Frames()[0]->Pixels());
  EXPECT_EQ(AllPixels(*FirstFrame(*regular)), AllPixels(*FirstFrame(*interlaced)));
  EXPECT_TRUE(regular->Warnings().empty());
  EXPECT_TRUE(interlaced->Warnings().empty());

  // The truncated twin has its first pass (every eighth row from 0) and keeps index 0
  // in the last rows of the last pass.
  const auto truncated = LoadFile(test::Corpus("gif/misc/hippopotamus.interlaced.truncated.gif"));
  EXPECT_EQ(truncated->Warnings(),
            (std::vector<std::string>{"Premature end of data", "Decoder bit buffer under-run"}));
  const TGifFrame& full = *regular->Frames()[0];
  const TGifFrame& cut = *truncated->Frames()[0];
  ASSERT_EQ(cut.Width(), full.Width());
  ASSERT_EQ(cut.Height(), full.Height());
  for (int y = 0; y < full.Height(); y += 8) {
    for (int x = 0; x < full.Width(); ++x) ASSERT_EQ(cut.Pixel(x, y), full.Pixel(x, y)) << y;
  }
  const int last = full.Height() - 1;  // odd: filled in the last pass
  for (int x = 0; x < full.Width(); ++x) EXPECT_EQ(cut.Pixel(x, last), 0);
}

TEST(GifCorpus, AnimationsGiveTheirFirstFrame) {
  SKIP_WITHOUT_CORPUS();
  for (const char* file : {"animated-red-blue.gif", "muybridge.gif"}) {
    SCOPED_TRACE(file);
    const auto gif = LoadFile(test::Corpus(std::string("gif/misc/") + file));
    ASSERT_GT(gif->Frames().size(), 1u);
    const TGifFrame& first = *gif->Frames()[0];
    const auto bitmapPtr = FirstFrame(*gif);
    const TBitmap& bitmap = *bitmapPtr;
    for (int y = 0; y < first.Height(); ++y) {
      for (int x = 0; x < first.Width(); ++x) {
        const TGifColor c = first.ActiveColorMap().entries.at(first.Pixel(x, y));
        ASSERT_EQ(At(bitmap, first.Left() + x, first.Top() + y),
                  uint32_t{c.red} << 16 | uint32_t{c.green} << 8 | c.blue);
      }
    }
  }
}

TEST(GifCorpus, TruncatedFilesNeverFail) {
  SKIP_WITHOUT_CORPUS();
  // Every prefix of a real file either loads or fails with a GIF error; the first frame
  // can then always be copied.
  for (const char* file : {"hippopotamus.interlaced.gif", "animated-red-blue.gif"}) {
    const Bytes bytes = test::ReadBytes(test::Corpus(std::string("gif/misc/") + file));
    for (size_t n = 0; n < bytes.size(); n += 7) {
      try {
        const auto gif = Load(Bytes(bytes.begin(), bytes.begin() + n));
        FirstFrame(*gif);
      } catch (const EGifError&) {
      }
    }
  }
}

// ---- Through the picture layer ----

TEST(GifPicture, LoadsByExtensionAndDecodesWithTheDeveloperTool) {
  test::TempDir dir;
  const Bytes file = GifBuilder().Header(2, 1, kFour).Image(0, 0, 2, 1, {1, 3}).Trailer().Get();
  for (const char* name : {"a.gif", "b.GIF"}) {
    TPicture picture;
    LoadPictureFile(picture, dir.Write(name, file));
    EXPECT_STREQ(picture.Graphic()->ClassName(), "TGifPicture");
    EXPECT_EQ(picture.Width(), 2);
  }
  const std::string ppm = dir.Path("out.ppm");
  const std::string command =
      std::string(VELORA_BINARY_DIR) + "/src/tools/velora-decode " + dir.Path("a.gif") + " " + ppm;
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::ReadFile(ppm), "P6\n2 1\n255\n" + std::string("\x00\xFF\x00\x0A\x14\x1E", 6));
}
