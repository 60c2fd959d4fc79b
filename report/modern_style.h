#pragma once

#include <string_view>

namespace tlw {

// The modern view's whole style sheet, written into its one <style>
// element: a system font stack, a fluid layout from a 320-px phone to a wide
// screen, light and dark colours by the reader's preference, and a print
// form without the contents list, scroll boxes or dark backgrounds.
extern const std::string_view kModernStyle;

}  // namespace tlw
