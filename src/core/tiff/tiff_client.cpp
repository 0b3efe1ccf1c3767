#include "tiff/tiff_client.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "picture/picture.h"

namespace velora {

TiffInMemory::TiffInMemory(const uint8_t* data, size_t size) : data_(data), size_(size) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return;
  // No single block of the library may be larger than a whole picture may be.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxPixelBytes));
  TIFFOpenOptionsSetErrorHandlerExtR(options, &OnError, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, &OnWarning, this);
  tiff_ = TIFFClientOpenExt("picture", "r", this, &Read, &Write, &Seek, &Close, &Size, &Map, &Unmap,
                            options);
  TIFFOpenOptionsFree(options);
}

TiffInMemory::~TiffInMemory() {
  if (tiff_) TIFFClose(tiff_);
}

int TiffInMemory::OnError(TIFF*, void* self, const char* module, const char* format, va_list args) {
  auto* file = static_cast<TiffInMemory*>(self);
  if (file->error_.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    file->error_ = std::string(module ? module : "") + (module ? ": " : "") + text;
  }
  return 1;
}

tmsize_t TiffInMemory::Read(thandle_t self, void* buffer, tmsize_t count) {
  auto* file = static_cast<TiffInMemory*>(self);
  if (count <= 0 || file->position_ >= file->size_) return 0;
  const size_t n = std::min<uint64_t>(static_cast<uint64_t>(count), file->size_ - file->position_);
  std::memcpy(buffer, file->data_ + file->position_, n);
  file->position_ += n;
  return static_cast<tmsize_t>(n);
}

toff_t TiffInMemory::Seek(thandle_t self, toff_t offset, int whence) {
  auto* file = static_cast<TiffInMemory*>(self);
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = file->position_;
  if (whence == SEEK_END) base = file->size_;
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  file->position_ = base + offset;
  return file->position_;
}

toff_t TiffInMemory::Size(thandle_t self) {
  return static_cast<TiffInMemory*>(self)->size_;
}

int TiffInMemory::Map(thandle_t self, void** base, toff_t* size) {
  auto* file = static_cast<TiffInMemory*>(self);
  *base = const_cast<uint8_t*>(file->data_);
  *size = file->size_;
  return 1;
}

}  // namespace velora
