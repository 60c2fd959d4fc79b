#pragma once

#include <string>
#include <string_view>

namespace tlw {

// Whether a request counts as a page view, by its extension.
enum class PageKind : unsigned char {
  kNone,          // never a page view
  kUnlessStatus4  // a page view unless the status code begins with "4" (".HTM", ".HTML" ...)
  ,
  kAlways  // a page view whatever the status (".ASP", ".CFM", ".PHP...", ".CGI", ".PL")
};

// What the statistics derive from a requested path, once per distinct path.
struct PathShape {
  bool hasExtension = false;   // false when the last "/" comes after the last "."
  std::string extension;       // upper case, cut before ?#%+&|;"<>; empty without extension
  std::string_view directory;  // up to, not including, the last "/"; a view into the path
  bool homePage = false;       // one of the site's home-page names
  PageKind pageKind = PageKind::kNone;
  bool skipsVisits = false;  // page assets: images, style sheets, scripts, fonts
};

// Derives the shape of `path` (the request path exactly as logged).
PathShape ShapeOfPath(std::string_view path);

// The `dirs` key of a directory: the directory followed by "/", except that
// a directory that is exactly "/" stays as it is.
std::string DirectoryKey(std::string_view directory);

}  // namespace tlw
