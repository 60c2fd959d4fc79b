#include "report/modern_view.h"

#include "base/atomic_file.h"
#include "report/modern_format.h"
#include "report/modern_sections.h"
#include "report/modern_style.h"

namespace tlw {

namespace {

// Nothing may be fetched or run: the page works offline, from a mail, and
// under a reader's own strict policy. The charts are inline SVG, which the
// policy does not count as a request.
constexpr std::string_view kContentPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; img-src data:";

void AppendHead(std::string& out, const ModernViewInput& input) {
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta http-equiv=\"Content-Security-Policy\" content=\"";
  out += kContentPolicy;
  out += "\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  out += "<meta name=\"color-scheme\" content=\"light dark\">\n";
  out += "<meta name=\"generator\" content=\"Tallowick\">\n<title>";
  if (!input.siteName.empty()) {
    AppendLogText(out, input.siteName);
    out += " \xE2\x80\x94 ";
  }
  out += "Web statistics</title>\n<style>";
  out += kModernStyle;
  out += "</style>\n</head>\n";
}

void AppendHeader(std::string& out, const ModernViewInput& input) {
  out += "<header>\n<h1>Web statistics";
  if (!input.siteName.empty()) {
    out += " of ";
    AppendLogText(out, input.siteName);
  }
  out += "</h1>\n<p class=\"meta\">";
  if (!input.periodStart.empty() || !input.periodEnd.empty()) {
    out += "<span>";
    AppendLogText(out, input.periodStart);
    out += "</span> to <span>";
    AppendLogText(out, input.periodEnd);
    out += "</span>";
  }
  if (!input.generatedAt.empty()) {
    out += " \xC2\xB7 <span>generated ";
    AppendLogText(out, input.generatedAt);
    out += "</span>";
  }
  if (!input.classicReportName.empty()) {
    out += " \xC2\xB7 <a href=\"";
    AppendLogText(out, PercentEncodedPath(input.classicReportName));
    out += "\">Classic report</a>";
  }
  out += "</p>\n</header>\n";
}

void AppendContents(std::string& out) {
  out +=
      "<nav class=\"toc\" aria-labelledby=\"contents\">\n<h2 id=\"contents\">Contents</h2>\n<ol>";
  for (const ModernSection& section : ModernSections()) {
    out += "<li><a href=\"#";
    out += section.id;
    out += "\">";
    out += section.title;
    out += "</a></li>";
  }
  out += "</ol>\n</nav>\n";
}

}  // namespace

std::string RenderModernView(const ModernViewInput& input) {
  std::string out;
  out.reserve(std::size_t{64} * 1024);
  AppendHead(out, input);
  out += "<body>\n<div class=\"page\">\n";
  AppendHeader(out, input);
  AppendContents(out);
  out += "<main>\n";
  for (const ModernSection& section : ModernSections()) {
    out += "<section id=\"";
    out += section.id;
    out += "\" aria-labelledby=\"";
    out += section.id;
    out += "-h\">\n<h2 id=\"";
    out += section.id;
    out += "-h\">";
    out += section.title;
    out += "</h2>\n";
    section.write(out, input);
    out += "</section>\n";
  }
  out +=
      "</main>\n<footer>Made by Tallowick Web Statistics. A robot is known by its user agent "
      "or by having asked for /robots.txt; every other request is a person's.</footer>\n";
  out += "</div>\n</body>\n</html>\n";
  return out;
}

Status WriteModernView(const ModernViewInput& input, const std::string& path) {
  // Like the report, the view is made again by the next run: replaced at
  // once, not flushed.
  Status written = WriteFileAtomically(path, RenderModernView(input), FileAccess::kKeepOrUmask,
                                       Durability::kReplaceOnly);
  if (written.ok()) return written;
  return Status::Error("Error writing the modern view: " + written.message());
}

std::string ModernViewPathOf(std::string_view reportPath) {
  const std::size_t nameStart = reportPath.find_last_of("/\\");
  const std::size_t dot = reportPath.rfind('.');
  // A dot that begins the name (".html") or sits in a folder is no extension.
  const bool hasExtension = dot != std::string_view::npos &&
                            (nameStart == std::string_view::npos ? dot > 0 : dot > nameStart + 1);
  if (!hasExtension) return std::string(reportPath) + "-modern.html";
  return std::string(reportPath.substr(0, dot)) + "-modern" + std::string(reportPath.substr(dot));
}

}  // namespace tlw
