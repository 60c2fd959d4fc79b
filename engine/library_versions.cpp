#include "engine/library_versions.h"

#include "logs/gzip_byte_source.h"
#include "net/curl_library.h"
#include "report/bar_graph.h"

namespace tlw {

std::string VersionText(std::string_view program, std::string_view version) {
  std::string text(program);
  text += ' ';
  text += version;
  text +=
      "\nlibcurl " + LoadedCurlVersion() + "\nGD " + GdVersion() + "\nzlib " + ZlibVersion() + "\n";
  return text;
}

}  // namespace tlw
