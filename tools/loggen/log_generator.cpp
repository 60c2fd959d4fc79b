#include "tools/loggen/log_generator.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "tools/loggen/site_model.h"
#include "tools/loggen/time_text.h"

namespace tlw::loggen {
namespace {

constexpr std::array kLayouts{Layout::NcsaCommon,   Layout::NcsaCombined,
                              Layout::W3cExtended,  Layout::CommaSeparated,
                              Layout::TabSeparated, Layout::BangTabSeparated};
constexpr std::array<std::string_view, 6> kLayoutNames{"common", "combined", "w3c",
                                                       "comma",  "tab",      "bang"};

constexpr std::size_t kOpenVisits = 16;
constexpr std::uint64_t kW3cRestartEvery = 4000;  // on average, in requests
constexpr std::array<std::string_view, 3> kKnownUsers{"alice", "bob", "j.smith"};
constexpr std::array<std::string_view, 6> kIpv4FirstOctets{"31", "77", "85", "93", "178", "203"};

template <typename T>
const T& Pick(Random& random, std::span<const T> items) {
  return items[random.Below(items.size())];
}

void AppendNumber(std::string& out, std::uint64_t value) { out += std::to_string(value); }

// W3C and the comma layout cannot hold blanks inside a field; IIS writes "+".
void AppendWithoutBlanks(std::string& out, std::string_view text) {
  for (const char c : text) out += c == ' ' ? '+' : c;
}

std::string_view BangResult(int status) {
  if (status < 300) return "OK";
  if (status < 400) return status == 304 ? "OK" : "PRIV";
  return "ERR!";
}

}  // namespace

std::string_view LayoutName(Layout layout) {
  return kLayoutNames[static_cast<std::size_t>(layout)];
}

std::optional<Layout> LayoutByName(std::string_view name) {
  for (std::size_t i = 0; i < kLayouts.size(); ++i) {
    if (kLayoutNames[i] == name) return kLayouts[i];
  }
  return std::nullopt;
}

std::span<const Layout> AllLayouts() { return kLayouts; }

LogGenerator::LogGenerator(const Options& options)
    : options_(options), random_(options.seed), clock_(options.startTime) {
  for (const UserAgent& agent : UserAgents()) agentWeightTotal_ += agent.weight;
  for (std::size_t i = 0; i < kOpenVisits; ++i) visits_.push_back(NewVisit());
}

std::size_t LogGenerator::NewVisitor(bool crawler) {
  std::span<const UserAgent> agents = UserAgents();
  std::size_t agent = 0;
  do {
    std::uint64_t ticket = random_.Below(agentWeightTotal_);
    agent = 0;
    while (ticket >= agents[agent].weight) ticket -= agents[agent++].weight;
  } while (agents[agent].crawler != crawler);

  std::string host;
  const std::uint64_t kind = random_.Below(100);
  if (crawler) {
    host = std::string(Pick(random_, CrawlerPrefixes())) + std::to_string(random_.Below(256));
  } else if (kind < 12) {
    char text[48];
    std::snprintf(text, sizeof text, "2a02:%x:%x:%x::%x",
                  static_cast<unsigned>(random_.Between(0x1000, 0xffff)),
                  static_cast<unsigned>(random_.Below(0x10000)),
                  static_cast<unsigned>(random_.Below(0x10000)),
                  static_cast<unsigned>(random_.Between(1, 0xffff)));
    host = text;
  } else {
    const std::string a(Pick(random_, std::span<const std::string_view>(kIpv4FirstOctets)));
    const std::string rest = std::to_string(random_.Below(256)) + "." +
                             std::to_string(random_.Below(256)) + "." +
                             std::to_string(random_.Between(1, 254));
    if (kind < 30) {
      std::string dashed = a + "-" + rest;
      for (char& c : dashed) c = c == '.' ? '-' : c;
      host = "host-" + dashed + "." + std::string(Pick(random_, HostSuffixes()));
    } else {
      host = a + "." + rest;
    }
  }
  visitors_.push_back(Visitor{std::move(host), agent});
  return visitors_.size() - 1;
}

std::string LogGenerator::EntryReferrer() {
  const std::uint64_t roll = random_.Below(100);
  if (roll < 35) {
    const SearchEngine& engine = Pick(random_, SearchEngines());
    return std::string(engine.prefix) + std::string(Pick(random_, SearchPhrases())) +
           std::string(engine.suffix);
  }
  if (roll < 45) return "https://www.google.com/";
  if (roll < 60) return std::string(Pick(random_, ExternalReferrers()));
  return "-";
}

LogGenerator::Visit LogGenerator::NewVisit() {
  const bool crawler = random_.Chance(150);
  Visit visit;
  // A third of the people come back; crawlers come back often.
  if (!visitors_.empty() && random_.Chance(crawler ? 700 : 330)) {
    visit.visitor = random_.Below(visitors_.size());
    if (UserAgents()[visitors_[visit.visitor].agent].crawler != crawler) {
      visit.visitor = NewVisitor(crawler);
    }
  } else {
    visit.visitor = NewVisitor(crawler);
  }
  visit.pagesLeft = static_cast<std::uint32_t>(random_.Between(1, crawler ? 10 : 7));
  visit.referrer = crawler ? "-" : EntryReferrer();
  if (!crawler && random_.Chance(10))
    visit.user = Pick(random_, std::span<const std::string_view>(kKnownUsers));
  if (crawler) visit.page = "/robots.txt";
  return visit;
}

LogGenerator::Request LogGenerator::NextRequest() {
  Visit& visit = visits_[random_.Below(visits_.size())];
  const Visitor& visitor = visitors_[visit.visitor];
  const UserAgent& agent = UserAgents()[visitor.agent];
  Request request;
  request.host = visitor.host;
  request.user = visit.user;
  request.method = "GET";
  request.query = "-";
  request.protocol = random_.Chance(300) ? "HTTP/2.0" : "HTTP/1.1";
  request.agent = agent.text;

  if (visit.assetsLeft > 0) {
    // A file of the page last loaded, asked for with the page as referrer.
    --visit.assetsLeft;
    request.path = PageAssets()[(PageAssets().size() - 1 - visit.assetsLeft) % PageAssets().size()];
    request.referrer = visit.referrer;
    const bool cached = random_.Chance(200);
    request.status = cached ? 304 : 200;
    request.bytes = cached ? 0 : random_.Between(800, 240000);
    if (visit.assetsLeft == 0 && visit.pagesLeft == 0) visit = NewVisit();
    return request;
  }

  if (agent.crawler && visit.page == "/robots.txt") {
    request.path = visit.page;
    visit.page = "/";
  } else {
    request.path = std::string(Pick(random_, SitePages()));
  }
  --visit.pagesLeft;
  request.referrer = visit.referrer;
  request.status = 200;
  request.bytes = random_.Between(3500, 64000);
  if (request.path == "/search") {
    request.query = Pick(random_, SearchPhrases());
    request.query = request.query.substr(0, request.query.find('%'));
  }
  if (request.path == "/contact.html" && random_.Chance(200)) request.method = "POST";
  if (random_.Chance(25)) {
    request.path = std::string(Pick(random_, MissingPaths()));
    request.status = 404;
    request.bytes = 1245;
  } else if (random_.Chance(20)) {
    request.status = 304;
    request.bytes = 0;
  } else if (random_.Chance(5)) {
    request.status = 500;
    request.bytes = 612;
  } else if (request.path == "/products/" && random_.Chance(100)) {
    request.path = "/products";
    request.status = 301;
    request.bytes = 234;
  }
  if (agent.crawler && random_.Chance(100)) request.method = "HEAD";

  // What this page is to the next request of the visit.
  std::string pageUrl = std::string(kSiteOrigin) + request.path;
  if (!agent.crawler && request.status == 200 && request.path.ends_with(".html")) {
    visit.assetsLeft = static_cast<std::uint32_t>(random_.Between(2, PageAssets().size()));
  }
  // Crawlers send no referrer; people's next request comes from this page.
  visit.referrer = agent.crawler ? std::string("-") : std::move(pageUrl);
  if (visit.pagesLeft == 0 && visit.assetsLeft == 0) visit = NewVisit();
  return request;
}

void LogGenerator::AppendHeader(std::string& out) {
  const TimeText time = MakeTimeText(clock_);
  switch (options_.layout) {
    case Layout::W3cExtended:
      out += "#Software: Microsoft Internet Information Services 10.0\n#Version: 1.0\n#Date: ";
      out += time.isoDate;
      out += ' ';
      out += time.clock;
      out +=
          "\n#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
          "cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status sc-bytes cs-bytes "
          "time-taken\n";
      break;
    case Layout::BangTabSeparated:
      out += "!!LOG_FORMAT BANG 1.0\n!!START ";
      out += time.usShortDate;
      out += ' ';
      out += time.clock;
      out += '\n';
      break;
    case Layout::NcsaCommon:
    case Layout::NcsaCombined:
    case Layout::CommaSeparated:
    case Layout::TabSeparated:
      break;
  }
}

void LogGenerator::Write(const Request& request, std::string& out) {
  const TimeText time = MakeTimeText(clock_);
  switch (options_.layout) {
    case Layout::NcsaCommon:
    case Layout::NcsaCombined: {
      out += request.host;
      out += " - ";
      out += request.user;
      out += " [";
      out += time.ncsa;
      out += "] \"";
      out += request.method;
      out += ' ';
      out += request.path;
      if (request.query != "-") {
        out += "?q=";
        out += request.query;
      }
      out += ' ';
      out += request.protocol;
      out += "\" ";
      AppendNumber(out, static_cast<std::uint64_t>(request.status));
      out += ' ';
      if (request.bytes == 0) {
        out += '-';
      } else {
        AppendNumber(out, request.bytes);
      }
      if (options_.layout == Layout::NcsaCombined) {
        out += " \"";
        out += request.referrer;
        out += "\" \"";
        out += request.agent;
        out += '"';
      }
      break;
    }
    case Layout::W3cExtended:
      out += time.isoDate;
      out += ' ';
      out += time.clock;
      out += " 10.0.0.5 ";
      out += request.method;
      out += ' ';
      out += request.path;
      out += ' ';
      if (request.query != "-") out += "q=";
      out += request.query;
      out += " 443 ";
      out += request.user;
      out += ' ';
      out += request.host;
      out += ' ';
      AppendWithoutBlanks(out, request.agent);
      out += ' ';
      out += request.referrer;
      out += ' ';
      AppendNumber(out, static_cast<std::uint64_t>(request.status));
      out += " 0 0 ";
      AppendNumber(out, request.bytes);
      out += ' ';
      AppendNumber(out, 300 + request.path.size() * 3);
      out += ' ';
      AppendNumber(out, request.bytes / 2000 + 15);
      break;
    case Layout::CommaSeparated:
      out += request.host;
      out += ", ";
      out += request.user;
      out += ", ";
      out += time.usShortDate;
      out += ", ";
      out += time.clockNoZero;
      out += ", W3SVC1, WEB01, 10.0.0.5, ";
      AppendNumber(out, request.bytes / 2000 + 15);
      out += ", ";
      AppendNumber(out, 300 + request.path.size() * 3);
      out += ", ";
      AppendNumber(out, request.bytes);
      out += ", ";
      AppendNumber(out, static_cast<std::uint64_t>(request.status));
      out += ", 0, ";
      out += request.method;
      out += ", ";
      out += request.path;
      out += ", ";
      out += request.query;
      out += ',';
      break;
    case Layout::TabSeparated:
      out += time.usLongDate;
      out += ' ';
      out += time.clock;
      out += '\t';
      out += request.host;
      out += '\t';
      out += request.user;
      out += '\t';
      out += request.method;
      out += '\t';
      out += request.path;
      out += '\t';
      if (request.referrer != "-") {
        out += request.referrer;
        out += '\t';
      }
      out += request.agent;
      out += '\t';
      AppendNumber(out, static_cast<std::uint64_t>(request.status));
      out += '\t';
      AppendNumber(out, request.bytes);
      // The server's cookie, session and comment columns, always empty.
      out += "\t\t\t";
      break;
    case Layout::BangTabSeparated:
      out += time.usShortDate;
      out += '\t';
      out += time.clock;
      out += '\t';
      out += BangResult(request.status);
      out += '\t';
      out += request.host;
      out += '\t';
      out += request.path;
      out += '\t';
      AppendNumber(out, request.bytes);
      break;
  }
  out += '\n';
}

void LogGenerator::AppendRequest(std::string& out) {
  if (options_.layout == Layout::W3cExtended && written_ > 0 &&
      random_.Below(kW3cRestartEvery) == 0) {
    AppendHeader(out);
  }
  clock_ += static_cast<std::int64_t>(random_.Below(options_.maxGapSeconds + 1));
  const Request request = NextRequest();
  Write(request, out);
  ++written_;
}

std::string GenerateLog(const Options& options) {
  LogGenerator generator(options);
  std::string out;
  generator.AppendHeader(out);
  for (std::uint64_t i = 0; i < options.requests; ++i) generator.AppendRequest(out);
  return out;
}

Status WriteLog(const std::string& path, const Options& options) {
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    return Status::Error("Cannot create " + temporary + ": " +
                         std::generic_category().message(errno));
  }
  LogGenerator generator(options);
  std::string chunk;
  generator.AppendHeader(chunk);
  bool written = true;
  for (std::uint64_t i = 0; i < options.requests && written; ++i) {
    generator.AppendRequest(chunk);
    if (chunk.size() >= (1U << 20) || i + 1 == options.requests) {
      written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
      chunk.clear();
    }
  }
  if (written && !chunk.empty()) {
    written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
  }
  const int error = errno;
  if (std::fclose(file) != 0 || !written) {
    std::remove(temporary.c_str());
    return Status::Error("Cannot write " + path + ": " +
                         std::generic_category().message(written ? errno : error));
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return Status::Error("Cannot write " + path + ": " + std::generic_category().message(errno));
  }
  return Status::Ok();
}

}  // namespace tlw::loggen
