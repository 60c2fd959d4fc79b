#pragma once

#include <string_view>

namespace tlw {

// Finds the country of a client address that was not resolved to a name.
// Counting asks it once per distinct host, on the run's thread; it may open
// its data at the first question.
class CountryLookup {
 public:
  virtual ~CountryLookup() = default;
  // The upper-case ISO 3166 code of the country `address` is in, valid
  // until the next call; empty when `address` is no IPv4 or IPv6 address,
  // is private, loopback or link-local, or is in no country the data knows.
  virtual std::string_view CountryOf(std::string_view address) = 0;
};

}  // namespace tlw
