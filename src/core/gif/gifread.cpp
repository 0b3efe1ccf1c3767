#include "gif/gifread.h"

#include <algorithm>
#include <cstring>

#include "gif/gifread_lzw.h"
#include "gif/gifread_reader.h"

namespace velora {

namespace {

constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;

std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TGifPicture>();
}

const TGifColorMap& NoColorMap() {
  static const TGifColorMap none;
  return none;
}

// What one kept sub-block costs in memory, beyond its bytes.
constexpr uint64_t kSubBlockOverhead = sizeof(std::vector<uint8_t>) + 16;
constexpr uint64_t kExtensionOverhead = 64;

void ReadKeptSubBlocks(TGifReader& reader, std::vector<std::vector<uint8_t>>& subBlocks) {
  std::vector<uint8_t> block;
  while (reader.ReadSubBlock(block)) {
    reader.Charge(kSubBlockOverhead + block.size());
    subBlocks.push_back(block);
  }
}

std::string SizeText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

// ---- Extensions ----

void TGifExtension::Load(TGifReader& reader, uint8_t label) {
  if (label != Label()) {
    throw EGifError("Internal error: Extension Instance does not match Extension Label");
  }
  LoadData(reader);
}

void TGifGraphicControlExtension::LoadData(TGifReader& reader) {
  // Block size (4), packed fields, delay, transparent index, block terminator.
  uint8_t data[6] = {};
  reader.ReadPart(data, sizeof data);
  packed = data[1];
  delay = static_cast<uint16_t>(data[2] | data[3] << 8);
  transparentIndex = data[4];
}

void TGifSubBlockExtension::LoadData(TGifReader& reader) {
  ReadKeptSubBlocks(reader, subBlocks);
}

std::string TGifCommentExtension::Text() const {
  std::string text;
  for (const auto& block : subBlocks) text.append(block.begin(), block.end());
  return text;
}

void TGifLoopExtension::LoadData(TGifReader& reader) {
  std::vector<uint8_t> block;
  while (reader.ReadSubBlock(block)) {
    if (block[0] == 1) {
      if (block.size() < 3) throw EGifError("Invalid GIF data");
      loopCount = static_cast<uint16_t>(block[1] | block[2] << 8);
      hasLoopCount = true;
    } else if (block[0] == 2) {
      if (block.size() < 5) throw EGifError("Invalid GIF data");
      bufferSize = static_cast<uint32_t>(block[1] | block[2] << 8 | block[3] << 16 |
                                         uint32_t{block[4]} << 24);
      hasBufferSize = true;
    }
  }
}

void TGifUnknownAppExtension::LoadData(TGifReader& reader) {
  ReadKeptSubBlocks(reader, subBlocks);
}

// ---- Frames ----

const TGifColorMap& TGifFrame::ActiveColorMap() const {
  if (!localMap_.Empty()) return localMap_;
  return globalMap_ ? *globalMap_ : NoColorMap();
}

const TGifGraphicControlExtension* TGifFrame::GraphicControl() const {
  for (auto it = extensions_.rbegin(); it != extensions_.rend(); ++it) {
    if (auto* control = dynamic_cast<const TGifGraphicControlExtension*>(it->get())) {
      return control;
    }
  }
  return nullptr;
}

TGifDisposal TGifFrame::Disposal() const {
  const auto* control = GraphicControl();
  return control ? control->Disposal() : TGifDisposal::dmNone;
}

int TGifFrame::Delay() const {
  const auto* control = GraphicControl();
  return control ? control->delay : 0;
}

// ---- Loading ----

// Reads the blocks of one GIF into a picture whose frames were dropped.
class TGifLoader {
 public:
  TGifLoader(TGifPicture& picture, TGifReader& reader) : picture_(picture), reader_(reader) {}

  void Load() {
    ReadScreen();
    for (;;) {
      const int b = reader_.Peek();
      if (b < 0 || b == kTrailer) break;
      if (b == 0) {
        reader_.Next();
        continue;
      }
      if (b != TGifExtension::kIntroducer && b != kImageSeparator) {
        reader_.Warn("Unknown GIF block type");
        break;
      }
      ReadFrame();
    }
    GrowScreen();
    const int trailer = reader_.Next();
    if (trailer >= 0 && trailer != kTrailer) reader_.Warn("Invalid Image trailer");
  }

 private:
  void ReadScreen() {
    uint8_t d[7];
    reader_.ReadExact(d, sizeof d);
    picture_.declaredWidth_ = d[0] | d[1] << 8;
    picture_.declaredHeight_ = d[2] | d[3] << 8;
    picture_.screenPacked_ = d[4];
    picture_.backgroundIndex_ = d[5];
    picture_.aspectRatio_ = d[6];
    picture_.screenWidth_ = picture_.declaredWidth_;
    picture_.screenHeight_ = picture_.declaredHeight_;
    CheckScreenSize();
    if (d[4] & 0x80) {
      auto map = std::make_shared<TGifColorMap>();
      ReadColorMap(d[4], *map);
      picture_.globalMap_ = std::move(map);
    }
  }

  void ReadColorMap(uint8_t packed, TGifColorMap& map) {
    const int count = 2 << (packed & 7);
    uint8_t rgb[3 * 256];
    reader_.ReadExact(rgb, static_cast<size_t>(3 * count));
    map.entries.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) map.entries[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  }

  // The extensions before an image, then the image. Extensions that no image follows
  // (padding, the trailer or the end of the data come first) are kept for the next
  // image in the file.
  void ReadFrame() {
    while (reader_.Peek() == TGifExtension::kIntroducer) {
      ReadExtension();
      const int b = reader_.Peek();
      if (b >= 0 && b != TGifExtension::kIntroducer && b != kImageSeparator && b != kTrailer) {
        reader_.Warn("Invalid extension introducer");
        break;
      }
    }
    const int b = reader_.Peek();
    if (b < 0 || b == kTrailer || b == 0) return;
    ReadImage();
  }

  void ReadExtension() {
    reader_.Next();  // the introducer
    const int label = reader_.Next();
    if (label < 0) {
      reader_.WarnDataEnded();
      return;
    }
    std::unique_ptr<TGifExtension> extension;
    switch (label) {
      case TGifGraphicControlExtension::kLabel:
        extension = std::make_unique<TGifGraphicControlExtension>();
        break;
      case TGifTextExtension::kLabel:
        extension = std::make_unique<TGifTextExtension>();
        break;
      case TGifCommentExtension::kLabel:
        extension = std::make_unique<TGifCommentExtension>();
        break;
      case TGifApplicationExtension::kLabel:
        extension = ReadApplicationBlock();
        break;
      default:
        throw EGifError("Unknown extension type");
    }
    reader_.Charge(kExtensionOverhead);
    extension->Load(reader_, static_cast<uint8_t>(label));
    if (auto* loop = dynamic_cast<TGifLoopExtension*>(extension.get())) {
      if (!picture_.loopCount_) picture_.loopCount_ = loop->loopCount;
    }
    pending_.push_back(std::move(extension));
  }

  // The application block: its size, then the identifier and authentication code.
  // The identifier decides the class.
  std::unique_ptr<TGifApplicationExtension> ReadApplicationBlock() {
    uint8_t size = 0;
    if (reader_.ReadPart(&size, 1) == 0) return std::make_unique<TGifUnknownAppExtension>();
    if (size < 11 && size != 10) throw EGifError("Unsupported Application Extension block size");
    uint8_t id[11] = {};
    const size_t idLength = std::min<size_t>(size, sizeof id);
    const size_t got = reader_.ReadPart(id, idLength);
    if (size > idLength) reader_.ReadPart(nullptr, size - idLength);
    const std::string identifier(reinterpret_cast<const char*>(id), got);
    std::unique_ptr<TGifApplicationExtension> extension;
    if (identifier == "NETSCAPE2.0" || identifier == "ANIMEXTS1.0") {
      extension = std::make_unique<TGifLoopExtension>();
    } else {
      extension = std::make_unique<TGifUnknownAppExtension>();
    }
    extension->identifier = identifier;
    return extension;
  }

  void ReadImage() {
    uint8_t d[10];
    reader_.ReadExact(d, sizeof d);  // separator, left, top, width, height, packed
    auto frame = std::make_unique<TGifFrame>();
    frame->left_ = d[1] | d[2] << 8;
    frame->top_ = d[3] | d[4] << 8;
    frame->width_ = d[5] | d[6] << 8;
    frame->height_ = d[7] | d[8] << 8;
    frame->packed_ = d[9];
    if (frame->width_ == 0 || frame->height_ == 0) {
      frame->width_ = picture_.declaredWidth_;
      frame->height_ = picture_.declaredHeight_;
      reader_.Warn("Image exceeds Logical Screen size");
    }
    const uint64_t pixelCount =
        static_cast<uint64_t>(frame->width_) * static_cast<uint64_t>(frame->height_);
    if (pixelCount > kMaxPixelBytes) {
      throw EGifError("GIF image too large: a frame of " + SizeText(frame->width_, frame->height_));
    }
    if (frame->packed_ & 0x80) ReadColorMap(frame->packed_, frame->localMap_);
    frame->globalMap_ = picture_.globalMap_;

    for (const auto& extension : pending_) {
      const auto* control = dynamic_cast<const TGifGraphicControlExtension*>(extension.get());
      if (control && control->TransparentFlag()) {
        frame->transparent_ = true;
        frame->transparentIndex_ = control->transparentIndex;
      }
    }
    frame->extensions_ = std::move(pending_);
    pending_.clear();

    reader_.Charge(sizeof(TGifFrame) + pixelCount);
    frame->pixels_.assign(static_cast<size_t>(pixelCount),
                          frame->transparent_ ? frame->transparentIndex_ : 0);
    DecodeGifImageData(reader_, frame->pixels_.data(), frame->width_, frame->height_,
                       frame->Interlaced());
    picture_.frames_.push_back(std::move(frame));
  }

  // The logical screen grows to contain every frame.
  void GrowScreen() {
    for (const auto& frame : picture_.frames_) {
      picture_.screenWidth_ = std::max(picture_.screenWidth_, frame->left_ + frame->width_);
      picture_.screenHeight_ = std::max(picture_.screenHeight_, frame->top_ + frame->height_);
    }
    CheckScreenSize();
  }

  // The first frame is copied onto a 24-bit image of the logical screen.
  void CheckScreenSize() const {
    const uint64_t bytes = DibSection::StrideFor(picture_.screenWidth_, 24) *
                           static_cast<uint64_t>(picture_.screenHeight_);
    if (bytes > kMaxPixelBytes) {
      throw EGifError("GIF image too large: a logical screen of " +
                      SizeText(picture_.screenWidth_, picture_.screenHeight_));
    }
  }

  TGifPicture& picture_;
  TGifReader& reader_;
  std::vector<std::unique_ptr<TGifExtension>> pending_;
};

// ---- The picture ----

const TGraphicClass& TGifPicture::Class() {
  static const TGraphicClass cls{"TGifPicture", nullptr, &Create};
  return cls;
}

const TGifColorMap& TGifPicture::GlobalColorMap() const {
  return globalMap_ ? *globalMap_ : NoColorMap();
}

void TGifPicture::LoadFromStream(TStream& stream) {
  frames_.clear();
  globalMap_.reset();
  loopCount_.reset();
  warnings_.clear();
  signature_.clear();
  declaredWidth_ = declaredHeight_ = screenWidth_ = screenHeight_ = 0;
  screenPacked_ = backgroundIndex_ = aspectRatio_ = 0;

  const int64_t start = stream.Position();
  try {
    // The signature, or a 4-byte length written before it.
    char signature[6] = {};
    auto readSignature = [&] {
      size_t got = 0;
      while (got < sizeof signature) {
        const size_t n = stream.Read(signature + got, sizeof signature - got);
        if (n == 0) break;
        got += n;
      }
      const bool gif = got >= 3 && (signature[0] & 0xDF) == 'G' && (signature[1] & 0xDF) == 'I' &&
                       (signature[2] & 0xDF) == 'F';
      if (gif && got < sizeof signature) throw EGifError("Premature end of data");
      return gif;
    };
    if (!readSignature()) {
      stream.SetPosition(start + 4);
      if (!readSignature()) throw EGifError("Invalid GIF signature");
    }
    signature_.assign(signature, sizeof signature);

    TGifReader reader(stream, warnings_);
    TGifLoader(*this, reader).Load();
    reader.Sync();
  } catch (...) {
    frames_.clear();
    stream.SetPosition(start);
    throw;
  }
  Changed();
}

void TGifPicture::CopyTo(TGraphic& destination) const {
  auto* bitmap = dynamic_cast<TBitmap*>(&destination);
  if (!bitmap) RaiseCannotAssign(ClassName(), destination.ClassName());
  if (frames_.empty()) {
    bitmap->SetDib(nullptr);
    return;
  }
  const TGifFrame& frame = *frames_.front();
  const TGifColorMap& map = frame.ActiveColorMap();
  if (map.Empty()) throw EGifError("No global or local color table defined");
  if (screenWidth_ <= 0 || screenHeight_ <= 0) {
    bitmap->SetDib(nullptr);
    return;
  }

  // Indices beyond the map show black.
  TColorEntry colors[256] = {};
  for (int i = 0; i < map.Count() && i < 256; ++i) {
    colors[i] = {map.entries[i].blue, map.entries[i].green, map.entries[i].red, 0};
  }
  auto dib = DibSection::Create(screenWidth_, screenHeight_, 24);
  std::memset(dib->bits.get(), 0xFF, dib->ByteSize());
  const int rows = std::min(frame.Height(), screenHeight_ - frame.Top());
  const int columns = std::min(frame.Width(), screenWidth_ - frame.Left());
  for (int y = 0; y < rows; ++y) {
    const uint8_t* source = frame.Pixels().data() + static_cast<size_t>(y) * frame.Width();
    uint8_t* target = dib->Row(frame.Top() + y) + 3 * static_cast<size_t>(frame.Left());
    for (int x = 0; x < columns; ++x) {
      const TColorEntry c = colors[source[x]];
      target[3 * x] = c.blue;
      target[3 * x + 1] = c.green;
      target[3 * x + 2] = c.red;
    }
  }
  bitmap->SetDib(std::move(dib));
}

}  // namespace velora

namespace velora {

std::vector<uint8_t> TGifPicture::AlphaPlane() const {
  if (frames_.empty() || screenWidth_ <= 0 || screenHeight_ <= 0) return {};
  const TGifFrame& frame = *frames_.front();
  if (!frame.Transparent()) return {};
  std::vector<uint8_t> alpha(static_cast<size_t>(screenWidth_) * static_cast<size_t>(screenHeight_),
                             0);
  const int rows = std::min(frame.Height(), screenHeight_ - frame.Top());
  const int columns = std::min(frame.Width(), screenWidth_ - frame.Left());
  for (int y = 0; y < rows; ++y) {
    const uint8_t* source = frame.Pixels().data() + static_cast<size_t>(y) * frame.Width();
    uint8_t* target = alpha.data() + static_cast<size_t>(frame.Top() + y) * screenWidth_ +
                      static_cast<size_t>(frame.Left());
    for (int x = 0; x < columns; ++x) target[x] = source[x] == frame.TransparentIndex() ? 0 : 255;
  }
  return alpha;
}

}  // namespace velora
