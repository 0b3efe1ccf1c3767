#pragma once
// TPngPicture: reads a PNG file into a working form the picture layer can copy and draw.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture/picture.h"
#include "png/png_chunks.h"
#include "png/png_errors.h"

namespace velora {

// How a picture is to be drawn over its background.
enum class TPngTransparencyMode {
  ptmNone,     // opaque
  ptmBit,      // one colour is fully transparent, the rest opaque
  ptmPartial,  // a transparency value per pixel (alpha plane) or per palette entry
};

class TPngPicture : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  TPngPicture();

  // The header's size; 0 without a header.
  int Width() const override;
  int Height() const override;
  // A PNG is never resized in place: both raise EPngError.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  bool IsEmpty() const override { return chunks_.empty(); }

  // Reads one PNG from the stream's position. On failure the picture is left empty.
  void LoadFromStream(TStream& stream) override;
  // Into a TBitmap: 24-bit pixels of the picture's own colours (alpha ignored), and in
  // bit mode the bitmap's transparent colour. Raises EConvertError without a header or
  // for any other destination.
  void CopyTo(TGraphic& destination) const override;
  // The ICC profile of the iCCP chunk, inflated; empty without one, when it is damaged or
  // inflates beyond kMaxColorProfileBytes, and when a gAMA chunk changed the pixels (the
  // profile no longer describes them then).
  const std::vector<uint8_t>& ColorProfile() const override { return colorProfile_; }
  // From the alpha plane, the palette's tRNS values, or the one transparent colour of a
  // gray or RGB picture; empty when nothing is transparent.
  std::vector<uint8_t> AlphaPlane() const override;

  // ---- What the preview's drawing works from ----
  const std::vector<std::unique_ptr<TChunk>>& Chunks() const { return chunks_; }
  // The header chunk, or none.
  const TChunkIHDR* Header() const;
  // The first chunk of a class, or none.
  template <class T>
  const T* FindChunk() const {
    for (const auto& chunk : chunks_) {
      if (const auto* found = dynamic_cast<const T*>(chunk.get())) return found;
    }
    return nullptr;
  }
  // The decoded pixels (see TChunkIHDR::WorkingForm); none without a header.
  std::shared_ptr<const DibSection> WorkingForm() const;
  // Row y of the alpha plane (row 0 at the top), or none for pictures without alpha.
  // Raises EPNGHeaderNotPresent without a header.
  const uint8_t* AlphaScanline(int y) const;
  TPngTransparencyMode TransparencyMode() const;
  // The colour that is transparent in bit mode, 0x00BBGGRR; black without a tRNS chunk.
  // Raises EPNGHeaderNotPresent without a header, EPngError "There is no such palette
  // entry." when it names an entry beyond the palette.
  TColor TransparentColor() const;
  // The tRNS values (255 for every entry without one).
  std::array<uint8_t, 256> TransparencyValues() const;
  // The gamma table in use: identity unless a gAMA chunk set it.
  const TGammaTable& GammaTable() const { return gamma_; }

 private:
  friend class TChunkgAMA;
  friend class TChunkPLTE;
  friend class TChunkIDAT;
  friend class TChunkzTXt;

  TChunkIHDR* MutableHeader();
  // Fills the gamma table for a gAMA value (100000 × the file's gamma).
  void SetGamma(uint32_t value);
  void ReadChunks(TStream& stream);
  std::vector<uint8_t> EmbeddedProfile() const;

  std::vector<std::unique_ptr<TChunk>> chunks_;
  TGammaTable gamma_;
  // What the compressed texts of the picture being read may still inflate.
  size_t textBytesLeft_ = TChunkzTXt::kMaxTextBytes;
  std::vector<uint8_t> colorProfile_;
};

}  // namespace velora
