#include "settings/settings_archive.h"

#include <gtest/gtest.h>

#include <string>

namespace tlw {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

struct PrefixCase {
  std::size_t length;
  std::string prefix;
};

class TextPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(TextPrefix, WritesShortestFormAndReadsItBack) {
  const PrefixCase& c = GetParam();
  const std::string text(c.length, 'a');
  ArchiveWriter out;
  out.Write(text);
  Result<std::string> bytes = std::move(out).Finish();
  ASSERT_TRUE(bytes.ok());
  ASSERT_EQ(bytes->size(), c.prefix.size() + c.length);
  EXPECT_EQ(bytes->substr(0, c.prefix.size()), c.prefix);

  ArchiveReader in(*bytes);
  std::string back;
  ASSERT_TRUE(in.Read(back).ok());
  EXPECT_EQ(back, text);
  EXPECT_TRUE(in.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TextPrefix,
    ::testing::Values(PrefixCase{0, Bytes({0x00})}, PrefixCase{1, Bytes({0x01})},
                      PrefixCase{254, Bytes({0xFE})}, PrefixCase{255, Bytes({0xFF, 0xFF, 0x00})},
                      PrefixCase{65533, Bytes({0xFF, 0xFD, 0xFF})},
                      // 0xFFFE in the 2-byte place would mark a wide text.
                      PrefixCase{65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
                      PrefixCase{70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})}));

struct WideCase {
  const char* name;
  std::string bytes;
  std::string text;
};

class WideText : public ::testing::TestWithParam<WideCase> {};

TEST_P(WideText, IsReadAsUtf8) {
  ArchiveReader in(GetParam().bytes);
  std::string text;
  ASSERT_TRUE(in.Read(text).ok());
  EXPECT_EQ(text, GetParam().text);
  EXPECT_TRUE(in.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WideText,
    ::testing::Values(
        WideCase{"Ascii", Bytes({0xFF, 0xFE, 0xFF, 0x02, 'h', 0, 'i', 0}), "hi"},
        WideCase{"Empty", Bytes({0xFF, 0xFE, 0xFF, 0x00}), ""},
        WideCase{"Latin", Bytes({0xFF, 0xFE, 0xFF, 0x01, 0xE9, 0x00}), "\xC3\xA9"},
        WideCase{"Euro", Bytes({0xFF, 0xFE, 0xFF, 0x01, 0xAC, 0x20}), "\xE2\x82\xAC"},
        WideCase{"SurrogatePair", Bytes({0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE}),
                 "\xF0\x9F\x98\x80"},
        WideCase{"LoneSurrogate", Bytes({0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 'x', 0}),
                 "\xEF\xBF\xBDx"},
        WideCase{"TwoByteLength", Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 'z', 0}), "z"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ArchiveWriter, ClampsTimesAndSizesToFourBytes) {
  ArchiveWriter out;
  out.Write(FieldTime{-1});
  out.Write(FieldTime{4102444800});  // 2100-01-01
  out.Write(FieldTime{-4102444800});
  out.Write(FieldSize{5'000'000'000});
  out.Write(FieldSize{4'294'967'295});
  out.Write(FieldInt{-2});
  Result<std::string> bytes = std::move(out).Finish();
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(*bytes,
            Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80,
                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}));

  ArchiveReader in(*bytes);
  FieldTime time = 0;
  ASSERT_TRUE(in.Read(time).ok());
  EXPECT_EQ(time, -1);  // signed on reading
  ASSERT_TRUE(in.Read(time).ok());
  EXPECT_EQ(time, 2147483647);
  ASSERT_TRUE(in.Read(time).ok());
  EXPECT_EQ(time, -2147483648LL);
  FieldSize size = 0;
  ASSERT_TRUE(in.Read(size).ok());
  EXPECT_EQ(size, 4294967295u);  // unsigned on reading
}

struct DamageCase {
  const char* name;
  std::string bytes;
};

class DamagedText : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedText, IsAReadErrorNotAnAllocation) {
  ArchiveReader in(GetParam().bytes);
  std::string text = "unchanged";
  Status status = in.Read(text);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.message().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, DamagedText,
    ::testing::Values(
        DamageCase{"Empty", ""}, DamageCase{"OneByteTooLong", Bytes({0x03, 'a', 'b'})},
        DamageCase{"CutInTwoByteLength", Bytes({0xFF, 0x10})},
        DamageCase{"CutInFourByteLength", Bytes({0xFF, 0xFF, 0xFF, 0x01, 0x02})},
        DamageCase{"ClaimsTwoGigabytes", Bytes({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 'a'})},
        DamageCase{"ClaimsFourGigabytes", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        DamageCase{"WideOddBytes", Bytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'})},
        DamageCase{"WideClaimsGigabytes",
                   Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})},
        DamageCase{"WideCutInPrefix", Bytes({0xFF, 0xFE, 0xFF})}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ArchiveReader, IntegerCutShortFails) {
  ArchiveReader in(Bytes({0x01, 0x02, 0x03}));
  FieldInt value = 7;
  EXPECT_FALSE(in.Read(value).ok());
  EXPECT_EQ(value, 7);
}

}  // namespace
}  // namespace tlw
