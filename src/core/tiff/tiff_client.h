#pragma once
// A TIFF in memory opened through libtiff, with the library's messages kept instead of
// printed and its single allocations held to the pixel budget.
#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace velora {

class TiffInMemory {
 public:
  // Opens the bytes (which must outlive this); Handle() is none when libtiff refused them.
  TiffInMemory(const uint8_t* data, size_t size);
  ~TiffInMemory();
  TiffInMemory(const TiffInMemory&) = delete;
  TiffInMemory& operator=(const TiffInMemory&) = delete;

  TIFF* Handle() const { return tiff_; }
  // The first error libtiff reported, or empty.
  const std::string& FirstError() const { return error_; }

 private:
  static int OnError(TIFF*, void* self, const char* module, const char* format, va_list args);
  static int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }
  static tmsize_t Read(thandle_t self, void* buffer, tmsize_t count);
  static tmsize_t Write(thandle_t, void*, tmsize_t) { return -1; }
  static toff_t Seek(thandle_t self, toff_t offset, int whence);
  static int Close(thandle_t) { return 0; }
  static toff_t Size(thandle_t self);
  static int Map(thandle_t self, void** base, toff_t* size);
  static void Unmap(thandle_t, void*, toff_t) {}

  const uint8_t* data_;
  size_t size_;
  uint64_t position_ = 0;
  std::string error_;
  TIFF* tiff_ = nullptr;
};

}  // namespace velora
