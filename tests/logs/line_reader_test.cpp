#include "logs/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tlw {
namespace {

// Hands out its bytes in chunks of a fixed size, so lines cross chunk
// boundaries everywhere; ends as told.
class ChunkedSource final : public ByteSource {
 public:
  ChunkedSource(std::string data, std::size_t chunk, SourceEnd end = {})
      : data_(std::move(data)), chunk_(chunk), finalEnd_(std::move(end)) {}

  std::size_t Read(char* dest, std::size_t capacity) override {
    const std::size_t n = std::min({chunk_, capacity, data_.size() - offset_});
    std::copy_n(data_.data() + offset_, n, dest);
    offset_ += n;
    if (n == 0) end_ = finalEnd_;
    return n;
  }
  const SourceEnd& End() const override { return end_; }

 private:
  std::string data_;
  std::size_t chunk_;
  std::size_t offset_ = 0;
  SourceEnd finalEnd_;
  SourceEnd end_;
};

std::vector<std::string> ReadAll(std::string data, std::size_t chunk, SourceEnd end = {}) {
  LineReader reader(std::make_unique<ChunkedSource>(std::move(data), chunk, std::move(end)));
  std::vector<std::string> lines;
  std::span<char> line;
  while (reader.ReadLine(line)) lines.emplace_back(line.data(), line.size());
  EXPECT_EQ(reader.LinesRead(), lines.size());
  return lines;
}

using Lines = std::vector<std::string>;

class LineReaderTest : public testing::TestWithParam<std::size_t> {};

TEST_P(LineReaderTest, SplitsLinesAndDropsLineEnds) {
  EXPECT_EQ(ReadAll("a\nb\r\nc", GetParam()), (Lines{"a", "b", "c"}));
  EXPECT_EQ(ReadAll("a\n\nb\n", GetParam()), (Lines{"a", "", "b"}));
  EXPECT_EQ(ReadAll("\r\n", GetParam()), (Lines{""}));
  EXPECT_EQ(ReadAll("", GetParam()), (Lines{}));
  EXPECT_EQ(ReadAll("only a carriage return inside\rthe line\n", GetParam()),
            (Lines{"only a carriage return inside\rthe line"}));
}

// NUL bytes vanish wherever they are, also as a whole line or across chunk
// ends; invalid UTF-8 is passed on unchanged.
TEST_P(LineReaderTest, DropsNulBytesAndKeepsInvalidUtf8) {
  const std::string odd = std::string("\0a\0b\xff\xc3(\0\0", 9);
  const std::string nuls(5000, '\0');
  EXPECT_EQ(ReadAll(odd + "\n" + nuls + "\n" + odd + nuls, GetParam()),
            (Lines{"ab\xff\xc3(", "", "ab\xff\xc3("}));
  EXPECT_EQ(ReadAll(std::string("Mar\0ch-1\r\0\n", 11), GetParam()), (Lines{"March-1"}));
}

TEST_P(LineReaderTest, CutsOverLongLinesAndDropsTheirRest) {
  const std::string limit(kMaxLineLength, 'x');
  EXPECT_EQ(ReadAll(limit + "\nnext\n", GetParam()), (Lines{limit, "next"}));
  EXPECT_EQ(ReadAll(limit + "\r\nnext", GetParam()), (Lines{limit, "next"}));
  EXPECT_EQ(ReadAll(limit + "yz\r\nnext\n", GetParam()), (Lines{limit, "next"}));
  EXPECT_EQ(ReadAll(limit + std::string(20000, 'y') + "\nnext\n", GetParam()),
            (Lines{limit, "next"}));
  EXPECT_EQ(ReadAll(limit + "tail without line end", GetParam()), (Lines{limit}));
}

TEST_P(LineReaderTest, ReadsManyLinesAcrossBufferRefills) {
  std::string data;
  Lines expected;
  for (int i = 0; i < 40000; ++i) {
    expected.push_back(std::string(static_cast<std::size_t>(i % 97), 'a' + i % 26) +
                       std::to_string(i));
    data += expected.back() + (i % 3 == 0 ? "\r\n" : "\n");
  }
  EXPECT_EQ(ReadAll(data, GetParam()), expected);
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, LineReaderTest,
                         testing::Values(1, 7, 4096, LineReader::kBufferSize));

TEST(LineReader, ALineLongerThanTheWholeBufferIsCut) {
  const std::string huge(3 * LineReader::kBufferSize, 'z');
  EXPECT_EQ(ReadAll("first\n" + huge + "\nlast\n", 65536),
            (Lines{"first", std::string(kMaxLineLength, 'z'), "last"}));
}

TEST(LineReader, AnUnfinishedLastLineOfBrokenDataIsDropped) {
  SourceEnd damaged{SourceEnd::Kind::Damaged, "broken"};
  EXPECT_EQ(ReadAll("a\nb\npartial", 3, damaged), (Lines{"a", "b"}));
  EXPECT_EQ(ReadAll("a\nb\npartial", 3), (Lines{"a", "b", "partial"}));
}

}  // namespace
}  // namespace tlw
