#include "art_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

namespace velora::art {

namespace {

// The header's colour, with darker and lighter tones of the same green-grey.
const QColor kHeader(192, 200, 191);
const QColor kOutline(86, 101, 84);
const QColor kDark(52, 66, 51);
const QColor kPaper(250, 251, 248);
const QColor kSky(226, 233, 225);
const QColor kHills(110, 128, 107);
const QColor kSun(232, 176, 74);

// An arrow from `from` to `tip`: a shaft with round ends and a triangular head.
void AddArrow(std::vector<Shape>& shapes, QPointF from, QPointF tip, double width,
              double headLength, double headHalfWidth) {
  const QPointF d = tip - from;
  const double length = std::hypot(d.x(), d.y());
  const QPointF unit = d / length, normal(-unit.y(), unit.x());
  const QPointF base = tip - unit * headLength;
  shapes.push_back({Shape::Kind::Polyline, {from, base + unit * 2.0}, 0, {}, kDark, width});
  shapes.push_back({Shape::Kind::Polygon,
                    {tip, base + normal * headHalfWidth, base - normal * headHalfWidth},
                    0,
                    kDark,
                    kDark,
                    4});
}

// Small sizes leave out the dashed corner, which blurs into grey there, and draw the
// outlines and the arrow heavier so that they still show at one or two pixels.
std::vector<Shape> MakeShapes(bool small) {
  using K = Shape::Kind;
  std::vector<Shape> s;
  // The tile in the header's colour.
  s.push_back({K::RoundedRect, {{14, 14}, {242, 242}}, 38, kHeader, kOutline, small ? 16.0 : 8.0});
  // The corner of the larger size the picture grows to.
  if (!small)
    s.push_back({K::Polyline, {{112, 44}, {212, 44}, {212, 144}}, 0, {}, kDark, 9, 14, 13});
  // The picture: a print with a white border, hills and a sun.
  s.push_back({K::RoundedRect, {{36, 108}, {150, 222}}, 8, kPaper, kDark, small ? 14.0 : 7.0});
  s.push_back({K::RoundedRect, {{50, 122}, {136, 190}}, 3, kSky, {}, 0});
  s.push_back({K::Circle, {{112, 142}}, 10, kSun, {}, 0});
  s.push_back({K::Polygon,
               {{50, 190}, {50, 172}, {76, 146}, {96, 166}, {110, 154}, {136, 178}, {136, 190}},
               0,
               kHills,
               {},
               0});
  // The arrow from the picture's corner out to the larger size.
  if (small)
    AddArrow(s, {146, 112}, {214, 42}, 26, 66, 40);
  else
    AddArrow(s, {150, 108}, {208, 48}, 15, 46, 25);
  return s;
}

QPainterPath PathOf(const Shape& shape) {
  QPainterPath path;
  const auto& p = shape.points;
  switch (shape.kind) {
    case Shape::Kind::RoundedRect:
      path.addRoundedRect(QRectF(p[0], p[1]), shape.radius, shape.radius);
      break;
    case Shape::Kind::Circle:
      path.addEllipse(p[0], shape.radius, shape.radius);
      break;
    case Shape::Kind::Polygon:
    case Shape::Kind::Polyline:
      path.moveTo(p[0]);
      for (size_t i = 1; i < p.size(); ++i) path.lineTo(p[i]);
      if (shape.kind == Shape::Kind::Polygon) path.closeSubpath();
      break;
  }
  return path;
}

std::string Hex(const QColor& c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red(), c.green(), c.blue());
  return text;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string Points(const std::vector<QPointF>& points) {
  std::string text;
  for (const QPointF& p : points) {
    if (!text.empty()) text += ' ';
    text += Number(p.x()) + ',' + Number(p.y());
  }
  return text;
}

}  // namespace

const std::vector<Shape>& IconShapes(bool small) {
  static const std::vector<Shape> full = MakeShapes(false), reduced = MakeShapes(true);
  return small ? reduced : full;
}

void PaintIcon(QPainter& painter, double left, double top, double size) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(left, top);
  painter.scale(size / 256.0, size / 256.0);
  for (const Shape& shape : IconShapes(size <= 24)) {
    QPen pen(Qt::NoPen);
    if (shape.stroke.isValid()) {
      pen = QPen(shape.stroke, shape.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
      // Qt measures dashes in pen widths, SVG in the drawing's units.
      if (shape.dash > 0)
        pen.setDashPattern({shape.dash / shape.strokeWidth, shape.gap / shape.strokeWidth});
    }
    painter.setPen(pen);
    painter.setBrush(shape.fill.isValid() ? QBrush(shape.fill) : Qt::NoBrush);
    painter.drawPath(PathOf(shape));
  }
  painter.restore();
}

std::string IconSvg() {
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- Velora Image Resizer: a picture growing to a larger size. Made by velora-make-art. "
      "-->\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
      "viewBox=\"0 0 256 256\">\n";
  for (const Shape& shape : IconShapes(false)) {
    std::string paint = " fill=\"" + (shape.fill.isValid() ? Hex(shape.fill) : "none") + "\"";
    if (shape.stroke.isValid()) {
      paint += " stroke=\"" + Hex(shape.stroke) + "\" stroke-width=\"" + Number(shape.strokeWidth) +
               "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
      if (shape.dash > 0)
        paint += " stroke-dasharray=\"" + Number(shape.dash) + " " + Number(shape.gap) + "\"";
    }
    const auto& p = shape.points;
    switch (shape.kind) {
      case Shape::Kind::RoundedRect:
        svg += "  <rect x=\"" + Number(p[0].x()) + "\" y=\"" + Number(p[0].y()) + "\" width=\"" +
               Number(p[1].x() - p[0].x()) + "\" height=\"" + Number(p[1].y() - p[0].y()) +
               "\" rx=\"" + Number(shape.radius) + "\"" + paint + "/>\n";
        break;
      case Shape::Kind::Circle:
        svg += "  <circle cx=\"" + Number(p[0].x()) + "\" cy=\"" + Number(p[0].y()) + "\" r=\"" +
               Number(shape.radius) + "\"" + paint + "/>\n";
        break;
      case Shape::Kind::Polygon:
        svg += "  <polygon points=\"" + Points(p) + "\"" + paint + "/>\n";
        break;
      case Shape::Kind::Polyline:
        svg += "  <polyline points=\"" + Points(p) + "\"" + paint + "/>\n";
        break;
    }
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace velora::art
