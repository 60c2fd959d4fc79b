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

std::string DistinctFileNamePart(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string part;
  part.reserve(text.size());
  for (const char c : text) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '.';
    if (kept) {
      part += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    part += '_';
    part += kHex[byte >> 4];
    part += kHex[byte & 0x0F];
  }
  return part;
}

}  // namespace tlw
