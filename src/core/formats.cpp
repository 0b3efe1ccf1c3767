// The process-wide format table: the built-in rows, then each format module's rows in
// the order the modules start: JPEG, GIF, PNG.
#include "gifread.h"
#include "jpeg.h"
#include "picture.h"
#include "pngread.h"

namespace velora {

const TFileFormatsList& FormatTable() {
  static const TFileFormatsList table = [] {
    TFileFormatsList t;
    t.AddFormat("jpeg", "JPEG Image File", TJPEGImage::Class());
    t.AddFormat("jpg", "JPEG Image File", TJPEGImage::Class());
    t.AddFormat("gif", "GIF Image", TGifPicture::Class());
    t.AddFormat("png", "Portable Network Graphics", TPngPicture::Class());
    return t;
  }();
  return table;
}

}  // namespace velora
