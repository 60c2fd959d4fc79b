#include "engine/dns_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tlw {
namespace {

struct Counters {
  int lookups = 0;
  int before = 0;
  int after = 0;
};

std::string Resolve(std::string_view host, CDNSCache& cache, Counters& counters,
                    std::string answer) {
  return ResolveHost(
      host, cache,
      [&](std::string_view) {
        ++counters.lookups;
        return answer;
      },
      [&] { ++counters.before; }, [&] { ++counters.after; });
}

TEST(ShouldResolve, OnlyNumericAddresses) {
  struct Case {
    const char* host;
    bool resolve;
  } const cases[] = {
      {"192.168.10.20", true},      // 13 characters, digits at both ends
      {"10.0.0.1", true},           //
      {"255.255.255.255", true},    // 15 characters
      {"1234567890123456", false},  // 16 characters
      {"www.example.com", false},   // a name
      {"123.example.de", false},    // digit first, letter last
      {"::1", true},                // IPv6
      {"2001:db8::8a2e:370:7334", true},
      {"fe80::1:2:3", true},
      {"not:an:address", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ShouldResolve(c.host), c.resolve) << c.host;
}

TEST(ResolveHost, LooksUpOnceThenServesTheCache) {
  CDNSCache cache;
  Counters counters;
  EXPECT_EQ(Resolve("192.168.10.2", cache, counters, "host.example.com"), "host.example.com");
  EXPECT_EQ(Resolve("192.168.10.2", cache, counters, "other"), "host.example.com");
  EXPECT_EQ(counters.lookups, 1);
  EXPECT_EQ(counters.before, 1);  // the "DNS" stage is posted around real look-ups only
  EXPECT_EQ(counters.after, 1);
}

TEST(ResolveHost, AddressWithoutNameIsCachedAsItself) {
  CDNSCache cache;
  Counters counters;
  // The resolver gives the address back when it finds no name.
  EXPECT_EQ(Resolve("10.1.2.3", cache, counters, "10.1.2.3"), "10.1.2.3");
  EXPECT_EQ(Resolve("10.1.2.3", cache, counters, "x"), "10.1.2.3");
  // A short IPv6 text is cached too, although it is shorter than any IPv4 text.
  EXPECT_EQ(Resolve("::1", cache, counters, "::1"), "::1");
  EXPECT_EQ(Resolve("::1", cache, counters, "x"), "::1");
  EXPECT_EQ(counters.lookups, 2);
}

TEST(ResolveHost, NamesAreLeftAloneAndTheCacheUntouched) {
  CDNSCache cache;
  Counters counters;
  EXPECT_EQ(Resolve("www.example.com", cache, counters, "x"), "");
  EXPECT_EQ(Resolve("123.example.de", cache, counters, "x"), "");
  EXPECT_EQ(counters.lookups, 0);
  EXPECT_EQ(cache.Size(), 0u);
}

// Reverse names come from whoever runs the address's zone: only a name of
// letters, digits, "-" and "." of at most 253 characters replaces the address.
TEST(ResolveHost, HostileNamesLeaveTheAddress) {
  struct Case {
    std::string name;
    bool used;
  } const cases[] = {
      {"host-1.example.com", true},
      {std::string(249, 'a') + ".com", true},  // 253 characters
      {std::string(250, 'a') + ".com", false},
      {std::string(400, 'a'), false},
      {"<script>alert(1)</script>.example", false},
      {"a\"onmouseover=\"x.example", false},
      {"host_name.example", false},
      {"host name.example", false},
      {"h\xc3\xa9te.example", false},  // UTF-8
      {std::string("nul\0.example", 12), false},
      {"evil.example\r\nX: 1", false},
      // Names that would pass for another host's or merge rows.
      {"8.8.8.8", false},
      {"10.0.0", false},
      {"..", false},
      {".example.com", false},
      {"example.com.", false},
      {"-example.com", false},
      {"example.com-", false},
      {"a..example", false},
      {"host-.example", false},
      {"3com.example", true},
      {"1.2.3.4.example", true},
      {"", false},
  };
  for (const Case& c : cases) {
    CDNSCache cache;
    Counters counters;
    const std::string expected = c.used ? c.name : "192.0.2.9";
    EXPECT_EQ(Resolve("192.0.2.9", cache, counters, c.name), expected) << c.name;
    EXPECT_EQ(cache.Lookup("192.0.2.9"), expected) << c.name;
  }
}

// What the resolver names depends on the machine; texts that are no
// address never reach it.
TEST(ReverseLookup, LeavesTextsThatAreNoAddressAlone) {
  EXPECT_EQ(ReverseLookup("not-an-address"), "not-an-address");
  EXPECT_EQ(ReverseLookup("999.1.1.1"), "999.1.1.1");
}

TEST(CDNSCache, ConcurrentRunsDoNotCorruptTheMap) {
  CDNSCache cache;
  std::atomic<int> lookups{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        const std::string address = "10.0." + std::to_string(i % 50) + ".1";
        const std::string name = ResolveHost(
            address, cache,
            [&](std::string_view a) {
              ++lookups;
              return "h-" + std::string(a) + ".example";
            },
            nullptr, nullptr);
        ASSERT_EQ(name, "h-" + address + ".example");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(cache.Size(), 50u);
  // Two runs may race to look up the same new address; never more than once each.
  EXPECT_GE(lookups.load(), 50);
  EXPECT_LE(lookups.load(), 200);
}

}  // namespace
}  // namespace tlw
