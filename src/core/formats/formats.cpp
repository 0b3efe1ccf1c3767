// The process-wide format table: the built-in rows, then each format module's rows in
// the order the modules start: JPEG, GIF, PNG.
#include "formats/formats.h"

#include "gif/gifread.h"
#include "jpeg/jpeg.h"
#include "picture/picture.h"
#include "png/pngread.h"

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

void LoadPictureFile(TPicture& picture, const std::string& fileName) {
  picture.LoadPictureFile(fileName, FormatTable());
}

}  // namespace velora
