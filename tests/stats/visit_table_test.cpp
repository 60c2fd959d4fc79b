#include "stats/visit_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace tlw {
namespace {

std::vector<std::uint32_t> PagesOf(const VisitTable& table, const OpenVisit& visit) {
  std::vector<std::uint32_t> pages;
  table.ForEachPage(visit.firstLink, [&](std::uint32_t page) { pages.push_back(page); });
  return pages;
}

// Hosts start, extend and replace visits at random, with page numbers of
// every width a link can hold (0, the edges of one to five bytes, the
// largest), so that links fill up, pages move on to new links and released
// links are reused dirty. Every visit must give back exactly its pages.
TEST(VisitTable, EveryVisitKeepsItsPagesAcrossLinksAndReusedLinks) {
  const std::vector<std::uint32_t> widths = {0,       1,         126,       127,        128,
                                             16382,   16383,     16384,     2097151,    2097152,
                                             3000000, 268435455, 268435456, 0xFFFFFFFEu};
  std::mt19937 random(17);
  const auto page = [&] {
    // Mostly small numbers, as a site's pages are, now and then any width.
    return random() % 4 == 0 ? widths[random() % widths.size()]
                             : static_cast<std::uint32_t>(random() % 300);
  };
  VisitTable table(7);
  std::vector<OpenVisit> visits(40);
  std::vector<std::vector<std::uint32_t>> expected(visits.size());
  std::vector<std::uint32_t> firstVisits;
  for (int step = 0; step < 20000; ++step) {
    const std::uint32_t host = static_cast<std::uint32_t>(random() % visits.size());
    OpenVisit& visit = visits[host];
    const std::uint32_t p = page();
    if (!visit.HasPages() || random() % 9 == 0) {
      if (!visit.HasPages()) firstVisits.push_back(host);
      table.Start(visit, step, step % 2 == 0, p);
      expected[host] = {p};
    } else {
      table.Extend(visit, step, true, p);
      expected[host].push_back(p);
    }
    ASSERT_EQ(table.LastPage(visit), p);
    ASSERT_EQ(visit.HasTwoPages(), expected[host].size() >= 2);
    if (step % 97 == 0) {
      for (std::size_t h = 0; h < visits.size(); ++h) {
        if (visits[h].HasPages()) {
          ASSERT_EQ(PagesOf(table, visits[h]), expected[h]) << step;
        }
      }
    }
  }
  // A long visit, many links long.
  OpenVisit& longest = visits[0];
  for (std::uint32_t p = 0; p < 5000; ++p) {
    table.Extend(longest, 0, true, p * 977);
    expected[0].push_back(p * 977);
  }
  EXPECT_EQ(PagesOf(table, longest), expected[0]);
  EXPECT_EQ(table.Count(), firstVisits.size());
}

}  // namespace
}  // namespace tlw
