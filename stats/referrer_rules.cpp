#include "stats/referrer_rules.h"

#include <algorithm>
#include <array>
#include <span>

namespace tlw {
namespace {

// How a search engine is recognised and where its phrase is. The old engines
// match their marker anywhere in the referrer and take the text after the
// first occurrence of their key, as they always have. Today's engines match
// their marker in the host name only, so a search for "google.com" on Bing is
// not taken for a Google referrer, and their key is the name of a whole query
// parameter: "q" is "?q=" or "&q=", never "aq=" or "oq=".
enum class EngineKind { kClassic, kCurrent };

struct SearchEngine {
  EngineKind kind;
  std::string_view marker;
  std::string_view key;       // classic: text the phrase follows; current: parameter name
  std::string_view otherKey;  // classic: tried when `key` is absent; empty: none
  bool keyRequired;           // classic: no key, no phrase (else the (k - 1) rule below)
  std::span<const std::string_view> resultPaths;  // current: pages with a phrase; empty: any
  std::string_view redirectPath;  // current: a path whose first parameter `key` holds an address
};

// Google's result pages: web, image and mobile search, and the click-through
// "/url?sa=t&...&q=phrase" from a result. Other Google pages (maps, books,
// mail) take "q" for something else; "/url?q=https://..." is a redirect to
// the address it names (links in mail and documents).
constexpr std::array<std::string_view, 11> kGoogleResultPaths{
    "",   "/",         "/search", "/webhp", "/images", "/imgres",
    "/m", "/m/search", "/custom", "/cse",   "/url"};

constexpr EngineKind kClassic = EngineKind::kClassic;
constexpr EngineKind kCurrent = EngineKind::kCurrent;

// The first row whose marker the referrer holds decides; later rows are not
// looked at. Markers and keys are case-sensitive. Today's engines come after
// the old rows so that no referrer those rows match changes.
constexpr std::array<SearchEngine, 20> kSearchEngines{{
    {kClassic, ".yahoo.", "p=", "", true, {}, ""},
    {kClassic, ".msn.", "MT=", "", true, {}, ""},
    {kClassic, "webcrawler.com", "rch=", "", false, {}, ""},
    {kClassic, ".excite.", "rch=", "s=", true, {}, ""},
    {kClassic, ".hotbot.", "MT=", "", true, {}, ""},
    {kClassic, ".infoseek.", "qt=", "", true, {}, ""},
    {kClassic, "altavista.com", "q=", "", false, {}, ""},
    {kClassic, "snap.com", "ord=", "", false, {}, ""},
    {kClassic, "goto.com", "rds=", "", false, {}, ""},
    {kClassic, "metacrawler.com", "ral=", "", false, {}, ""},
    {kClassic, ".lycos.", "ery=", "", true, {}, ""},
    {kClassic, "dogpile.com", "q=", "", false, {}, ""},
    {kClassic, ".go.com", "qt=", "", false, {}, ""},
    {kClassic, "aol.com", "rch=", "s=", true, {}, ""},
    {kCurrent, "google.", "q", "", true, kGoogleResultPaths, "/url"},
    {kCurrent, "bing.com", "q", "", true, {}, ""},
    {kCurrent, "duckduckgo.com", "q", "", true, {}, ""},
    {kCurrent, "yandex.", "text", "", true, {}, ""},
    {kCurrent, "baidu.com", "wd", "", true, {}, ""},
    {kCurrent, "ecosia.org", "q", "", true, {}, ""},
}};

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The parts of a referring address that today's engines look at.
struct AddressParts {
  std::string_view host;
  std::string_view path;   // from the "/" after the host up to the query; may be empty
  std::string_view query;  // after the "?"; empty without one
};

AddressParts SplitAddress(std::string_view referrer) {
  AddressParts parts;
  const size_t queryMark = referrer.find('?');
  std::string_view beforeQuery = referrer.substr(0, queryMark);
  if (queryMark != std::string_view::npos) parts.query = referrer.substr(queryMark + 1);
  const size_t scheme = beforeQuery.find("://");
  if (scheme != std::string_view::npos) beforeQuery.remove_prefix(scheme + 3);
  const size_t slash = beforeQuery.find('/');
  parts.host = beforeQuery.substr(0, slash);
  if (slash != std::string_view::npos) parts.path = beforeQuery.substr(slash);
  return parts;
}

std::string_view ClassicPhrase(const SearchEngine& engine, std::string_view referrer) {
  std::string_view rest;
  size_t at = referrer.find(engine.key);
  if (at != std::string_view::npos) {
    rest = referrer.substr(at + engine.key.size());
  } else if (!engine.otherKey.empty() &&
             (at = referrer.find(engine.otherKey)) != std::string_view::npos) {
    rest = referrer.substr(at + engine.otherKey.size());
  } else if (engine.keyRequired) {
    return {};
  } else {
    // A missing optional key counts as found just before the referrer's
    // start, so the phrase is the referrer without its first (k - 1)
    // characters.
    const size_t skip = engine.key.size() - 1;
    rest = skip < referrer.size() ? referrer.substr(skip) : std::string_view{};
  }
  return rest.substr(0, rest.find('&'));
}

// The value of the first query parameter named `engine.key` on one of the
// engine's result pages; empty when there is none.
std::string_view CurrentPhrase(const SearchEngine& engine, const AddressParts& address) {
  if (!engine.resultPaths.empty() && std::find(engine.resultPaths.begin(), engine.resultPaths.end(),
                                               address.path) == engine.resultPaths.end()) {
    return {};
  }
  std::string_view query = address.query;
  for (bool first = true; !query.empty(); first = false) {
    const size_t end = query.find('&');
    const std::string_view parameter = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
    if (parameter.size() <= engine.key.size() || !parameter.starts_with(engine.key) ||
        parameter[engine.key.size()] != '=') {
      continue;
    }
    if (first && !engine.redirectPath.empty() && address.path == engine.redirectPath) return {};
    return parameter.substr(engine.key.size() + 1);
  }
  return {};
}

std::string_view RawPhrase(std::string_view referrer) {
  const AddressParts address = SplitAddress(referrer);
  for (const SearchEngine& engine : kSearchEngines) {
    if (engine.kind == EngineKind::kClassic) {
      if (Contains(referrer, engine.marker)) return ClassicPhrase(engine, referrer);
    } else if (Contains(address.host, engine.marker)) {
      return CurrentPhrase(engine, address);
    }
  }
  return {};
}

// Escapes are dropped, not decoded: every "%" goes together with the two
// characters after it, and a "%" that a removal brings into view goes too.
std::string WithoutEscapes(std::string_view phrase) {
  std::string kept;
  kept.reserve(phrase.size());
  size_t i = 0;
  while (i < phrase.size()) {
    if (phrase[i] == '%') {
      i += 3;
    } else {
      kept.push_back(phrase[i]);
      ++i;
    }
  }
  return kept;
}

// The URL without a leading "http://" or "https://".
std::string_view WithoutWebScheme(std::string_view url) {
  if (url.starts_with("http://")) return url.substr(7);
  if (url.starts_with("https://")) return url.substr(8);
  return url;
}

}  // namespace

std::string SearchPhrase(std::string_view referrer) { return std::string(RawPhrase(referrer)); }

ReferrerFacts ClassifyReferrer(std::string_view referrer, std::string_view homepageUrl) {
  ReferrerFacts facts;
  if (referrer.empty()) return facts;
  // The site's own pages are not referrers. A profile without a site URL has
  // no own pages to recognise, so every referrer counts. The site's scheme
  // is not compared: a site entered as http:// serves its pages over
  // https:// too (and the other way round), and those pages are its own.
  const std::string_view ownSite = WithoutWebScheme(homepageUrl);
  if (!ownSite.empty() && Contains(referrer, ownSite)) return facts;
  if (referrer.size() <= 10) return facts;

  facts.countReferrer = true;
  std::string phrase = WithoutEscapes(RawPhrase(referrer));
  if (phrase.size() > 2) facts.phrase = std::move(phrase);
  return facts;
}

}  // namespace tlw
