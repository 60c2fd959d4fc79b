#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tlw {

// Sorts `items` descending by the parallel `values` with the partition-exchange scheme whose
// tie order the report depends on. For a range [first, last]: the pivot is
// the last element's value; a left scan from the first element passes values
// greater than the pivot, a right scan from the element before the pivot
// passes values smaller than it and never passes the first element; while the
// scans have not crossed, the two elements are swapped and both scans go on;
// then the left scan's element swaps with the pivot, and both sides are
// sorted the same way. The algorithm is not stable; its exact swaps are the
// observable behaviour, so it must not be replaced by a library sort.
//
// The smaller side is sorted by recursion and the larger one by the loop:
// the two sides are independent, so this keeps the result and bounds the
// stack depth to log2(n).
template <typename Item>
void PartitionExchangeSort(std::vector<Item>& items, std::vector<std::int64_t> values) {
  struct Sorter {
    std::vector<Item>& items;
    std::vector<std::int64_t>& values;
    void Swap(std::ptrdiff_t a, std::ptrdiff_t b) {
      std::swap(items[a], items[b]);
      std::swap(values[a], values[b]);
    }
    void Sort(std::ptrdiff_t first, std::ptrdiff_t last) {
      while (first < last) {
        const std::int64_t pivot = values[last];
        std::ptrdiff_t i = first - 1;
        std::ptrdiff_t j = last;
        for (;;) {
          while (values[++i] > pivot) {
          }
          while (values[--j] < pivot) {
            if (j == first) break;
          }
          if (i >= j) break;
          Swap(i, j);
        }
        Swap(i, last);
        if (i - first < last - i) {
          Sort(first, i - 1);
          first = i + 1;
        } else {
          Sort(i + 1, last);
          last = i - 1;
        }
      }
    }
  };
  if (items.size() < 2) return;
  Sorter{items, values}.Sort(0, static_cast<std::ptrdiff_t>(items.size()) - 1);
}

}  // namespace tlw
