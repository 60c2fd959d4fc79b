#include "frontend/run_history.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <system_error>

#include "base/atomic_file.h"
#include "engine/run_texts.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "tallowick run history 1";
constexpr std::size_t kFieldCount = 6;

constexpr const char* kOutcomeTexts[] = {"finished", "failed", "stopped"};

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

bool Number(std::string_view text, std::int64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// One line of the file as a run; false when it is not one.
bool ParseLine(std::string_view line, std::string& site, RunRecord& record) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  if (fields.size() != kFieldCount) return false;
  const auto outcome = std::find(std::begin(kOutcomeTexts), std::end(kOutcomeTexts), fields[3]);
  if (outcome == std::end(kOutcomeTexts) || (fields[4] != "0" && fields[4] != "1")) return false;
  record.outcome = static_cast<RunOutcome>(outcome - std::begin(kOutcomeTexts));
  record.scheduled = fields[4] == "1";
  return Unescape(fields[0], site) && Number(fields[1], record.start) &&
         Number(fields[2], record.seconds) && record.seconds >= 0 &&
         Unescape(fields[5], record.message);
}

// FNV-1a: the same name for a directory on every build and machine.
std::string HashText(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

}  // namespace

const char* OutcomeText(RunOutcome outcome) {
  return kOutcomeTexts[static_cast<std::size_t>(outcome)];
}

std::vector<std::string> RunCells(const RunRecord& record) {
  const std::time_t start = static_cast<std::time_t>(record.start);
  std::tm local{};
  char started[32] = "";
  if (::localtime_r(&start, &local) != nullptr) {
    std::strftime(started, sizeof started, "%Y-%m-%d %H:%M", &local);
  }
  return {started, TimeTakenText(record.seconds),
          std::string(OutcomeText(record.outcome)) + (record.scheduled ? " (scheduled)" : ""),
          record.message};
}

fs::path RunHistory::FileFor(const std::string& stateFolder, const fs::path& programDirectory) {
  std::error_code error;
  fs::path absolute = fs::weakly_canonical(programDirectory, error);
  if (error) absolute = fs::absolute(programDirectory, error);
  return fs::path(stateFolder) / "tallowick" / "history" / (HashText(absolute.string()) + ".txt");
}

RunHistory RunHistory::Load(const fs::path& file) {
  RunHistory history;
  history.file_ = file;
  std::ifstream in(file, std::ios::binary);
  if (!in) return history;  // no runs yet
  std::string line;
  std::size_t lineNumber = 1;
  bool damaged = !std::getline(in, line) || line != kFirstLine;
  while (!damaged && std::getline(in, line)) {
    ++lineNumber;
    Entry entry;
    damaged = !ParseLine(line, entry.site, entry.record);
    if (!damaged) history.entries_.push_back(std::move(entry));
  }
  if (!damaged) return history;
  history.entries_.clear();
  const fs::path aside = fs::path(file.string() + ".damaged");
  std::error_code error;
  fs::rename(file, aside, error);
  history.warning_ = "The run history " + file.string() + " is damaged at line " +
                     std::to_string(lineNumber) +
                     (error ? "; it is started again (" + error.message() + ")"
                            : "; it was set aside as " + aside.string() + " and is started again");
  return history;
}

std::vector<RunRecord> RunHistory::RunsOf(const std::string& site) const {
  std::vector<RunRecord> runs;
  for (const Entry& entry : entries_) {
    if (entry.site == site) runs.push_back(entry.record);
  }
  return runs;
}

void RunHistory::Add(const std::string& site, RunRecord record) {
  entries_.push_back({site, std::move(record)});
  const auto ofSite = [&site](const Entry& entry) { return entry.site == site; };
  if (static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), ofSite)) >
      kRunsKept) {
    entries_.erase(std::find_if(entries_.begin(), entries_.end(), ofSite));
  }
}

Status RunHistory::Save() const {
  std::error_code error;
  const fs::path folder = file_.parent_path();
  if (!fs::is_directory(folder, error)) {
    fs::create_directories(folder, error);
    if (error) {
      return Status::Error("cannot create the run history folder " + folder.string() + ": " +
                           error.message());
    }
    ::chmod(folder.c_str(), 0700);
  }
  std::string text(kFirstLine);
  text += '\n';
  for (const Entry& entry : entries_) {
    const RunRecord& run = entry.record;
    text += Escaped(entry.site) + '\t' + std::to_string(run.start) + '\t' +
            std::to_string(run.seconds) + '\t' + OutcomeText(run.outcome) + '\t' +
            (run.scheduled ? "1" : "0") + '\t' + Escaped(run.message) + '\n';
  }
  return WriteFileAtomically(file_, text, FileAccess::kOwnerOnly);
}

Status RecordRun(const fs::path& file, const std::string& site, const RunRecord& record,
                 std::string& warning) {
  RunHistory history = RunHistory::Load(file);
  warning = history.Warning();
  history.Add(site, record);
  return history.Save();
}

std::string HistoryMessageOf(const std::string& failure, const std::vector<std::string>& notes) {
  if (!failure.empty() || notes.empty()) return failure;
  return notes.front();
}

}  // namespace tlw
