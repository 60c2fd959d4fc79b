#include "engine/record_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "logs/line_reader.h"
#include "tests/fuzz/memory_byte_source.h"

namespace tlw {
namespace {

// A logfile held in memory, as lines that never move (and so cannot lend
// its lines to the pipeline's buffers: it is read on the counting thread).
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

// 6000 combined lines, about 1.3 MB: long URLs now and then, a junk line
// that gives no record, and every field different from line to line, so
// that a record counted out of order or from a buffer refilled too early
// shows.
std::vector<std::string> Lines() {
  std::vector<std::string> lines;
  for (int i = 0; i < 6000; ++i) {
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

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Bytes that now and then keep the reader waiting.
class SlowBytes final : public ByteSource {
 public:
  explicit SlowBytes(std::unique_ptr<ByteSource> bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(char* dest, std::size_t capacity) override {
    if (++reads_ % 40 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return bytes_->Read(dest, capacity);
  }
  const SourceEnd& End() const override { return bytes_->End(); }

 private:
  std::unique_ptr<ByteSource> bytes_;
  std::size_t reads_ = 0;
};

// The sources a run reads: a line reader over the bytes (which lends its
// lines to the pipeline), and lines that cannot be lent.
struct Source {
  std::string text = Joined(Lines());
  std::unique_ptr<LineSource> lines;
  explicit Source(bool lendable, bool slow = false) {
    if (lendable) {
      std::unique_ptr<ByteSource> bytes = std::make_unique<fuzz::MemoryByteSource>(text, 4096);
      if (slow) bytes = std::make_unique<SlowBytes>(std::move(bytes));
      lines = std::make_unique<LineReader>(std::move(bytes));
    } else {
      lines = std::make_unique<TextLines>(Lines());
    }
  }
};

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
  ASSERT_GT(expected.size(), 5900u);

  for (const bool lendable : {true, false}) {
    SCOPED_TRACE(lendable ? "line reader" : "fixed lines");
    // Every record, in file order, as the line loop on one thread sees
    // them; a slow counter now and then lets the reader run ahead as far as
    // it may, a slow reader leaves the counter waiting for batches.
    for (const bool slowCounter : {true, false}) {
      SCOPED_TRACE(slowCounter ? "slow counter" : "slow reader");
      const auto pause = [](std::size_t n) {
        if (n % 700 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      };
      Source source(lendable, !slowCounter);
      ParseState state;
      LogfileRecords records(*source.lines, state);
      std::vector<std::string> seen;
      // Each record comes with the hashes of its keys; the look-ahead is
      // given those of the records four, two and (at most) eight after the
      // one counted next.
      struct Ahead {
        std::size_t counted;
        std::uint64_t farHost, nearHost, nextHost;
      };
      std::vector<std::uint64_t> hostHashes;
      std::vector<Ahead> lookedAhead;
      RecordHandlers handlers;
      handlers.lookAhead = [&](const RecordHashes& far, const RecordHashes& near,
                               const RecordHashes& next) {
        lookedAhead.push_back({hostHashes.size(), far.host, near.host, next.host});
      };
      handlers.count = [&](LogRecord& record, LogFormat format, const RecordHashes& hashes) {
        EXPECT_EQ(format, LogFormat::Ncsa);
        if (slowCounter) pause(seen.size());
        seen.push_back(Flat(record));
        const RecordHashes own = HashesOf(record);
        EXPECT_TRUE(hashes.host == own.host && hashes.path == own.path);
        hostHashes.push_back(hashes.host);
      };
      const PipelineEnd end = PipeRecords(
          records, [] { return true; }, handlers);
      EXPECT_FALSE(end.cancelled);
      EXPECT_EQ(end.step, RecordStep::End);
      ASSERT_EQ(seen.size(), expected.size());
      for (std::size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], expected[i]) << i;
      for (const Ahead& ahead : lookedAhead) {
        ASSERT_LT(ahead.counted + 4, hostHashes.size());
        EXPECT_EQ(ahead.nearHost, hostHashes[ahead.counted + 4]);
        EXPECT_EQ(ahead.nextHost, hostHashes[ahead.counted + 2]);
        bool farFound = false;
        for (std::size_t k = ahead.counted + 4; k <= ahead.counted + 8 && k < hostHashes.size();
             ++k) {
          farFound = farFound || ahead.farHost == hostHashes[k];
        }
        EXPECT_TRUE(farFound) << ahead.counted;
      }
      // Only the records counted by the pipeline are looked ahead at, all
      // but the last four of each batch.
      if (lendable) {
        EXPECT_GT(lookedAhead.size(), seen.size() * 3 / 4);
      } else {
        EXPECT_TRUE(lookedAhead.empty());
      }
    }

    // A stop while counting: no record after it is counted.
    for (const std::size_t stopAt : {std::size_t{0}, std::size_t{1500}, std::size_t{5000}}) {
      Source source(lendable);
      ParseState state;
      LogfileRecords records(*source.lines, state);
      std::atomic<std::size_t> counted = 0;
      RecordHandlers handlers;
      handlers.count = [&](LogRecord&, LogFormat, const RecordHashes&) { ++counted; };
      const PipelineEnd end = PipeRecords(
          records, [&] { return counted < stopAt; }, handlers);
      EXPECT_TRUE(end.cancelled) << stopAt;
      EXPECT_EQ(counted, stopAt);
    }

    // A failure of the counting side ends the reading thread and comes back.
    {
      Source source(lendable);
      ParseState state;
      LogfileRecords records(*source.lines, state);
      RecordHandlers handlers;
      handlers.count = [](LogRecord& record, LogFormat, const RecordHashes&) {
        if (record.url == "/page4000.html") throw std::runtime_error("full");
      };
      EXPECT_THROW(PipeRecords(
                       records, [] { return true; }, handlers),
                   std::runtime_error);
    }
  }
}

}  // namespace
}  // namespace tlw
