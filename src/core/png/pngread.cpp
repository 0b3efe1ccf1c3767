#include "png/pngread.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <utility>

#include "png/png_inflate.h"

namespace velora {

namespace {

std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TPngPicture>();
}

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr TChunkName kIhdr = {'I', 'H', 'D', 'R'};
constexpr TChunkName kIdat = {'I', 'D', 'A', 'T'};
constexpr TChunkName kIend = {'I', 'E', 'N', 'D'};
constexpr TChunkName kChrm = {'c', 'H', 'R', 'M'};
constexpr TChunkName kIccp = {'i', 'C', 'C', 'P'};

TGammaTable IdentityGamma() {
  TGammaTable table;
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  return table;
}

}  // namespace

const TGraphicClass& TPngPicture::Class() {
  static const TGraphicClass cls{"TPngPicture", nullptr, &Create};
  return cls;
}

TPngPicture::TPngPicture() : gamma_(IdentityGamma()) {}

int TPngPicture::Width() const {
  const TChunkIHDR* header = Header();
  return header ? header->Width() : 0;
}

int TPngPicture::Height() const {
  const TChunkIHDR* header = Header();
  return header ? header->Height() : 0;
}

void TPngPicture::SetWidth(int) {
  throw EPngError(png_text::kCannotResize);
}

void TPngPicture::SetHeight(int) {
  throw EPngError(png_text::kCannotResize);
}

const TChunkIHDR* TPngPicture::Header() const {
  if (chunks_.empty()) return nullptr;
  return dynamic_cast<const TChunkIHDR*>(chunks_.front().get());
}

TChunkIHDR* TPngPicture::MutableHeader() {
  return const_cast<TChunkIHDR*>(std::as_const(*this).Header());
}

void TPngPicture::SetGamma(uint32_t value) {
  // Corrects for a display gamma of 2.2: level i shows as (i / 255) ^ (1 / (g × 2.2)).
  const long double exponent = 1.0L / (value / 100000.0L * 2.2L);
  for (int i = 0; i < 256; ++i) {
    const long double level = std::pow(i / 255.0L, exponent) * 255.0L;
    gamma_[i] = static_cast<uint8_t>(std::clamp(std::nearbyint(level), 0.0L, 255.0L));
  }
}

void TPngPicture::LoadFromStream(TStream& stream) {
  chunks_.clear();
  gamma_ = IdentityGamma();
  textBytesLeft_ = TChunkzTXt::kMaxTextBytes;
  colorProfile_.clear();
  try {
    ReadChunks(stream);
    colorProfile_ = EmbeddedProfile();
  } catch (...) {
    // A failed load leaves an empty picture, never a half-read one.
    chunks_.clear();
    gamma_ = IdentityGamma();
    SetTransparent(false);
    throw;
  }
  SetTransparent(TransparencyMode() != TPngTransparencyMode::ptmNone);
  Changed();
}

void TPngPicture::ReadChunks(TStream& stream) {
  uint8_t signature[8];
  if (ReadUpTo(stream, signature, 8) < 8 || !std::equal(signature, signature + 8, kSignature)) {
    throw EPNGInvalidFileHeader(png_text::kInvalidFileHeader);
  }
  bool imageDataRead = false;
  for (;;) {
    uint8_t head[8];
    if (ReadUpTo(stream, head, 8) < 8) throw EPngUnexpectedEnd(png_text::kUnexpectedEnd);
    const uint32_t length = BigEndian32(head);
    TChunkName name;
    std::copy_n(head + 4, 4, name.begin());
    if (chunks_.empty() && name != kIhdr) throw EPNGIHDRNotFirst(png_text::kIHDRNotFirst);
    // Chromaticities are never used, and the image data were decoded at their first
    // chunk: skip both without reading them.
    if (name == kChrm || (name == kIdat && imageDataRead)) {
      stream.Seek(int64_t{length} + 4, SeekOrigin::Current);
      continue;
    }
    std::unique_ptr<TChunk> chunk = CreateChunk(*this, name);
    const TChunk& made = *chunk;
    if (typeid(made) == typeid(TChunk) && made.IsCritical()) {
      throw EPNGUnknownCriticalChunk(png_text::kUnknownCriticalChunk);
    }
    chunks_.push_back(std::move(chunk));
    chunks_.back()->LoadFromStream(stream, length);
    if (name == kIdat) imageDataRead = true;
    if (name == kIend) break;
  }
  if (!imageDataRead) throw EPNGNoImageData(png_text::kNoImageData);
}

std::vector<uint8_t> TPngPicture::EmbeddedProfile() const {
  if (gamma_ != IdentityGamma()) return {};
  for (const auto& chunk : chunks_) {
    if (chunk->Name() != kIccp) continue;
    // The profile's name (1 to 79 letters), its terminator, the compression method (0:
    // zlib), the compressed profile. Only the first iCCP chunk counts.
    const std::vector<uint8_t>& data = chunk->Data();
    const auto nul = std::find(data.begin(), data.end(), uint8_t{0});
    if (nul == data.end() || nul + 1 == data.end() || nul[1] != 0) return {};
    const size_t start = static_cast<size_t>(nul - data.begin()) + 2;
    return InflateWhole(data.data() + start, data.size() - start, kMaxColorProfileBytes)
        .value_or(std::vector<uint8_t>{});
  }
  return {};
}

std::shared_ptr<const DibSection> TPngPicture::WorkingForm() const {
  const TChunkIHDR* header = Header();
  return header ? header->WorkingForm() : nullptr;
}

const uint8_t* TPngPicture::AlphaScanline(int y) const {
  const TChunkIHDR* header = Header();
  if (!header) throw EPNGHeaderNotPresent(png_text::kHeaderNotPresent);
  return header->AlphaRow(y);
}

TPngTransparencyMode TPngPicture::TransparencyMode() const {
  const TChunkIHDR* header = Header();
  if (!header) return TPngTransparencyMode::ptmNone;
  if (header->HasAlpha()) return TPngTransparencyMode::ptmPartial;
  const TChunktRNS* trns = FindChunk<TChunktRNS>();
  if (!trns) return TPngTransparencyMode::ptmNone;
  return trns->BitTransparency() ? TPngTransparencyMode::ptmBit : TPngTransparencyMode::ptmPartial;
}

std::array<uint8_t, 256> TPngPicture::TransparencyValues() const {
  if (const TChunktRNS* trns = FindChunk<TChunktRNS>()) return trns->Values();
  std::array<uint8_t, 256> opaque;
  opaque.fill(255);
  return opaque;
}

TColor TPngPicture::TransparentColor() const {
  const TChunkIHDR* header = Header();
  if (!header) throw EPNGHeaderNotPresent(png_text::kHeaderNotPresent);
  const TChunktRNS* trns = FindChunk<TChunktRNS>();
  if (!trns) return 0;
  const auto& v = trns->Values();
  auto rgb = [](TColorEntry c) {
    return TColor{c.red} | TColor{c.green} << 8 | TColor{c.blue} << 16;
  };
  switch (header->ColorType()) {
    case 0: {
      // The working-form index that pixels with the tRNS gray sample get.
      const unsigned sample = unsigned{v[0]} << 8 | v[1];
      const int depth = header->BitDepth();
      unsigned index = depth == 16 ? sample >> 8 : sample & ((1u << depth) - 1);
      if (depth == 2) index *= 5;
      return rgb(header->ColorTable()[index]);
    }
    case 2: {
      // The high bytes of 16-bit samples, the low byte of 8-bit ones, through the gamma.
      const int at = header->BitDepth() == 16 ? 0 : 1;
      return rgb({gamma_[v[4 + at]], gamma_[v[2 + at]], gamma_[v[at]], 0});
    }
    case 3: {
      const auto clear = std::find(v.begin(), v.end(), uint8_t{0});
      if (clear == v.end()) return 0;
      const auto index = static_cast<size_t>(clear - v.begin());
      const TChunkPLTE* palette = FindChunk<TChunkPLTE>();
      const TColorTable& table = header->ColorTable();
      if (!palette || index >= static_cast<size_t>(palette->Count()) || index >= table.size()) {
        throw EPngError(png_text::kNoSuchPaletteEntry);
      }
      return rgb(table[index]);
    }
    default:
      return 0;
  }
}

void TPngPicture::CopyTo(TGraphic& destination) const {
  auto* bitmap = dynamic_cast<TBitmap*>(&destination);
  const TChunkIHDR* header = Header();
  if (!bitmap || !header || !header->WorkingForm()) {
    RaiseCannotAssign(ClassName(), destination.ClassName());
  }
  const bool bitMode = TransparencyMode() == TPngTransparencyMode::ptmBit;
  // Found before the bitmap changes, so a failure leaves it as it was.
  const TColor transparentColor = bitMode ? TransparentColor() : 0;
  // The bitmap shares the working form until either is written; indexed forms become
  // 24-bit pixels of their own table colours.
  bitmap->SetDib(std::const_pointer_cast<DibSection>(header->WorkingForm()));
  bitmap->SetPixelDepth(PixelDepth::pf24bit);
  if (bitMode) {
    bitmap->SetTransparentColor(transparentColor);
    bitmap->SetTransparentMode(TransparentMode::tmFixed);
    bitmap->SetTransparent(true);
  }
}

}  // namespace velora
