#include "ui/list_colours.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <cmath>

namespace tlw::ui {
namespace {

constexpr double kReadableContrast = 4.5;

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& colour) {
  return 0.2126 * Linear(static_cast<double>(colour.redF())) +
         0.7152 * Linear(static_cast<double>(colour.greenF())) +
         0.0722 * Linear(static_cast<double>(colour.blueF()));
}

// Follows the palette of one list: the text colour is set on the list
// itself, so its base and the palette's own text colour come from what the
// list inherits.
class ListTextKeeper final : public QObject {
 public:
  explicit ListTextKeeper(QAbstractItemView* list) : QObject(list), list_(list) {
    list->installEventFilter(this);
    Apply();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::PaletteChange) Apply();
    return QObject::eventFilter(watched, event);
  }

 private:
  void Apply() {
    QPalette inherited = list_->parentWidget() != nullptr ? list_->parentWidget()->palette()
                                                          : QApplication::palette(list_);
    inherited.setColor(QPalette::Base, list_->palette().color(QPalette::Base));
    const QColor text = ReadableListText(inherited);
    // Setting the colour changes the palette again; the second time round
    // it is already right, which ends the loop.
    if (list_->palette().color(QPalette::Text) == text) return;
    QPalette palette = list_->palette();
    palette.setColor(QPalette::Text, text);
    list_->setPalette(palette);
  }

  QAbstractItemView* list_;
};

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double first = RelativeLuminance(a);
  const double second = RelativeLuminance(b);
  return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor ReadableListText(const QPalette& palette) {
  const QColor base = palette.color(QPalette::Base);
  const QColor candidates[] = {QColor(0, 0, 190), palette.color(QPalette::Link),
                               palette.color(QPalette::Text)};
  const QColor* best = &candidates[0];
  for (const QColor& candidate : candidates) {
    if (ContrastRatio(candidate, base) >= kReadableContrast) return candidate;
    if (ContrastRatio(candidate, base) > ContrastRatio(*best, base)) best = &candidate;
  }
  return *best;
}

void KeepListTextReadable(QAbstractItemView* list) { new ListTextKeeper(list); }

}  // namespace tlw::ui
