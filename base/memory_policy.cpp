#include "base/memory_policy.h"

#include <malloc.h>

namespace tlw {

void ReturnLargeBlocksToTheSystem() {
  // Setting the bound at all fixes it (no dynamic raising); 128 KiB is
  // glibc's own starting value.
  constexpr int kLargeBlockBytes = 128 * 1024;
  mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
}

}  // namespace tlw
