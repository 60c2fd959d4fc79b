#pragma once

namespace tlw {

// Starts loading the cache line of `address` without waiting for it; never
// faults, whatever the address. Written as the instruction itself: GCC 12
// drops a __builtin_prefetch whose address comes from a loaded value behind
// a branch.
inline void PrefetchLine(const void* address) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(address)));
#else
  __builtin_prefetch(address);
#endif
}

}  // namespace tlw
