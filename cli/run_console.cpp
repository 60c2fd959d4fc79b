#include "cli/run_console.h"

#include <algorithm>
#include <cstdio>

#include "base/text_encoding.h"

namespace tlw::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

}  // namespace

std::string ConsoleText(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  while (!text.empty()) {
    char c = text.front();
    const auto byte = static_cast<unsigned char>(c);
    const std::size_t length = Utf8SequenceLength(text);
    // C1 controls (CSI is 0x9B) drive some terminals too: written as UTF-8
    // (U+0080 to U+009F) or as a byte of their own outside UTF-8.
    const bool c1 = (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) ||
                    (length == 0 && byte >= 0x80 && byte < 0xA0);
    if (length > 1 && !c1) {
      line.append(text.substr(0, length));
      text.remove_prefix(length);
      continue;
    }
    text.remove_prefix(c1 ? std::max<std::size_t>(length, 1) : 1);
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    if (c == ' ' && !line.empty() && line.back() == ' ') continue;
    line += (byte < 0x20 && c != ' ') || byte == 0x7F || c1 ? '?' : c;
  }
  return line;
}

RunConsole::RunConsole(std::ostream& out, std::ostream& err, bool live, std::size_t width)
    : out_(out), err_(err), live_(live), width_(width < 20 ? 20 : width) {}

std::string RunConsole::ProgressLine(std::size_t row, const RunProgress& progress, double rate) {
  const std::uint64_t read = progress.bytesRead.load(std::memory_order_relaxed);
  const std::uint64_t size = progress.fileSize.load(std::memory_order_relaxed);
  std::string line = "[" + std::to_string(row) + "] ";
  if (progress.fileNumber.load(std::memory_order_relaxed) > 1) {
    line += "file " + std::to_string(progress.fileNumber.load(std::memory_order_relaxed)) + ": ";
  }
  if (progress.compressed.load(std::memory_order_relaxed)) {
    line += Megabytes(read) + " read from " + Megabytes(size) + " compressed";
  } else {
    const std::uint64_t percent = size == 0 ? 0 : (read >= size ? 100 : read * 100 / size);
    line += std::to_string(percent) + "% (" + Megabytes(read) + " of " + Megabytes(size) + ")";
  }
  line += ", " + std::to_string(progress.linesRead.load(std::memory_order_relaxed)) + " lines, " +
          std::to_string(static_cast<std::uint64_t>(rate)) + " lines/s";
  const std::uint64_t lookups = progress.hostLookups.load(std::memory_order_relaxed);
  if (lookups > 0) line += ", " + std::to_string(lookups) + " DNS look-ups";
  return line;
}

void RunConsole::Erase() {
  if (drawnLines_ == 0) return;
  // Up to the first progress line, then clear to the end of the screen.
  err_ << "\033[" << drawnLines_ << "A\033[J";
  drawnLines_ = 0;
}

void RunConsole::Draw(const std::vector<ProgressView>& sites, Clock::time_point now) {
  for (const ProgressView& site : sites) {
    Rate& rate = rates_[site.row];
    const std::uint64_t lines = site.progress->linesRead.load(std::memory_order_relaxed);
    if (rate.at != Clock::time_point{}) {
      const double seconds = std::chrono::duration<double>(now - rate.at).count();
      if (seconds >= 0.1) {
        const double current = static_cast<double>(lines - rate.lines) / seconds;
        // Smoothed so the figure stays readable while it changes.
        rate.perSecond = rate.perSecond == 0 ? current : 0.7 * rate.perSecond + 0.3 * current;
        rate.lines = lines;
        rate.at = now;
      }
    } else {
      rate.lines = lines;
      rate.at = now;
    }
    std::string line = ProgressLine(site.row, *site.progress, rate.perSecond);
    // A wrapped line would break the count of lines to take away.
    if (line.size() >= width_) line.resize(width_ - 1);
    err_ << line << "\033[K\n";
    ++drawnLines_;
  }
  err_.flush();
  lastDraw_ = now;
}

void RunConsole::Flush(const std::vector<ProgressView>& sites, Clock::time_point now) {
  const bool redraw = live_ && (!pending_.empty() || now - lastDraw_ >= kRedrawInterval);
  if (redraw) {
    Erase();
    err_.flush();
  }
  for (const Pending& pending : pending_) {
    std::ostream& stream = pending.toErr ? err_ : out_;
    stream << pending.line << '\n';
    stream.flush();
  }
  pending_.clear();
  if (redraw) Draw(sites, now);
}

void RunConsole::Close() {
  if (!live_) return;
  Erase();
  err_.flush();
}

}  // namespace tlw::cli
