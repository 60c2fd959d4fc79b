#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "tools/loggen/random.h"

namespace tlw::loggen {

// The layouts the generator writes: the five the engine reads, with NCSA in
// both its common and combined forms.
enum class Layout {
  NcsaCommon,
  NcsaCombined,
  W3cExtended,
  CommaSeparated,
  TabSeparated,
  BangTabSeparated,
};

// "common", "combined", "w3c", "comma", "tab", "bang".
std::string_view LayoutName(Layout layout);
std::optional<Layout> LayoutByName(std::string_view name);
std::span<const Layout> AllLayouts();

struct Options {
  Layout layout = Layout::NcsaCombined;
  std::uint64_t requests = 1000;        // request lines; directive lines come on top
  std::uint64_t seed = 1;               // same seed, same log
  std::int64_t startTime = 1709251200;  // 2024-03-01 00:00:00 UTC
  // Seconds between two requests are drawn from 0 to this: the default
  // packs a million lines into a few weeks; a larger gap spreads a small
  // sample over days so that its daily and hourly sections fill.
  std::uint32_t maxGapSeconds = 2;
};

// Writes a realistic access log: visitors (IPv4, IPv6, ISP host names,
// crawlers) come in visits that enter from search engines, other sites or
// nowhere, walk a few pages, and load each page's images, styles and
// scripts with the page as referrer; crawlers fetch robots.txt and pages
// only; scanners probe for missing files. Timestamps never go backwards.
class LogGenerator {
 public:
  explicit LogGenerator(const Options& options);

  // The directive lines that open a file of this layout (none for NCSA).
  void AppendHeader(std::string& out);
  // One request line with its line end. A W3C log now and then gets a new
  // directive block first, as IIS writes one after each restart.
  void AppendRequest(std::string& out);

 private:
  struct Visitor {
    std::string host;
    std::size_t agent;
  };
  struct Visit {
    std::size_t visitor = 0;
    std::uint32_t pagesLeft = 0;
    std::uint32_t assetsLeft = 0;
    std::string page;
    std::string referrer;
    std::string_view user = "-";
  };
  // Owns what a later visit or visitor may replace.
  struct Request {
    std::string host;
    std::string_view user;
    std::string_view method;
    std::string path;
    std::string_view query;
    std::string_view protocol;
    std::string referrer;
    std::string_view agent;
    int status = 200;
    std::uint64_t bytes = 0;
  };

  Visit NewVisit();
  std::size_t NewVisitor(bool crawler);
  std::string EntryReferrer();
  Request NextRequest();
  void Write(const Request& request, std::string& out);

  Options options_;
  Random random_;
  std::int64_t clock_;
  std::vector<Visitor> visitors_;
  std::vector<Visit> visits_;
  std::uint64_t written_ = 0;
  std::uint32_t agentWeightTotal_ = 0;
};

// The whole log of `options`, directives included.
std::string GenerateLog(const Options& options);

// Writes the log of `options` to `path` through a temporary file; fails with
// the file and the reason.
Status WriteLog(const std::string& path, const Options& options);

}  // namespace tlw::loggen
