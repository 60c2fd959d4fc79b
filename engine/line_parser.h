#pragma once

#include <cstdint>
#include <span>

#include "base/log_record.h"
#include "engine/log_format.h"
#include "engine/period_texts.h"
#include "engine/w3c_fields.h"

namespace tlw {

// What the parser keeps for the whole run, across its files.
struct ParseState {
  // Lines that a layout's cutting turned into a record (dropped ones
  // included); the statistics use it to pace the closing of visits.
  std::uint64_t lineCounter = 0;
  // The fields of the most recent W3C field directive.
  W3cFieldList w3cFields;
  // Period texts of the completed records, copied into the profile after
  // the last record.
  PeriodTexts period;
};

enum class ParseOutcome {
  Record,             // `record` holds the cut line (it still needs completing)
  Skipped,            // no record: a line starting with a blank, or a directive
  UnsupportedFormat,  // the file's layout is unknown: the run ends
  MissingDateField,   // a W3C field directive without "date": the run ends
};

// Cuts `line` by `format` into `record`, whose fields then point into the
// line (valid until the line's buffer is reused). The line may be modified
// (a W3C user name of two words is joined in place). Counts the record in
// `state.lineCounter`; a W3C field directive redefines `state.w3cFields`.
ParseOutcome ParseLine(LogFormat format, std::span<char> line, ParseState& state,
                       LogRecord& record);

// Completes a cut record: returns false (drop it) when it has no host or no
// URL; empties an agent under 5 and a referrer under 6 characters (so "-"
// and a lone blank vanish) and keeps at most 299 characters of the host.
bool CompleteRecord(LogRecord& record);

}  // namespace tlw
