#include "engine/dns_cache.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tlw {
namespace {

// Host texts longer than this are cut, as the run's host buffer holds 299.
constexpr size_t kMaxHostLength = 299;
// The longest name DNS can carry, written with dots.
constexpr size_t kMaxHostNameLength = 253;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ParseIpv6(std::string_view text, in6_addr& address) {
  if (text.size() >= INET6_ADDRSTRLEN || text.find(':') == std::string_view::npos) return false;
  char buffer[INET6_ADDRSTRLEN];
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return inet_pton(AF_INET6, buffer, &address) == 1;
}

}  // namespace

std::string CDNSCache::Lookup(std::string_view address) const {
  std::lock_guard lock(mutex_);
  const auto handle = places_.Find(address);
  if (handle == KeyedTable<NamePlace>::kNone) return {};
  const NamePlace place = places_.ValueAt(handle);
  return names_.substr(place.offset, place.size);
}

void CDNSCache::Store(std::string_view address, std::string_view name) {
  std::lock_guard lock(mutex_);
  // Past 4 GiB of names (far beyond any session) nothing more is cached.
  if (names_.size() + name.size() > UINT32_MAX) return;
  places_.ValueAt(places_.Intern(address)) =
      NamePlace{static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(name.size())};
  names_ += name;
}

size_t CDNSCache::Size() const {
  std::lock_guard lock(mutex_);
  return places_.Count();
}

bool ShouldResolve(std::string_view host) {
  if (host.empty()) return false;
  if (IsDigit(host.front()) && IsDigit(host.back()) && host.size() <= 15) return true;
  in6_addr address{};
  return ParseIpv6(host, address);
}

bool UsableHostName(std::string_view name) {
  if (name.empty() || name.size() > kMaxHostNameLength) return false;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !IsDigit(c) && c != '-' && c != '.') return false;
  }
  // Every label holds something and neither starts nor ends with "-"
  // (RFC 1123 2.1), and the last is not all digits (RFC 3696 2): a name such
  // as "8.8.8.8" given for another address would merge its rows with that
  // address's own.
  bool lastAllDigits = true;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t dot = std::min(name.find('.', start), name.size());
    const std::string_view label = name.substr(start, dot - start);
    if (label.empty() || label.front() == '-' || label.back() == '-') return false;
    lastAllDigits = std::all_of(label.begin(), label.end(), IsDigit);
    start = dot + 1;
  }
  return !lastAllDigits;
}

std::string ReverseLookup(std::string_view addressText) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  in6_addr address6{};
  if (ParseIpv6(addressText, address6)) {
    auto* sin6 = reinterpret_cast<sockaddr_in6*>(&storage);
    sin6->sin6_family = AF_INET6;
    sin6->sin6_addr = address6;
    length = sizeof(sockaddr_in6);
  } else {
    char buffer[16];
    if (addressText.size() >= sizeof(buffer)) return std::string(addressText);
    std::memcpy(buffer, addressText.data(), addressText.size());
    buffer[addressText.size()] = '\0';
    auto* sin = reinterpret_cast<sockaddr_in*>(&storage);
    if (inet_pton(AF_INET, buffer, &sin->sin_addr) != 1) return std::string(addressText);
    sin->sin_family = AF_INET;
    length = sizeof(sockaddr_in);
  }
  char name[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, name, sizeof(name), nullptr,
                  0, NI_NAMEREQD) != 0) {
    return std::string(addressText);
  }
  return name;
}

std::string ResolveHost(std::string_view host, CDNSCache& cache, const Resolver& resolver,
                        const std::function<void()>& beforeLookup,
                        const std::function<void()>& afterLookup) {
  if (host.size() > kMaxHostLength) host = host.substr(0, kMaxHostLength);
  if (!ShouldResolve(host)) return {};
  // A cached address always has a value of its own length at least (an
  // address without a name is stored as itself), so any non-empty value is a
  // hit. This also holds for short IPv6 texts such as "::1".
  std::string cached = cache.Lookup(host);
  if (!cached.empty()) return cached;
  if (beforeLookup) beforeLookup();
  std::string name = resolver(host);
  if (!UsableHostName(name)) name = std::string(host);
  cache.Store(host, name);
  if (afterLookup) afterLookup();
  return name;
}

}  // namespace tlw
