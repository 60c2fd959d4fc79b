#pragma once

#include <cstdint>
#include <vector>

#include "base/state_archive.h"

#include "stats/varint.h"

namespace tlw {

// The open visit of one host: the time of its last activity and the pages
// requested in order. Pages are identified by a number that the counting
// code gives each distinct path. A visit lives in its host's counting slot,
// so the host key is stored once for the host and its visit.
struct OpenVisit {
  std::int64_t stamp = 0;       // local time of the last activity (seconds)
  std::uint32_t firstLink = 0;  // page chain in the table's link pool; 0: no visit yet
  // The link that holds the last page. The flags share its word: a host's
  // slot is one of hundreds of thousands.
  std::uint32_t lastLink : 30 = 0;
  std::uint32_t twoPages : 1 = 0;       // the visit has two pages or more
  std::uint32_t stampComplete : 1 = 0;  // the stamp's texts were complete enough to count it

  bool HasPages() const { return firstLink != 0; }
  bool HasTwoPages() const { return twoPages != 0; }
};

// The open visits of a run: the pool of links that holds the page lists of
// all visits. The visits are walked with the bucket rule and iteration
// order of a statistics table keyed by the host (see EndVisits), with
// this table's bucket count. A replaced visit returns
// its links to the pool, so the memory follows the open visits, not the
// number of records.
//
// A large log has a visit open for every host until its end, so a link
// holds as many pages as fit in twelve bytes, each page number written as
// a varint: most visits take one link of 16 bytes, where a link for every
// page took 8 bytes a page.
class VisitTable {
 public:
  explicit VisitTable(std::uint32_t bucketCount) : bucketCount_(bucketCount ? bucketCount : 1) {}

  // Number of hosts with a visit.
  std::size_t Count() const { return visits_; }
  std::uint32_t BucketCount() const { return bucketCount_; }

  // Replaces `visit` by a new one of one page.
  void Start(OpenVisit& visit, std::int64_t stamp, bool stampComplete, std::uint32_t page);
  // Appends a page to `visit` and renews its stamp.
  void Extend(OpenVisit& visit, std::int64_t stamp, bool stampComplete, std::uint32_t page);
  // Calls fn(page) for each page of the link `link` of a chain, in order,
  // and returns the next link of the chain (0 at its end).
  template <typename Fn>
  std::uint32_t ForEachPageOfLink(std::uint32_t link, Fn&& fn) const {
    const Link& at = links_[link];
    for (std::size_t i = 0; i < kLinkBytes && at.bytes[i] != 0;) fn(ReadPage(at, i));
    return at.next;
  }
  // Calls fn(page) for each page of the visit whose first link is
  // `firstLink`, in order.
  template <typename Fn>
  void ForEachPage(std::uint32_t firstLink, Fn&& fn) const {
    for (std::uint32_t link = firstLink; link != 0;) link = ForEachPageOfLink(link, fn);
  }
  // The number of the last page of `visit`, which has pages.
  std::uint32_t LastPage(const OpenVisit& visit) const;
  // Empties the table and frees its memory.
  void Clear();
  // The links as they are, so that every visit's chain reads the same once
  // loaded.
  void Save(StateWriter& out) const;
  bool Load(StateReader& in);

 private:
  static constexpr std::size_t kLinkBytes = 12;
  // A page is written as its number + 1 (path numbers stay far below the
  // largest), so that a zero byte where a page would start ends the link's
  // pages; a page never spans two links.
  struct Link {
    std::uint32_t next = 0;  // 0: end of chain
    std::uint8_t bytes[kLinkBytes] = {};
  };
  // Link numbers fit the 30 bits of OpenVisit::lastLink.
  static constexpr std::uint32_t kMaxLinks = 0x3FFFFFFFu;

  // The page written at bytes[at] of `link`; `at` moves past it.
  static std::uint32_t ReadPage(const Link& link, std::size_t& at) {
    std::uint32_t value = 0;
    ReadVarint(link.bytes, kLinkBytes, at, value);
    return value - 1;
  }
  std::uint32_t NewLink();
  // Writes `page` after the last page of `visit`, in a new link when the
  // last one is full.
  void Append(OpenVisit& visit, std::uint32_t page);
  void Release(OpenVisit& visit);

  std::vector<Link> links_{Link{}};  // link 0 is the end marker, never used
  std::uint32_t freeLinks_ = 0;      // chain of released links
  std::size_t visits_ = 0;           // hosts with a visit
  std::uint32_t bucketCount_;
};

}  // namespace tlw
