#pragma once

#include <cstdint>
#include <vector>

#include "stats/keyed_table.h"

namespace tlw {

// The open visit of one host: the time of its last activity and the pages
// requested in order. Pages are identified by a number that the counting
// code gives each distinct path. A visit lives in its host's counting slot,
// so the host key is stored once for the host and its visit.
struct OpenVisit {
  std::int64_t stamp = 0;       // local time of the last activity (seconds)
  std::uint32_t firstLink = 0;  // page chain in the table's link pool; 0: none
  std::uint32_t lastLink = 0;   // holds the last page (see VisitTable::LastPage)
  std::uint32_t pages = 0;      // number of pages; 0: the host has no visit yet
  bool stampComplete = false;   // the stamp's texts were complete enough to count it
};

// The open visits of a run: the pool of links that holds the page lists of
// all visits, and the hosts that have a visit, in the order their first
// visits began. The visits are walked with the bucket rule and iteration
// order of a statistics table keyed by the host. A replaced visit returns
// its links to the pool, so the memory follows the open visits, not the
// number of records.
class VisitTable {
 public:
  explicit VisitTable(std::uint32_t bucketCount) : bucketCount_(bucketCount ? bucketCount : 1) {}

  // Number of hosts with a visit.
  std::size_t Count() const { return hosts_.size(); }
  std::uint32_t BucketCount() const { return bucketCount_; }

  // Replaces `visit` by a new one of one page. The first visit of a host
  // also records the host's number (`host`), in order.
  void Start(OpenVisit& visit, std::uint32_t host, std::int64_t stamp, bool stampComplete,
             std::uint32_t page);
  // Appends a page to `visit` and renews its stamp.
  void Extend(OpenVisit& visit, std::int64_t stamp, bool stampComplete, std::uint32_t page);
  // Calls fn(page) for each page of the visit whose first link is
  // `firstLink`, in order.
  template <typename Fn>
  void ForEachPage(std::uint32_t firstLink, Fn&& fn) const {
    for (std::uint32_t link = firstLink; link != 0; link = links_[link].next) {
      fn(links_[link].page);
    }
  }
  // One step along a page chain: the link's page, and the next link (0 at
  // the end).
  std::uint32_t PageAt(std::uint32_t link) const { return links_[link].page; }
  std::uint32_t NextLink(std::uint32_t link) const { return links_[link].next; }
  // The number of the last page of `visit`, which has pages.
  std::uint32_t LastPage(const OpenVisit& visit) const { return PageAt(visit.lastLink); }
  // The numbers of the hosts with a visit in iteration order: buckets
  // (the host key's TableHash, given by tableHashOf(host), modulo the
  // bucket count) ascending, the latest first visit first within a bucket.
  template <typename TableHashOf>
  std::vector<std::uint32_t> Ordered(TableHashOf&& tableHashOf) const {
    return OrderByBucket(hosts_, bucketCount_, tableHashOf);
  }
  // Empties the table and frees its memory.
  void Clear();

 private:
  struct Link {
    std::uint32_t page;
    std::uint32_t next;  // 0: end of chain
  };
  std::uint32_t NewLink(std::uint32_t page);
  void Release(OpenVisit& visit);

  std::vector<Link> links_{Link{0, 0}};  // link 0 is the end marker, never used
  std::uint32_t freeLinks_ = 0;          // chain of released links
  std::vector<std::uint32_t> hosts_;     // hosts with a visit, by first visit
  std::uint32_t bucketCount_;
};

}  // namespace tlw
