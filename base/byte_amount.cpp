#include "base/byte_amount.h"

namespace tlw {

std::string ByteAmountText(std::uint64_t bytes) {
  const std::string digits = std::to_string(bytes);
  if (digits.size() <= 6) return digits + " bytes";
  return digits.substr(0, digits.size() - 6) + " MB";
}

std::string LogSizeText(std::uint64_t bytes) {
  return bytes == 0 ? "remote" : ByteAmountText(bytes);
}

}  // namespace tlw
