#pragma once

#include <sys/socket.h>

#include <optional>
#include <string_view>

namespace tlw {

// The kind of network an address belongs to. Only public addresses are
// asked for pages on behalf of a log: the others reach the machine that
// writes the report and its own network, which a visitor of the site
// cannot.
enum class AddressKind {
  Public,
  Loopback,   // 127.0.0.0/8, 0.0.0.0/8, ::1, ::
  LinkLocal,  // 169.254.0.0/16, fe80::/10
  Private,    // 10/8, 172.16/12, 192.168/16, 100.64/10 (RFC 6598), fc00::/7, fec0::/10
};

// The kind of an IPv4 or IPv6 socket address; an IPv4 address mapped into
// IPv6 (::ffff:a.b.c.d) or written for NAT64 (64:ff9b::a.b.c.d) is taken as
// that IPv4 address. Other families are Public (they are not connected to).
AddressKind KindOfAddress(const sockaddr& address);

// The kind of a URL's host when it is written as an address ("10.0.0.1",
// "[fe80::1]", "::1") or is "localhost" (RFC 6761: always loopback); none
// for a host name.
std::optional<AddressKind> KindOfHostText(std::string_view host);

}  // namespace tlw
