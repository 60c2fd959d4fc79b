#include "stats/recent_list.h"

namespace tlw {

void RecentList::PushFront(std::string_view text, long long limit) {
  const std::size_t wanted = limit > 0 ? static_cast<std::size_t>(limit) : 0;
  if (wanted != limit_) Resize(wanted);
  if (limit_ == 0) return;
  if (ring_.size() < limit_) {
    // Still growing: slots are in insertion order, the newest last.
    ring_.emplace_back(text);
    newest_ = ring_.size() - 1;
    size_ = ring_.size();
    return;
  }
  newest_ = (newest_ + 1) % limit_;
  ring_[newest_].assign(text.data(), text.size());
  if (size_ < limit_) ++size_;
}

const std::string& RecentList::operator[](std::size_t index) const {
  const std::size_t slots = ring_.size();
  return ring_[(newest_ + slots - index % slots) % slots];
}

std::vector<std::string> RecentList::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(size_);
  for (std::size_t i = 0; i < size_; ++i) texts.push_back((*this)[i]);
  return texts;
}

void RecentList::Clear() {
  std::vector<std::string>().swap(ring_);
  limit_ = 0;
  newest_ = 0;
  size_ = 0;
}

void RecentList::Resize(std::size_t limit) {
  // A changed limit is rare (a new run): rebuild in insertion order, keeping
  // the newest entries that still fit.
  std::vector<std::string> kept = Texts();
  if (kept.size() > limit) kept.resize(limit);
  ring_.clear();
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) ring_.push_back(std::move(*it));
  limit_ = limit;
  size_ = ring_.size();
  newest_ = size_ == 0 ? 0 : size_ - 1;
}

void RecentList::Save(StateWriter& out) const {
  out.Size(ring_.size());
  for (const std::string& text : ring_) out.Text(text);
  out.Size(limit_);
  out.Size(newest_);
  out.Size(size_);
}

bool RecentList::Load(StateReader& in) {
  ring_.resize(in.Size(std::uint64_t{1} << 32, 8));
  for (std::string& text : ring_) in.Text(text);
  limit_ = in.Number(std::uint64_t{1} << 62);
  newest_ = in.Number(std::uint64_t{1} << 62);
  size_ = in.Number(std::uint64_t{1} << 62);
  if (size_ > ring_.size() || (size_ != 0 && newest_ >= ring_.size())) in.Fail();
  if (!in.ok()) Clear();
  return in.ok();
}

}  // namespace tlw
