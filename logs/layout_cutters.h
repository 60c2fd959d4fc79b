#pragma once

#include <span>

#include "base/log_record.h"
#include "logs/parse_outcome.h"
#include "logs/w3c_fields.h"

// The cutting of each layout, one file each; ParseLine picks one. Each
// returns Record when its cutting completed, or the reason it produced none.
// CutNcsa sets every field of `record`; the others set only the fields their
// layout has, in a record cleared beforehand with the user "-".
namespace tlw::layout {

ParseOutcome CutNcsa(std::string_view line, LogRecord& record);
ParseOutcome CutW3cExtended(std::span<char> line, W3cFieldList& fields, LogRecord& record);
ParseOutcome CutCommaSeparated(std::string_view line, LogRecord& record);
ParseOutcome CutTabSeparated(std::string_view line, LogRecord& record);
ParseOutcome CutBangTabSeparated(std::string_view line, LogRecord& record);

}  // namespace tlw::layout
