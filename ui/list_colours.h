#pragma once

#include <QColor>

class QAbstractItemView;
class QPalette;

namespace tlw::ui {

// The contrast ratio of two colours as WCAG 2 defines it, from 1 (the same
// luminance) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// The text colour of the site list and the Report page's list on the base
// of `palette`: dark blue (0, 0, 190) where it reads well there, as on the
// light bases it was chosen for; else the palette's link colour, else its
// text colour; reading well is a contrast ratio of at least 4.5. When none
// does, the one of the highest contrast.
QColor ReadableListText(const QPalette& palette);

// Writes the items of `list` in ReadableListText of its palette, now and
// again whenever the palette changes (a switch to a dark theme and back).
void KeepListTextReadable(QAbstractItemView* list);

}  // namespace tlw::ui
