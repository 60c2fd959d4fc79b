#include "tools/loggen/site_model.h"

#include <array>

namespace tlw::loggen {
namespace {

constexpr std::array kUserAgents{
    UserAgent{"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
              "Chrome/122.0.0.0 Safari/537.36",
              false, 30},
    UserAgent{"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like "
              "Gecko) Version/17.3 Safari/605.1.15",
              false, 10},
    UserAgent{"Mozilla/5.0 (X11; Linux x86_64; rv:123.0) Gecko/20100101 Firefox/123.0", false, 6},
    UserAgent{"Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:123.0) Gecko/20100101 Firefox/123.0",
              false, 6},
    UserAgent{"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
              "Chrome/122.0.0.0 Safari/537.36 Edg/122.0.2365.66",
              false, 8},
    UserAgent{"Mozilla/5.0 (iPhone; CPU iPhone OS 17_3_1 like Mac OS X) AppleWebKit/605.1.15 "
              "(KHTML, like Gecko) Version/17.3 Mobile/15E148 Safari/604.1",
              false, 14},
    UserAgent{"Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
              "Chrome/122.0.6261.105 Mobile Safari/537.36",
              false, 12},
    UserAgent{"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", true, 5},
    UserAgent{"Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)", true, 3},
    UserAgent{"Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)", true, 2},
    UserAgent{"Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)", true, 1},
    UserAgent{"curl/8.5.0", true, 1},
    UserAgent{"python-requests/2.31.0", true, 1},
};

constexpr std::array kSearchEngines{
    SearchEngine{"https://www.google.com/search?q=", "&hl=en"},
    SearchEngine{"https://www.google.de/search?q=", "&source=hp"},
    SearchEngine{"https://www.bing.com/search?q=", "&form=QBLH"},
    SearchEngine{"https://duckduckgo.com/?q=", "&ia=web"},
    SearchEngine{"https://yandex.ru/search/?text=", "&lr=213"},
    SearchEngine{"https://www.baidu.com/s?wd=", "&ie=utf-8"},
    SearchEngine{"https://www.ecosia.org/search?q=", ""},
    SearchEngine{"http://search.yahoo.com/search?p=", "&fr=yfp-t"},
};

constexpr std::array<std::string_view, 12> kSearchPhrases{
    "blue+widgets",          "widget+repair+guide", "example+tools+download", "how+to+fix+a+widget",
    "cheap+widgets+online",  "widget+size+chart",   "gadget+vs+widget",       "example+company",
    "widget%20manual%20pdf", "best+widgets+2024",   "widget+shop+near+me",    "stainless+widget",
};

constexpr std::array<std::string_view, 8> kExternalReferrers{
    "https://news.ycombinator.com/item?id=39512345",
    "https://www.reddit.com/r/widgets/comments/1b2c3d/new_widget_guide/",
    "https://t.co/Ab12Cd34Ef",
    "https://www.facebook.com/",
    "https://example.org/links.html",
    "https://forum.example.net/thread/4411",
    "https://en.wikipedia.org/wiki/Widget",
    "android-app://com.google.android.gm/",
};

constexpr std::array<std::string_view, 24> kSitePages{
    "/",
    "/index.html",
    "/about.html",
    "/contact.html",
    "/products/",
    "/products/widget-1.html",
    "/products/widget-2.html",
    "/products/widget-3.html",
    "/products/widget-12.html",
    "/products/gadget-7.html",
    "/blog/",
    "/blog/2024/02/choosing-a-widget.html",
    "/blog/2024/03/widget-care.html",
    "/blog/2023/11/year-in-review.html",
    "/docs/guide/install.html",
    "/docs/guide/configure.html",
    "/docs/faq.html",
    "/search",
    "/downloads/",
    "/downloads/widget-tools-2.4.1.tar.gz",
    "/support/ticket.php",
    "/news.html",
    "/sitemap.xml",
    "/feed.xml",
};

constexpr std::array<std::string_view, 6> kPageAssets{
    "/css/site.css",          "/js/app.js",   "/images/logo.png", "/images/banner.jpg",
    "/images/icons/cart.svg", "/favicon.ico",
};

constexpr std::array<std::string_view, 6> kMissingPaths{
    "/wp-login.php",         "/.env", "/xmlrpc.php", "/old/page.htm", "/products/widget-99.html",
    "/apple-touch-icon.png",
};

constexpr std::array<std::string_view, 10> kHostSuffixes{
    "dsl.netvia.de",       "cable.telecable.fr", "fibre.example.co.uk", "mobile.mobilink.jp",
    "res.fibrenet.com.br", "dyn.example.net",    "adsl.example.it",     "bb.example.com.au",
    "client.example.nl",   "pool.example.pl",
};

constexpr std::array<std::string_view, 5> kCrawlerPrefixes{
    "66.249.66.", "66.249.79.", "157.55.39.", "40.77.167.", "54.36.148.",
};

}  // namespace

std::span<const UserAgent> UserAgents() { return kUserAgents; }
std::span<const SearchEngine> SearchEngines() { return kSearchEngines; }
std::span<const std::string_view> SearchPhrases() { return kSearchPhrases; }
std::span<const std::string_view> ExternalReferrers() { return kExternalReferrers; }
std::span<const std::string_view> SitePages() { return kSitePages; }
std::span<const std::string_view> PageAssets() { return kPageAssets; }
std::span<const std::string_view> MissingPaths() { return kMissingPaths; }
std::span<const std::string_view> HostSuffixes() { return kHostSuffixes; }
std::span<const std::string_view> CrawlerPrefixes() { return kCrawlerPrefixes; }

}  // namespace tlw::loggen
