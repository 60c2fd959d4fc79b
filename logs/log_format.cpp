#include "logs/log_format.h"

#include <array>

namespace tlw {
namespace {

// One detection rule: the probe line contains `marker` (and `alsoMarker`
// when given), or starts with it when `atStart` is set.
struct DetectionRule {
  std::string_view marker;
  std::string_view alsoMarker;
  bool atStart;
  LogFormat format;
};

// Tried in order, the first rule that holds decides. The order matters: an
// IIS comma line may contain " - " too, and a W3C directive may contain
// anything after its "#".
constexpr std::array<DetectionRule, 8> kDetectionRules{{
    {" - - ", "", false, LogFormat::Ncsa},
    {"#", "", true, LogFormat::W3cExtended},
    {", -,", "", false, LogFormat::CommaSeparated},
    {" -  - ", "", false, LogFormat::Ncsa},
    {"\t\t\t", "", false, LogFormat::TabSeparated},
    {" - ", "", false, LogFormat::Ncsa},
    {", ", ", W3", false, LogFormat::CommaSeparated},
    {"!!", "", false, LogFormat::BangTabSeparated},
}};

bool RuleHolds(const DetectionRule& rule, std::string_view line) {
  if (rule.atStart) return line.starts_with(rule.marker);
  if (line.find(rule.marker) == std::string_view::npos) return false;
  return rule.alsoMarker.empty() || line.find(rule.alsoMarker) != std::string_view::npos;
}

}  // namespace

LogFormat DetectLogFormat(std::string_view probeLine) {
  for (const DetectionRule& rule : kDetectionRules) {
    if (RuleHolds(rule, probeLine)) return rule.format;
  }
  return LogFormat::Unsupported;
}

Notice DetectionFailedNotice() {
  Notice notice;
  notice.caption = "Error Auto-detecting logfile...";
  notice.text =
      "Sorry,\n\n The logfile you have selected is either not a web server logfile,\n\n\t\t-OR-"
      "\n\nYou are trying to load an unsupported logfile type.\n\n"
      "The layouts read are: NCSA common or combined (Apache, nginx); W3C extended with a "
      "\"#Fields\" line (IIS, and others); IIS comma-separated; tab-separated with the date "
      "and time first; tab-separated with \"!\" directive lines. The layout is told from the "
      "second line of the file: look at the first lines with \"head -n 3 FILE\" (\"zcat FILE | "
      "head -n 3\" for a gzip file). An NCSA line looks like 192.0.2.1 - - "
      "[10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.0\" 200 2326.";
  return notice;
}

Notice UnsupportedLogfileNotice(std::string_view logfileName) {
  Notice notice;
  notice.text = "Unsupported Log File!\n\nFilename: ";
  notice.text += logfileName;
  return notice;
}

Notice MissingDateFieldNotice() {
  Notice notice;
  notice.text =
      "This logfile is missing important data fields!\nPlease add all items such as date and "
      "time.";
  return notice;
}

}  // namespace tlw
