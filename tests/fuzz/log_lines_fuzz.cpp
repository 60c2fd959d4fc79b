// The input is a logfile. It is read by the line reader, its layout
// detected and every line cut and completed, as a run does; then each line
// is cut by every layout in turn, since detection reaches a layout's cutter
// only after a second line that fits it.

#include <array>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "fuzz/memory_byte_source.h"
#include "logs/line_reader.h"
#include "logs/logfile_records.h"

namespace {

using tlw::fuzz::Touch;

void CheckRecord(const tlw::LogRecord& record) {
  TLW_FUZZ_CHECK(!record.host.empty() && !record.url.empty());
  TLW_FUZZ_CHECK(record.host.size() <= 299);
  std::size_t sum = 0;
  for (const std::string_view field :
       {record.host, record.user, record.day, record.month, record.year, record.hour, record.minute,
        record.url, record.status, record.bytes, record.referrer, record.agent}) {
    sum += Touch(field);
  }
  (void)sum;
}

std::unique_ptr<tlw::LineReader> Lines(std::string_view data) {
  // Pieces of an odd size, so lines cross the ends of reads.
  return std::make_unique<tlw::LineReader>(
      std::make_unique<tlw::fuzz::MemoryByteSource>(data, 509));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = tlw::fuzz::AsText(data, size);
  {
    auto lines = Lines(input);
    tlw::ParseState state;
    tlw::LogfileRecords records(*lines, state);
    tlw::LogRecord record;
    for (bool more = true; more;) {
      switch (records.Next(record)) {
        case tlw::RecordStep::Record:
          CheckRecord(record);
          break;
        case tlw::RecordStep::Skipped:
          break;
        default:
          more = false;
      }
    }
    (void)state.period;
  }
  static constexpr std::array kLayouts = {
      tlw::LogFormat::Ncsa, tlw::LogFormat::W3cExtended, tlw::LogFormat::CommaSeparated,
      tlw::LogFormat::TabSeparated, tlw::LogFormat::BangTabSeparated};
  for (const tlw::LogFormat layout : kLayouts) {
    auto lines = Lines(input);
    tlw::ParseState state;
    tlw::LogRecord record;
    std::span<char> line;
    while (lines->ReadLine(line)) {
      TLW_FUZZ_CHECK(line.size() <= tlw::kMaxLineLength);
      const tlw::ParseOutcome outcome = tlw::ParseLine(layout, line, state, record);
      if (outcome == tlw::ParseOutcome::Record && tlw::CompleteRecord(record)) {
        CheckRecord(record);
        state.period.Note(record);
      }
    }
  }
  return 0;
}
