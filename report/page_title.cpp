#include "report/page_title.h"

#include <cstddef>

#include "report/html_escape.h"

namespace tlw {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Where `tag` (upper case) first occurs in `text` in any letter case.
std::size_t FindNoCase(std::string_view text, std::string_view tag) {
  if (text.size() < tag.size()) return std::string_view::npos;
  for (std::size_t at = 0; at + tag.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < tag.size() && Upper(text[at + i]) == tag[i]) ++i;
    if (i == tag.size()) return at;
  }
  return std::string_view::npos;
}

bool IsEntityNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

// The length of the character reference ("&amp;", "&#233;", "&#xE9;") that
// starts `text`, or 0. A reference is already HTML and cannot open markup.
std::size_t EntityLength(std::string_view text) {
  constexpr std::size_t kLongest = 32;
  for (std::size_t i = 1; i < text.size() && i <= kLongest; ++i) {
    if (text[i] == ';') return i > 1 ? i + 1 : 0;
    if (!IsEntityNameChar(text[i])) return 0;
  }
  return 0;
}

// A title as the page wrote it, made safe to write as text: markup
// characters escaped, character references kept as the page meant them,
// control characters (line breaks of a long title) made blanks.
void AppendTitle(std::string& out, std::string_view title) {
  std::string plain;
  plain.reserve(title.size());
  for (std::size_t i = 0; i < title.size();) {
    const char c = title[i];
    const std::size_t entity = c == '&' ? EntityLength(title.substr(i)) : 0;
    if (entity > 0) {
      AppendEscaped(out, plain);
      plain.clear();
      out.append(title.substr(i, entity));
      i += entity;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    plain += byte < 0x20 || byte == 0x7F ? ' ' : c;
    ++i;
  }
  AppendEscaped(out, plain);
}

// Bytes of a path that may stand in a URL as they are; "%" stays, as a
// logged path is often escaped already.
bool IsUrlByte(unsigned char b) {
  if (b <= 0x20 || b >= 0x7F) return false;
  switch (b) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return false;
    default:
      return true;
  }
}

}  // namespace

std::optional<std::string> PageTitleUrl(std::string_view homepageUrl, std::string_view key) {
  // http:// as the site list takes it, and https://, which sites use today.
  if (!homepageUrl.starts_with("http://") && !homepageUrl.starts_with("https://")) {
    return std::nullopt;
  }
  if (homepageUrl.ends_with('/') || !IsLinkableUrl(homepageUrl)) return std::nullopt;
  // Every key of the two page sections is a page by the counting rules
  // (an .htm, .html, .asp, .php, .cfm, .cgi or .pl path), so each is
  // fetched; a further extension test would only hide the titles of pages
  // such as .php ones. A key that is no path could name another host
  // ("@evil.example/"), so it is never fetched.
  if (!key.starts_with('/')) return std::nullopt;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url(homepageUrl);
  url.reserve(url.size() + key.size());
  for (const char c : key) {
    const auto b = static_cast<unsigned char>(c);
    if (IsUrlByte(b)) {
      url += c;
    } else {
      url += '%';
      url += kHex[b >> 4];
      url += kHex[b & 15];
    }
  }
  return url;
}

std::optional<std::string_view> ExtractPageTitle(std::string_view body) {
  const std::size_t open = FindNoCase(body, "<TITLE>");
  // A title tag at the very start of the bytes is not taken.
  if (open == std::string_view::npos || open == 0) return std::nullopt;
  const std::string_view rest = body.substr(open + 7);
  const std::size_t close = FindNoCase(rest, "</TITLE>");
  if (close == std::string_view::npos) return std::string_view();
  return rest.substr(0, close);
}

std::string PageTitleFragment(std::string_view headerColor, const Result<PageHeadFacts>& fetched) {
  if (!fetched.ok()) return {};
  const PageHeadFacts& head = *fetched;
  // Without a 200 or a usable date the row still gets its "+" line.
  std::string fragment = "<BR>&nbsp;<small><font color=#";
  fragment.append(headerColor);
  fragment += "><B>+ <I>";
  constexpr std::string_view kEnd = "</I></small></small></font>";
  if (head.status != 200) return fragment.append(kEnd);
  if (!head.lastModified) return {};
  if (head.lastModified->size() <= 10) return fragment.append(kEnd);
  fragment += "Modified: ";
  AppendEscaped(fragment, *head.lastModified);
  if (const std::optional<std::string_view> title = ExtractPageTitle(head.body)) {
    fragment += "<BR>&nbsp;<small></B></I>";
    AppendTitle(fragment, *title);
  }
  return fragment.append(kEnd);
}

}  // namespace tlw
