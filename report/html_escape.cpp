#include "report/html_escape.h"

#include "base/text_encoding.h"

namespace tlw {

namespace {

// The entity of an ASCII character that could end an attribute or start
// markup, or nullptr for a character written as it is.
const char* EntityOf(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return nullptr;
  }
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
  // Runs of plain ASCII and valid UTF-8 are appended whole; only markup
  // characters and bytes that are not UTF-8 are written one at a time.
  std::size_t runStart = 0;
  std::size_t i = 0;
  const auto flushRun = [&] { out.append(text.data() + runStart, i - runStart); };
  while (i < text.size()) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) < 0x80) {
      const char* entity = EntityOf(c);
      if (entity == nullptr) {
        ++i;
        continue;
      }
      flushRun();
      out += entity;
    } else {
      const std::size_t length = Utf8SequenceLength(text.substr(i));
      if (length > 0) {
        i += length;
        continue;
      }
      flushRun();
      AppendUtf8(out, Windows1252Character(static_cast<unsigned char>(c)));
    }
    runStart = ++i;
  }
  flushRun();
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text);
  return out;
}

bool IsLinkableUrl(std::string_view text) {
  std::string_view rest;
  if (text.starts_with("http://")) {
    rest = text.substr(7);
  } else if (text.starts_with("https://")) {
    rest = text.substr(8);
  } else {
    return false;
  }
  size_t hostLength = 0;
  while (hostLength < rest.size()) {
    const char c = rest[hostLength];
    const bool hostChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
    if (!hostChar) break;
    ++hostLength;
  }
  if (hostLength == 0) return false;
  rest.remove_prefix(hostLength);
  if (!rest.empty() && rest.front() != '/' && rest.front() != '?' && rest.front() != '#') {
    return false;
  }
  for (const char c : rest) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  return true;
}

bool IsSafeLinkTarget(std::string_view text) {
  // A browser drops leading blanks and control characters and every tab and
  // line feed before it reads the scheme.
  std::string scheme;
  bool started = false;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (!started && byte <= 0x20) continue;
    started = true;
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (c == ':') break;
    const bool schemeChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    // "/", "?" or "#" before any ":" make a relative address.
    if (!schemeChar) return true;
    scheme += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  if (text.find(':') == std::string_view::npos) return true;
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}

}  // namespace tlw
