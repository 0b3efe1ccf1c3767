#pragma once
// The picture layer: graphics of every format, the bitmap all pixel work is done on,
// the picture that holds one loaded graphic, and the table of file formats.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "picture/pixel_memory.h"
#include "util/errors.h"
#include "util/stream.h"

namespace velora {

VELORA_EXCEPTION(EInvalidGraphic, Exception)
VELORA_EXCEPTION(EInvalidGraphicOperation, Exception)
VELORA_EXCEPTION(EOutOfResources, EOutOfMemory)

// The most bytes of pixels one picture may need. Readers check the sizes of their
// header against it before they allocate anything. Fuzzing builds allow 16 MiB, so
// that every picture the readers accept fits the fuzzer's memory and time limits and
// an allocation beyond them is a finding.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr uint64_t kMaxPixelBytes = uint64_t{1} << 24;
#else
inline constexpr uint64_t kMaxPixelBytes = uint64_t{1} << 30;
#endif

// The largest colour (ICC) profile a picture carries along; larger ones are dropped.
inline constexpr size_t kMaxColorProfileBytes = size_t{1} << 20;

class TGraphic;

// A picture read one 24-bit row (blue, green, red) at a time, top row first. Rows are asked
// for in increasing order; a row stays readable until kRowsKept further rows have been
// asked for.
class TRowSource {
 public:
  static constexpr int kRowsKept = 16;
  virtual ~TRowSource() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual const uint8_t* Row(int y) = 0;
};

// What a format class is: its name, its base class and how to make an empty one.
struct TGraphicClass {
  const char* name;
  const TGraphicClass* parent;
  std::unique_ptr<TGraphic> (*create)();
  bool InheritsFrom(const TGraphicClass& other) const;
};

// The abstract base of every picture format.
class TGraphic {
 public:
  virtual ~TGraphic() = default;
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual const TGraphicClass& ClassType() const = 0;
  const char* ClassName() const { return ClassType().name; }

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual bool IsEmpty() const = 0;

  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

  // Opens the file for reading and reads it with LoadFromStream from position 0.
  // Raises EFOpenError when the file cannot be opened.
  void LoadFile(const std::string& fileName);
  // Creates the file and writes SaveToStream into it.
  virtual void SaveFile(const std::string& fileName);
  // Reads one picture from the stream's position.
  virtual void LoadFromStream(TStream& stream) = 0;
  // Writes the picture; formats the system never writes raise EInvalidGraphicOperation.
  virtual void SaveToStream(TStream& stream);

  // Makes this graphic a copy of the source. The base asks the source to copy itself
  // into this graphic (CopyTo), which raises EConvertError unless the source knows how.
  virtual void CopyGraphic(const TGraphic* source);
  // Copies this graphic into the destination; raises EConvertError
  // "Cannot assign a %s to a %s" unless overridden.
  virtual void CopyTo(TGraphic& destination) const;
  // The 24-bit rows the copy into a bitmap would hold, made one at a time without
  // keeping the whole picture, or none where the format cannot or need not do that.
  virtual std::unique_ptr<TRowSource> RowStream() const { return nullptr; }

  // How the stored pixels are to be turned to show the picture upright: an EXIF
  // orientation, 1 (as stored) to 8; see picture/orientation.h. Width, Height and the
  // copies into bitmaps are always the stored picture's.
  virtual int Orientation() const { return 1; }
  // The ICC colour profile the file carries (empty when none, or when it was damaged or
  // larger than kMaxColorProfileBytes). The pixels are never converted by it.
  virtual const std::vector<uint8_t>& ColorProfile() const;
  // True once reading the pixels met data that were missing or broken, so that part of
  // the picture was made up by the reader (a truncated or corrupt file). Known only after
  // the pixels have been read.
  virtual bool Damaged() const { return false; }
  // The opacity of each pixel of the copy into a bitmap (0 clear to 255 opaque), width ×
  // height bytes, top row first, as stored (not turned upright). Empty when every pixel
  // is opaque, which is also what formats without transparency give.
  virtual std::vector<uint8_t> AlphaPlane() const { return {}; }

  // Called after every change of the graphic.
  std::function<void()> OnChange;

 protected:
  // Sets the modified flag and tells the change observer.
  void Changed();
  [[noreturn]] static void RaiseCannotAssign(const char* sourceName, const char* destinationName);

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

enum class PixelDepth {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

// One colour-table entry, laid out as in a BMP file.
struct TColorEntry {
  uint8_t blue = 0, green = 0, red = 0, reserved = 0;
  bool operator==(const TColorEntry&) const = default;
};
using TColorTable = std::vector<TColorEntry>;

// A 24-bit colour, 0x00BBGGRR as the platform writes colours.
using TColor = uint32_t;
enum class TransparentMode { tmAuto, tmFixed };

// The pixels of a bitmap: a device-independent pixel section and its header.
// Rows are padded to 4 bytes and stored bottom-up unless topDown is set.
struct DibSection {
  int width = 0;
  int height = 0;
  int bitCount = 24;  // 1, 4, 8, 16, 24 or 32
  bool topDown = false;
  bool device = false;     // a display-compatible image (32 bits, blue-green-red-unused)
  uint32_t masks[3] = {};  // red, green, blue masks of 16- and 32-bit pixels; 0 = default layout
  TColorTable colors;      // the colour table of 1-, 4- and 8-bit pixels
  size_t stride = 0;       // bytes per row
  PixelMemory bits;

  // Bytes per row for a width and a number of bits per pixel, or 0 when it would
  // overflow.
  static size_t StrideFor(int width, int bitCount);
  // A new section, its pixels zeroed unless the caller fills every row itself. Raises
  // EOutOfMemory "Out of memory" when the pixels would need more than kMaxPixelBytes or
  // cannot be allocated.
  static std::shared_ptr<DibSection> Create(int width, int height, int bitCount,
                                            bool zeroed = true);

  size_t ByteSize() const { return stride * static_cast<size_t>(height); }
  uint8_t* Row(int y) {
    return bits.get() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
  }
  const uint8_t* Row(int y) const {
    return bits.get() + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
  }
  PixelDepth Depth() const;
  // The colour of one pixel, whatever the layout (indices looked up, masks widened).
  TColorEntry PixelColor(int x, int y) const;
  std::shared_ptr<DibSection> Clone() const;
};

// The working image of the system. A TBitmap whose depth is 24 bits is a Bitmap24.
class TBitmap : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  int Width() const override;
  int Height() const override;
  // A new image of the new size, filled white, with the old pixels at its top-left.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  void SetSize(int width, int height);
  // A new image of the size whose pixels are left as they come: for callers that write
  // every pixel before anything reads one (the resampler's target). Saves filling it white.
  void SetSizeForOverwrite(int width, int height);
  bool IsEmpty() const override;

  PixelDepth GetPixelDepth() const;
  // Converts the pixels to another depth (see the picture layer's rules); custom raises
  // EInvalidGraphic "Invalid pixel format".
  void SetPixelDepth(PixelDepth depth);

  // The address of row y (0 is the top row) for writing. The bitmap first takes its own
  // copy of pixels it shares, so writes never reach another bitmap. Raises
  // EInvalidGraphicOperation "Scan line index out of range".
  uint8_t* RowAddress(int y);
  // The address of row y for reading only; never copies.
  const uint8_t* ConstRowAddress(int y) const;
  // The address difference from row 0 to row 1 (negative for bottom-up rows).
  ptrdiff_t RowStep() const;

  const TColorTable& ColorTable() const;
  void SetColorTable(const TColorTable& colors);

  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor color) { transparentColor_ = color; }
  TransparentMode GetTransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TransparentMode mode) { transparentMode_ = mode; }

  // No source: the bitmap becomes empty. A bitmap: shares its pixels (until either is
  // written), takes its transparent colour and mode. Anything else: its CopyTo.
  void CopyGraphic(const TGraphic* source) override;
  // Reads a BMP file.
  void LoadFromStream(TStream& stream) override;
  // Writes the bitmap as a BMP file.
  void SaveToStream(TStream& stream) override;

  // The pixel section, for readers that build one and for fast reading.
  std::shared_ptr<const DibSection> Dib() const { return image_; }
  // Installs a new pixel section (the previous one is released) and reports a change.
  void SetDib(std::shared_ptr<DibSection> image);
  bool SharesPixelsWith(const TBitmap& other) const { return image_ && image_ == other.image_; }

 private:
  void Unshare();
  void Resize(int width, int height);
  void CheckRow(int y) const;

  std::shared_ptr<DibSection> image_;
  PixelDepth depth_ = PixelDepth::pfDevice;  // the depth of an empty bitmap
  TColor transparentColor_ = 0x02000000;     // "the colour of the bottom-left pixel"
  TransparentMode transparentMode_ = TransparentMode::tmAuto;
};

// Formats no path of the system loads; they keep their rows in the format table.
class TMetafile : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool IsEmpty() const override { return true; }
  void LoadFromStream(TStream& stream) override;
};

class TIcon : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool IsEmpty() const override { return true; }
  void LoadFromStream(TStream& stream) override;
};

class TFileFormatsList;

// Holds at most one graphic: the last one loaded.
class TPicture {
 public:
  // Replaces the graphic by the file's picture, its class chosen in the format table by
  // the file name's extension. On failure raises and keeps the previous graphic.
  void LoadPictureFile(const std::string& fileName, const TFileFormatsList& formats);
  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  std::function<void()> OnChange;

 private:
  std::unique_ptr<TGraphic> graphic_;
};

// The ordered list of file formats: {extension, description, graphic class}.
class TFileFormatsList {
 public:
  struct Entry {
    std::string extension;  // lower case
    std::string description;
    const TGraphicClass* graphicClass;
  };
  // A list holding the four built-in rows: wmf, emf, ico, bmp.
  TFileFormatsList();
  void AddFormat(const std::string& extension, const std::string& description,
                 const TGraphicClass& graphicClass);
  // The class of the most recently added row for the extension (any letter case).
  const TGraphicClass* FindByExtension(const std::string& extension) const;
  // The class of the most recently added row whose class has exactly this name.
  const TGraphicClass* FindByClassName(const std::string& className) const;
  // Removes every row whose class is the class or one of its descendants.
  void RemoveClass(const TGraphicClass& graphicClass);
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// The extension of a file name: the characters after the last "." that follows the
// last "/"; may be empty.
std::string FileExtension(const std::string& fileName);

}  // namespace velora
