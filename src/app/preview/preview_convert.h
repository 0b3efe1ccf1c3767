#pragma once
// The engine's graphics as Qt images for the preview. Each picture is drawn over the
// preview's background as its format's transparency says, and may be reduced while it
// is converted, so that a large picture never exists as a full-size QImage. The
// graphics are only read.
#include <QImage>
#include <QRgb>
#include <QSize>

namespace velora {
class TGraphic;
class TBitmap;
class TPngPicture;
class TDecodedPicture;
class TJPEGImage;
struct DibSection;
}  // namespace velora

namespace velora::app {

// The largest whole reduction r such that the picture at 1/r of its size (rounded up)
// still covers `needed`; 1 when nothing is needed.
int PreviewReduction(QSize picture, QSize needed);
// The same, limited to the scales the JPEG decoder offers: 1, 2, 4 or 8.
int JpegPreviewReduction(QSize picture, QSize needed);

// One channel of a pixel with transparency `alpha` over the background's channel:
// (a × picture + (255 − a) × background + 255) div 256.
constexpr int BlendChannel(int picture, int background, int alpha) {
  return (alpha * picture + (255 - alpha) * background + 255) >> 8;
}
QRgb BlendOver(QRgb picture, QRgb background, int alpha);

// The pixels of a section (any depth), opaque, each block of reduction × reduction
// pixels averaged into one.
QImage DibToImage(const DibSection& dib, int reduction = 1);
// A bitmap; when its transparent flag is set, pixels of its transparent colour (the
// bottom-left pixel's in automatic mode) show the background.
QImage BitmapToImage(const TBitmap& bitmap, QRgb background, int reduction = 1);
// A PNG drawn over the background by its transparency mode: opaque; one colour (gray and
// RGB pictures) showing the background; or every pixel blended by its alpha value or its
// palette entry's transparency value. Palette pictures are always blended by entry, so
// only the entries the file makes transparent are.
QImage PngToImage(const TPngPicture& png, QRgb background, int reduction = 1);
// A picture of the readers over format libraries (HEIF, WebP, TIFF): opaque, or every
// pixel blended by its alpha value.
QImage DecodedToImage(const TDecodedPicture& picture, QRgb background, int reduction = 1);
// A JPEG decoded at 1/reduction (1, 2, 4 or 8) of its size by a decoder of its own: the
// image's own pixels, settings and decoded bitmap stay as they are.
QImage JpegToImage(const TJPEGImage& jpeg, int reduction);

// Any graphic but a GIF (which the animator draws) covering at least `needed` pixels
// where it is reduced; a null image for graphics that draw nothing. Raises what the
// reader raises for pixels it cannot decode.
QImage GraphicToImage(const TGraphic& graphic, QRgb background, QSize needed);

}  // namespace velora::app
