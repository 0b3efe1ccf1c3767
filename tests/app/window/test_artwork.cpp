// The window's pictures and licence as it reads them: from its compiled-in resources, the
// PNGs through the engine's own PNG reader.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "png/pngread.h"
#include "util/stream.h"

// The resources live in the app's static library, whose registration the linker keeps
// only when something names it.
static void LoadAppResources() {
  Q_INIT_RESOURCE(resources);
}

namespace {

std::vector<uint8_t> ResourceBytes(const QString& name) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return {bytes.begin(), bytes.end()};
}

struct Artwork {
  const char* name;
  int width, height;
  int colorType;  // 3: palette, 6: RGB with alpha
};

TEST(Artwork, EveryPictureReadsWithItsSizeAndKind) {
  LoadAppResources();
  const Artwork table[] = {
      {":/banner.png", 348, 230, 3},
      {":/about.png", 634, 366, 3},
      {":/icons/velora-image-resizer-16.png", 16, 16, 6},
      {":/icons/velora-image-resizer-24.png", 24, 24, 6},
      {":/icons/velora-image-resizer-32.png", 32, 32, 6},
      {":/icons/velora-image-resizer-48.png", 48, 48, 6},
      {":/icons/velora-image-resizer-64.png", 64, 64, 6},
      {":/icons/velora-image-resizer-128.png", 128, 128, 6},
      {":/icons/velora-image-resizer-256.png", 256, 256, 6},
  };
  for (const Artwork& art : table) {
    SCOPED_TRACE(art.name);
    std::vector<uint8_t> bytes = ResourceBytes(art.name);
    ASSERT_FALSE(bytes.empty());
    velora::TMemoryStream stream(std::move(bytes));
    velora::TPngPicture png;
    png.LoadFromStream(stream);
    const velora::TChunkIHDR* header = png.Header();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->Width(), art.width);
    EXPECT_EQ(header->Height(), art.height);
    EXPECT_EQ(header->BitDepth(), 8);
    EXPECT_EQ(header->ColorType(), art.colorType);
    EXPECT_NE(png.WorkingForm(), nullptr);
    // Qt reads the same files for the window's icon.
    EXPECT_EQ(QImage(art.name).size(), QSize(art.width, art.height));
  }
}

TEST(Artwork, TheLicencePageTextIsTheProgramsLicence) {
  LoadAppResources();
  const std::vector<uint8_t> text = ResourceBytes(":/license.txt");
  const std::string licence(text.begin(), text.end());
  EXPECT_NE(licence.find("Copyright (c) 2026 The Velora Image Resizer developers"),
            std::string::npos);
  EXPECT_EQ(ResourceBytes(":/license.txt"), ResourceBytes(VELORA_SOURCE_DIR "/LICENSE"));
}

}  // namespace
