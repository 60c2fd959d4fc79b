#include "net/address_kind.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

namespace tlw {
namespace {

struct Ipv4Block {
  std::uint32_t network;
  int prefix;
  AddressKind kind;
};

constexpr Ipv4Block kIpv4Blocks[] = {
    {0x7f000000, 8, AddressKind::Loopback},    // 127.0.0.0/8
    {0x00000000, 8, AddressKind::Loopback},    // 0.0.0.0/8 reaches this machine on Linux
    {0xa9fe0000, 16, AddressKind::LinkLocal},  // 169.254.0.0/16
    {0x0a000000, 8, AddressKind::Private},     // 10.0.0.0/8
    {0xac100000, 12, AddressKind::Private},    // 172.16.0.0/12
    {0xc0a80000, 16, AddressKind::Private},    // 192.168.0.0/16
    {0x64400000, 10, AddressKind::Private},    // 100.64.0.0/10, carrier-grade NAT
};

AddressKind KindOfIpv4(std::uint32_t address) {
  for (const Ipv4Block& block : kIpv4Blocks) {
    const std::uint32_t mask = ~std::uint32_t{0} << (32 - block.prefix);
    if ((address & mask) == block.network) return block.kind;
  }
  return AddressKind::Public;
}

AddressKind KindOfIpv6(const std::array<unsigned char, 16>& bytes) {
  auto startsWith = [&bytes](std::initializer_list<unsigned char> prefix) {
    return std::memcmp(bytes.data(), prefix.begin(), prefix.size()) == 0;
  };
  const bool zeroUpTo15 = startsWith({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  if (zeroUpTo15 && bytes[15] <= 1) return AddressKind::Loopback;  // :: and ::1
  const bool mapped = startsWith({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff});
  const bool nat64 = startsWith({0, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0});
  if (mapped || nat64) {
    return KindOfIpv4(std::uint32_t{bytes[12]} << 24 | std::uint32_t{bytes[13]} << 16 |
                      std::uint32_t{bytes[14]} << 8 | bytes[15]);
  }
  if (bytes[0] == 0xfe && (bytes[1] & 0xc0) == 0x80) return AddressKind::LinkLocal;  // fe80::/10
  if (bytes[0] == 0xfe && (bytes[1] & 0xc0) == 0xc0) return AddressKind::Private;    // fec0::/10
  if ((bytes[0] & 0xfe) == 0xfc) return AddressKind::Private;                        // fc00::/7
  return AddressKind::Public;
}

}  // namespace

AddressKind KindOfAddress(const sockaddr& address) {
  if (address.sa_family == AF_INET) {
    sockaddr_in v4{};
    std::memcpy(&v4, &address, sizeof v4);
    return KindOfIpv4(ntohl(v4.sin_addr.s_addr));
  }
  if (address.sa_family == AF_INET6) {
    sockaddr_in6 v6{};
    std::memcpy(&v6, &address, sizeof v6);
    std::array<unsigned char, 16> bytes{};
    std::memcpy(bytes.data(), &v6.sin6_addr, bytes.size());
    return KindOfIpv6(bytes);
  }
  return AddressKind::Public;
}

std::optional<AddressKind> KindOfHostText(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  host = host.substr(0, host.find('%'));  // an IPv6 zone ("fe80::1%eth0")
  std::string text(host);
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (text == "localhost" || text == "localhost.") return AddressKind::Loopback;
  in_addr v4{};
  if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) return KindOfIpv4(ntohl(v4.s_addr));
  in6_addr v6{};
  if (::inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    std::array<unsigned char, 16> bytes{};
    std::memcpy(bytes.data(), &v6, bytes.size());
    return KindOfIpv6(bytes);
  }
  return std::nullopt;
}

}  // namespace tlw
