#include "net/address_kind.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "net/page_head.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"

namespace tlw {
namespace {

struct KindCase {
  const char* host;
  std::optional<AddressKind> kind;
};

class AddressKindTest : public testing::TestWithParam<KindCase> {};

// The kind of a host as written in a URL, and, for an address, the kind of
// the same address as libcurl hands it over before connecting.
TEST_P(AddressKindTest, OfHostTextAndOfSocketAddress) {
  const KindCase& c = GetParam();
  EXPECT_EQ(KindOfHostText(c.host), c.kind) << c.host;
  sockaddr_in v4{};
  sockaddr_in6 v6{};
  if (::inet_pton(AF_INET, c.host, &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    EXPECT_EQ(KindOfAddress(reinterpret_cast<const sockaddr&>(v4)), c.kind) << c.host;
  } else if (::inet_pton(AF_INET6, c.host, &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    EXPECT_EQ(KindOfAddress(reinterpret_cast<const sockaddr&>(v6)), c.kind) << c.host;
  }
}

INSTANTIATE_TEST_SUITE_P(Hosts, AddressKindTest,
                         testing::Values(KindCase{"127.0.0.1", AddressKind::Loopback},
                                         KindCase{"::1", AddressKind::Loopback},
                                         KindCase{"LocalHost", AddressKind::Loopback},
                                         KindCase{"::ffff:127.0.0.1", AddressKind::Loopback},
                                         KindCase{"169.254.169.254", AddressKind::LinkLocal},
                                         KindCase{"fe80::1", AddressKind::LinkLocal},
                                         KindCase{"[fe80::1%25eth0]", AddressKind::LinkLocal},
                                         KindCase{"febf::1", AddressKind::LinkLocal},
                                         KindCase{"10.1.2.3", AddressKind::Private},
                                         KindCase{"172.31.255.255", AddressKind::Private},
                                         KindCase{"100.64.0.1", AddressKind::Private},
                                         KindCase{"fd12::1", AddressKind::Private},
                                         KindCase{"::ffff:10.0.0.1", AddressKind::Private},
                                         KindCase{"64:ff9b::192.168.0.1", AddressKind::Private},
                                         KindCase{"172.32.0.1", AddressKind::Public},
                                         KindCase{"172.15.255.255", AddressKind::Public},
                                         KindCase{"100.128.0.1", AddressKind::Public},
                                         KindCase{"2001:db8::1", AddressKind::Public},
                                         KindCase{"fec0::1", AddressKind::Private},
                                         KindCase{"www.example.com", std::nullopt},
                                         KindCase{"localhost.example.com", std::nullopt}));

// Whether `host` resolves to an IPv4 loopback address.
bool ResolvesToLoopback(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
  const bool loopback = KindOfAddress(*found->ai_addr) == AddressKind::Loopback;
  ::freeaddrinfo(found);
  return loopback;
}

// A site whose name leads to this machine or its network (an intranet
// site) is asked there, as the site written as 127.0.0.1 is.
TEST(PageHeadAddresses, NameLeadingToThisMachineIsAskedThere) {
  char name[256] = {};
  ASSERT_EQ(::gethostname(name, sizeof name - 1), 0);
  if (!ResolvesToLoopback(name)) GTEST_SKIP() << name << " does not lead to 127.0.0.0/8 here";
  for (const char* proxy : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    ::unsetenv(proxy);
  }
  test::TempDir work;
  const auto server = test::StartHttpServer(work);
  ASSERT_NE(server->port(), 0) << "python3 http.server did not start";
  const std::string port = std::to_string(server->port());
  for (const std::string& host : {std::string("127.0.0.1"), std::string(name)}) {
    const Result<WebPageHead> head =
        FetchPageHead("http://" + host + ":" + port + "/dated.html", {});
    ASSERT_TRUE(head.ok()) << host << ": " << head.message();
    EXPECT_EQ(head->status, 200) << host;
  }
}

}  // namespace
}  // namespace tlw
