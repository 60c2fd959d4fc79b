#include "base/file_name_part.h"

namespace tlw {

std::string FileNamePart(std::string_view text) {
  std::string part(text);
  for (char& c : part) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    if (!kept) c = '_';
  }
  return part;
}

}  // namespace tlw
