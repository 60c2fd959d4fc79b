#pragma once

#include <QIcon>

namespace tlw::ui {

// Registers the icons compiled into the tlw_ui library; a static library's
// resources are not registered by themselves. Safe to call more than once.
void InitIconResources();

// The program's icon in every size drawn (16 to 256 pixels), for windows,
// message boxes and notifications. Registers the resources first.
QIcon ApplicationIcon();

// The name of the desktop entry (data/desktop/), without ".desktop": how
// Wayland compositors and docks match the windows to the entry and its icon.
inline constexpr const char* kDesktopFileName = "com.example.Tallowick";

}  // namespace tlw::ui
