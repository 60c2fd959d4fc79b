#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tlw {

struct ModernViewInput;

// One section of the modern view: its anchor, its heading (also its entry
// in the contents list) and the function that writes its body.
struct ModernSection {
  std::string_view id;
  std::string_view title;
  void (*write)(std::string& out, const ModernViewInput& input);
};

// The sections in the order the page shows them.
std::span<const ModernSection> ModernSections();

// At most this many rows of a ranked table are shown; the rest are summed
// in one "N more" row.
inline constexpr std::size_t kModernTopRows = 25;

}  // namespace tlw
