#include "engine/record_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace tlw {
namespace {

// A logfile held in memory.
class TextLines final : public LineSource {
 public:
  explicit TextLines(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  bool ReadLine(std::span<char>& line) override {
    if (next_ == lines_.size()) return false;
    line = std::span<char>(lines_[next_].data(), lines_[next_].size());
    ++next_;
    return true;
  }
  const SourceEnd& End() const override { return end_; }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  SourceEnd end_;
};

// 3000 combined lines: long URLs now and then fill a batch's arena before
// its record slots, a junk line gives no record, and every field differs
// from line to line so a record counted out of order or from a reused
// buffer shows.
std::vector<std::string> Lines() {
  std::vector<std::string> lines;
  for (int i = 0; i < 3000; ++i) {
    const std::string url = i % 97 == 0
                                ? "/long/" + std::string(7000, static_cast<char>('a' + i % 26))
                                : "/page" + std::to_string(i) + ".html";
    lines.push_back("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256) + " - u" +
                    std::to_string(i) + " [01/Mar/2024:" + std::to_string(10 + i % 10) +
                    ":00:01 +0000] \"GET " + url + " HTTP/1.1\" 200 " + std::to_string(i) +
                    " \"http://ref/" + std::to_string(i) + "\" \"Agent " + std::to_string(i) +
                    "\"");
    if (i == 1234) lines.push_back("junk");
  }
  return lines;
}

std::string Flat(const LogRecord& r) {
  return std::string(r.host) + "|" + std::string(r.user) + "|" + std::string(r.hour) + "|" +
         std::string(r.url) + "|" + std::string(r.bytes) + "|" + std::string(r.referrer) + "|" +
         std::string(r.agent);
}

std::vector<std::string> ReadDirectly() {
  TextLines lines(Lines());
  ParseState state;
  LogfileRecords records(lines, state);
  std::vector<std::string> seen;
  LogRecord record;
  for (RecordStep step; (step = records.Next(record)) != RecordStep::End;) {
    if (step == RecordStep::Record) seen.push_back(Flat(record));
  }
  return seen;
}

TEST(PipeRecords, HandsOverEveryRecordInOrderAndStopsWithinOneRecord) {
  const std::vector<std::string> expected = ReadDirectly();
  ASSERT_GT(expected.size(), 2900u);

  // Every record, in file order, as the line loop on one thread sees them.
  {
    TextLines lines(Lines());
    ParseState state;
    LogfileRecords records(lines, state);
    std::vector<std::string> seen;
    const PipelineEnd end = PipeRecords(
        records, [] { return true; },
        [&](LogRecord& record, LogFormat format) {
          EXPECT_EQ(format, LogFormat::Ncsa);
          seen.push_back(Flat(record));
        });
    EXPECT_FALSE(end.cancelled);
    EXPECT_EQ(end.step, RecordStep::End);
    EXPECT_EQ(seen, expected);
  }

  // A stop while counting: no record after it is counted.
  for (const std::size_t stopAt : {std::size_t{0}, std::size_t{1500}}) {
    TextLines lines(Lines());
    ParseState state;
    LogfileRecords records(lines, state);
    std::atomic<std::size_t> counted = 0;
    const PipelineEnd end = PipeRecords(
        records, [&] { return counted < stopAt; }, [&](LogRecord&, LogFormat) { ++counted; });
    EXPECT_TRUE(end.cancelled) << stopAt;
    EXPECT_EQ(counted, stopAt);
  }

  // A failure of the counting side ends the reading thread and comes back.
  {
    TextLines lines(Lines());
    ParseState state;
    LogfileRecords records(lines, state);
    EXPECT_THROW(PipeRecords(
                     records, [] { return true; },
                     [](LogRecord& record, LogFormat) {
                       if (record.url == "/page2000.html") throw std::runtime_error("full");
                     }),
                 std::runtime_error);
  }
}

}  // namespace
}  // namespace tlw
