#include "stats/referrer_rules.h"

#include <array>

namespace tlw {
namespace {

// Where a search engine's marker is looked for. The old engines match their
// marker anywhere in the referrer, as they always have; today's engines look
// only before the query string, so a search for "google.com" on Bing is not
// taken for a Google referrer.
enum class MarkerScope { kWholeReferrer, kBeforeQuery };

struct SearchEngine {
  std::string_view marker;
  std::string_view key;       // the phrase follows the first occurrence of the key
  std::string_view otherKey;  // tried when `key` is absent; empty: none
  bool keyRequired;           // no key: no phrase (else the (k - 1) rule below)
  MarkerScope scope;
};

constexpr MarkerScope kAnywhere = MarkerScope::kWholeReferrer;
constexpr MarkerScope kHostPart = MarkerScope::kBeforeQuery;

// The first row whose marker the referrer holds decides; later rows are not
// looked at. Markers and keys are case-sensitive substrings. Today's engines
// come after the old rows so that no referrer those rows match changes, and
// name their key as a whole query parameter ("?q=" or "&q=") so that "aq=" or
// "oq=" is not taken for "q=". Google's "/url?q=" redirect carries a target
// address, not a phrase, so Google's first key is "/search?q=".
constexpr std::array<SearchEngine, 20> kSearchEngines{{
    {".yahoo.", "p=", "", true, kAnywhere},
    {".msn.", "MT=", "", true, kAnywhere},
    {"webcrawler.com", "rch=", "", false, kAnywhere},
    {".excite.", "rch=", "s=", true, kAnywhere},
    {".hotbot.", "MT=", "", true, kAnywhere},
    {".infoseek.", "qt=", "", true, kAnywhere},
    {"altavista.com", "q=", "", false, kAnywhere},
    {"snap.com", "ord=", "", false, kAnywhere},
    {"goto.com", "rds=", "", false, kAnywhere},
    {"metacrawler.com", "ral=", "", false, kAnywhere},
    {".lycos.", "ery=", "", true, kAnywhere},
    {"dogpile.com", "q=", "", false, kAnywhere},
    {".go.com", "qt=", "", false, kAnywhere},
    {"aol.com", "rch=", "s=", true, kAnywhere},
    {"google.", "/search?q=", "&q=", true, kHostPart},
    {"bing.com", "?q=", "&q=", true, kHostPart},
    {"duckduckgo.com", "?q=", "&q=", true, kHostPart},
    {"yandex.", "?text=", "&text=", true, kHostPart},
    {"baidu.com", "?wd=", "&wd=", true, kHostPart},
    {"ecosia.org", "?q=", "&q=", true, kHostPart},
}};

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

const SearchEngine* FindEngine(std::string_view referrer) {
  const std::string_view beforeQuery = referrer.substr(0, referrer.find('?'));
  for (const SearchEngine& engine : kSearchEngines) {
    const std::string_view scope =
        engine.scope == MarkerScope::kWholeReferrer ? referrer : beforeQuery;
    if (Contains(scope, engine.marker)) return &engine;
  }
  return nullptr;
}

std::string_view RawPhrase(std::string_view referrer) {
  const SearchEngine* engine = FindEngine(referrer);
  if (engine == nullptr) return {};

  std::string_view rest;
  size_t at = referrer.find(engine->key);
  if (at != std::string_view::npos) {
    rest = referrer.substr(at + engine->key.size());
  } else if (!engine->otherKey.empty() &&
             (at = referrer.find(engine->otherKey)) != std::string_view::npos) {
    rest = referrer.substr(at + engine->otherKey.size());
  } else if (engine->keyRequired) {
    return {};
  } else {
    // A missing optional key counts as found just before the referrer's
    // start, so the phrase is the referrer without its first (k - 1)
    // characters.
    const size_t skip = engine->key.size() - 1;
    rest = skip < referrer.size() ? referrer.substr(skip) : std::string_view{};
  }
  return rest.substr(0, rest.find('&'));
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
