#pragma once

#include <QList>
#include <QRect>

namespace tlw::ui {

// Where a saved window placement goes on screens whose available areas are
// `screens`: where it was while the top of the window (where its title bar
// is grabbed) is in sight on one of them; else moved onto the nearest
// screen, made smaller where it does not fit there. A screen that was
// unplugged, or a smaller one, must not leave the window out of reach.
QRect PlaceOnScreens(const QRect& placement, const QList<QRect>& screens);

// The available areas of the screens of the desktop.
QList<QRect> AvailableScreenAreas();

}  // namespace tlw::ui
