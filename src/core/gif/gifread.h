#pragma once
// The GIF reader: a GIF87a/GIF89a file with all of its frames, decoded to one colour
// index per pixel at load time. For the resizer it yields the first frame on the
// logical screen; the frames, their positions, colour maps and graphic control data
// are kept for the preview's drawing and animation.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace velora {

VELORA_EXCEPTION(EGifError, EInvalidGraphic)

struct TGifColor {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const TGifColor&) const = default;
};

// A global or local colour table: up to 256 entries.
struct TGifColorMap {
  std::vector<TGifColor> entries;
  bool Empty() const { return entries.empty(); }
  int Count() const { return static_cast<int>(entries.size()); }
};

// ---- Extensions, by label ----

class TGifReader;

class TGifExtension {
 public:
  static constexpr uint8_t kIntroducer = 0x21;
  virtual ~TGifExtension() = default;
  virtual uint8_t Label() const = 0;
  // Reads the extension's data, which follows the introducer and the label already
  // read. A label that does not belong to this class is an internal fault.
  void Load(TGifReader& reader, uint8_t label);

 protected:
  virtual void LoadData(TGifReader& reader) = 0;
};

enum class TGifDisposal : uint8_t {
  dmNone = 0,        // not specified
  dmNoDispose = 1,   // leave the frame in place
  dmBackground = 2,  // restore the frame's area to the background
  dmPrevious = 3     // restore what was there before the frame
  // 4-7 are reserved; the raw value is kept
};

class TGifGraphicControlExtension : public TGifExtension {
 public:
  static constexpr uint8_t kLabel = 0xF9;
  uint8_t Label() const override { return kLabel; }

  uint8_t packed = 0;
  uint16_t delay = 0;  // hundredths of a second
  uint8_t transparentIndex = 0;

  TGifDisposal Disposal() const { return static_cast<TGifDisposal>((packed >> 2) & 7); }
  bool UserInput() const { return (packed & 2) != 0; }
  bool TransparentFlag() const { return (packed & 1) != 0; }

 protected:
  void LoadData(TGifReader& reader) override;
};

// An extension whose data is a plain list of data sub-blocks, kept as read.
class TGifSubBlockExtension : public TGifExtension {
 public:
  std::vector<std::vector<uint8_t>> subBlocks;

 protected:
  void LoadData(TGifReader& reader) override;
};

class TGifTextExtension : public TGifSubBlockExtension {
 public:
  static constexpr uint8_t kLabel = 0x01;
  uint8_t Label() const override { return kLabel; }
};

class TGifCommentExtension : public TGifSubBlockExtension {
 public:
  static constexpr uint8_t kLabel = 0xFE;
  uint8_t Label() const override { return kLabel; }
  // The comment's sub-blocks joined.
  std::string Text() const;
};

// An application extension: the 8-byte identifier and 3-byte authentication code
// ("NETSCAPE" "2.0"), then data sub-blocks that the subclasses interpret. The loader
// reads the identifier first, since it decides the subclass.
class TGifApplicationExtension : public TGifExtension {
 public:
  static constexpr uint8_t kLabel = 0xFF;
  uint8_t Label() const override { return kLabel; }
  // The identifier and authentication code, 11 bytes (fewer when the block was 10).
  std::string identifier;
};

// "NETSCAPE2.0" and "ANIMEXTS1.0": how often the animation repeats.
class TGifLoopExtension : public TGifApplicationExtension {
 public:
  uint16_t loopCount = 0;  // 0 = endlessly
  uint32_t bufferSize = 0;
  bool hasLoopCount = false;
  bool hasBufferSize = false;

 protected:
  void LoadData(TGifReader& reader) override;
};

class TGifUnknownAppExtension : public TGifApplicationExtension {
 public:
  std::vector<std::vector<uint8_t>> subBlocks;

 protected:
  void LoadData(TGifReader& reader) override;
};

// ---- Frames ----

class TGifFrame {
 public:
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Interlaced() const { return (packed_ & 0x40) != 0; }

  const TGifColorMap& LocalColorMap() const { return localMap_; }
  // The local map when it has entries, else the picture's global map.
  const TGifColorMap& ActiveColorMap() const;

  // One colour index per pixel, top row first, width × height bytes.
  const std::vector<uint8_t>& Pixels() const { return pixels_; }
  uint8_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

  // The extensions that preceded the image, in file order.
  const std::vector<std::unique_ptr<TGifExtension>>& Extensions() const { return extensions_; }
  // The graphic control in force for this frame: the last one before the image.
  const TGifGraphicControlExtension* GraphicControl() const;
  TGifDisposal Disposal() const;
  // Hundredths of a second; 0 when the frame has no graphic control.
  int Delay() const;
  // Set when a graphic control before the image has its transparent flag.
  bool Transparent() const { return transparent_; }
  // The index of the last graphic control that set the transparent flag.
  uint8_t TransparentIndex() const { return transparentIndex_; }

 private:
  friend class TGifLoader;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  uint8_t packed_ = 0;
  TGifColorMap localMap_;
  std::shared_ptr<const TGifColorMap> globalMap_;
  std::vector<uint8_t> pixels_;
  std::vector<std::unique_ptr<TGifExtension>> extensions_;
  bool transparent_ = false;
  uint8_t transparentIndex_ = 0;
};

// ---- The picture ----

class TGifPicture : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // The logical screen, grown to contain every frame.
  int Width() const override { return screenWidth_; }
  int Height() const override { return screenHeight_; }
  // A GIF is not resized.
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool IsEmpty() const override { return frames_.empty(); }

  // Reads one GIF from the stream's position. Raises EGifError; on any failure the
  // stream is put back where it was and the picture holds no frames.
  void LoadFromStream(TStream& stream) override;
  // A TBitmap destination receives the first frame on the logical screen as a 24-bit
  // image: palette colours exactly, white outside the frame, transparency not applied,
  // indices beyond the colour map black. No frames: the destination becomes empty.
  void CopyTo(TGraphic& destination) const override;
  // For a first frame with a transparent index: its transparent pixels and the screen
  // outside the frame are clear, the rest opaque. Empty otherwise.
  std::vector<uint8_t> AlphaPlane() const override;

  // "GIF87a" or "GIF89a" as read (the version letters are not checked).
  const std::string& Signature() const { return signature_; }
  // The logical screen as declared in the file, before it grew.
  int DeclaredWidth() const { return declaredWidth_; }
  int DeclaredHeight() const { return declaredHeight_; }
  uint8_t BackgroundIndex() const { return backgroundIndex_; }
  uint8_t AspectRatio() const { return aspectRatio_; }
  const TGifColorMap& GlobalColorMap() const;

  const std::vector<std::unique_ptr<TGifFrame>>& Frames() const { return frames_; }
  // The loop count of the first loop extension in the file; none without one.
  std::optional<int> LoopCount() const { return loopCount_; }
  // The warnings of the last load (loading went on past them), in the order met.
  const std::vector<std::string>& Warnings() const { return warnings_; }

 private:
  friend class TGifLoader;
  std::string signature_;
  int declaredWidth_ = 0, declaredHeight_ = 0;
  int screenWidth_ = 0, screenHeight_ = 0;
  uint8_t screenPacked_ = 0;
  uint8_t backgroundIndex_ = 0;
  uint8_t aspectRatio_ = 0;
  std::shared_ptr<const TGifColorMap> globalMap_;
  std::vector<std::unique_ptr<TGifFrame>> frames_;
  std::optional<int> loopCount_;
  std::vector<std::string> warnings_;
};

}  // namespace velora
