#pragma once

#include <cstdint>
#include <string>

namespace tlw {

// The kinds of value a profile or settings field holds. Flags are 32-bit
// integers used as booleans (1 true, 0 false). Times are seconds since
// 1970-01-01 00:00:00 UTC, kept 64-bit in memory so they pass 2038; sizes
// are 64-bit byte counts so they pass 4 GB (the settings file keeps its
// 4-byte fields and clamps).
enum class FieldKind { Text, Flag, Int, Time, Size };

using FieldText = std::string;
using FieldFlag = std::int32_t;
using FieldInt = std::int32_t;
using FieldTime = std::int64_t;
using FieldSize = std::uint64_t;

// Describes one named field for the settings file, the command line and JSON.
struct FieldInfo {
  const char* name;
  FieldKind kind;
  bool saved;  // written to the settings file
};

}  // namespace tlw
