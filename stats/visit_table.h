#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "stats/keyed_table.h"

namespace tlw {

// The open visit of one host: the time of its last activity and the pages
// requested in order. Pages are identified by a number that the counting
// code gives each distinct path.
struct OpenVisit {
  std::int64_t stamp = 0;       // local time of the last activity (seconds)
  std::uint32_t firstLink = 0;  // page chain in the table's link pool; 0: none
  std::uint32_t lastLink = 0;
  std::uint32_t lastPage = 0;  // number of the last page
  std::uint32_t pages = 0;     // number of pages
  bool stampComplete = false;  // the stamp's texts were complete enough to count it
};

// The table of open visits: host key to open visit, with the bucket rule and
// iteration order of a statistics table. The page lists of all visits share
// one pool of links; a replaced visit returns its links to the pool, so the
// memory follows the open visits, not the number of records.
class VisitTable {
 public:
  using Handle = KeyedTable<OpenVisit>::Handle;
  static constexpr Handle kNone = KeyedTable<OpenVisit>::kNone;

  explicit VisitTable(std::uint32_t bucketCount) : table_(bucketCount) {}

  // The entry of `host`, created with no visit when absent.
  Handle Intern(std::string_view host, bool* created = nullptr) {
    return table_.Intern(host, created);
  }
  Handle Find(std::string_view host) const { return table_.Find(host); }
  const OpenVisit& At(Handle h) const { return table_.ValueAt(h); }
  std::string_view HostAt(Handle h) const { return table_.KeyAt(h); }
  std::size_t Count() const { return table_.Count(); }
  std::uint32_t BucketCount() const { return table_.BucketCount(); }

  // Replaces the visit of `h` by a new one of one page.
  void Start(Handle h, std::int64_t stamp, bool stampComplete, std::uint32_t page);
  // Appends a page to the visit of `h` and renews its stamp.
  void Extend(Handle h, std::int64_t stamp, bool stampComplete, std::uint32_t page);
  // Calls fn(page) for each page of the visit of `h`, in order.
  template <typename Fn>
  void ForEachPage(Handle h, Fn&& fn) const {
    for (std::uint32_t link = At(h).firstLink; link != 0; link = links_[link].next) {
      fn(links_[link].page);
    }
  }
  // The handles in iteration order: buckets ascending, newest first.
  std::vector<Handle> Ordered() const { return table_.Ordered(); }
  // Empties the table and frees its memory.
  void Clear();

 private:
  struct Link {
    std::uint32_t page;
    std::uint32_t next;  // 0: end of chain
  };
  std::uint32_t NewLink(std::uint32_t page);
  void Release(OpenVisit& visit);

  KeyedTable<OpenVisit> table_;
  std::vector<Link> links_{Link{0, 0}};  // link 0 is the end marker, never used
  std::uint32_t freeLinks_ = 0;          // chain of released links
};

}  // namespace tlw
