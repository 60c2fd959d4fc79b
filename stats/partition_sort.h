#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tlw {

namespace partition_sort {

// The sort of PartitionExchangeSort, on the items that `values` reads
// the values of and swaps.
template <typename Values>
struct Sorter {
  Values& values;
  void Sort(std::ptrdiff_t first, std::ptrdiff_t last) {
    while (first < last) {
      const std::int64_t pivot = values.At(last);
      std::ptrdiff_t i = first - 1;
      std::ptrdiff_t j = last;
      for (;;) {
        while (values.At(++i) > pivot) {
        }
        while (values.At(--j) < pivot) {
          if (j == first) break;
        }
        if (i >= j) break;
        values.Swap(i, j);
      }
      values.Swap(i, last);
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

template <typename Values>
void Sort(Values values, std::size_t size) {
  if (size < 2) return;
  Sorter<Values>{values}.Sort(0, static_cast<std::ptrdiff_t>(size) - 1);
}

}  // namespace partition_sort

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
  struct Parallel {
    std::vector<Item>& items;
    std::vector<std::int64_t>& values;
    std::int64_t At(std::ptrdiff_t i) const { return values[i]; }
    void Swap(std::ptrdiff_t a, std::ptrdiff_t b) {
      std::swap(items[a], items[b]);
      std::swap(values[a], values[b]);
    }
  };
  partition_sort::Sort(Parallel{items, values}, items.size());
}

// The same sort by a value each item holds, read by valueOf(item): no
// array of values beside the items, which for a table of hundreds of
// thousands of entries is megabytes at the report's busiest moment.
template <typename Item, typename ValueOf>
void PartitionExchangeSortBy(std::vector<Item>& items, ValueOf valueOf) {
  struct InPlace {
    std::vector<Item>& items;
    ValueOf& valueOf;
    std::int64_t At(std::ptrdiff_t i) const { return valueOf(items[i]); }
    void Swap(std::ptrdiff_t a, std::ptrdiff_t b) { std::swap(items[a], items[b]); }
  };
  partition_sort::Sort(InPlace{items, valueOf}, items.size());
}

}  // namespace tlw
