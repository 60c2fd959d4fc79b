#include "stats/referrer_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace tlw {
namespace {

struct PhraseCase {
  const char* name;
  const char* referrer;
  const char* phrase;  // raw, escapes kept
};

class SearchPhraseTest : public testing::TestWithParam<PhraseCase> {};

TEST_P(SearchPhraseTest, TakesThePhraseOfTheFirstMatchingEngine) {
  EXPECT_EQ(SearchPhrase(GetParam().referrer), GetParam().phrase);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, SearchPhraseTest,
    testing::Values(
        PhraseCase{"YahooMiddleParameter", "http://search.yahoo.com/bin/search?p=web+stats&hc=0",
                   "web+stats"},
        PhraseCase{"YahooLastParameter", "http://search.yahoo.com/bin/search?hc=0&p=web+stats",
                   "web+stats"},
        PhraseCase{"MsnWithoutRequiredKey", "http://search.msn.com/results.asp?q=stats", ""},
        PhraseCase{"ExciteFirstKey", "http://search.excite.com/search.gw?search=logs&lk=1", "logs"},
        PhraseCase{"ExciteOtherKey", "http://www.excite.co.uk/search?s=log+files", "log+files"},
        PhraseCase{"ExciteWithoutEitherKey", "http://www.excite.com/index.html", ""},
        PhraseCase{"AolOtherKey", "http://search.aol.com/find?s=web+logs&x=1", "web+logs"},
        // A missing optional key counts as found just before the start: the
        // referrer loses its first (k - 1) characters.
        PhraseCase{"WebcrawlerOptionalKeyMissing", "http://www.webcrawler.com/info&x=1",
                   "p://www.webcrawler.com/info"},
        PhraseCase{"AltavistaOptionalKeyMissing", "http://www.altavista.com/cgi-bin/query?pg=aq",
                   "ttp://www.altavista.com/cgi-bin/query?pg=aq"},
        PhraseCase{"AltavistaKeyPresent", "http://www.altavista.com/query?q=log+analyzer&kl=en",
                   "log+analyzer"},
        PhraseCase{"GoComIsNotInfoseek", "http://infoseek.go.com/Titles?col=WW&sv=IS",
                   "tp://infoseek.go.com/Titles?col=WW"},
        PhraseCase{"FirstRowDecidesEvenWithoutItsKey",
                   "http://search.msn.com/results.asp?q=site+.yahoo.com&MT=x", ""},
        PhraseCase{"OldRowsStayAheadOfNewOnes", "http://www.google.com/search?q=snap.com",
                   "p://www.google.com/search?q=snap.com"},
        PhraseCase{"MarkersAreCaseSensitive", "http://SEARCH.YAHOO.COM/bin/search?p=x", ""},
        PhraseCase{"NoEngine", "http://www.example.org/links.html?q=stats", ""},
        PhraseCase{"Google", "https://www.google.com/search?q=web+log+analyzer&oq=web",
                   "web+log+analyzer"},
        PhraseCase{"GoogleCountryDomainLaterParameter",
                   "https://www.google.de/search?client=firefox-b-d&q=tallowick", "tallowick"},
        PhraseCase{"GoogleClickThrough", "http://www.google.com/url?sa=t&rct=j&q=log%20files&e=s",
                   "log%20files"},
        PhraseCase{"GoogleRedirectCarriesAnAddress",
                   "https://www.google.com/url?q=https://example.org/page&sa=D", ""},
        PhraseCase{"GoogleWithoutQuery", "https://www.google.com/", ""},
        PhraseCase{"GoogleCountryDomain",
                   "http://www.google.co.uk/search?hl=en&q=log+files&meta=", "log+files"},
        PhraseCase{"GoogleImages", "http://images.google.com/images?q=web+stats&hl=en",
                   "web+stats"},
        PhraseCase{"GoogleImageResult",
                   "http://www.google.com/imgres?imgurl=http://example.org/a.png&imgrefurl="
                   "http://example.org/&prev=/search%3Fq%3Dx&sa=X&q=web+stats",
                   "web+stats"},
        PhraseCase{"GoogleMobile", "http://www.google.com/m?q=web+stats&client=ms-opera-mini",
                   "web+stats"},
        PhraseCase{"GoogleMobileLaterParameter",
                   "http://www.google.com/m?hl=fa&source=android-launcher-widget&q=log", "log"},
        PhraseCase{"GoogleOnlyOtherParametersEndingInQ",
                   "https://www.google.com/search?oq=web+stats&aq=f", ""},
        PhraseCase{"GoogleRedirectWithEscapedAddress",
                   "http://www.google.com/url?q=http%3A%2F%2Fexample.org%2F&sa=D&sntz=1", ""},
        PhraseCase{"GoogleMapsIsNoSearch", "http://maps.google.com/maps?hl=en&q=paris", ""},
        PhraseCase{"GoogleOnlyInThePath", "http://www.example.org/google.com/search?q=stats", ""},
        PhraseCase{"BingSearchForGoogle", "https://www.bing.com/search?q=google.com&form=QBLH",
                   "google.com"},
        PhraseCase{"BingKeyIsAWholeParameter", "https://www.bing.com/search?aq=x&q=y", "y"},
        PhraseCase{"DuckDuckGoSearchForBing", "https://duckduckgo.com/?q=bing.com&t=h_",
                   "bing.com"},
        PhraseCase{"Yandex", "https://yandex.ru/search/?text=access+log&lr=213", "access+log"},
        PhraseCase{"Baidu", "https://www.baidu.com/s?ie=utf-8&wd=web+stats", "web+stats"},
        PhraseCase{"Ecosia", "https://www.ecosia.org/search?method=index&q=logs", "logs"},
        PhraseCase{"NewEngineWithoutKey", "https://duckduckgo.com/", ""}),
    [](const testing::TestParamInfo<PhraseCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

struct ReferrerCase {
  const char* name;
  const char* referrer;
  const char* homepageUrl;
  bool counted;
  const char* phrase;
};

class ClassifyReferrerTest : public testing::TestWithParam<ReferrerCase> {};

TEST_P(ClassifyReferrerTest, CountsReferrerAndCleanedPhrase) {
  const ReferrerCase& c = GetParam();
  const ReferrerFacts facts = ClassifyReferrer(c.referrer, c.homepageUrl);
  EXPECT_EQ(facts.countReferrer, c.counted);
  EXPECT_EQ(facts.phrase, c.phrase);
}

constexpr const char* kSite = "http://www.tallowick.example";

INSTANTIATE_TEST_SUITE_P(
    Rules, ClassifyReferrerTest,
    testing::Values(
        ReferrerCase{"Empty", "", kSite, false, ""},
        ReferrerCase{"OwnSite", "http://www.tallowick.example/docs/", kSite, false, ""},
        ReferrerCase{"OwnSiteSearchCountsNowhere",
                     "http://www.tallowick.example/search.yahoo.com?p=stats", kSite, false, ""},
        ReferrerCase{"OwnSiteOverHttps", "https://www.tallowick.example/docs/", kSite, false, ""},
        ReferrerCase{"OwnSiteEnteredAsHttps", "http://www.tallowick.example/docs/",
                     "https://www.tallowick.example", false, ""},
        ReferrerCase{"SchemeOnlySiteUrlMarksNothing", "http://www.example.org/links.html",
                     "http://", true, ""},
        ReferrerCase{"OwnSiteIsCaseSensitive", "http://WWW.TALLOWICK.EXAMPLE/docs/", kSite, true,
                     ""},
        ReferrerCase{"NoSiteUrlMarksNothingAsOwn", "http://www.example.org/links.html", "", true,
                     ""},
        ReferrerCase{"NoSiteUrlStillGivesPhrases", "http://search.yahoo.com/bin/search?p=web+stats",
                     "", true, "web+stats"},
        ReferrerCase{"TenCharactersAreTooShort", "http://a.b", kSite, false, ""},
        ReferrerCase{"ElevenCharactersCount", "http://a.bc", kSite, true, ""},
        ReferrerCase{"EscapesAreDropped", "http://search.yahoo.com/s?p=%22log%20analyzer%22&x=1",
                     kSite, true, "loganalyzer"},
        ReferrerCase{"EscapeBroughtIntoViewIsDropped", "http://search.yahoo.com/s?p=web%20%20stats",
                     kSite, true, "webstats"},
        ReferrerCase{"EscapeCutShortAtTheEnd", "http://search.yahoo.com/s?p=stats%2", kSite, true,
                     "stats"},
        ReferrerCase{"PercentSwallowsPercent", "http://search.yahoo.com/s?p=x%%41yz", kSite, true,
                     "x1yz"},
        ReferrerCase{"PlusStaysAPlus", "https://www.bing.com/search?q=web+stats", kSite, true,
                     "web+stats"},
        ReferrerCase{"TwoCharacterPhraseNotCounted", "http://search.yahoo.com/s?p=ab&x=1", kSite,
                     true, ""},
        ReferrerCase{"ThreeCharacterPhraseCounted", "http://search.yahoo.com/s?p=abc", kSite, true,
                     "abc"},
        ReferrerCase{"PhraseOnlyEscapesNotCounted", "http://search.yahoo.com/s?p=%20%20", kSite,
                     true, ""},
        ReferrerCase{"MsnWithoutKeyStillCounted", "http://search.msn.com/results.asp?q=x", kSite,
                     true, ""}),
    [](const testing::TestParamInfo<ReferrerCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

}  // namespace
}  // namespace tlw
