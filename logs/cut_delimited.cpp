#include "logs/layout_cutters.h"
#include "logs/tokenizer.h"

// The three server layouts whose columns are separated by commas or tabs.
namespace tlw::layout {
namespace {

constexpr char kBlank = ' ';
constexpr char kComma = ',';
constexpr char kTab = '\t';
constexpr char kSlash = '/';
constexpr DelimiterSet kSlashDot("/.");
constexpr char kColon = ':';
constexpr DelimiterSet kBlankOrTab(" \t");

}  // namespace

// client, user, mm/dd/yy, hh:mm:ss, service, server, server address, time
// taken, bytes received, bytes sent, status, system status, method, target,
// parameters, ... Every field keeps the blank after its comma except the
// status, which is cut once more at blanks.
ParseOutcome CutCommaSeparated(std::string_view line, LogRecord& record) {
  Tokenizer tokens(line);
  record.host = tokens.Next(kComma);
  record.user = tokens.Next(kComma);
  record.month = tokens.Next(kSlashDot);
  record.day = tokens.Next(kSlashDot);
  record.year = tokens.Next(kComma);
  record.hour = tokens.Next(kColon);
  record.minute = tokens.Next(kColon);
  tokens.Next(kComma);                              // seconds
  for (int i = 0; i < 5; ++i) tokens.Next(kComma);  // service .. bytes received
  record.bytes = tokens.Next(kComma);
  const std::string_view status = tokens.Next(kComma);
  tokens.Next(kComma);  // system status
  tokens.Next(kBlank);  // method
  record.url = tokens.Next(kComma);
  record.agent = tokens.Next(kComma);
  record.referrer = tokens.Next(kComma);
  Tokenizer statusWords(status);
  record.status = statusWords.Next(kBlank);
  return ParseOutcome::Record;
}

// mm/dd/yyyy hh:mm:ss, then tab-separated host, two columns, URL, an
// optional referrer (a URL, so it starts with "ht") before the agent,
// status, bytes. Without a referrer the agent's column is kept as the
// referrer and completion empties it when it is short.
ParseOutcome CutTabSeparated(std::string_view line, LogRecord& record) {
  Tokenizer tokens(line);
  record.month = tokens.Next(kSlash);
  record.day = tokens.Next(kSlash);
  record.year = tokens.Next(kBlank);
  record.hour = tokens.Next(kColon);
  record.minute = tokens.Next(kColon);
  tokens.Next(kTab);  // seconds
  record.host = tokens.Next(kTab);
  tokens.Next(kTab);
  tokens.Next(kTab);
  record.url = tokens.Next(kTab);
  record.referrer = tokens.Next(kTab);
  if (record.referrer.starts_with("ht")) record.agent = tokens.Next(kTab);
  record.status = tokens.Next(kTab);
  record.bytes = tokens.Next(kTab);
  return ParseOutcome::Record;
}

// mm/dd/yy, hh:mm:ss, result word, host, URL, bytes; lines that start with
// "!" are the server's directives.
ParseOutcome CutBangTabSeparated(std::string_view line, LogRecord& record) {
  Tokenizer tokens(line);
  record.month = tokens.Next(kSlashDot);
  if (record.month.starts_with("!")) return ParseOutcome::Skipped;
  record.day = tokens.Next(kSlashDot);
  record.year = tokens.Next(kTab);
  record.hour = tokens.Next(kColon);
  record.minute = tokens.Next(kColon);
  tokens.Next(kTab);  // seconds
  record.status = tokens.Next(kTab);
  record.host = tokens.Next(kTab);
  record.url = tokens.Next(kBlankOrTab);
  record.bytes = tokens.Next(kTab);
  return ParseOutcome::Record;
}

}  // namespace tlw::layout
