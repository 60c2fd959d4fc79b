#pragma once

#include <optional>
#include <span>
#include <string>

#include "base/log_record.h"
#include "logs/line_parser.h"
#include "logs/line_source.h"

namespace tlw {

// One step through a logfile.
enum class RecordStep {
  Record,             // a completed record (host and URL present)
  Skipped,            // a line that gave no record: skipped, directive or dropped
  End,                // the file was read to its end
  Damaged,            // compressed data broke off: the file ends, the run goes on
  ReadFailed,         // the system reported a read error: the run ends
  UnsupportedFormat,  // the file's layout is unknown: the run ends
  MissingDateField,   // a W3C field directive without "date": the run ends
};

// The records of one logfile of a run. The layout is detected from the
// second line (or the only line of a one-line file). No request is lost to
// detection: the second line is then parsed like any other, and so is the
// first when it has the same layout (a header or directive line of another
// layout is not). Each call handles one line, so the run can test its
// cancellation flag between lines. Completed records are noted in the
// period texts of `state`.
class LogfileRecords {
 public:
  LogfileRecords(LineSource& lines, ParseState& state) : lines_(lines), state_(state) {}
  // Goes on reading a log whose layout an earlier reading detected (see
  // ResumableFormat): every line is parsed in `format`.
  LogfileRecords(LineSource& lines, ParseState& state, LogFormat format)
      : lines_(lines),
        state_(state),
        phase_(Phase::Body),
        format_(format),
        detected_(true),
        fromTwoLines_(true) {}

  // Handles the next line. For Record, `record` is completed and points
  // into the line, valid until the next call. After End, Damaged or a
  // failure, further calls return End.
  RecordStep Next(LogRecord& record);

  // Lets records outlive later calls without a copy (LineSource::KeepLines):
  // a record's fields lie in its line, in the file's first line kept here,
  // or in static text.
  bool KeepLines(LineBufferPool& pool) { return lines_.KeepLines(pool); }

  // The detected layout; Unsupported before the first call.
  LogFormat Format() const { return format_; }
  // Whether detection found no layout (the run shows
  // DetectionFailedNotice(), then UnsupportedLogfileNotice()).
  bool DetectionFailed() const { return detected_ && format_ == LogFormat::Unsupported; }
  // The layout in which the rest of the log may be read on, once the lines
  // so far are read: only a layout found from two lines, as a reading of
  // the whole log would find it; nothing otherwise.
  std::optional<LogFormat> ResumableFormat() const {
    if (!fromTwoLines_ || format_ == LogFormat::Unsupported) return std::nullopt;
    return format_;
  }
  // How the lines ended, once Next has returned End, Damaged or ReadFailed.
  const SourceEnd& SourceEndState() const { return lines_.End(); }

 private:
  enum class Phase { Detect, ProbeLine, Body, Done };

  RecordStep Detect(LogRecord& record);
  RecordStep Parse(std::span<char> line, LogRecord& record);
  RecordStep Finish();

  LineSource& lines_;
  ParseState& state_;
  Phase phase_ = Phase::Detect;
  LogFormat format_ = LogFormat::Unsupported;
  bool detected_ = false;
  bool fromTwoLines_ = false;  // the layout was detected from the second line
  std::string firstLine_;      // copied: reading the probe line may reuse its bytes
  std::span<char> probeLine_;
};

}  // namespace tlw
