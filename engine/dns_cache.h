#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "stats/keyed_table.h"

namespace tlw {

// Program-wide map from a client address (as the log wrote it) to its host
// name, or to the address itself when the resolver found no name. Shared by
// all runs of a session and never saved. Safe for concurrent use: the lock
// is held only around the map, never across a network look-up.
//
// A run with a warm cache asks it once for every client of its log, tens of
// thousands of times on a large one, so the map is laid out for quick
// look-ups: an open-addressing index over the addresses, and the names one
// after the other in a single text.
class CDNSCache {
 public:
  // The cached value, or the empty text when the address is not cached.
  std::string Lookup(std::string_view address) const;
  // Inserts or replaces the value of `address`.
  void Store(std::string_view address, std::string_view name);
  // Number of cached addresses.
  size_t Size() const;

 private:
  // Where an address's name lies in `names_`.
  struct NamePlace {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  mutable std::mutex mutex_;
  KeyedTable<NamePlace> places_{1};
  // The names, in the order they were stored; a replaced name stays
  // behind, unused (a name is replaced only after a network look-up).
  std::string names_;
};

// Asks the system resolver for the name of a numeric IPv4 or IPv6 address;
// returns the input unchanged when it has no name or is not an address.
// Blocks until the resolver answers.
std::string ReverseLookup(std::string_view addressText);

// Whether a host text is a numeric address worth resolving: a dotted IPv4
// text (starts and ends with a digit, at most 15 characters) or an IPv6
// text (holds ":" and parses as an IPv6 address).
bool ShouldResolve(std::string_view host);

// Whether a name the resolver gave may stand for an address in the report:
// at most 253 characters, each a letter, a digit, "-" or ".", in labels that
// are not empty and neither start nor end with "-", the last not all digits.
// Reverse names come from whoever runs the address's zone, so anything else
// (a numeric address given as a name, "..", ".example") is refused.
bool UsableHostName(std::string_view name);

// Resolves one record's host through the cache. Returns the name to count,
// or an empty text when `host` is left as it is. A name that is not
// UsableHostName counts as no name: the address stays. `beforeLookup` and
// `afterLookup` run around a real network look-up only (never for a cache
// hit), so the run can post its "DNS" stage; `resolver` performs the look-up
// (ReverseLookup outside tests).
using Resolver = std::function<std::string(std::string_view)>;
std::string ResolveHost(std::string_view host, CDNSCache& cache, const Resolver& resolver,
                        const std::function<void()>& beforeLookup,
                        const std::function<void()>& afterLookup);

}  // namespace tlw
