#include "tiff/tiffread.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "tiff/tiff_client.h"

namespace velora {

namespace {

std::unique_ptr<TGraphic> Create() {
  return std::make_unique<TTiffPicture>();
}

[[noreturn]] void Fail(const std::string& why) {
  throw ETiffError("TIFF image is not valid" + (why.empty() ? std::string() : ": " + why));
}

struct RgbaImage {
  TIFFRGBAImage image{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&image);
  }
};

// libtiff turns 16-bit gray into 8 bits by its top byte; the samples are rounded to the
// nearest 8-bit value here instead. A put routine of libtiff's RGBA interface: w x h
// pixels from pp into the packed raster at cp; after each row the raster skips toskew
// pixels and the decoded tile or strip `fromskew` pixels.
void PutGray16(TIFFRGBAImage* img, uint32_t* cp, uint32_t, uint32_t, uint32_t w, uint32_t h,
               int32_t fromskew, int32_t toskew, unsigned char* pp) {
  const int samples = img->samplesperpixel;
  const bool white = img->photometric == PHOTOMETRIC_MINISWHITE;
  for (; h > 0; --h) {
    for (uint32_t x = w; x > 0; --x) {
      uint16_t v;
      std::memcpy(&v, pp, sizeof v);
      uint32_t g = NearestByte(white ? 0xFFFFu - v : v, 16);
      *cp++ = g | g << 8 | g << 16 | 0xFF000000u;
      pp += 2 * samples;
    }
    cp += toskew;
    pp += static_cast<ptrdiff_t>(fromskew) * 2 * samples;  // pixels of the tile's row not drawn
  }
}

// The first extra sample, when it is alpha, counted as associated: libtiff then hands
// the colours over as stored instead of multiplying them by the alpha.
uint16_t KeepStraightAlpha(TIFF* tiff) {
  uint16_t count = 0;
  const uint16_t* types = nullptr;
  if (!TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &types) || count == 0 || !types) {
    return EXTRASAMPLE_UNSPECIFIED;
  }
  const uint16_t first = types[0];
  if (first == EXTRASAMPLE_UNASSALPHA) {
    std::vector<uint16_t> changed(types, types + count);
    changed[0] = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, count, changed.data());
  }
  return first;
}

std::vector<uint8_t> IccProfile(TIFF* tiff) {
  uint32_t size = 0;
  const uint8_t* data = nullptr;
  if (!TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &size, &data) || !data ||
      size > kMaxColorProfileBytes) {
    return {};
  }
  return std::vector<uint8_t>(data, data + size);
}

// One band of packed red, green, blue, alpha pixels into the picture's rows.
void StoreBand(const std::vector<uint32_t>& band, int firstRow, int rows, bool premultiplied,
               DibSection& dib, std::vector<uint8_t>& alpha) {
  const size_t width = static_cast<size_t>(dib.width);
  for (int r = 0; r < rows; ++r) {
    const uint32_t* in = band.data() + static_cast<size_t>(r) * width;
    uint8_t* out = dib.Row(firstRow + r);
    uint8_t* a = alpha.empty() ? nullptr : alpha.data() + (firstRow + r) * width;
    for (size_t x = 0; x < width; ++x, out += 3) {
      const uint32_t p = in[x];
      uint32_t red = TIFFGetR(p), green = TIFFGetG(p), blue = TIFFGetB(p);
      if (a) {
        const uint32_t opacity = TIFFGetA(p);
        a[x] = static_cast<uint8_t>(opacity);
        if (premultiplied) {
          // Back to the colours themselves, as the other readers keep them.
          auto straight = [opacity](uint32_t c) {
            return opacity ? std::min<uint32_t>(255, (c * 255 + opacity / 2) / opacity) : 0;
          };
          red = straight(red), green = straight(green), blue = straight(blue);
        }
      }
      out[0] = static_cast<uint8_t>(blue);
      out[1] = static_cast<uint8_t>(green);
      out[2] = static_cast<uint8_t>(red);
    }
  }
}

}  // namespace

const TGraphicClass& TTiffPicture::Class() {
  static const TGraphicClass cls{"TTiffPicture", nullptr, &Create};
  return cls;
}

void TTiffPicture::LoadFromStream(TStream& stream) {
  Clear();
  const std::vector<uint8_t> bytes = ReadRemaining(stream);
  TiffInMemory file(bytes.data(), bytes.size());
  TIFF* tiff = file.Handle();
  if (!tiff) Fail(file.FirstError());

  uint32_t width = 0, height = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height)) {
    Fail(file.FirstError());
  }
  // A band of rows in libtiff's packed form beside the picture: 4 bytes a pixel at most.
  if (!FitsPixelBudget(width, height, true)) {
    throw ETiffError("TIFF image is too large (" + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels)");
  }
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
  const uint16_t alphaKind = KeepStraightAlpha(tiff);

  RgbaImage rgba;
  char reason[1024] = "";
  if (!TIFFRGBAImageOK(tiff, reason) || !TIFFRGBAImageBegin(&rgba.image, tiff, 1, reason)) {
    Fail(file.FirstError().empty() ? reason : file.FirstError());
  }
  rgba.begun = true;
  TIFFRGBAImage& image = rgba.image;
  // The rows as stored, top row first: turning them is left to the orientation.
  image.req_orientation = image.orientation;
  if (image.isContig && image.bitspersample == 16 &&
      (image.photometric == PHOTOMETRIC_MINISBLACK ||
       image.photometric == PHOTOMETRIC_MINISWHITE) &&
      !image.alpha) {
    image.put.contig = &PutGray16;
  }
  const bool hasAlpha = image.alpha != 0;
  const bool premultiplied = hasAlpha && alphaKind == EXTRASAMPLE_ASSOCALPHA;

  Pixels pixels = NewPixels(static_cast<int>(width), static_cast<int>(height), hasAlpha);
  const int bandRows = static_cast<int>(std::min<uint32_t>(height, 64));
  std::vector<uint32_t> band(static_cast<size_t>(width) * bandRows);
  for (int row = 0; row < static_cast<int>(height); row += bandRows) {
    const int rows = std::min(bandRows, static_cast<int>(height) - row);
    image.row_offset = row;
    image.col_offset = 0;
    if (!TIFFRGBAImageGet(&image, band.data(), width, static_cast<uint32_t>(rows))) {
      Fail(file.FirstError());
    }
    StoreBand(band, row, rows, premultiplied, *pixels.dib, pixels.alpha);
  }
  Install(std::move(pixels), orientation, IccProfile(tiff));
}

}  // namespace velora
