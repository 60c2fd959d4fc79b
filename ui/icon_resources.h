#pragma once

#include <QIcon>

namespace tlw::ui {

// Registers the icons compiled into the tlw_ui library; a static library's
// resources are not registered by themselves. Safe to call more than once.
void InitIconResources();

// The icon of resource `path` with its drawing at twice the size
// ("name@2x.png") for screens scaled by 2, whatever the scale at start-up
// (QIcon looks for the 2x file itself only when the program starts scaled).
QIcon ScaledIcon(const QString& path);

// The program's icon in every size drawn (16 to 256 pixels), for windows,
// message boxes and notifications. Registers the resources first.
QIcon ApplicationIcon();

// The name of the desktop entry (data/desktop/), without ".desktop": how
// Wayland compositors and docks match the windows to the entry and its icon.
inline constexpr const char* kDesktopFileName = "com.example.Tallowick";

}  // namespace tlw::ui
