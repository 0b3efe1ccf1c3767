// The process-wide format table: the built-in rows, then each format module's rows in
// the order the modules start: JPEG, GIF, PNG, then HEIF (with AVIF), WebP and TIFF.
#include "formats/formats.h"

#include "gif/gifread.h"
#include "heif/heifread.h"
#include "jpeg/jpeg.h"
#include "picture/picture.h"
#include "png/pngread.h"
#include "tiff/tiffread.h"
#include "webp/webp_read.h"

namespace velora {

const TFileFormatsList& FormatTable() {
  static const TFileFormatsList table = [] {
    TFileFormatsList t;
    t.AddFormat("jpeg", "JPEG Image File", TJPEGImage::Class());
    t.AddFormat("jpg", "JPEG Image File", TJPEGImage::Class());
    t.AddFormat("gif", "GIF Image", TGifPicture::Class());
    t.AddFormat("png", "Portable Network Graphics", TPngPicture::Class());
    t.AddFormat("heic", "HEIF Image", THeifPicture::Class());
    t.AddFormat("heif", "HEIF Image", THeifPicture::Class());
    t.AddFormat("hif", "HEIF Image", THeifPicture::Class());
    t.AddFormat("avif", "AVIF Image", THeifPicture::Class());
    t.AddFormat("webp", "WebP Image", TWebPPicture::Class());
    t.AddFormat("tif", "TIFF Image", TTiffPicture::Class());
    t.AddFormat("tiff", "TIFF Image", TTiffPicture::Class());
    return t;
  }();
  return table;
}

void LoadPictureFile(TPicture& picture, const std::string& fileName) {
  picture.LoadPictureFile(fileName, FormatTable());
}

}  // namespace velora
