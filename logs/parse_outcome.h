#pragma once

namespace tlw {

// What cutting one line gave. Shared by ParseLine and the layout cutters it
// calls, which therefore need nothing else of the parser.
enum class ParseOutcome {
  Record,             // `record` holds the cut line (it still needs completing)
  Skipped,            // no record: a line starting with a blank, or a directive
  UnsupportedFormat,  // the file's layout is unknown: the run ends
  MissingDateField,   // a W3C field directive without "date": the run ends
};

}  // namespace tlw
