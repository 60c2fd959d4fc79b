#include "stats/visit_table.h"

namespace tlw {

void VisitTable::Start(Handle h, std::int64_t stamp, bool stampComplete, std::uint32_t page) {
  OpenVisit& visit = table_.ValueAt(h);
  Release(visit);
  const std::uint32_t link = NewLink(page);
  visit.firstLink = link;
  visit.lastLink = link;
  visit.lastPage = page;
  visit.pages = 1;
  visit.stamp = stamp;
  visit.stampComplete = stampComplete;
}

void VisitTable::Extend(Handle h, std::int64_t stamp, bool stampComplete, std::uint32_t page) {
  const std::uint32_t link = NewLink(page);  // may move links_, so before the lookups below
  OpenVisit& visit = table_.ValueAt(h);
  if (visit.lastLink == 0) {
    visit.firstLink = link;
  } else {
    links_[visit.lastLink].next = link;
  }
  visit.lastLink = link;
  visit.lastPage = page;
  ++visit.pages;
  visit.stamp = stamp;
  visit.stampComplete = stampComplete;
}

void VisitTable::Clear() {
  table_.Clear();
  links_.assign(1, Link{0, 0});
  links_.shrink_to_fit();
  freeLinks_ = 0;
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
