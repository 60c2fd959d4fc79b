#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tlw::ui {
namespace {

// How much of the window's top must be on a screen for the user to take
// hold of it: a strip the height of a title bar and a hand's width wide.
constexpr int kGripWidth = 60;
constexpr int kGripHeight = 24;

bool WithinReach(const QRect& placement, const QRect& screen) {
  const QRect grip(placement.left(), placement.top(), placement.width(), kGripHeight);
  const QRect seen = grip.intersected(screen);
  return seen.width() >= std::min(kGripWidth, placement.width()) && seen.height() == kGripHeight;
}

// How far `area` lies from the centre of `placement`; 0 when it holds it.
double DistanceTo(const QRect& area, const QRect& placement) {
  const QPoint centre = placement.center();
  const int dx = std::max({area.left() - centre.x(), 0, centre.x() - area.right()});
  const int dy = std::max({area.top() - centre.y(), 0, centre.y() - area.bottom()});
  return std::hypot(dx, dy);
}

}  // namespace

QRect PlaceOnScreens(const QRect& placement, const QList<QRect>& screens) {
  if (screens.isEmpty()) return placement;
  const QRect* nearest = nullptr;
  double nearestDistance = std::numeric_limits<double>::max();
  for (const QRect& screen : screens) {
    if (WithinReach(placement, screen)) return placement;
    const double distance = DistanceTo(screen, placement);
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = &screen;
    }
  }
  const QSize size = placement.size().boundedTo(nearest->size());
  const int left =
      std::clamp(placement.left(), nearest->left(), nearest->right() + 1 - size.width());
  const int top =
      std::clamp(placement.top(), nearest->top(), nearest->bottom() + 1 - size.height());
  return {QPoint(left, top), size};
}

QList<QRect> AvailableScreenAreas() {
  QList<QRect> areas;
  for (const QScreen* screen : QGuiApplication::screens()) areas << screen->availableGeometry();
  return areas;
}

}  // namespace tlw::ui
