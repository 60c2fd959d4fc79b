#include "stats/stat_table.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "stats/text_hash.h"

namespace tlw {
namespace {

std::vector<std::string> KeysOf(const std::vector<StatEntry>& entries) {
  std::vector<std::string> keys;
  for (const StatEntry& e : entries) keys.emplace_back(e.key);
  return keys;
}

TEST(TableHash, MultipliesBy33AndAddsSignedBytes) {
  EXPECT_EQ(TableHash(""), 0u);
  EXPECT_EQ(TableHash("a"), 97u);
  EXPECT_EQ(TableHash("ab"), 97u * 33u + 98u);
  // Bytes above 127 count as negative values.
  EXPECT_EQ(TableHash("\xFF"), 0xFFFFFFFFu);
  EXPECT_EQ(TableHash("\xFF\x01"), static_cast<std::uint32_t>(-33 + 1));
  // Wraps modulo 2^32.
  std::uint32_t expected = 0;
  for (char c : std::string("a rather long key that overflows 32 bits")) {
    expected = expected * 33u + static_cast<std::uint32_t>(static_cast<unsigned char>(c));
  }
  EXPECT_EQ(TableHash("a rather long key that overflows 32 bits"), expected);
  // Eight bytes are hashed in one step: every length and every byte value
  // in every position of a step gives the byte-by-byte result.
  std::mt19937 random(7);
  for (std::size_t length = 0; length <= 40; ++length) {
    for (int round = 0; round < 64; ++round) {
      std::string key(length, '\0');
      for (char& c : key) c = static_cast<char>(random());
      if (round == 0) key.assign(length, '\xFF');
      if (round == 1) key.assign(length, '\x80');
      std::uint32_t bytewise = 0;
      for (char c : key) {
        bytewise = bytewise * 33u + static_cast<std::uint32_t>(static_cast<signed char>(c));
      }
      ASSERT_EQ(TableHash(key), bytewise) << length << " " << round;
    }
  }
}

TEST(StatTable, IteratesBucketsAscendingAndNewestFirstWithinABucket) {
  // With 10 buckets: "a" 97, "k" 107 and "u" 117 share bucket 7, "b" is in
  // 8 and "!" (33) in 3.
  StatTable table(10);
  for (const char* key : {"a", "b", "k", "!", "u"}) table.Add(key);
  EXPECT_EQ(KeysOf(table.Entries()), (std::vector<std::string>{"!", "u", "k", "a", "b"}));
}

TEST(StatTable, OrderMatchesChainedTableForManyKeys) {
  // Enough keys for the bucket pass rather than the sort; the model is a
  // chained table that puts each new key at the head of its bucket.
  for (std::uint32_t buckets : {7u, 300u, 50000u}) {
    StatTable table(buckets);
    std::vector<std::vector<std::string>> chains(buckets);
    for (int i = 0; i < 20000; ++i) {
      const std::string key = "host" + std::to_string(i * 7919 % 20011);
      bool created = false;
      table.Intern(key, &created);
      if (created)
        chains[TableHash(key) % buckets].insert(chains[TableHash(key) % buckets].begin(), key);
    }
    std::vector<std::string> expected;
    for (const auto& chain : chains) expected.insert(expected.end(), chain.begin(), chain.end());
    EXPECT_EQ(KeysOf(table.Entries()), expected) << buckets << " buckets";
  }
}

TEST(StatTable, AddSetGetCount) {
  StatTable table(100);
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_EQ(table.Get("x"), std::nullopt);
  table.Add("x");
  table.Add("x", 4);
  table.Set("y", 7);
  table.Set("x", 2);
  EXPECT_EQ(table.Get("x"), 2);
  EXPECT_EQ(table.Get("y"), 7);
  EXPECT_EQ(table.Count(), 2u);
}

TEST(StatTable, KeysDifferingOnlyInCaseAreTwoEntries) {
  StatTable table(100);
  table.Add("/Index.html");
  table.Add("/index.html");
  table.Add("/index.html");
  EXPECT_EQ(table.Count(), 2u);
  EXPECT_EQ(table.Get("/Index.html"), 1);
  EXPECT_EQ(table.Get("/index.html"), 2);
}

TEST(StatTable, CountPassesTwoToThe32) {
  StatTable table(10);
  table.Add("big", 0xFFFFFFFFll);
  table.Add("big", 2);
  EXPECT_EQ(table.Get("big"), 0x100000001ll);
}

TEST(StatTable, RemovingTheOnlyEntryLeavesTheTableUsable) {
  StatTable table(50);
  table.Add("only", 3);
  EXPECT_TRUE(table.Remove("only"));
  EXPECT_FALSE(table.Remove("only"));
  EXPECT_EQ(table.Count(), 0u);
  EXPECT_TRUE(table.Entries().empty());
  table.Add("other");
  EXPECT_EQ(table.Get("other"), 1);
  EXPECT_EQ(table.Count(), 1u);
}

TEST(StatTable, AKeyAddedAgainAfterRemovalIsNewestInItsBucket) {
  StatTable table(10);
  for (const char* key : {"a", "k", "u"}) table.Add(key);  // all in bucket 7
  table.Remove("u");
  table.Add("a", 5);
  table.Add("u");
  EXPECT_EQ(KeysOf(table.Entries()), (std::vector<std::string>{"u", "k", "a"}));
  EXPECT_EQ(table.Get("a"), 6);
}

TEST(StatTable, StaysConsistentUnderRandomAddsAndRemoves) {
  // Removal shifts later members of a probe run back; a fault there loses
  // keys or finds removed ones. Half the additions come with their hashes
  // worked out beforehand and their look-ups loaded first. Checked against
  // std::map.
  std::mt19937 random(7);
  StatTable table(97);
  std::map<std::string, std::int64_t> model;
  for (int step = 0; step < 60000; ++step) {
    const std::string key = "k" + std::to_string(random() % 3000);
    if (random() % 3 == 0) {
      EXPECT_EQ(table.Remove(key), model.erase(key) == 1);
    } else if (step % 2 == 0) {
      const std::uint64_t hash = LookupHash(key);
      table.PrefetchAll(std::span(&hash, 1));
      table.AddAt(table.InternWithTableHash(key, hash, TableHash(key)), 2);
      model[key] += 2;
    } else {
      table.Add(key, 2);
      model[key] += 2;
    }
  }
  ASSERT_EQ(table.Count(), model.size());
  for (const auto& [key, count] : model) EXPECT_EQ(table.Get(key), count) << key;
  for (const StatEntry& e : table.Entries()) EXPECT_EQ(model.at(std::string(e.key)), e.count);
}

TEST(TextEquals, FindsADifferenceAtEveryPositionOfEveryLength) {
  // The comparison reads words, half-words and overlapping tails: a fault
  // there misses differences at some positions of some lengths.
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string a(length, 'x');
    EXPECT_TRUE(TextEquals(a, std::string(length, 'x')));
    for (std::size_t at = 0; at < length; ++at) {
      std::string b = a;
      b[at] = 'y';
      EXPECT_FALSE(TextEquals(a, b)) << length << " " << at;
      EXPECT_NE(LookupHash(a), LookupHash(b)) << length << " " << at;
    }
  }
  EXPECT_FALSE(TextEquals("abc", "abcd"));
}

TEST(StatTable, KeepsVeryLongKeysAndKeysOfEveryLength) {
  // Keys are stored beside their entries in chunks of up to 512 KiB; a key
  // longer than a chunk gets one of its own.
  StatTable table(3000);
  const std::string huge(700 * 1024, 'p');
  for (std::size_t length = 0; length < 300; ++length) table.Add(std::string(length, 'k'));
  table.Add(huge, 5);
  for (std::size_t length = 0; length < 300; ++length) table.Add(std::string(length, 'k'));
  EXPECT_EQ(table.Count(), 301u);
  EXPECT_EQ(table.Get(huge), 5);
  for (std::size_t length = 0; length < 300; ++length) {
    ASSERT_EQ(table.Get(std::string(length, 'k')), 2) << length;
  }
  std::size_t seen = 0;
  table.ForEach([&](std::string_view key, std::int64_t count) {
    seen += 1;
    EXPECT_EQ(count, key.size() == huge.size() ? 5 : 2);
  });
  EXPECT_EQ(seen, 301u);
}

TEST(StatTable, EmptyKeyIsAKeyLikeAnyOther) {
  StatTable table(24);
  table.Add("");
  table.Add("");
  EXPECT_EQ(table.Get(""), 2);
  EXPECT_EQ(KeysOf(table.Entries()), (std::vector<std::string>{""}));
}

}  // namespace
}  // namespace tlw
