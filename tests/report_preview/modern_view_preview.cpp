// Writes the modern view of the test fixture, for looking at in a browser
// (scripts/screenshot-modern.sh takes pictures of them): a view of 40 days
// (a bar a day), of 200 days (a bar a week) and of an empty run.
#include <cstdio>
#include <string>

#include "report/modern_view.h"
#include "tests/report/modern_view_fixture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: modern_view_preview OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const tlw::ModernViewFixture daily(40);
  const tlw::ModernViewFixture weekly(200);
  const tlw::SiteStatistics noStatistics;
  const tlw::AudienceStatistics noAudience;
  const struct {
    const char* name;
    tlw::ModernViewInput input;
  } views[] = {
      {"daily.html", daily.Input()},
      {"weekly.html", weekly.Input()},
      {"empty.html", {noStatistics, noAudience, "empty.example", "", "", "", ""}},
  };
  for (const auto& view : views) {
    const tlw::Status written = tlw::WriteModernView(view.input, folder + "/" + view.name);
    if (!written.ok()) {
      std::fprintf(stderr, "%s\n", written.message().c_str());
      return 1;
    }
  }
  return 0;
}
