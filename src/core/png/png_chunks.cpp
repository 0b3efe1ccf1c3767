#include "png/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "png/png_errors.h"
#include "png/png_inflate.h"
#include "png/pngread.h"

namespace velora {

size_t ReadUpTo(TStream& stream, void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const size_t n = stream.Read(static_cast<uint8_t*>(buffer) + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

uint32_t ChunkCrc(const TChunkName& name) {
  return static_cast<uint32_t>(
      crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(name.data()), 4));
}

uint32_t ChunkCrc(uint32_t crc, const uint8_t* data, size_t size) {
  // zlib takes a null buffer as a request for the initial value.
  if (size == 0) return crc;
  return static_cast<uint32_t>(crc32_z(crc, data, size));
}

// ---- TChunk ----

void TChunk::LoadFromStream(TStream& stream, uint32_t length) {
  // Read block by block: a length the file does not back never allocates more than the
  // file holds.
  constexpr size_t kBlock = 65536;
  data_.clear();
  size_t done = 0;
  while (done < length) {
    const size_t want = std::min<size_t>(kBlock, length - done);
    data_.resize(done + want);
    const size_t got = ReadUpTo(stream, data_.data() + done, want);
    if (got < want) throw EPngInvalidCRC(png_text::kInvalidCRC);
    done += got;
  }
  uint8_t stored[4];
  if (ReadUpTo(stream, stored, 4) < 4 ||
      BigEndian32(stored) != ChunkCrc(ChunkCrc(name_), data_.data(), data_.size())) {
    throw EPngInvalidCRC(png_text::kInvalidCRC);
  }
  Interpret();
}

// ---- TChunkIHDR ----

namespace {

// The colour types and bit depths the PNG standard defines.
bool KnownLayout(int colorType, int bitDepth) {
  switch (colorType) {
    case 0:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6:
      return bitDepth == 8 || bitDepth == 16;
    default:
      return false;
  }
}

}  // namespace

int TChunkIHDR::WorkingBitCount() const {
  switch (colorType_) {
    case 2:
    case 6:
      return 24;
    case 4:
      return 8;
    default:
      // Gray and palette: 2-bit samples widen to 4 bits, 16-bit gray keeps its high byte.
      if (bitDepth_ == 2) return 4;
      return std::min<int>(bitDepth_, 8);
  }
}

void TChunkIHDR::Interpret() {
  if (data_.size() < 13) throw EPngInvalidIHDR(png_text::kInvalidIHDR);
  const uint8_t* d = data_.data();
  width_ = BigEndian32(d);
  height_ = BigEndian32(d + 4);
  if (width_ > 65535 || height_ > 65535) throw EPNGSizeExceeds(png_text::kSizeExceeds);
  bitDepth_ = d[8];
  colorType_ = d[9];
  compression_ = d[10];
  filter_ = d[11];
  interlace_ = d[12];
  if (compression_ != 0) throw EPNGUnknownCompression(png_text::kUnknownCompression);
  if (interlace_ > 1) throw EPNGUnknownInterlace(png_text::kUnknownInterlace);
  // Layouts outside the standard's table, and empty pictures, have no working form.
  if (width_ == 0 || height_ == 0 || !KnownLayout(colorType_, bitDepth_)) {
    throw EPngInvalidIHDR(png_text::kInvalidIHDR);
  }
  const int bits = WorkingBitCount();
  const uint64_t pixels = uint64_t{width_} * height_;
  const uint64_t bytes =
      uint64_t{DibSection::StrideFor(Width(), bits)} * height_ + (HasAlpha() ? pixels : 0);
  if (bytes > kMaxPixelBytes) throw EPngError(png_text::kTooLarge);
  colors_.assign(bits <= 8 ? size_t{1} << bits : 0, TColorEntry{});
}

void TChunkIHDR::CreateWorkingForm() {
  if (image_) return;
  auto image = DibSection::Create(Width(), Height(), WorkingBitCount());
  if (HasAlpha()) {
    alpha_.reset(new (std::nothrow) uint8_t[size_t{width_} * height_]());
    if (!alpha_) throw EOutOfMemory("Out of memory");
  }
  image->colors = std::move(colors_);
  image_ = std::move(image);
}

const uint8_t* TChunkIHDR::AlphaRow(int y) const {
  if (!alpha_ || y < 0 || y >= Height()) return nullptr;
  return alpha_.get() + size_t{width_} * static_cast<size_t>(y);
}

uint8_t* TChunkIHDR::AlphaRow(int y) {
  return const_cast<uint8_t*>(std::as_const(*this).AlphaRow(y));
}

// ---- TChunkPLTE ----

void TChunkPLTE::Interpret() {
  if (data_.size() % 3 != 0 || data_.size() > 3 * 256) {
    throw EPNGInvalidPalette(png_text::kInvalidPalette);
  }
  count_ = static_cast<int>(data_.size() / 3);
  TChunkIHDR* header = Owner().MutableHeader();
  // Only palette pictures show these colours; gray pictures get their gray table when
  // the image data begin, and RGB pictures have no table.
  if (!header || header->ColorType() != 3) return;
  const TGammaTable& gamma = Owner().GammaTable();
  TColorTable& table = header->ColorTable();
  const size_t n = std::min<size_t>(count_, table.size());
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* rgb = data_.data() + 3 * i;
    table[i] = {gamma[rgb[2]], gamma[rgb[1]], gamma[rgb[0]], 0};
  }
}

// ---- TChunkgAMA ----

void TChunkgAMA::Interpret() {
  if (data_.size() < 4) return;
  gamma_ = BigEndian32(data_.data());
  if (gamma_ != 0) Owner().SetGamma(gamma_);
}

// ---- TChunktRNS ----

void TChunktRNS::Interpret() {
  if (data_.size() > 256) throw EPNGInvalidPalette(png_text::kInvalidPalette);
  values_.fill(255);
  std::copy(data_.begin(), data_.end(), values_.begin());
  const TChunkIHDR* header = Owner().Header();
  const int colorType = header ? header->ColorType() : -1;
  if (colorType == 0 || colorType == 2) {
    bitTransparency_ = true;
  } else if (colorType == 3) {
    // One fully transparent entry and all others opaque is bit transparency; a single
    // half-transparent entry needs blending like any other partial table.
    const auto below = std::count_if(data_.begin(), data_.end(), [](uint8_t v) { return v < 255; });
    const auto clear = std::count(data_.begin(), data_.end(), uint8_t{0});
    bitTransparency_ = below == 1 && clear == 1;
  }
}

// ---- TChunktIME, TChunktEXt, TChunkzTXt ----

void TChunktIME::Interpret() {
  std::copy_n(data_.begin(), std::min(data_.size(), time_.size()), time_.begin());
}

void TChunktEXt::Interpret() {
  const auto nul = std::find(data_.begin(), data_.end(), uint8_t{0});
  keyword_.assign(data_.begin(), nul);
  text_.assign(nul == data_.end() ? nul : nul + 1, data_.end());
}

void TChunkzTXt::Interpret() {
  const auto nul = std::find(data_.begin(), data_.end(), uint8_t{0});
  keyword_.assign(data_.begin(), nul);
  text_.clear();
  // After the keyword's terminator: the compression method (0 = zlib), then the data.
  if (nul == data_.end() || nul + 1 == data_.end() || nul[1] != 0) return;
  size_t& textBytesLeft = Owner().textBytesLeft_;
  if (textBytesLeft == 0) return;
  const size_t start = static_cast<size_t>(nul - data_.begin()) + 2;
  text_ = InflateBytes(data_.data() + start, data_.size() - start, textBytesLeft);
  textBytesLeft -= text_.size();
}

// ---- The chunk types ----

namespace {

template <class T>
std::unique_ptr<TChunk> Make(TPngPicture& owner, const TChunkName& name) {
  return std::make_unique<T>(owner, name);
}

struct ChunkType {
  TChunkName name;
  std::unique_ptr<TChunk> (*create)(TPngPicture&, const TChunkName&);
};

const ChunkType kChunkTypes[] = {
    {{'I', 'E', 'N', 'D'}, &Make<TChunkIEND>}, {{'I', 'H', 'D', 'R'}, &Make<TChunkIHDR>},
    {{'I', 'D', 'A', 'T'}, &Make<TChunkIDAT>}, {{'P', 'L', 'T', 'E'}, &Make<TChunkPLTE>},
    {{'g', 'A', 'M', 'A'}, &Make<TChunkgAMA>}, {{'t', 'R', 'N', 'S'}, &Make<TChunktRNS>},
    {{'t', 'I', 'M', 'E'}, &Make<TChunktIME>}, {{'t', 'E', 'X', 't'}, &Make<TChunktEXt>},
    {{'z', 'T', 'X', 't'}, &Make<TChunkzTXt>},
};

}  // namespace

std::unique_ptr<TChunk> CreateChunk(TPngPicture& owner, const TChunkName& name) {
  for (const ChunkType& type : kChunkTypes) {
    if (type.name == name) return type.create(owner, name);
  }
  return std::make_unique<TChunk>(owner, name);
}

}  // namespace velora
