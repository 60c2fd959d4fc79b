// The input is what a web server answers for a page: its first line is the
// Last-Modified value, the rest the first bytes of the body. Whatever the
// server sends, the row fragment holds only the fragment's own tags, and
// the title found lies inside the bytes read.

#include <array>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "report/page_title.h"

namespace {

// Everything the fragment writes itself; any other "<" or quote came from
// the page.
constexpr std::array<std::string_view, 9> kOwnTags = {
    "<BR>", "<small>", "</small>", "<font color=#", "</font>", "<B>", "</B>", "<I>", "</I>"};

bool OnlyOwnMarkup(std::string_view fragment) {
  for (std::size_t at = fragment.find('<'); at != std::string_view::npos;
       at = fragment.find('<', at + 1)) {
    bool known = false;
    for (const std::string_view tag : kOwnTags)
      known = known || fragment.substr(at).starts_with(tag);
    if (!known) return false;
  }
  return fragment.find('"') == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = tlw::fuzz::AsText(data, size);
  const std::size_t newline = input.find('\n');
  tlw::PageHeadFacts head;
  head.status = 200;
  if (newline != std::string_view::npos) head.lastModified = std::string(input.substr(0, newline));
  head.body = std::string(input.substr(newline == std::string_view::npos ? 0 : newline + 1));

  if (const auto title = tlw::ExtractPageTitle(head.body)) {
    TLW_FUZZ_CHECK(title->empty() ||
                   (title->data() >= head.body.data() &&
                    title->data() + title->size() <= head.body.data() + head.body.size()));
  }
  const std::string fragment = tlw::PageTitleFragment("FF0000", head);
  TLW_FUZZ_CHECK(OnlyOwnMarkup(fragment));
  head.status = 404;
  TLW_FUZZ_CHECK(OnlyOwnMarkup(tlw::PageTitleFragment("FF0000", head)));
  return 0;
}
