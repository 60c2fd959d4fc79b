#include "stats/visit_table.h"

#include <cstring>
#include <new>

namespace tlw {

void VisitTable::Start(OpenVisit& visit, std::int64_t stamp, bool stampComplete,
                       std::uint32_t page) {
  if (!visit.HasPages()) ++visits_;
  Release(visit);
  const std::uint32_t link = NewLink();
  visit.firstLink = link;
  visit.lastLink = link;
  Append(visit, page);
  visit.twoPages = false;
  visit.stamp = stamp;
  visit.stampComplete = stampComplete;
}

void VisitTable::Extend(OpenVisit& visit, std::int64_t stamp, bool stampComplete,
                        std::uint32_t page) {
  Append(visit, page);
  visit.twoPages = true;
  visit.stamp = stamp;
  visit.stampComplete = stampComplete;
}

std::uint32_t VisitTable::LastPage(const OpenVisit& visit) const {
  std::uint32_t last = 0;
  ForEachPageOfLink(visit.lastLink, [&](std::uint32_t page) { last = page; });
  return last;
}

void VisitTable::Clear() {
  links_.assign(1, Link{});
  links_.shrink_to_fit();
  freeLinks_ = 0;
  visits_ = 0;
}

void VisitTable::Append(OpenVisit& visit, std::uint32_t page) {
  std::uint8_t code[kMaxVarintBytes];
  const std::size_t size = WriteVarint(page + 1, code);
  std::size_t used = 0;
  for (const Link& last = links_[visit.lastLink]; used < kLinkBytes && last.bytes[used] != 0;) {
    ReadPage(last, used);
  }
  if (used + size > kLinkBytes) {
    const std::uint32_t link = NewLink();
    links_[visit.lastLink].next = link;
    visit.lastLink = link;
    used = 0;
  }
  std::memcpy(links_[visit.lastLink].bytes + used, code, size);
}

std::uint32_t VisitTable::NewLink() {
  if (freeLinks_ != 0) {
    const std::uint32_t link = freeLinks_;
    freeLinks_ = links_[link].next;
    links_[link] = Link{};
    return link;
  }
  // Never reached in practice (16 GiB of links), but a number past it would
  // not fit OpenVisit::lastLink.
  if (links_.size() >= kMaxLinks) throw std::bad_alloc();
  links_.push_back(Link{});
  return static_cast<std::uint32_t>(links_.size() - 1);
}

void VisitTable::Release(OpenVisit& visit) {
  if (visit.firstLink == 0) return;
  links_[visit.lastLink].next = freeLinks_;
  freeLinks_ = visit.firstLink;
  visit = OpenVisit{};
}

void VisitTable::Save(StateWriter& out) const {
  out.Value(bucketCount_);
  out.Vector(links_);
  out.Value(freeLinks_);
  out.Size(visits_);
}

bool VisitTable::Load(StateReader& in) {
  std::uint32_t bucketCount = 0;
  in.Value(bucketCount);
  in.Vector(links_, kMaxLinks);
  in.Value(freeLinks_);
  visits_ = in.Number(kMaxLinks);
  if (bucketCount != bucketCount_ || links_.empty() || freeLinks_ >= links_.size()) in.Fail();
  if (!in.ok()) Clear();
  return in.ok();
}

}  // namespace tlw
