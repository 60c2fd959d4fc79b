#pragma once

#include <cstdint>
#include <vector>

#include "base/state_archive.h"

namespace tlw {

// Host numbers in the order of an event that happens once per host (its
// first counted record, its first visit). That is mostly the order in
// which the hosts were made, their numbers ascending: as long as it is,
// no number is kept, and the list is read by walking the hosts in creation
// order for those the event happened to. A large log has hundreds of
// thousands of hosts; only a log whose filters or reporting range hold
// hosts' first records back pays for the list.
class HostOrder {
 public:
  // Adds `host`, which was not added before. If it breaks the ascending
  // order, hostsSoFar() is called once to give the hosts added before it,
  // in order, and from then on the numbers are kept.
  template <typename HostsSoFar>
  void Add(std::uint32_t host, HostsSoFar&& hostsSoFar) {
    if (ascending_) {
      if (empty_ || host > last_) {
        last_ = host;
        empty_ = false;
        return;
      }
      kept_ = hostsSoFar();
      ascending_ = false;
    }
    kept_.push_back(host);
  }

  // True: the hosts are those of the event in creation order.
  bool Ascending() const { return ascending_; }
  // The hosts in order, when not Ascending.
  const std::vector<std::uint32_t>& Kept() const { return kept_; }

  // Empties the list and frees its memory.
  void Clear() { *this = HostOrder(); }

  void Save(StateWriter& out) const {
    out.Value(ascending_);
    out.Value(last_);
    out.Value(empty_);
    out.Vector(kept_);
  }
  bool Load(StateReader& in) {
    in.Value(ascending_);
    in.Value(last_);
    in.Value(empty_);
    return in.Vector(kept_, std::uint64_t{1} << 32);
  }

 private:
  bool ascending_ = true;
  std::uint32_t last_ = 0;
  bool empty_ = true;
  std::vector<std::uint32_t> kept_;
};

}  // namespace tlw
