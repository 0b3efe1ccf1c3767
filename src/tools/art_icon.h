#pragma once
// The application icon, kept as a list of plain shapes on a 256 x 256 grid so that the
// SVG and every PNG size come from the same drawing.
#include <QColor>
#include <QPointF>
#include <string>
#include <vector>

class QPainter;

namespace velora::art {

struct Shape {
  enum class Kind { RoundedRect, Polygon, Circle, Polyline };
  Kind kind;
  std::vector<QPointF> points;  // rect: two corners; circle: the centre; else the corners
  double radius = 0;            // corner radius or circle radius
  QColor fill;                  // invalid: not filled
  QColor stroke;                // invalid: no outline
  double strokeWidth = 0;
  double dash = 0, gap = 0;  // both 0: a solid outline
};

// The icon's shapes, back to front; `small` gives the variant for 24 pixels and less.
const std::vector<Shape>& IconShapes(bool small);

// Draws the icon into the square (left, top, size) of the painter's device, in the small
// variant when the square is 24 pixels or less.
void PaintIcon(QPainter& painter, double left, double top, double size);

// The icon as a standalone SVG document.
std::string IconSvg();

}  // namespace velora::art
