#include "gif/gifread_reader.h"

#include <algorithm>
#include <cstring>

#include "gif/gifread.h"

namespace velora {

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

TGifReader::TGifReader(TStream& stream, std::vector<std::string>& warnings)
    : stream_(stream), warnings_(warnings), buffer_(kBufferSize), bufferStart_(stream.Position()) {}

bool TGifReader::Fill() {
  if (pos_ < len_) return true;
  if (atEnd_) return false;
  bufferStart_ += static_cast<int64_t>(len_);
  pos_ = 0;
  len_ = stream_.Read(buffer_.data(), buffer_.size());
  if (len_ == 0) atEnd_ = true;
  return len_ > 0;
}

int TGifReader::Peek() {
  return Fill() ? buffer_[pos_] : -1;
}

int TGifReader::Next() {
  return Fill() ? buffer_[pos_++] : -1;
}

size_t TGifReader::ReadUpTo(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count && Fill()) {
    const size_t n = std::min(count - done, len_ - pos_);
    if (buffer) std::memcpy(buffer + done, buffer_.data() + pos_, n);
    pos_ += n;
    done += n;
  }
  return done;
}

void TGifReader::ReadExact(uint8_t* buffer, size_t count) {
  if (ReadUpTo(buffer, count) != count) throw EGifError("Premature end of data");
}

uint8_t TGifReader::ReadByte() {
  uint8_t b;
  ReadExact(&b, 1);
  return b;
}

uint16_t TGifReader::ReadWord() {
  uint8_t b[2];
  ReadExact(b, 2);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

void TGifReader::WarnDataEnded() {
  if (warnedEnd_) return;
  warnedEnd_ = true;
  Warn("Premature end of data");
}

size_t TGifReader::ReadPart(uint8_t* buffer, size_t count) {
  const size_t n = ReadUpTo(buffer, count);
  if (n < count) WarnDataEnded();
  return n;
}

bool TGifReader::ReadSubBlock(std::vector<uint8_t>& block) {
  block.clear();
  const int size = Next();
  if (size > 0) {
    block.resize(static_cast<size_t>(size));
    block.resize(ReadUpTo(block.data(), block.size()));
    if (block.size() == static_cast<size_t>(size)) return true;
  } else if (size == 0) {
    return false;
  }
  WarnDataEnded();
  return !block.empty();
}

void TGifReader::SkipSubBlocks() {
  std::vector<uint8_t> block;
  while (ReadSubBlock(block)) {
  }
}

void TGifReader::Charge(uint64_t bytes) {
  charged_ += bytes;
  if (charged_ > kMaxPixelBytes) {
    throw EGifError("GIF image too large: its frames and blocks need more than " +
                    std::to_string(kMaxPixelBytes) + " bytes of memory");
  }
}

void TGifReader::Sync() {
  stream_.SetPosition(bufferStart_ + static_cast<int64_t>(pos_));
}

}  // namespace velora
