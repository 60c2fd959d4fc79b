#pragma once

namespace tlw::ui {

// Registers the icons compiled into the tlw_ui library; a static library's
// resources are not registered by themselves. Safe to call more than once.
void InitIconResources();

}  // namespace tlw::ui
