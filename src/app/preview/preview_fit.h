#pragma once
// Where the preview draws a picture inside its view.
#include <QRect>
#include <QSize>
#include <QSizeF>

namespace velora::app {

// The rectangle a picture of `natural` size takes inside a box of `box` size: scaled
// with its proportions kept and centred. Pictures larger than the box always shrink to
// fit; smaller ones are enlarged to fit only when `enlargeSmall` is set. Sizes and the
// result are in the same (device) pixels; an empty picture or box gives an empty rect.
QRect FitPictureRect(QSizeF natural, QSize box, bool enlargeSmall);

}  // namespace velora::app
