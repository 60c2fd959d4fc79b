#include "ui/icon_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares a function at the namespace where it is used, so
// it is used outside of any namespace.
static void InitIcons() { Q_INIT_RESOURCE(icons); }

namespace tlw::ui {

void InitIconResources() { InitIcons(); }

}  // namespace tlw::ui
