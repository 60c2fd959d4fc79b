#pragma once

#include <cstdint>
#include <span>

#include "base/cache_line.h"
#include "base/log_record.h"
#include "logs/log_format.h"
#include "logs/parse_outcome.h"
#include "logs/period_texts.h"
#include "logs/w3c_fields.h"

namespace tlw {

// What the parser keeps for the whole run, across its files. On cache lines
// of its own: a pipelined run's reading thread writes it at every line,
// while the counting thread reads what the run keeps beside it.
struct alignas(kCacheLineSize) ParseState {
  // Lines that a layout's cutting turned into a record (dropped ones
  // included); the statistics use it to pace the closing of visits.
  std::uint64_t lineCounter = 0;
  // The fields of the most recent W3C field directive.
  W3cFieldList w3cFields;
  // Period texts of the completed records, copied into the profile after
  // the last record.
  PeriodTexts period;
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
