#pragma once

#include <QColor>
#include <QPalette>

namespace tlw::test {

// A dark colour scheme as desktops ship it (the colours of KDE's Breeze
// Dark), for the tests and the screenshots of the dark theme.
inline QPalette DarkPalette() {
  QPalette palette;
  const QColor window(49, 54, 59);
  const QColor base(35, 38, 41);
  const QColor text(252, 252, 252);
  const QColor dimmed(110, 113, 117);
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Window, window);
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Base, base);
    palette.setColor(group, QPalette::AlternateBase, window);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Button, window);
    palette.setColor(group, QPalette::ButtonText, text);
    palette.setColor(group, QPalette::ToolTipBase, base);
    palette.setColor(group, QPalette::ToolTipText, text);
    palette.setColor(group, QPalette::PlaceholderText, dimmed);
    palette.setColor(group, QPalette::Highlight, QColor(61, 174, 233));
    palette.setColor(group, QPalette::HighlightedText, text);
    palette.setColor(group, QPalette::Link, QColor(29, 153, 243));
    palette.setColor(group, QPalette::LinkVisited, QColor(155, 89, 182));
    palette.setColor(group, QPalette::Light, QColor(64, 70, 76));
    palette.setColor(group, QPalette::Midlight, QColor(56, 62, 68));
    palette.setColor(group, QPalette::Mid, QColor(38, 42, 46));
    palette.setColor(group, QPalette::Dark, QColor(25, 27, 30));
    palette.setColor(group, QPalette::Shadow, QColor(18, 20, 21));
  }
  palette.setColor(QPalette::Disabled, QPalette::Window, window);
  palette.setColor(QPalette::Disabled, QPalette::Base, base);
  palette.setColor(QPalette::Disabled, QPalette::Button, window);
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, dimmed);
  }
  return palette;
}

}  // namespace tlw::test
