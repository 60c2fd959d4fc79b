#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_site.h"

namespace tlw::cli {

// A site whose progress line is shown.
struct ProgressView {
  std::size_t row = 0;
  const RunProgress* progress = nullptr;
};

// The terminal side of running sites: lines for standard output and
// standard error, written in the order they came, and on a live console a
// block of progress lines (one per site) kept below them. Used by one
// thread only.
class RunConsole {
 public:
  using Clock = std::chrono::steady_clock;

  // `live`: draw progress lines on `err` (a terminal) `width` columns wide.
  RunConsole(std::ostream& out, std::ostream& err, bool live, std::size_t width);

  void Out(std::string line) { pending_.push_back({false, std::move(line)}); }
  void Err(std::string line) { pending_.push_back({true, std::move(line)}); }

  // Writes the pending lines. On a live console the progress block is taken
  // away first and drawn again for `sites`; without pending lines it is
  // redrawn at most five times a second.
  void Flush(const std::vector<ProgressView>& sites, Clock::time_point now);
  // Takes the progress block away for good.
  void Close();

  // The progress line of one site: how much of its logfile is read, lines
  // so far and lines per second (`rate`).
  static std::string ProgressLine(std::size_t row, const RunProgress& progress, double rate);

 private:
  struct Pending {
    bool toErr;
    std::string line;
  };
  struct Rate {
    std::uint64_t lines = 0;
    Clock::time_point at;
    double perSecond = 0;
  };

  void Erase();
  void Draw(const std::vector<ProgressView>& sites, Clock::time_point now);

  std::ostream& out_;
  std::ostream& err_;
  bool live_;
  std::size_t width_;
  std::vector<Pending> pending_;
  std::size_t drawnLines_ = 0;
  Clock::time_point lastDraw_{};
  std::map<std::size_t, Rate> rates_;
};

// `text` as one line a terminal shows as it is: line ends and tabs become
// blanks (runs of blanks shrink to one), other control characters, C1 ones
// included, "?".
std::string ConsoleText(std::string_view text);

}  // namespace tlw::cli
