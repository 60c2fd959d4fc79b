#include "stats/visit_table.h"

namespace tlw {

void VisitTable::Start(OpenVisit& visit, std::uint32_t host, std::int64_t stamp, bool stampComplete,
                       std::uint32_t page) {
  if (visit.pages == 0) hosts_.push_back(host);
  Release(visit);
  const std::uint32_t link = NewLink(page);
  visit.firstLink = link;
  visit.lastLink = link;
  visit.pages = 1;
  visit.stamp = stamp;
  visit.stampComplete = stampComplete;
}

void VisitTable::Extend(OpenVisit& visit, std::int64_t stamp, bool stampComplete,
                        std::uint32_t page) {
  const std::uint32_t link = NewLink(page);
  if (visit.lastLink == 0) {
    visit.firstLink = link;
  } else {
    links_[visit.lastLink].next = link;
  }
  visit.lastLink = link;
  ++visit.pages;
  visit.stamp = stamp;
  visit.stampComplete = stampComplete;
}

void VisitTable::Clear() {
  links_.assign(1, Link{0, 0});
  links_.shrink_to_fit();
  freeLinks_ = 0;
  std::vector<std::uint32_t>().swap(hosts_);
}

std::uint32_t VisitTable::NewLink(std::uint32_t page) {
  if (freeLinks_ != 0) {
    const std::uint32_t link = freeLinks_;
    freeLinks_ = links_[link].next;
    links_[link] = Link{page, 0};
    return link;
  }
  links_.push_back(Link{page, 0});
  return static_cast<std::uint32_t>(links_.size() - 1);
}

void VisitTable::Release(OpenVisit& visit) {
  if (visit.firstLink == 0) return;
  links_[visit.lastLink].next = freeLinks_;
  freeLinks_ = visit.firstLink;
  visit = OpenVisit{};
}

}  // namespace tlw
