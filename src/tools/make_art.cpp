// velora-make-art REPOSITORY: draws the program's artwork from scratch, so the project
// ships no picture it did not make itself. Writes
//   data/icons/velora-image-resizer.svg and velora-image-resizer-<N>.png (N = 16 ... 256),
//   src/app/resources/banner.png (348 x 230, the preview's first picture) and
//   src/app/resources/about.png  (634 x 366, the about box; 8-bit palette).
// Text is set in DejaVu Sans (fonts-dejavu-core) through Qt's font rasterizer; the tool
// refuses to run without that font, so the pictures do not depend on a fallback.
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "art_icon.h"
#include "art_palette.h"
#include "art_png.h"

using namespace velora::art;

namespace {

const char kFamily[] = "DejaVu Sans";
const QColor kTitle(47, 59, 46);
const QColor kTagline(79, 93, 78);

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QFont Font(int pixelSize, bool bold) {
  QFont font(kFamily);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

void Text(QPainter& painter, const QFont& font, const QColor& colour, const QRectF& box,
          int alignment, const QString& text) {
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(box, alignment, text);
}

std::string Icon(int size) {
  QImage image = Canvas(size, size);
  QPainter painter(&image);
  PaintIcon(painter, 0, 0, size);
  painter.end();
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  std::vector<uint8_t> pixels;
  for (int y = 0; y < size; ++y) {
    const uint8_t* row = rgba.constScanLine(y);
    pixels.insert(pixels.end(), row, row + 4 * size);
  }
  return RgbaPng(size, size, pixels);
}

std::string AsPalettePng(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  std::vector<Rgb> pixels;
  for (int y = 0; y < rgb.height(); ++y) {
    const uint8_t* row = rgb.constScanLine(y);
    for (int x = 0; x < rgb.width(); ++x)
      pixels.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2]});
  }
  const PalettePicture reduced = ReduceToPalette(pixels);
  return PalettePng(rgb.width(), rgb.height(), reduced.indices, reduced.palette);
}

// The preview's first picture: the icon above the product's name, on a soft gradient
// of the header's colour.
std::string Banner() {
  QImage image = Canvas(348, 230);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 230);
  sky.setColorAt(0, QColor(232, 236, 231));
  sky.setColorAt(1, QColor(192, 200, 191));
  painter.fillRect(image.rect(), sky);
  PaintIcon(painter, 122, 22, 104);
  Text(painter, Font(25, true), kTitle, QRectF(0, 138, 348, 34), Qt::AlignCenter,
       "Velora Image Resizer");
  Text(painter, Font(13, false), kTagline, QRectF(0, 174, 348, 22), Qt::AlignCenter,
       "Resize many pictures at once");
  painter.end();
  return AsPalettePng(image);
}

// The about box's picture. The box puts its version label at (10, 14) and its credits
// line at (23, 201), so both places stay light and empty.
std::string About() {
  QImage image = Canvas(634, 366);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient light(0, 0, 634, 366);
  light.setColorAt(0, QColor(240, 242, 238));
  light.setColorAt(1, QColor(208, 214, 207));
  painter.fillRect(image.rect(), light);
  // Two calm waves along the bottom in darker tones of the header's colour.
  QPainterPath back;
  back.moveTo(0, 300);
  back.cubicTo(180, 262, 380, 334, 634, 276);
  back.lineTo(634, 366);
  back.lineTo(0, 366);
  back.closeSubpath();
  painter.fillPath(back, QColor(192, 200, 191));
  QPainterPath front;
  front.moveTo(0, 336);
  front.cubicTo(220, 306, 420, 360, 634, 318);
  front.lineTo(634, 366);
  front.lineTo(0, 366);
  front.closeSubpath();
  painter.fillPath(front, QColor(150, 163, 148));
  PaintIcon(painter, 398, 40, 200);
  Text(painter, Font(54, true), kTitle, QRectF(20, 58, 360, 66), Qt::AlignLeft | Qt::AlignVCenter,
       "Velora");
  Text(painter, Font(31, true), kTitle, QRectF(22, 118, 360, 40), Qt::AlignLeft | Qt::AlignVCenter,
       "Image Resizer");
  Text(painter, Font(15, false), kTagline, QRectF(23, 160, 360, 24),
       Qt::AlignLeft | Qt::AlignVCenter, "Resize many pictures at once");
  painter.end();
  return AsPalettePng(image);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velora-make-art REPOSITORY\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  if (QFontInfo(Font(12, false)).family() != kFamily) {
    std::fprintf(stderr, "velora-make-art: the font %s is missing (fonts-dejavu-core)\n", kFamily);
    return 1;
  }
  const std::string root = argv[1];
  const std::string icons = root + "/data/icons/velora-image-resizer";
  bool ok = SaveFile(icons + ".svg", IconSvg());
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    ok = SaveFile(icons + "-" + std::to_string(size) + ".png", Icon(size)) && ok;
  ok = SaveFile(root + "/src/app/resources/banner.png", Banner()) && ok;
  ok = SaveFile(root + "/src/app/resources/about.png", About()) && ok;
  return ok ? 0 : 1;
}
