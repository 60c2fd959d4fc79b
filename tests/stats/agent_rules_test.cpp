#include "stats/agent_rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "support/paths.h"

namespace tlw {
namespace {

struct AgentCase {
  const char* name;
  const char* agent;
  const char* browser;   // empty: not counted
  const char* platform;  // empty: not counted
  bool w3cLog = false;
};

class DescribeAgentTest : public testing::TestWithParam<AgentCase> {};

TEST_P(DescribeAgentTest, NamesBrowserAndPlatform) {
  const AgentCase& c = GetParam();
  const AgentFacts facts = DescribeAgent(c.agent, c.w3cLog);
  EXPECT_EQ(facts.browser, c.browser);
  EXPECT_EQ(facts.platform, c.platform);
}

std::string CaseName(const testing::TestParamInfo<AgentCase>& info) { return info.param.name; }

// The classic shapes keep their names, odd ones included.
INSTANTIATE_TEST_SUITE_P(
    Classic, DescribeAgentTest,
    testing::Values(
        AgentCase{"Msie501", "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)",
                  "Microsoft Internet Explorer 5.01", "Windows NT"},
        AgentCase{"Msie401Windows98Kept", "Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)",
                  "Microsoft Internet Explorer 4.01", "Windows 98"},
        AgentCase{"Netscape47", "Mozilla/4.7 [en] (Win98; I)", "Netscape 4.7", "Windows 98"},
        AgentCase{"Netscape461X11", "Mozilla/4.61 [en] (X11; I; Linux 2.2.12 i686)",
                  "Netscape 4.61", "X11"},
        AgentCase{"Win95", "Mozilla/4.0 (compatible; MSIE 4.01; Win95)",
                  "Microsoft Internet Explorer 4.01", "Windows 95"},
        AgentCase{"WinNT", "Mozilla/4.5 [en] (WinNT; I)", "Netscape 4.5", "Windows NT"},
        AgentCase{"Win32", "Mozilla/4.0 (compatible; MSIE 5.0; Win32)",
                  "Microsoft Internet Explorer 5.0", "Windows Win32s"},
        AgentCase{"MsieWithTrailingTokens",
                  "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322)",
                  "Microsoft Internet Explorer 7.0", "Windows NT 5.1; .NET CLR 1.1.4322"},
        AgentCase{"Msie9WithTridentButNoRv",
                  "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
                  "Microsoft Internet Explorer 9.0", "Windows NT 6.1; WOW64; Trident/5.0"},
        AgentCase{"CompatibleEndsEarly", "Mozilla/4.0 (compatible;)",
                  "Microsoft Internet Explorer ", ""},
        AgentCase{"TwoCharacterPlatformNotCounted", "Mozilla/4.0 (compatible; MSIE 5.0; NT)",
                  "Microsoft Internet Explorer 5.0", ""},
        AgentCase{"W3cPlusSigns", "Mozilla/4.0+(compatible;+MSIE+5.5;+Windows+98)",
                  "Microsoft Internet Explorer 5.5", "Windows 98", true},
        AgentCase{"PlusSignsKeptOutsideW3c", "Mozilla/4.0+(compatible;+MSIE+5.5;+Windows+98)",
                  "Microsoft Internet Explorer ", ""},
        AgentCase{"NeitherShape", "Scooter-3.2.EX", "Scooter-3.2.EX", ""},
        AgentCase{"NeitherShapeOldOpera",
                  "Opera/9.80 (Windows NT 6.1; U; en) Presto/2.10.289 Version/12.00",
                  "Opera/9.80 (Windows NT 6.1; U; en) Presto/2.10.289 Version/12.00", ""},
        AgentCase{"Empty", "", "", ""}, AgentCase{"SixCharactersNotCounted", "Lynx/2", "", ""},
        AgentCase{"ShortFirstTokenNotCounted", "Foo/1.0 (Mozilla)", "", ""},
        AgentCase{"Netscape6",
                  "Mozilla/5.0 (Windows; U; Win98; en-US; rv:0.9.4) Gecko/20011128 "
                  "Netscape6/6.2.1",
                  "Netscape 5.0", ""}),
    CaseName);

// Agents seen today, each with the name it gets.
INSTANTIATE_TEST_SUITE_P(
    CurrentBrowsers, DescribeAgentTest,
    testing::Values(
        AgentCase{"ChromeWindows",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/120.0.0.0 Safari/537.36",
                  "Google Chrome 120", "Windows 10"},
        AgentCase{"ChromeMac",
                  "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, "
                  "like Gecko) Chrome/120.0.0.0 Safari/537.36",
                  "Google Chrome 120", "Mac OS X"},
        AgentCase{"ChromeLinux",
                  "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                  "Chrome/119.0.0.0 Safari/537.36",
                  "Google Chrome 119", "Linux"},
        AgentCase{"ChromeOs",
                  "Mozilla/5.0 (X11; CrOS x86_64 14541.0.0) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/120.0.0.0 Safari/537.36",
                  "Google Chrome 120", "Chrome OS"},
        AgentCase{"ChromeAndroid",
                  "Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) "
                  "Chrome/120.0.0.0 Mobile Safari/537.36",
                  "Google Chrome 120", "Android"},
        AgentCase{"ChromeIphone",
                  "Mozilla/5.0 (iPhone; CPU iPhone OS 17_2 like Mac OS X) AppleWebKit/605.1.15 "
                  "(KHTML, like Gecko) CriOS/120.0.6099.119 Mobile/15E148 Safari/604.1",
                  "Google Chrome 120", "iOS"},
        AgentCase{"ChromeWindows7",
                  "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
                  "Chrome/32.0.1700.107 Safari/537.36",
                  "Google Chrome 32", "Windows 7"},
        AgentCase{"EdgeWindows",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/120.0.0.0 Safari/537.36 Edg/120.0.2210.91",
                  "Microsoft Edge 120", "Windows 10"},
        AgentCase{"EdgeAndroid",
                  "Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) "
                  "Chrome/120.0.0.0 Mobile Safari/537.36 EdgA/120.0.2210.115",
                  "Microsoft Edge 120", "Android"},
        AgentCase{"EdgeLegacy",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/70.0.3538.102 Safari/537.36 Edge/18.19045",
                  "Microsoft Edge 18", "Windows 10"},
        AgentCase{"Opera",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/120.0.0.0 Safari/537.36 OPR/106.0.0.0",
                  "Opera 106", "Windows 10"},
        AgentCase{"SamsungInternet",
                  "Mozilla/5.0 (Linux; Android 13; SM-S918B) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) SamsungBrowser/23.0 Chrome/115.0.0.0 Mobile Safari/537.36",
                  "Samsung Internet 23", "Android"},
        AgentCase{"YandexBrowser",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
                  "Gecko) Chrome/118.0.0.0 YaBrowser/23.11.0.0 Safari/537.36",
                  "Yandex Browser 23", "Windows 10"},
        AgentCase{"FirefoxWindows",
                  "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:121.0) Gecko/20100101 "
                  "Firefox/121.0",
                  "Mozilla Firefox 121", "Windows 10"},
        AgentCase{"FirefoxMac",
                  "Mozilla/5.0 (Macintosh; Intel Mac OS X 14.2; rv:121.0) Gecko/20100101 "
                  "Firefox/121.0",
                  "Mozilla Firefox 121", "Mac OS X"},
        AgentCase{"FirefoxUbuntu",
                  "Mozilla/5.0 (X11; Ubuntu; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
                  "Mozilla Firefox 121", "Linux"},
        AgentCase{"FirefoxAndroid",
                  "Mozilla/5.0 (Android 14; Mobile; rv:121.0) Gecko/121.0 "
                  "Firefox/121.0",
                  "Mozilla Firefox 121", "Android"},
        AgentCase{"FirefoxIphone",
                  "Mozilla/5.0 (iPhone; CPU iPhone OS 17_2 like Mac OS X) AppleWebKit/605.1.15 "
                  "(KHTML, like Gecko) FxiOS/121.0 Mobile/15E148 Safari/605.1.15",
                  "Mozilla Firefox 121", "iOS"},
        AgentCase{"FirefoxWindowsXp",
                  "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-GB; rv:1.8.1.14) Gecko/20090404 "
                  "Firefox/2.0.0.14",
                  "Mozilla Firefox 2", "Windows XP"},
        AgentCase{"SafariMac",
                  "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, "
                  "like Gecko) Version/17.2 Safari/605.1.15",
                  "Apple Safari 17", "Mac OS X"},
        AgentCase{"SafariIphone",
                  "Mozilla/5.0 (iPhone; CPU iPhone OS 17_2 like Mac OS X) AppleWebKit/605.1.15 "
                  "(KHTML, like Gecko) Version/17.2 Mobile/15E148 Safari/604.1",
                  "Apple Safari 17", "iOS"},
        AgentCase{"SafariIpad",
                  "Mozilla/5.0 (iPad; CPU OS 17_2 like Mac OS X) AppleWebKit/605.1.15 (KHTML, "
                  "like Gecko) Version/17.2 Mobile/15E148 Safari/604.1",
                  "Apple Safari 17", "iOS"},
        AgentCase{"AndroidStockBrowser",
                  "Mozilla/5.0 (Linux; U; Android 4.0.3; ko-kr; LG-L160L Build/IML74K) "
                  "AppleWebKit/534.30 (KHTML, like Gecko) Version/4.0 Mobile Safari/534.30",
                  "Android Browser 4", "Android"},
        AgentCase{"InternetExplorer11",
                  "Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko",
                  "Microsoft Internet Explorer 11", "Windows 7"},
        AgentCase{"ChromeInW3cLog",
                  "Mozilla/5.0+(Windows+NT+10.0;+Win64;+x64)+AppleWebKit/537.36+(KHTML,+like+"
                  "Gecko)+Chrome/120.0.0.0+Safari/537.36",
                  "Google Chrome 120", "Windows 10", true}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    CrawlersAndTools, DescribeAgentTest,
    testing::Values(
        AgentCase{"Googlebot",
                  "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
                  "Googlebot", ""},
        AgentCase{"GooglebotSmartphone",
                  "Mozilla/5.0 (Linux; Android 6.0.1; Nexus 5X Build/MMB29P) AppleWebKit/537.36 "
                  "(KHTML, like Gecko) Chrome/120.0.6099.129 Mobile Safari/537.36 (compatible; "
                  "Googlebot/2.1; +http://www.google.com/bot.html)",
                  "Googlebot", ""},
        AgentCase{"GooglebotInW3cLog",
                  "Mozilla/5.0+(compatible;+Googlebot/2.1;++http://www.google.com/bot.html)",
                  "Googlebot", "", true},
        AgentCase{"AdsBotMarkerOnlyInsideAddressIsSkipped",
                  "AdsBot-Google (+http://www.google.com/adsbot.html)", "AdsBot-Google", ""},
        AgentCase{"Bingbot",
                  "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
                  "bingbot", ""},
        AgentCase{"BingbotChromium",
                  "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; bingbot/2.0; "
                  "+http://www.bing.com/bingbot.htm) Chrome/116.0.1938.76 Safari/537.36",
                  "bingbot", ""},
        AgentCase{"YandexBot", "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
                  "YandexBot", ""},
        AgentCase{"Baiduspider",
                  "Mozilla/5.0 (compatible; Baiduspider/2.0; "
                  "+http://www.baidu.com/search/spider.html)",
                  "Baiduspider", ""},
        AgentCase{"DuckDuckBot", "DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)",
                  "DuckDuckBot", ""},
        AgentCase{"Applebot",
                  "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, "
                  "like Gecko) Version/13.1.1 Safari/605.1.15 (Applebot/0.1; "
                  "+http://www.apple.com/go/applebot)",
                  "Applebot", ""},
        AgentCase{"AhrefsBot", "Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)",
                  "AhrefsBot", ""},
        AgentCase{"SemrushBot",
                  "Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)",
                  "SemrushBot", ""},
        AgentCase{"GptBot",
                  "Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.0; "
                  "+https://openai.com/gptbot)",
                  "GPTBot", ""},
        AgentCase{"Bytespider",
                  "Mozilla/5.0 (Linux; Android 5.0) AppleWebKit/537.36 (KHTML, like Gecko) Mobile "
                  "Safari/537.36 (compatible; Bytespider; spider-feedback@bytedance.com)",
                  "Bytespider", ""},
        AgentCase{"YahooSlurp",
                  "Mozilla/5.0 (compatible; Yahoo! Slurp; "
                  "http://help.yahoo.com/help/us/ysearch/slurp)",
                  "Slurp", ""},
        AgentCase{"ArchiveOrg",
                  "Mozilla/5.0 (compatible; archive.org_bot "
                  "+http://www.archive.org/details/archive.org_bot)",
                  "archive.org_bot", ""},
        AgentCase{"Msnbot", "msnbot/2.0b (+http://search.msn.com/msnbot.htm)", "msnbot", ""},
        AgentCase{"FacebookPreview",
                  "facebookexternalhit/1.1 (+http://www.facebook.com/externalhit_uatext.php)",
                  "facebookexternalhit", ""},
        AgentCase{"HeadlessChrome",
                  "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                  "HeadlessChrome/120.0.6099.109 Safari/537.36",
                  "HeadlessChrome", ""},
        AgentCase{"Curl", "curl/8.4.0", "curl", ""}, AgentCase{"Wget", "Wget/1.21.4", "Wget", ""},
        AgentCase{"PythonRequests", "python-requests/2.31.0", "python-requests", ""},
        AgentCase{"GoHttpClient", "Go-http-client/1.1", "Go-http-client", ""}),
    CaseName);

// What follows "compatible;" names the browser only as a product token of its
// own ("Ezooms/1.0"); a platform word there, or the older "Name version"
// form, leaves the agent to the classic rule, worked through by hand here.
INSTANTIATE_TEST_SUITE_P(
    CompatibleSlot, DescribeAgentTest,
    testing::Values(
        AgentCase{"OldYandexPlatformWordIsNoBrowser", "Yandex/1.01.001 (compatible; Win16; I)",
                  "Microsoft Internet Explorer I)", ""},
        AgentCase{"WinHttpPlatformWordIsNoBrowser",
                  "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)",
                  "Microsoft Internet Explorer WinHttp.WinHttpRequest.5)", ""},
        AgentCase{"NameAndVersionIsClassic", "Mozilla/3.0 (compatible; WebCapture 2.0; Windows)",
                  "Microsoft Internet Explorer 2.0", "Windows"},
        AgentCase{"NameAndVersionPlatformRunsToTheParenthesis",
                  "Mozilla/3.0 (compatible; WebCapture 2.0; Auto; Windows)",
                  "Microsoft Internet Explorer 2.0", "Auto; Windows"},
        AgentCase{"NameWithoutVersionIsClassic", "Mozilla/3.0 (compatible; Indy Library)",
                  "Microsoft Internet Explorer Library)", ""},
        AgentCase{"SingleWordIsClassic",
                  "Mozilla/4.7 (compatible; OffByOne; Windows 2000) Webster Pro V3.4",
                  "Microsoft Internet Explorer Windows 2000) Webster Pro V3.4", ""},
        AgentCase{"PlatformWordWithSlashIsNoBrowser", "Mozilla/2.0 (compatible; OS/2 Warp 4; I)",
                  "Microsoft Internet Explorer Warp 4", ""},
        AgentCase{"SecurityLetterIsNoProduct", "Mozilla/5.0 (compatible; U; ABrowse 0.6; Syllable)",
                  "Microsoft Internet Explorer ABrowse 0.6", "Syllable"},
        AgentCase{"AddressIsNoProduct", "Mozilla/5.0 (compatible; +http://example.org/about)",
                  "Microsoft Internet Explorer ", ""},
        AgentCase{"WordBeforeAddressIsNoProduct",
                  "Mozilla/4.0 (compatible;  see http://www.parchmenthill.com/search.htm)",
                  "Microsoft Internet Explorer http://www.parchmenthill.com/search.htm)", ""},
        AgentCase{"ProductToken", "Mozilla/5.0 (compatible; Ezooms/1.0; help@moz.com)", "Ezooms",
                  ""},
        AgentCase{"ProductTokenOfTwoWords",
                  "Mozilla/5.0 (compatible; Google Desktop/5.9.1005.12335; "
                  "http://desktop.google.com/)",
                  "Google Desktop", ""},
        AgentCase{"ProductTokenWithAddress",
                  "Mozilla/5.0 (compatible; Genieo/1.0 http://www.genieo.com/webfilter.html)",
                  "Genieo", ""},
        AgentCase{"ProductTokenBeforePlatform", "Mozilla/5.0 (compatible; Konqueror/3.5; OpenBSD)",
                  "Konqueror", ""}),
    CaseName);

// Every distinct agent of the real combined logs: no current browser is
// taken for Netscape or Internet Explorer, and no platform word is a browser.
TEST(DescribeAgentRealLogs, NamesNoCurrentBrowserAsNetscapeOrExplorer) {
  TLW_REQUIRE_REALLOGS();
  std::set<std::string> agents;
  for (const char* file :
       {"ncsa-combined/elastic_examples_apache_logs", "ncsa-combined/zanbil_ir_jan2019_1000.log",
        "ncsa-combined/logstalgia_example.log"}) {
    std::ifstream in(test::RealLogsDir() / file);
    ASSERT_TRUE(in) << file;
    std::string line;
    while (std::getline(in, line)) {
      // host - - [date] "request" status bytes "referrer" "agent"
      size_t quote = 0;
      for (int i = 0; i < 5 && quote != std::string::npos; ++i) quote = line.find('"', quote + 1);
      if (quote == std::string::npos) continue;
      const size_t end = line.find('"', quote + 1);
      if (end != std::string::npos) agents.insert(line.substr(quote + 1, end - quote - 1));
    }
  }
  ASSERT_GT(agents.size(), 500u);

  size_t named = 0;
  for (const std::string& agent : agents) {
    const AgentFacts facts = DescribeAgent(agent, false);
    const bool modernToken = agent.find("Chrome/") != std::string::npos ||
                             agent.find("Firefox/") != std::string::npos ||
                             agent.find("Safari/") != std::string::npos;
    const bool msie =
        agent.find("MSIE") != std::string::npos || agent.find("Trident/") != std::string::npos;
    if (modernToken && !msie) {
      EXPECT_EQ(facts.browser.find("Netscape"), std::string::npos) << agent;
      EXPECT_EQ(facts.browser.find("Internet Explorer"), std::string::npos) << agent;
      if (facts.browser.find("bot") == std::string::npos) ++named;
    }
    for (const char* platformWord : {"Win", "Mac", "X11", "Linux"}) {
      EXPECT_FALSE(facts.browser.starts_with(platformWord)) << agent << " -> " << facts.browser;
    }
    EXPECT_NE(facts.browser.size(), 1u) << agent;
  }
  EXPECT_GT(named, 300u);
}

}  // namespace
}  // namespace tlw
