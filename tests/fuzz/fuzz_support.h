#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Shared by the fuzz targets: the input as text, and a check that stops the
// target with a message when a property fails, so that libFuzzer (or the
// replay program) reports the input.
namespace tlw::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Reads every byte of `text`, so that AddressSanitizer checks that a view
// handed out stays inside live memory.
inline std::size_t Touch(std::string_view text) {
  std::size_t sum = 0;
  for (const char c : text) sum += static_cast<unsigned char>(c);
  return sum;
}

}  // namespace tlw::fuzz

#define TLW_FUZZ_CHECK(condition)                                                           \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)
