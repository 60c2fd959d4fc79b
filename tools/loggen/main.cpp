// tallowick-loggen: writes a deterministic, realistic access log for tests,
// benchmarks and the sample data.
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/loggen/log_generator.h"

namespace {

constexpr const char* kUsage =
    "usage: tallowick-loggen [--format common|combined|w3c|comma|tab|bang] [--lines N]\n"
    "                        [--seed N] [--start UNIX-SECONDS] [--max-gap SECONDS]\n"
    "                        --output FILE\n"
    "Writes N request lines (default 1000) of the given layout (default combined);\n"
    "the same seed always gives the same file.\n";

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  tlw::loggen::Options options;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 == argc) {
      std::fprintf(stderr, "tallowick-loggen: %s needs a value\n%s", argv[i], kUsage);
      return 2;
    }
    const std::string_view value = argv[++i];
    std::uint64_t number = 0;
    bool valid = true;
    if (option == "--format") {
      const auto layout = tlw::loggen::LayoutByName(value);
      valid = layout.has_value();
      if (valid) options.layout = *layout;
    } else if (option == "--lines") {
      valid = ParseNumber(value, options.requests);
    } else if (option == "--seed") {
      valid = ParseNumber(value, options.seed);
    } else if (option == "--start") {
      valid = ParseNumber(value, number);
      options.startTime = static_cast<std::int64_t>(number);
    } else if (option == "--max-gap") {
      valid = ParseNumber(value, number) && number < 86400;
      options.maxGapSeconds = static_cast<std::uint32_t>(number);
    } else if (option == "--output") {
      output = value;
    } else {
      std::fprintf(stderr, "tallowick-loggen: unknown option %s\n%s", argv[i - 1], kUsage);
      return 2;
    }
    if (!valid) {
      std::fprintf(stderr, "tallowick-loggen: bad value for %s: %s\n", argv[i - 1], argv[i]);
      return 2;
    }
  }
  if (output.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const tlw::Status status = tlw::loggen::WriteLog(output, options);
  if (!status.ok()) {
    std::fprintf(stderr, "tallowick-loggen: %s\n", status.message().c_str());
    return 1;
  }
  return 0;
}
