#pragma once
// The byte source of the GIF reader: buffered reading from a stream, data sub-blocks,
// the list of warnings and the memory budget of one load.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/stream.h"

namespace velora {

class TGifReader {
 public:
  TGifReader(TStream& stream, std::vector<std::string>& warnings);
  TGifReader(const TGifReader&) = delete;
  TGifReader& operator=(const TGifReader&) = delete;

  // The next byte without taking it, or -1 at the end of the data.
  int Peek();
  // Takes the next byte, or returns -1 at the end of the data.
  int Next();
  // Takes up to count bytes; returns how many there were.
  size_t ReadUpTo(uint8_t* buffer, size_t count);
  // Takes exactly count bytes or raises EGifError "Premature end of data": for the
  // header, descriptors and colour maps, which cannot be used in part.
  void ReadExact(uint8_t* buffer, size_t count);
  uint8_t ReadByte();
  uint16_t ReadWord();
  // Takes up to count bytes of a block that can be used in part (extension data);
  // when the data end first, warns "Premature end of data" once and returns how many
  // bytes there were.
  size_t ReadPart(uint8_t* buffer, size_t count);

  // Takes one data sub-block into block (size byte, then that many bytes). Returns
  // false at the terminator (a size of 0) and at the end of the data. A sub-block cut
  // short by the end of the data keeps what is there; the end of the data inside a
  // sub-block list gives the warning "Premature end of data" once.
  bool ReadSubBlock(std::vector<uint8_t>& block);
  // Takes sub-blocks up to and including the terminator.
  void SkipSubBlocks();

  // Records a warning; loading goes on.
  void Warn(const char* text) { warnings_.emplace_back(text); }
  // Warns "Premature end of data" for data cut short, once per load.
  void WarnDataEnded();

  // Counts bytes of memory the picture will hold against its limit; raises EGifError
  // when the picture would need more than kMaxPixelBytes in all.
  void Charge(uint64_t bytes);

  // Moves the stream to just after the last byte taken (reading is buffered).
  void Sync();

 private:
  bool Fill();

  TStream& stream_;
  std::vector<std::string>& warnings_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, len_ = 0;
  int64_t bufferStart_;  // stream position of buffer_[0]
  bool atEnd_ = false;
  bool warnedEnd_ = false;
  uint64_t charged_ = 0;
};

}  // namespace velora
