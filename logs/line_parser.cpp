#include "logs/line_parser.h"

#include "logs/layout_cutters.h"

namespace tlw {
namespace {

constexpr std::size_t kMaxHostLength = 299;
constexpr std::size_t kMinAgentLength = 5;
constexpr std::size_t kMinReferrerLength = 6;

}  // namespace

ParseOutcome ParseLine(LogFormat format, std::span<char> line, ParseState& state,
                       LogRecord& record) {
  // Continuation lines and padding start with a blank; no layout starts so.
  if (!line.empty() && line[0] == ' ') return ParseOutcome::Skipped;

  const std::string_view text(line.data(), line.size());
  ParseOutcome outcome = ParseOutcome::UnsupportedFormat;
  if (format == LogFormat::Ncsa) {
    // The NCSA cutter sets every field itself: clearing the record first
    // would cost a good part of cutting it.
    outcome = layout::CutNcsa(text, record);
    if (outcome == ParseOutcome::Record) ++state.lineCounter;
    return outcome;
  }
  record = LogRecord{};
  record.user = "-";
  switch (format) {
    case LogFormat::Ncsa:
      break;
    case LogFormat::W3cExtended:
      outcome = layout::CutW3cExtended(line, state.w3cFields, record);
      break;
    case LogFormat::CommaSeparated:
      outcome = layout::CutCommaSeparated(text, record);
      break;
    case LogFormat::TabSeparated:
      outcome = layout::CutTabSeparated(text, record);
      break;
    case LogFormat::BangTabSeparated:
      outcome = layout::CutBangTabSeparated(text, record);
      break;
    case LogFormat::Unsupported:
      break;
  }
  if (outcome == ParseOutcome::Record) ++state.lineCounter;
  return outcome;
}

bool CompleteRecord(LogRecord& record) {
  if (record.host.empty() || record.url.empty()) return false;
  if (record.agent.size() < kMinAgentLength) record.agent = {};
  if (record.referrer.size() < kMinReferrerLength) record.referrer = {};
  if (record.host.size() > kMaxHostLength) record.host = record.host.substr(0, kMaxHostLength);
  return true;
}

}  // namespace tlw
