#include "stats/agent_rules.h"

#include <algorithm>
#include <array>

namespace tlw {
namespace {

constexpr size_t kNone = std::string_view::npos;

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != kNone; }

// How a row of the agent table names what it recognises.
enum class AgentKind {
  kCrawler,  // named by the product token that holds the marker: "Googlebot/2.1" -> "Googlebot"
  kBrowser,  // named by the row's name and the major version after `versionKey`
};

struct AgentToken {
  AgentKind kind;
  std::string_view marker;      // case-sensitive substring of the agent
  std::string_view versionKey;  // browsers: must be present too, the version follows it;
                                // empty: the name has no version
  std::string_view name;        // browsers only
};

constexpr AgentKind kCrawler = AgentKind::kCrawler;
constexpr AgentKind kBrowser = AgentKind::kBrowser;

// Today's agents, recognised before the classic "compatible" and "Mozilla"
// shapes, which would call every one of them "Netscape 5.0" or "Microsoft
// Internet Explorer". The first row that matches decides. Crawlers come first
// because most of them also carry a browser's tokens; Edge, Opera and the
// other Chromium browsers come before Chrome, and Chrome before Safari, since
// each carries the tokens of the ones after it. A crawler marker inside an
// address ("+http://www.google.com/bot.html") does not count. The last row
// gathers WebKit applications without a browser token of their own (in-app
// views, embedded engines), which never had a classic name.
constexpr std::array<AgentToken, 39> kAgentTokens{{
    {kCrawler, "bot", "", ""},
    {kCrawler, "Bot", "", ""},
    {kCrawler, "crawler", "", ""},
    {kCrawler, "Crawler", "", ""},
    {kCrawler, "spider", "", ""},
    {kCrawler, "Spider", "", ""},
    {kCrawler, "Slurp", "", ""},
    {kCrawler, "ia_archiver", "", ""},
    {kCrawler, "facebookexternalhit", "", ""},
    {kCrawler, "HeadlessChrome/", "", ""},
    {kCrawler, "curl/", "", ""},
    {kCrawler, "Wget/", "", ""},
    {kCrawler, "python-requests/", "", ""},
    {kCrawler, "Python-urllib/", "", ""},
    {kCrawler, "Go-http-client/", "", ""},
    {kCrawler, "okhttp/", "", ""},
    {kCrawler, "Java/", "", ""},
    {kCrawler, "libwww-perl/", "", ""},
    {kCrawler, "Apache-HttpClient/", "", ""},
    {kCrawler, "Scrapy/", "", ""},
    {kCrawler, "PhantomJS/", "", ""},
    {kCrawler, "BingPreview/", "", ""},
    {kBrowser, "Edg/", "Edg/", "Microsoft Edge"},
    {kBrowser, "EdgA/", "EdgA/", "Microsoft Edge"},
    {kBrowser, "EdgiOS/", "EdgiOS/", "Microsoft Edge"},
    {kBrowser, "Edge/", "Edge/", "Microsoft Edge"},
    {kBrowser, "OPR/", "OPR/", "Opera"},
    {kBrowser, "SamsungBrowser/", "SamsungBrowser/", "Samsung Internet"},
    {kBrowser, "YaBrowser/", "YaBrowser/", "Yandex Browser"},
    {kBrowser, "UCBrowser/", "UCBrowser/", "UC Browser"},
    {kBrowser, "Vivaldi/", "Vivaldi/", "Vivaldi"},
    {kBrowser, "CriOS/", "CriOS/", "Google Chrome"},
    {kBrowser, "FxiOS/", "FxiOS/", "Mozilla Firefox"},
    {kBrowser, "Chrome/", "Chrome/", "Google Chrome"},
    {kBrowser, "Firefox/", "Firefox/", "Mozilla Firefox"},
    {kBrowser, "Android", "Version/", "Android Browser"},
    {kBrowser, "Safari/", "Version/", "Apple Safari"},
    {kBrowser, "Trident/", "rv:", "Microsoft Internet Explorer"},
    {kBrowser, "AppleWebKit/", "", "Other WebKit"},
}};

struct PlatformToken {
  std::string_view marker;
  std::string_view name;
};

// Operating systems of the agents above, first match decides. The names keep
// "Win" and "Mac" and the UNIX words ("Linux", "X11") so that the report's
// operating-system shares still group them. Windows 11 reports itself as
// Windows NT 10.0, so it is counted as Windows 10.
constexpr std::array<PlatformToken, 15> kPlatforms{{
    {"Windows Phone", "Windows Phone"},
    {"Windows NT 10.0", "Windows 10"},
    {"Windows NT 6.3", "Windows 8.1"},
    {"Windows NT 6.2", "Windows 8"},
    {"Windows NT 6.1", "Windows 7"},
    {"Windows NT 6.0", "Windows Vista"},
    {"Windows NT 5.1", "Windows XP"},
    {"Win", "Windows"},
    {"Android", "Android"},
    {"CrOS", "Chrome OS"},
    {"like Mac OS X", "iOS"},
    {"Mac OS X", "Mac OS X"},
    {"Mac", "Macintosh"},
    {"Linux", "Linux"},
    {"X11", "X11"},
}};

constexpr std::string_view kProductDelimiters = " ;(),";

// The product token of the agent that spans `at`: the run of characters
// between delimiters around it.
std::string_view TokenAround(std::string_view agent, size_t at) {
  const size_t before = agent.find_last_of(kProductDelimiters, at);
  const size_t start = before == kNone ? 0 : before + 1;
  const size_t end = agent.find_first_of(kProductDelimiters, at);
  return agent.substr(start, end == kNone ? kNone : end - start);
}

// Addresses and mail addresses in an agent name the crawler's owner, not the
// crawler ("+http://www.google.com/bot.html", "help@moz.com").
bool IsAddress(std::string_view token) {
  return Contains(token, "://") || Contains(token, "@") || token.starts_with('+') ||
         token.starts_with("www.");
}

// The product name of a token: the text before its "/" version.
std::string ProductName(std::string_view token) {
  return std::string(token.substr(0, token.find('/')));
}

// The crawler's product name when the marker occurs outside every address;
// empty otherwise.
std::string CrawlerName(std::string_view agent, std::string_view marker) {
  for (size_t at = agent.find(marker); at != kNone; at = agent.find(marker, at + 1)) {
    const std::string_view token = TokenAround(agent, at);
    if (!IsAddress(token)) return ProductName(token);
  }
  return {};
}

// "Google Chrome 120" from "Chrome/120.0.6099.71": the name and the leading
// digits after the key; the name alone when the key is followed by no digit.
std::string NameWithMajorVersion(std::string_view agent, const AgentToken& row) {
  if (row.versionKey.empty()) return std::string(row.name);
  std::string_view version = agent.substr(agent.find(row.versionKey) + row.versionKey.size());
  version = version.substr(0, std::min(version.size(), version.find_first_not_of("0123456789")));
  std::string name(row.name);
  if (!version.empty()) {
    name += ' ';
    name += version;
  }
  return name;
}

std::string_view PlatformOf(std::string_view agent) {
  for (const PlatformToken& row : kPlatforms) {
    if (Contains(agent, row.marker)) return row.name;
  }
  return {};
}

// Names a current browser, crawler or tool; false when the agent carries none
// of their tokens and the classic shapes apply.
bool DescribeCurrentAgent(std::string_view agent, AgentFacts& facts) {
  for (const AgentToken& row : kAgentTokens) {
    if (row.kind == AgentKind::kCrawler) {
      std::string name = CrawlerName(agent, row.marker);
      if (name.empty()) continue;
      facts.browser = std::move(name);
      return true;
    }
    if (Contains(agent, row.marker) && Contains(agent, row.versionKey)) {
      facts.browser = NameWithMajorVersion(agent, row);
      facts.platform = PlatformOf(agent);
      return true;
    }
  }
  return false;
}

// Cuts tokens off the front of a text the way the classic agent rules do:
// leading delimiters are skipped, a token ends at the next delimiter, and the
// delimiter itself is consumed. A text that runs out gives empty tokens.
class TokenCursor {
 public:
  explicit TokenCursor(std::string_view text) : text_(text) {}

  std::string_view Next(std::string_view delimiters) {
    const size_t start = text_.find_first_not_of(delimiters, position_);
    if (start == kNone) {
      position_ = text_.size();
      return text_.substr(position_);
    }
    const size_t end = text_.find_first_of(delimiters, start);
    position_ = end == kNone ? text_.size() : end + 1;
    return text_.substr(start, end == kNone ? kNone : end - start);
  }

  // The text after the last token taken.
  std::string_view Rest() const { return text_.substr(position_); }

  // Where the first token ended: the length of the text once the first cut
  // has ended it there.
  size_t EndOf(std::string_view token) const {
    return static_cast<size_t>(token.data() - text_.data()) + token.size();
  }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

// The text a "compatible" agent puts after "compatible;": up to the next ";"
// or ")", blanks trimmed.
std::string_view CompatibleSlot(std::string_view rest) {
  rest = rest.substr(0, rest.find_first_of(";)"));
  const size_t start = rest.find_first_not_of(' ');
  if (start == kNone) return {};
  rest.remove_prefix(start);
  return rest.substr(0, rest.find_last_not_of(' ') + 1);
}

// Words that name an operating system or a security grade in an agent's
// comment ("Win16", "Windows NT 5.1", "Mac_PowerPC", "X11", "OS/2", "U"):
// they say where a browser runs, never which browser it is.
bool IsPlatformWord(std::string_view slot) {
  constexpr std::array<std::string_view, 11> kPrefixes{"Win",    "Mac",   "X11",     "Linux",
                                                       "OS/2",   "SunOS", "FreeBSD", "OpenBSD",
                                                       "NetBSD", "AIX",   "HP-UX"};
  const std::string_view word = slot.substr(0, slot.find(' '));
  if (word.size() == 1) return true;
  return std::any_of(kPrefixes.begin(), kPrefixes.end(),
                     [&](std::string_view prefix) { return slot.starts_with(prefix); });
}

// The product of a "compatible" agent that names one of its own in the
// product-token form "Name/version" ("Ezooms/1.0", "Google Desktop/5.9");
// empty otherwise. The older "Name version" form ("MSIE 5.01", "WebCapture
// 2.0"), an address and a platform word are left to the classic rule.
std::string_view CompatibleProduct(std::string_view slot) {
  const size_t slash = slot.find('/');
  if (slash == kNone || slash == 0) return {};
  const std::string_view name = slot.substr(0, slash);
  if (Contains(name, ":") || IsAddress(name.substr(0, name.find(' '))) || IsPlatformWord(slot)) {
    return {};
  }
  return name;
}

std::string WindowsName(std::string_view platform) {
  if (!Contains(platform, "Win")) return std::string(platform);
  if (Contains(platform, "Win95")) return "Windows 95";
  if (Contains(platform, "Win98")) return "Windows 98";
  if (Contains(platform, "WinNT")) return "Windows NT";
  if (Contains(platform, "Win32")) return "Windows Win32s";
  return std::string(platform);
}

// The classic shapes: "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)" and
// "Mozilla/4.7 [en] (Win98; I)"; any other agent is a browser of its own
// name. `measured` is the length the counting rule looks at.
void DescribeClassicAgent(std::string_view agent, AgentFacts& facts, size_t& measured) {
  TokenCursor cursor(agent);
  if (Contains(agent, "compatible")) {
    const std::string_view first = cursor.Next(";");
    measured = cursor.EndOf(first);
    // A "compatible" agent that names a product token of its own
    // ("compatible; Ezooms/1.0; ...") is that product, not Internet Explorer.
    const std::string_view product = CompatibleProduct(CompatibleSlot(cursor.Rest()));
    if (first.ends_with("compatible") && !product.empty()) {
      facts.browser = std::string(product);
      return;
    }
    cursor.Next(" ");
    facts.browser = "Microsoft Internet Explorer ";
    facts.browser += cursor.Next(";");
    std::string_view platform = cursor.Next(")");
    platform.remove_prefix(std::min(platform.size(), platform.find_first_not_of(' ')));
    facts.platform = WindowsName(platform);
  } else if (Contains(agent, "Mozilla")) {
    const std::string_view first = cursor.Next("/");
    measured = cursor.EndOf(first);
    facts.browser = "Netscape ";
    facts.browser += cursor.Next(" [");
    cursor.Next("(");
    facts.platform = WindowsName(cursor.Next(";"));
  } else {
    facts.browser = std::string(agent);
  }
}

}  // namespace

AgentFacts DescribeAgent(std::string_view agent, bool w3cLog) {
  std::string text(agent);
  if (w3cLog) std::replace(text.begin(), text.end(), '+', ' ');

  AgentFacts facts;
  size_t measured = text.size();
  if (!DescribeCurrentAgent(text, facts)) DescribeClassicAgent(text, facts, measured);

  // Counting rule: an agent (or, for the classic shapes, its first token) of
  // at most 6 characters counts nowhere; a platform of at most 2 characters
  // is not counted.
  if (measured <= 6) return {};
  if (facts.platform.size() <= 2) facts.platform.clear();
  return facts;
}

}  // namespace tlw
