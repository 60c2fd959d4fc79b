#include "stats/request_path.h"

#include <array>

namespace tlw {
namespace {

// Paths that count as a request for the site's home page (case-sensitive).
constexpr std::array<std::string_view, 14> kHomePages = {"",
                                                         "/",
                                                         "/index.htm",
                                                         "/index.html",
                                                         "/index.asp",
                                                         "/default.asp",
                                                         "/Default.asp",
                                                         "/Default.htm",
                                                         "/default.htm",
                                                         "/default.html",
                                                         "/index.php",
                                                         "/index.php3",
                                                         "/index.shtml",
                                                         "/index.cfm"};

// Extensions of page assets, which never take part in visits: the classic
// images and style sheets, and the images, scripts and fonts that every
// page of today's sites loads as well. Without the latter a favicon or a
// logo would be the top entry and exit page of every report.
constexpr std::array<std::string_view, 16> kVisitlessExtensions = {
    "GIF",  "JPG",  "JPEG", "XBM", "CSS", "PNG",  "ICO",   "SVG",
    "WEBP", "AVIF", "BMP",  "JS",  "MJS", "WOFF", "WOFF2", "TTF"};

constexpr std::string_view kExtensionStops = "?#%+&|;\"<>";

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

PageKind PageKindOf(std::string_view extension) {
  if (extension == "CFM" || extension == "ASP" || extension == "CGI" || extension == "PL" ||
      extension.find("PHP") != std::string_view::npos) {
    return PageKind::kAlways;
  }
  if (extension.find("HTM") != std::string_view::npos) return PageKind::kUnlessStatus4;
  return PageKind::kNone;
}

}  // namespace

PathShape ShapeOfPath(std::string_view path) {
  PathShape shape;
  const std::size_t lastSlash = path.rfind('/');
  const std::size_t lastDot = path.rfind('.');
  // npos stands for -1: "no slash" is before any dot, and a path with
  // neither counts as having an extension (the whole path).
  const auto position = [](std::size_t p) {
    return p == std::string_view::npos ? std::ptrdiff_t{-1} : static_cast<std::ptrdiff_t>(p);
  };
  shape.hasExtension = !(position(lastSlash) > position(lastDot));
  if (shape.hasExtension) {
    std::string_view ext = path.substr(static_cast<std::size_t>(position(lastDot) + 1));
    ext = ext.substr(0, ext.find_first_of(kExtensionStops));
    shape.extension.reserve(ext.size());
    for (char c : ext) shape.extension.push_back(AsciiUpper(c));
  }
  shape.directory =
      lastSlash == std::string_view::npos ? std::string_view() : path.substr(0, lastSlash);
  for (std::string_view home : kHomePages) {
    if (path == home) shape.homePage = true;
  }
  shape.pageKind = shape.hasExtension ? PageKindOf(shape.extension) : PageKind::kNone;
  for (std::string_view ext : kVisitlessExtensions) {
    if (shape.extension == ext) shape.skipsVisits = true;
  }
  return shape;
}

std::string DirectoryKey(std::string_view directory) {
  std::string key(directory);
  if (key != "/") key.push_back('/');
  return key;
}

}  // namespace tlw
