#pragma once
// Helpers of the tests of the readers over format libraries (HEIF, WebP, TIFF).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/decoded_picture.h"

namespace velora::test {

// A reader of class T that has read the bytes (raising what the reader raises).
template <class T>
std::unique_ptr<T> LoadBytes(const std::vector<uint8_t>& file) {
  auto picture = std::make_unique<T>();
  TBytesStream in(file.data(), file.size());
  picture->LoadFromStream(in);
  return picture;
}

// A file a reader must refuse, and why.
struct BadFile {
  const char* what;
  std::vector<uint8_t> file;
};

// Each file makes a reader of class T raise Error and leaves it empty.
template <class T, class Error>
void ExpectRefused(const std::vector<BadFile>& files) {
  for (const BadFile& f : files) {
    T picture;
    TBytesStream in(f.file.data(), f.file.size());
    EXPECT_THROW(picture.LoadFromStream(in), Error) << f.what;
    EXPECT_TRUE(picture.IsEmpty()) << f.what;
  }
}

// The picture as red, green, blue, alpha bytes, top row first; alpha 255 without a plane.
std::vector<uint8_t> RgbaOf(const TDecodedPicture& picture);

}  // namespace velora::test
