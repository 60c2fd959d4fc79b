#pragma once

#include <cstddef>

namespace tlw {

// The size of a cache line. Data that one thread writes while another reads
// what lies beside it is kept on lines of its own (alignas(kCacheLineSize)),
// so that the line does not move between the two cores at every write.
inline constexpr std::size_t kCacheLineSize = 64;

// Starts loading the cache line of `address` without waiting for it; never
// faults, whatever the address. Written as the instruction itself: GCC 12
// was seen to leave out a __builtin_prefetch whose address comes from a
// value loaded behind a branch.
inline void PrefetchLine(const void* address) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}

}  // namespace tlw
