#pragma once
// The preview shows photos upright.
#include <QImage>

namespace velora {
class TGraphic;
}

namespace velora::app {

// The preview image of `graphic` turned the way the picture says it was taken, so that it
// shows upright; the picture itself and what the conversion reads are never turned.
// This is the one place where that turn happens.
QImage TurnUpright(QImage image, const TGraphic& graphic);

}  // namespace velora::app
