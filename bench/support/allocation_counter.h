#pragma once

#include <cstdint>

namespace tlw::bench {

// Number of allocations the process has made through operator new so far.
// Linking this replaces the global operator new of the benchmark program
// with a counting one, so a benchmark can show that its loop makes none.
std::uint64_t AllocationCount();

}  // namespace tlw::bench
