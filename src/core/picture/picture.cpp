#include "picture/picture.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>

#include "picture/palettes.h"

namespace velora {

// ---- TGraphicClass and TGraphic ----

bool TGraphicClass::InheritsFrom(const TGraphicClass& other) const {
  for (const TGraphicClass* c = this; c; c = c->parent) {
    if (c == &other) return true;
  }
  return false;
}

void TGraphic::SetTransparent(bool value) {
  if (value != transparent_) {
    transparent_ = value;
    Changed();
  }
}

const std::vector<uint8_t>& TGraphic::ColorProfile() const {
  static const std::vector<uint8_t> none;
  return none;
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange();
}

void TGraphic::LoadFile(const std::string& fileName) {
  TFileStream file(fileName, TFileStream::Mode::OpenRead);
  LoadFromStream(file);
}

void TGraphic::SaveFile(const std::string& fileName) {
  TFileStream file(fileName, TFileStream::Mode::Create);
  SaveToStream(file);
}

void TGraphic::SaveToStream(TStream&) {
  throw EInvalidGraphicOperation(std::string("Cannot save a ") + ClassName());
}

void TGraphic::RaiseCannotAssign(const char* sourceName, const char* destinationName) {
  throw EConvertError(std::string("Cannot assign a ") + sourceName + " to a " + destinationName);
}

void TGraphic::CopyGraphic(const TGraphic* source) {
  if (!source) RaiseCannotAssign("nil", ClassName());
  source->CopyTo(*this);
}

void TGraphic::CopyTo(TGraphic& destination) const {
  RaiseCannotAssign(ClassName(), destination.ClassName());
}

// ---- DibSection ----

size_t DibSection::StrideFor(int width, int bitCount) {
  if (width < 0 || bitCount <= 0) return 0;
  const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
  return static_cast<size_t>((bits + 31) / 32 * 4);
}

std::shared_ptr<DibSection> DibSection::Create(int width, int height, int bitCount, bool zeroed) {
  auto dib = std::make_shared<DibSection>();
  dib->width = width;
  dib->height = height;
  dib->bitCount = bitCount;
  dib->stride = StrideFor(width, bitCount);
  const uint64_t bytes = static_cast<uint64_t>(dib->stride) * static_cast<uint64_t>(height);
  if (width <= 0 || height <= 0 || bytes > kMaxPixelBytes) throw EOutOfMemory("Out of memory");
  dib->bits = AllocatePixels(bytes, zeroed);
  if (!dib->bits) throw EOutOfMemory("Out of memory");
  return dib;
}

namespace {

constexpr uint32_t kMasks555[3] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMasks565[3] = {0xF800, 0x07E0, 0x001F};
constexpr uint32_t kMasks888[3] = {0xFF0000, 0x00FF00, 0x0000FF};

bool MasksAre(const uint32_t (&masks)[3], const uint32_t (&expected)[3]) {
  return masks[0] == expected[0] && masks[1] == expected[1] && masks[2] == expected[2];
}
bool MasksUnset(const uint32_t (&masks)[3]) {
  return !masks[0] && !masks[1] && !masks[2];
}

// Widens the bits of one mask to 8 bits: the field's share of its largest value,
// rounded to the nearest of 0..255. Fields wider than 8 bits round rather than drop
// their low bits, so a 10-bit 99 becomes 25, not 24.
uint8_t WidenMasked(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint64_t value = (pixel & mask) >> shift;
  const uint64_t largest = mask >> shift;  // all ones for a contiguous mask
  return static_cast<uint8_t>((value * 255 + largest / 2) / largest);
}

}  // namespace

PixelDepth DibSection::Depth() const {
  if (device) return PixelDepth::pfDevice;
  switch (bitCount) {
    case 1:
      return PixelDepth::pf1bit;
    case 4:
      return PixelDepth::pf4bit;
    case 8:
      return PixelDepth::pf8bit;
    case 16:
      if (MasksUnset(masks) || MasksAre(masks, kMasks555)) return PixelDepth::pf15bit;
      if (MasksAre(masks, kMasks565)) return PixelDepth::pf16bit;
      return PixelDepth::pfCustom;
    case 24:
      return PixelDepth::pf24bit;
    case 32:
      if (MasksUnset(masks) || MasksAre(masks, kMasks888)) return PixelDepth::pf32bit;
      return PixelDepth::pfCustom;
    default:
      return PixelDepth::pfCustom;
  }
}

TColorEntry DibSection::PixelColor(int x, int y) const {
  const uint8_t* row = Row(y);
  auto lookup = [this](unsigned index) {
    // An index beyond the table shows black.
    return index < colors.size() ? colors[index] : TColorEntry{};
  };
  switch (bitCount) {
    case 1:
      return lookup((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
      return lookup((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8:
      return lookup(row[x]);
    case 16: {
      const uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
      const uint32_t(&m)[3] = MasksUnset(masks) ? kMasks555 : masks;
      return {WidenMasked(p, m[2]), WidenMasked(p, m[1]), WidenMasked(p, m[0]), 0};
    }
    case 24:
      return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    case 32: {
      const uint8_t* p = row + 4 * x;
      if (MasksUnset(masks)) return {p[0], p[1], p[2], 0};
      const uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
      return {WidenMasked(v, masks[2]), WidenMasked(v, masks[1]), WidenMasked(v, masks[0]), 0};
    }
    default:
      return {};
  }
}

std::shared_ptr<DibSection> DibSection::Clone() const {
  auto copy = std::make_shared<DibSection>();
  copy->width = width;
  copy->height = height;
  copy->bitCount = bitCount;
  copy->topDown = topDown;
  copy->device = device;
  std::copy(std::begin(masks), std::end(masks), copy->masks);
  copy->colors = colors;
  copy->stride = stride;
  const size_t bytes = ByteSize();
  copy->bits = AllocatePixels(bytes, false);
  if (!copy->bits) throw EOutOfMemory("Out of memory");
  std::memcpy(copy->bits.get(), bits.get(), bytes);
  return copy;
}

// ---- TBitmap ----

namespace {

std::unique_ptr<TGraphic> NewBitmap() {
  return std::make_unique<TBitmap>();
}
std::unique_ptr<TGraphic> NewMetafile() {
  return std::make_unique<TMetafile>();
}
std::unique_ptr<TGraphic> NewIcon() {
  return std::make_unique<TIcon>();
}

int BitCountOf(PixelDepth depth) {
  switch (depth) {
    case PixelDepth::pf1bit:
      return 1;
    case PixelDepth::pf4bit:
      return 4;
    case PixelDepth::pf8bit:
      return 8;
    case PixelDepth::pf15bit:
    case PixelDepth::pf16bit:
      return 16;
    case PixelDepth::pf24bit:
      return 24;
    case PixelDepth::pfDevice:
    case PixelDepth::pf32bit:
      return 32;
    case PixelDepth::pfCustom:
      break;
  }
  return 0;
}

// The nearest entry of a table to a colour (squared distance; the first of equals).
uint8_t NearestIndex(const TColorTable& table, TColorEntry c) {
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (size_t i = 0; i < table.size(); ++i) {
    const long dr = long{table[i].red} - c.red, dg = long{table[i].green} - c.green,
               db = long{table[i].blue} - c.blue;
    const long d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return static_cast<uint8_t>(best);
}

// An empty image of the depth, with the depth's fixed colour table; for 1 bit the
// old image's first two colours when it has a table.
std::shared_ptr<DibSection> NewImageOfDepth(int width, int height, PixelDepth depth,
                                            const DibSection* old, bool zeroed) {
  auto dib = DibSection::Create(width, height, BitCountOf(depth), zeroed);
  switch (depth) {
    case PixelDepth::pf1bit:
      if (old && old->colors.size() >= 2) {
        dib->colors.assign(old->colors.begin(), old->colors.begin() + 2);
      } else {
        dib->colors = BlackWhitePalette();
      }
      break;
    case PixelDepth::pf4bit:
      dib->colors = SystemPalette16();
      break;
    case PixelDepth::pf8bit:
      dib->colors = HalftonePalette();
      break;
    case PixelDepth::pf16bit:
      std::copy(std::begin(kMasks565), std::end(kMasks565), dib->masks);
      break;
    case PixelDepth::pfDevice:
      dib->device = true;
      break;
    default:
      break;
  }
  return dib;
}

void StoreIndex(DibSection& dib, int x, uint8_t* row, uint8_t index) {
  switch (dib.bitCount) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>(index & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 15))
                  : static_cast<uint8_t>((b & 0x0F) | (index << 4));
      break;
    }
    default:
      row[x] = index;
      break;
  }
}

// Stores one colour into a pixel of an image deeper than 8 bits.
void StoreColor(DibSection& dib, int x, uint8_t* row, TColorEntry c) {
  switch (dib.bitCount) {
    case 16: {
      uint16_t v;
      if (MasksAre(dib.masks, kMasks565)) {
        v = static_cast<uint16_t>(((c.red >> 3) << 11) | ((c.green >> 2) << 5) | (c.blue >> 3));
      } else {
        v = static_cast<uint16_t>(((c.red >> 3) << 10) | ((c.green >> 3) << 5) | (c.blue >> 3));
      }
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    }
    case 24:
      row[3 * x] = c.blue;
      row[3 * x + 1] = c.green;
      row[3 * x + 2] = c.red;
      break;
    case 32:
      row[4 * x] = c.blue;
      row[4 * x + 1] = c.green;
      row[4 * x + 2] = c.red;
      row[4 * x + 3] = 0;
      break;
  }
}

// Fills an image with white: all bits set for direct colours, the table's nearest
// entry to white for indexed ones.
void FillWhite(DibSection& dib) {
  if (dib.bitCount > 8) {
    std::memset(dib.bits.get(), 0xFF, dib.ByteSize());
    if (dib.bitCount == 32) {
      for (int y = 0; y < dib.height; ++y) {
        uint8_t* row = dib.Row(y);
        for (int x = 0; x < dib.width; ++x) row[4 * x + 3] = 0;
      }
    }
    return;
  }
  const uint8_t index = NearestIndex(dib.colors, {255, 255, 255, 0});
  uint8_t pattern = index;
  if (dib.bitCount == 1) pattern = index ? 0xFF : 0x00;
  if (dib.bitCount == 4) pattern = static_cast<uint8_t>(index << 4 | index);
  std::memset(dib.bits.get(), pattern, dib.ByteSize());
}

// Copies the colours of src into dst (same or smaller size, top-left aligned).
void CopyColors(const DibSection& src, DibSection& dst) {
  const int w = std::min(src.width, dst.width), h = std::min(src.height, dst.height);
  const bool sameLayout = src.bitCount == dst.bitCount && src.colors == dst.colors &&
                          std::equal(std::begin(src.masks), std::end(src.masks), dst.masks);
  if (sameLayout && src.bitCount >= 8) {
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(src.bitCount / 8);
    for (int y = 0; y < h; ++y) std::memcpy(dst.Row(y), src.Row(y), bytes);
    return;
  }
  if (sameLayout) {
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = src.Row(y);
      for (int x = 0; x < w; ++x) {
        const int index = src.bitCount == 1 ? (s[x >> 3] >> (7 - (x & 7))) & 1
                                            : (s[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        StoreIndex(dst, x, dst.Row(y), static_cast<uint8_t>(index));
      }
    }
    return;
  }
  if (dst.bitCount > 8) {
    if (dst.bitCount == 24 && src.bitCount == 8) {
      // The common case of palette pictures: one table lookup per pixel.
      TColorEntry table[256] = {};
      std::copy_n(src.colors.begin(), std::min<size_t>(256, src.colors.size()), table);
      for (int y = 0; y < h; ++y) {
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        for (int x = 0; x < w; ++x) {
          const TColorEntry c = table[s[x]];
          d[3 * x] = c.blue;
          d[3 * x + 1] = c.green;
          d[3 * x + 2] = c.red;
        }
      }
      return;
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* row = dst.Row(y);
      for (int x = 0; x < w; ++x) StoreColor(dst, x, row, src.PixelColor(x, y));
    }
    return;
  }
  std::unordered_map<uint32_t, uint8_t> nearest;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = dst.Row(y);
    for (int x = 0; x < w; ++x) {
      const TColorEntry c = src.PixelColor(x, y);
      const uint32_t key = c.red << 16 | c.green << 8 | c.blue;
      auto it = nearest.find(key);
      if (it == nearest.end()) it = nearest.emplace(key, NearestIndex(dst.colors, c)).first;
      StoreIndex(dst, x, row, it->second);
    }
  }
}

}  // namespace

const TGraphicClass& TBitmap::Class() {
  static const TGraphicClass cls{"TBitmap", nullptr, &NewBitmap};
  return cls;
}

int TBitmap::Width() const {
  return image_ ? image_->width : 0;
}
int TBitmap::Height() const {
  return image_ ? image_->height : 0;
}
bool TBitmap::IsEmpty() const {
  return !image_;
}

void TBitmap::SetWidth(int value) {
  SetSize(value, Height());
}
void TBitmap::SetHeight(int value) {
  SetSize(Width(), value);
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width() && height == Height()) return;
  Resize(width, height);
  Changed();
}

void TBitmap::Resize(int width, int height) {
  if (width == 0 || height == 0) {
    if (image_) depth_ = image_->Depth();
    image_.reset();
    return;
  }
  const PixelDepth depth = image_ ? image_->Depth() : depth_;
  std::shared_ptr<DibSection> fresh;
  if (image_ && depth == PixelDepth::pfCustom) {
    // Keep an unusual layout as it is.
    fresh = DibSection::Create(width, height, image_->bitCount, false);
    std::copy(std::begin(image_->masks), std::end(image_->masks), fresh->masks);
  } else {
    fresh = NewImageOfDepth(width, height, depth, image_.get(), false);  // filled below
  }
  if (image_) fresh->colors = image_->colors;
  FillWhite(*fresh);
  if (image_) CopyColors(*image_, *fresh);
  image_ = std::move(fresh);
}

void TBitmap::SetSizeForOverwrite(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const PixelDepth depth = GetPixelDepth();
  if (width == 0 || height == 0) {
    depth_ = depth;
    image_.reset();
  } else if (depth == PixelDepth::pfCustom) {
    Resize(width, height);
  } else {
    image_ = NewImageOfDepth(width, height, depth, image_.get(), false);
    // Only the row padding is cleared, so saved files never carry stray bytes.
    const size_t used =
        (static_cast<size_t>(width) * static_cast<size_t>(image_->bitCount) + 7) / 8;
    for (int y = 0; y < height; ++y) {
      std::memset(image_->Row(y) + used, 0, image_->stride - used);
    }
  }
  Changed();
}

PixelDepth TBitmap::GetPixelDepth() const {
  return image_ ? image_->Depth() : depth_;
}

void TBitmap::SetPixelDepth(PixelDepth depth) {
  if (depth == PixelDepth::pfCustom) throw EInvalidGraphic("Invalid pixel format");
  if (depth == GetPixelDepth()) return;
  depth_ = depth;
  if (!image_) return;
  auto fresh = NewImageOfDepth(image_->width, image_->height, depth, image_.get(), true);
  if (fresh->bitCount <= 8) FillWhite(*fresh);
  CopyColors(*image_, *fresh);
  image_ = std::move(fresh);
  Changed();
}

void TBitmap::CheckRow(int y) const {
  if (!image_ || y < 0 || y >= image_->height) {
    throw EInvalidGraphicOperation("Scan line index out of range");
  }
}

void TBitmap::Unshare() {
  if (image_ && image_.use_count() > 1) image_ = image_->Clone();
}

uint8_t* TBitmap::RowAddress(int y) {
  CheckRow(y);
  Unshare();
  return image_->Row(y);
}

const uint8_t* TBitmap::ConstRowAddress(int y) const {
  CheckRow(y);
  return image_->Row(y);
}

ptrdiff_t TBitmap::RowStep() const {
  if (!image_) return 0;
  const auto stride = static_cast<ptrdiff_t>(image_->stride);
  return image_->topDown ? stride : -stride;
}

const TColorTable& TBitmap::ColorTable() const {
  static const TColorTable none;
  return image_ ? image_->colors : none;
}

void TBitmap::SetColorTable(const TColorTable& colors) {
  if (!image_) return;
  Unshare();
  image_->colors = colors;
  Changed();
}

void TBitmap::SetDib(std::shared_ptr<DibSection> image) {
  image_ = std::move(image);
  if (image_) depth_ = image_->Depth();
  Changed();
}

void TBitmap::CopyGraphic(const TGraphic* source) {
  if (!source) {
    image_.reset();
    Changed();
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    if (bitmap != this) {
      image_ = bitmap->image_;
      depth_ = bitmap->depth_;
      transparentColor_ = bitmap->transparentColor_;
      transparentMode_ = bitmap->transparentMode_;
    }
    Changed();
    return;
  }
  source->CopyTo(*this);
  Changed();
}

// ---- Formats no path loads ----

const TGraphicClass& TMetafile::Class() {
  static const TGraphicClass cls{"TMetafile", nullptr, &NewMetafile};
  return cls;
}
void TMetafile::LoadFromStream(TStream&) {
  throw EInvalidGraphic("Metafile is not valid");
}

const TGraphicClass& TIcon::Class() {
  static const TGraphicClass cls{"TIcon", nullptr, &NewIcon};
  return cls;
}
void TIcon::LoadFromStream(TStream&) {
  throw EInvalidGraphic("Icon image is not valid");
}

// ---- TPicture ----

std::string FileExtension(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('/');
  const size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return fileName.substr(dot + 1);
}

void TPicture::LoadPictureFile(const std::string& fileName, const TFileFormatsList& formats) {
  const std::string extension = FileExtension(fileName);
  const TGraphicClass* cls = formats.FindByExtension(extension);
  if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
  std::unique_ptr<TGraphic> graphic = cls->create();
  graphic->LoadFile(fileName);  // on error the new graphic is released, ours stays
  SetGraphic(std::move(graphic));
}

std::unique_ptr<TGraphic> TPicture::ReleaseGraphic() {
  if (graphic_) graphic_->OnChange = nullptr;
  std::unique_ptr<TGraphic> graphic = std::move(graphic_);
  if (OnChange) OnChange();
  return graphic;
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) {
    graphic_->OnChange = [this] {
      if (OnChange) OnChange();
    };
  }
  if (OnChange) OnChange();
}

// ---- TFileFormatsList ----

namespace {
std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}
}  // namespace

TFileFormatsList::TFileFormatsList() {
  AddFormat("wmf", "Metafiles", TMetafile::Class());
  AddFormat("emf", "Enhanced Metafiles", TMetafile::Class());
  AddFormat("ico", "Icons", TIcon::Class());
  AddFormat("bmp", "Bitmaps", TBitmap::Class());
}

void TFileFormatsList::AddFormat(const std::string& extension, const std::string& description,
                                 const TGraphicClass& graphicClass) {
  entries_.push_back({Lower(extension), description, &graphicClass});
}

const TGraphicClass* TFileFormatsList::FindByExtension(const std::string& extension) const {
  const std::string wanted = Lower(extension);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->extension == wanted) return it->graphicClass;
  }
  return nullptr;
}

const TGraphicClass* TFileFormatsList::FindByClassName(const std::string& className) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (className == it->graphicClass->name) return it->graphicClass;
  }
  return nullptr;
}

void TFileFormatsList::RemoveClass(const TGraphicClass& graphicClass) {
  std::erase_if(entries_,
                [&](const Entry& e) { return e.graphicClass->InheritsFrom(graphicClass); });
}

}  // namespace velora
