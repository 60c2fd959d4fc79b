#pragma once

#include <QColor>
#include <QPalette>

namespace tlw::test {

// A dark colour scheme as desktops ship it (colours of KDE's Breeze Dark),
// for the tests and the screenshots of a dark theme.
inline QPalette DarkPalette() {
  const QColor window(49, 54, 59);
  const QColor base(35, 38, 41);
  const QColor text(252, 252, 252);
  QPalette palette(text, window, QColor(64, 70, 76), QColor(25, 27, 30), QColor(38, 42, 46), text,
                   text, base, window);
  palette.setColor(QPalette::Highlight, QColor(61, 174, 233));
  palette.setColor(QPalette::Link, QColor(29, 153, 243));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(110, 113, 117));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 113, 117));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(110, 113, 117));
  return palette;
}

}  // namespace tlw::test
