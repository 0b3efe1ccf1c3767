// The ICC profile of a PNG file (iCCP chunk): inflated within a limit, and left out,
// never failing the load, when it is damaged, too large or no longer fits the pixels.
#include <gtest/gtest.h>

#include "jpeg_segments.h"
#include "png/pngread.h"
#include "png_builder.h"

using namespace velora;
using namespace velora::test;

namespace {

PngImage Rgb2x2() {
  PngImage image;
  image.width = 2;
  image.height = 2;
  image.colorType = 2;
  image.samples = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  return image;
}

// iCCP data: the profile's name, its terminator, the compression method, the stream.
Bytes Iccp(const Bytes& stream, uint8_t method = 0, const std::string& name = "Display P3") {
  Bytes data(name.begin(), name.end());
  data.push_back(0);
  data.push_back(method);
  data.insert(data.end(), stream.begin(), stream.end());
  return data;
}

}  // namespace

TEST(PngIccp, TheProfileIsInflatedOrLeftOutWhole) {
  const Bytes profile = TestProfile(3144);
  const Bytes stream = Deflate(profile);
  Bytes damaged = stream;
  damaged[stream.size() / 2] ^= 0x55;
  const Bytes atLimit(kMaxColorProfileBytes, 0x11);
  const Bytes overLimit(kMaxColorProfileBytes + 1, 0x11);
  const struct {
    const char* what;
    std::vector<PngChunk> chunks;
    Bytes expected;
  } cases[] = {
      {"none", {}, {}},
      {"a profile", {{"iCCP", Iccp(stream)}}, profile},
      {"exactly 1 MiB", {{"iCCP", Iccp(Deflate(atLimit))}}, atLimit},
      {"inflating beyond 1 MiB", {{"iCCP", Iccp(Deflate(overLimit))}}, {}},
      {"damaged stream", {{"iCCP", Iccp(damaged)}}, {}},
      {"stream cut short", {{"iCCP", Iccp(Bytes(stream.begin(), stream.end() - 9))}}, {}},
      {"unknown compression method", {{"iCCP", Iccp(stream, 1)}}, {}},
      {"no name terminator", {{"iCCP", Bytes{'a', 'b'}}}, {}},
      {"the first of two", {{"iCCP", Iccp(stream)}, {"iCCP", Iccp(Deflate({1, 2, 3}))}}, profile},
      // A display gamma of 1/2.2 leaves the colours as stored; the profile describes them.
      {"with a gAMA that changes nothing",
       {{"gAMA", BigEndian(45455)}, {"iCCP", Iccp(stream)}},
       profile},
      // Another gamma changes the colours: the profile would describe other pixels.
      {"with a gAMA that changes the colours",
       {{"gAMA", BigEndian(100000)}, {"iCCP", Iccp(stream)}},
       {}},
  };
  for (const auto& c : cases) {
    const Bytes file = MakePng(Rgb2x2(), c.chunks);
    TPngPicture png;
    TBytesStream in(file.data(), file.size());
    ASSERT_NO_THROW(png.LoadFromStream(in)) << c.what;
    EXPECT_EQ(png.ColorProfile(), c.expected) << c.what;
    EXPECT_EQ(png.Width(), 2) << c.what;
  }
}

TEST(PngIccp, ReloadingForgetsThePreviousProfile) {
  TPngPicture png;
  const Bytes with = MakePng(Rgb2x2(), {{"iCCP", Iccp(Deflate(TestProfile(200)))}});
  TBytesStream first(with.data(), with.size());
  png.LoadFromStream(first);
  EXPECT_EQ(png.ColorProfile().size(), 200u);
  const Bytes without = MakePng(Rgb2x2());
  TBytesStream second(without.data(), without.size());
  png.LoadFromStream(second);
  EXPECT_TRUE(png.ColorProfile().empty());
}
