#include "report/modern_sections.h"

#include <algorithm>
#include <array>
#include <vector>

#include "report/html_escape.h"
#include "report/modern_format.h"
#include "report/modern_periods.h"
#include "report/modern_svg_chart.h"
#include "report/modern_view.h"
#include "report/special_tables.h"
#include "stats/stat_table.h"

namespace tlw {

namespace {

// Keys longer than this are cut in the tables (the whole key stays in a
// tooltip): a URL of a few thousand bytes would otherwise fill the screen.
constexpr std::size_t kKeyBytes = 100;

// Robots' hits share the chart of people's page views while their highest
// period stays within this multiple of people's: beyond it the bars shrink
// to a few pixels and the table tells more.
constexpr std::int64_t kRobotLineAtMost = 3;

constexpr std::array<std::string_view, 7> kWeekdays = {
    "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

void AppendEmpty(std::string& out, std::string_view text) {
  out += "<p class=\"empty\">";
  out += text;
  out += "</p>\n";
}

void AppendShareCell(std::string& out, std::int64_t tenths) {
  const std::string percent = PercentText(tenths);
  out += "<td class=\"n share\">" + percent +
         "<span class=\"meter\" aria-hidden=\"true\"><span style=\"width:" + percent +
         "\"></span></span></td>";
}

void AppendNumberCell(std::string& out, std::string_view text) {
  out += "<td class=\"n\">";
  out += text;
  out += "</td>";
}

void AppendPlainKey(std::string& out, std::string_view key) {
  AppendShortenedLogText(out, key, kKeyBytes);
}

// A referrer that is a well-formed web address is a link; following it
// sends nothing about the reader to that site.
void AppendReferrerKey(std::string& out, std::string_view key) {
  if (!IsLinkableUrl(key)) {
    AppendPlainKey(out, key);
    return;
  }
  out += "<a rel=\"nofollow noopener noreferrer\" href=\"";
  AppendLogText(out, key);
  out += "\">";
  AppendPlainKey(out, key);
  out += "</a>";
}

void AppendStatusKey(std::string& out, std::string_view key) {
  const char first = key.empty() ? ' ' : key.front();
  if (first >= '2' && first <= '5') {
    out += "<span class=\"code-";
    out += first;
    out += "\">";
    AppendPlainKey(out, key);
    out += "</span>";
  } else {
    AppendPlainKey(out, key);
  }
  std::string_view text = StatusText(key);
  if (text.starts_with(": ")) text.remove_prefix(2);
  out += " ";
  AppendLogText(out, text);
}

struct RankedText {
  std::string_view heading;     // the table's <h3>; empty: none
  std::string_view keyHeading;  // "Page"
  std::string_view countHeading;
  std::string_view empty;  // the line shown instead of an empty table
  void (*appendKey)(std::string& out, std::string_view key) = AppendPlainKey;
};

void AppendHeading3(std::string& out, std::string_view heading) {
  if (heading.empty()) return;
  out += "<h3>";
  out += heading;
  out += "</h3>\n";
}

// The top rows of `table` by count with their shares of the whole table;
// the rows past kModernTopRows are summed in one last row.
void AppendRankedTable(std::string& out, const StatTable& table, const RankedText& text) {
  AppendHeading3(out, text.heading);
  std::vector<StatEntry> ranked = Ranked(table);
  std::erase_if(ranked, [](const StatEntry& e) { return e.count <= 0; });
  if (ranked.empty()) {
    AppendEmpty(out, text.empty);
    return;
  }
  const std::size_t shown = std::min(ranked.size(), kModernTopRows);
  std::vector<std::int64_t> parts;
  for (std::size_t i = 0; i < shown; ++i) parts.push_back(ranked[i].count);
  std::int64_t rest = 0;
  for (std::size_t i = shown; i < ranked.size(); ++i) StatTable::AddTo(rest, ranked[i].count);
  if (shown < ranked.size()) parts.push_back(rest);
  const std::vector<std::int64_t> tenths = ShareTenths(parts);

  out += "<div class=\"table-box\"><table>\n<thead><tr><th class=\"n rank\">#</th><th>";
  out += text.keyHeading;
  out += "</th><th class=\"n\">";
  out += text.countHeading;
  out += "</th><th class=\"n\">Share</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < shown; ++i) {
    out += "<tr><td class=\"n rank\">" + std::to_string(i + 1) + "</td><td class=\"k\">";
    text.appendKey(out, ranked[i].key);
    out += "</td>";
    AppendNumberCell(out, GroupedNumber(ranked[i].count));
    AppendShareCell(out, tenths[i]);
    out += "</tr>\n";
  }
  if (shown < ranked.size()) {
    out += "<tr class=\"more\"><td class=\"rank\"></td><td class=\"k\">" +
           GroupedNumber(static_cast<std::int64_t>(ranked.size() - shown)) + " more</td>";
    AppendNumberCell(out, GroupedNumber(rest));
    AppendShareCell(out, tenths[shown]);
    out += "</tr>\n";
  }
  out += "</tbody></table></div>\n";
}

// ---- Summary ----

void WriteSummary(std::string& out, const ModernViewInput& input) {
  const AudienceTotals& people = input.audience.people;
  const AudienceTotals& robots = input.audience.robots;
  if (people.hits == 0 && robots.hits == 0) {
    AppendEmpty(out, "No requests were counted in this period.");
    return;
  }
  const std::int64_t robotShare =
      ShareTenths(std::array<std::int64_t, 2>{people.hits, robots.hits})[1];
  const std::array<std::pair<std::string_view, std::string>, 4> cards = {{
      {"visitors", GroupedNumber(people.visitors)},
      {"visits", GroupedNumber(people.visits)},
      {"page views", GroupedNumber(people.pageViews)},
      {"of all hits by robots", PercentText(robotShare)},
  }};
  out += "<div class=\"cards\">";
  for (const auto& [label, value] : cards) {
    out += "<p class=\"card\"><span class=\"value\">" + value + "</span><span class=\"label\">";
    out += label == cards[3].first ? "" : "people's ";
    out += label;
    out += "</span></p>";
  }
  out += "</div>\n";

  struct Row {
    std::string_view name;
    std::int64_t people;
    std::int64_t robots;
    bool bytes;
  };
  const std::array<Row, 5> rows = {{
      {"Visitors", people.visitors, robots.visitors, false},
      {"Visits", people.visits, robots.visits, false},
      {"Page views", people.pageViews, robots.pageViews, false},
      {"Hits", people.hits, robots.hits, false},
      {"Bytes", people.bytes, robots.bytes, true},
  }};
  out +=
      "<div class=\"table-box\"><table class=\"summary\">\n<thead><tr><th></th><th "
      "class=\"n\">People</th>"
      "<th class=\"n\">Share</th><th class=\"n\">Robots</th><th class=\"n\">Share</th></tr>"
      "</thead>\n<tbody>\n";
  for (const Row& row : rows) {
    const std::vector<std::int64_t> tenths =
        ShareTenths(std::array<std::int64_t, 2>{row.people, row.robots});
    out += "<tr><th scope=\"row\">";
    out += row.name;
    out += "</th>";
    AppendNumberCell(out, row.bytes ? ByteText(row.people) : GroupedNumber(row.people));
    AppendNumberCell(out, PercentText(tenths[0]));
    AppendNumberCell(out, row.bytes ? ByteText(row.robots) : GroupedNumber(row.robots));
    AppendNumberCell(out, PercentText(tenths[1]));
    out += "</tr>\n";
  }
  out += "</tbody></table></div>\n";
}

// ---- Traffic over time ----

void WriteTraffic(std::string& out, const ModernViewInput& input) {
  const TrafficSeries series = GroupTraffic(input.audience.days);
  if (series.periods.empty()) {
    AppendEmpty(out, "No days with requests in this period.");
    return;
  }
  static constexpr std::array<std::string_view, 3> kUnitNames = {"day", "week", "month"};
  const std::string_view unit = kUnitNames[static_cast<std::size_t>(series.unit)];

  BarChart chart;
  chart.id = "traffic-chart";
  chart.barName = "Page views of people";
  std::int64_t peopleMax = 0;
  std::int64_t robotMax = 0;
  for (const TrafficPeriod& period : series.periods) {
    chart.labels.push_back(period.label);
    chart.bars.push_back(period.peoplePageViews);
    chart.line.push_back(period.robotHits);
    peopleMax = std::max(peopleMax, period.peoplePageViews);
    robotMax = std::max(robotMax, period.robotHits);
  }
  const bool robotLine =
      robotMax > 0 && (peopleMax == 0 || robotMax / kRobotLineAtMost <= peopleMax);
  if (robotLine) chart.lineName = "Hits of robots";
  chart.title = "Page views of people" + std::string(robotLine ? " and hits of robots" : "") +
                " per " + std::string(unit) + ", from " + series.periods.front().label + " to " +
                series.periods.back().label;
  for (const std::size_t i : SpreadLabels(series.periods.size(), 6)) {
    chart.axisLabels.push_back({i, series.periods[i].shortLabel});
  }
  out += RenderBarChart(chart);
  if (series.unit != PeriodUnit::kDay) {
    out += "<p class=\"note\">One bar per ";
    out += series.unit == PeriodUnit::kWeek ? "week (Monday to Sunday)" : "month";
    out += ": the log spans more than " +
           std::to_string(series.unit == PeriodUnit::kWeek ? kDailyUpToDays : kWeeklyUpToDays) +
           " days.</p>\n";
  }
  if (!robotLine && robotMax > 0) {
    out +=
        "<p class=\"note\">Robots' hits are left out of the chart: they outnumber people's page "
        "views too far to share its scale. The table has them.</p>\n";
  }

  out += "<div class=\"table-box tall\"><table>\n<thead><tr><th>";
  out += unit == "day" ? "Day" : unit == "week" ? "Week" : "Month";
  out +=
      "</th><th class=\"n\">Page views</th><th class=\"n\">Visits</th><th class=\"n\">Hits</th>"
      "<th class=\"n\">Robot hits</th></tr></thead>\n<tbody>\n";
  for (const TrafficPeriod& period : series.periods) {
    out += "<tr><td class=\"d\">" + period.label + "</td>";
    AppendNumberCell(out, GroupedNumber(period.peoplePageViews));
    AppendNumberCell(out, GroupedNumber(period.peopleVisits));
    AppendNumberCell(out, GroupedNumber(period.peopleHits));
    AppendNumberCell(out, GroupedNumber(period.robotHits));
    out += "</tr>\n";
  }
  out += "</tbody></table></div>\n";
}

// ---- Hours and weekdays ----

// A chart and a table of page views by labelled slot, in the slots' order.
void AppendSlotChart(std::string& out, std::string_view id, std::string_view heading,
                     std::string_view slotHeading, std::span<const std::int64_t> values,
                     std::span<const std::string> labels, std::span<const std::string> axis) {
  out += "<div>\n";
  AppendHeading3(out, heading);
  BarChart chart;
  chart.id = std::string(id);
  chart.title = "Page views of people by " + std::string(slotHeading);
  chart.barName = "Page views of people";
  chart.labels.assign(labels.begin(), labels.end());
  chart.bars.assign(values.begin(), values.end());
  for (std::size_t i = 0; i < axis.size(); ++i) chart.axisLabels.push_back({i, axis[i]});
  chart.denseAxis = axis.size() > 12;
  out += RenderBarChart(chart);
  const std::vector<std::int64_t> tenths = ShareTenths(values);
  out += values.size() > 12 ? "<div class=\"table-box tall\">" : "<div class=\"table-box\">";
  out += "<table>\n<thead><tr><th>";
  // The slot heading starts the table's first column with a capital.
  out += static_cast<char>(slotHeading.front() - 'a' + 'A');
  out += slotHeading.substr(1);
  out += "</th><th class=\"n\">Page views</th><th class=\"n\">Share</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < values.size(); ++i) {
    out += "<tr><td>" + labels[i] + "</td>";
    AppendNumberCell(out, GroupedNumber(values[i]));
    AppendShareCell(out, tenths[i]);
    out += "</tr>\n";
  }
  out += "</tbody></table></div>\n</div>\n";
}

void WriteHoursAndWeekdays(std::string& out, const ModernViewInput& input) {
  const auto& hours = input.audience.hourPageViews;
  const auto& weekdays = input.audience.weekdayPageViews;
  const bool any = std::any_of(hours.begin(), hours.end(), [](std::int64_t v) { return v > 0; });
  if (!any) {
    AppendEmpty(out, "No page views of people in this period.");
    return;
  }
  std::vector<std::string> hourLabels;
  std::vector<std::string> hourAxis;
  hourLabels.reserve(hours.size());
  hourAxis.reserve(hours.size());
  for (int hour = 0; hour < 24; ++hour) {
    hourLabels.push_back((hour < 10 ? "0" : "") + std::to_string(hour) + ":00");
    hourAxis.push_back(std::to_string(hour));
  }
  std::vector<std::string> dayLabels(kWeekdays.begin(), kWeekdays.end());
  std::vector<std::string> dayAxis;
  dayAxis.reserve(kWeekdays.size());
  for (const std::string_view day : kWeekdays) dayAxis.emplace_back(day.substr(0, 3));
  out += "<div class=\"columns\">\n";
  AppendSlotChart(out, "hours-chart", "By hour of the day", "hour", hours, hourLabels, hourAxis);
  AppendSlotChart(out, "weekdays-chart", "By day of the week", "weekday", weekdays, dayLabels,
                  dayAxis);
  out += "</div>\n";
}

// ---- Ranked sections ----

void WritePages(std::string& out, const ModernViewInput& input) {
  const AudienceStatistics& a = input.audience;
  AppendRankedTable(
      out, a.pages,
      {"Most viewed pages", "Page", "Page views", "No page views of people in this period."});
  out += "<div class=\"columns\">\n<div>\n";
  AppendRankedTable(out, a.entryPages,
                    {"Entry pages", "Page", "Visits", "No visits of people in this period."});
  out += "</div>\n<div>\n";
  AppendRankedTable(out, a.exitPages,
                    {"Exit pages", "Page", "Visits", "No visits of people in this period."});
  out += "</div>\n</div>\n";
}

void WriteReferrers(std::string& out, const ModernViewInput& input) {
  out += "<div class=\"columns\">\n<div>\n";
  AppendRankedTable(out, input.audience.referrers,
                    {"Referring pages", "Referrer", "Requests",
                     "No requests of people came from other sites.", AppendReferrerKey});
  out += "</div>\n<div>\n";
  AppendRankedTable(out, input.audience.searchPhrases,
                    {"Search phrases", "Phrase", "Requests", "No search phrases were found."});
  out += "</div>\n</div>\n";
}

void WriteCountries(std::string& out, const ModernViewInput& input) {
  AppendRankedTable(out, input.audience.countries,
                    {"", "Country", "Page views", "No countries are known for this period."});
}

void WriteSoftware(std::string& out, const ModernViewInput& input) {
  out += "<div class=\"columns\">\n<div>\n";
  AppendRankedTable(out, input.audience.browsers,
                    {"Browsers", "Browser", "Page views", "No browsers of people were seen."});
  out += "</div>\n<div>\n";
  AppendRankedTable(
      out, input.audience.platforms,
      {"Operating systems", "System", "Page views", "No operating systems of people were seen."});
  out += "</div>\n</div>\n";
}

void WriteStatus(std::string& out, const ModernViewInput& input) {
  out += "<div class=\"columns\">\n<div>\n";
  AppendRankedTable(
      out, input.statistics.retCodes,
      {"Status codes", "Status", "Requests", "No status codes were logged.", AppendStatusKey});
  out += "</div>\n<div>\n";
  AppendRankedTable(
      out, input.statistics.brokenLinks,
      {"Broken links", "Page not found", "Requests", "No broken links were asked for."});
  out += "</div>\n</div>\n";
}

// ---- Robots ----

void AppendRobotKinds(std::string& out, const AudienceStatistics& audience) {
  AppendHeading3(out, "By kind");
  std::vector<std::size_t> kinds;
  for (std::size_t k = 0; k < kRobotKindCount; ++k) {
    if (audience.robotKindHits[k] > 0) kinds.push_back(k);
  }
  std::stable_sort(kinds.begin(), kinds.end(), [&](std::size_t a, std::size_t b) {
    return audience.robotKindHits[a] > audience.robotKindHits[b];
  });
  if (kinds.empty()) {
    AppendEmpty(out, "No robot hits were counted.");
    return;
  }
  std::vector<std::int64_t> hits;
  hits.reserve(kinds.size());
  for (const std::size_t k : kinds) hits.push_back(audience.robotKindHits[k]);
  const std::vector<std::int64_t> tenths = ShareTenths(hits);
  out +=
      "<div class=\"table-box\"><table>\n<thead><tr><th>Kind</th><th class=\"n\">Hits</th>"
      "<th class=\"n\">Share</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    out += "<tr><td>";
    out += kRobotKindNames[kinds[i]];
    out += "</td>";
    AppendNumberCell(out, GroupedNumber(hits[i]));
    AppendShareCell(out, tenths[i]);
    out += "</tr>\n";
  }
  out += "</tbody></table></div>\n";
}

void AppendRobotFamilies(std::string& out, const AudienceStatistics& audience) {
  AppendHeading3(out, "By robot");
  // Counting hands the families most hits first.
  std::vector<const RobotFamilyCount*> families;
  for (const RobotFamilyCount& family : audience.robotFamilies) {
    if (family.hits > 0) families.push_back(&family);
  }
  if (families.empty()) {
    AppendEmpty(out, "No robots were named.");
    return;
  }
  const std::size_t shown = std::min(families.size(), kModernTopRows);
  std::vector<std::int64_t> parts;
  for (std::size_t i = 0; i < shown; ++i) parts.push_back(families[i]->hits);
  std::int64_t restHits = 0;
  std::int64_t restBytes = 0;
  for (std::size_t i = shown; i < families.size(); ++i) {
    StatTable::AddTo(restHits, families[i]->hits);
    StatTable::AddTo(restBytes, families[i]->bytes);
  }
  if (shown < families.size()) parts.push_back(restHits);
  const std::vector<std::int64_t> tenths = ShareTenths(parts);
  out +=
      "<div class=\"table-box\"><table>\n<thead><tr><th class=\"n rank\">#</th><th>Robot</th>"
      "<th>Kind</th><th class=\"n\">Hits</th><th class=\"n\">Share</th><th class=\"n\">Bytes</th>"
      "<th class=\"n\">Visitors</th></tr></thead>\n<tbody>\n";
  for (std::size_t i = 0; i < shown; ++i) {
    const RobotFamilyCount& family = *families[i];
    out += "<tr><td class=\"n rank\">" + std::to_string(i + 1) + "</td><td class=\"k\">";
    AppendPlainKey(out, family.family);
    out += "</td><td class=\"kind\">";
    const auto kind = static_cast<std::size_t>(family.kind);
    out += kind < kRobotKindCount ? kRobotKindNames[kind] : kRobotKindNames.back();
    out += "</td>";
    AppendNumberCell(out, GroupedNumber(family.hits));
    AppendShareCell(out, tenths[i]);
    AppendNumberCell(out, ByteText(family.bytes));
    AppendNumberCell(out, GroupedNumber(family.visitors));
    out += "</tr>\n";
  }
  if (shown < families.size()) {
    out += "<tr class=\"more\"><td class=\"rank\"></td><td class=\"k\">" +
           GroupedNumber(static_cast<std::int64_t>(families.size() - shown)) +
           " more</td><td></td>";
    AppendNumberCell(out, GroupedNumber(restHits));
    AppendShareCell(out, tenths[shown]);
    AppendNumberCell(out, ByteText(restBytes));
    out += "<td></td></tr>\n";
  }
  out += "</tbody></table></div>\n";
}

void WriteRobots(std::string& out, const ModernViewInput& input) {
  const AudienceStatistics& audience = input.audience;
  const bool anyKind = std::any_of(audience.robotKindHits.begin(), audience.robotKindHits.end(),
                                   [](std::int64_t v) { return v > 0; });
  if (!anyKind && audience.robotFamilies.empty()) {
    AppendEmpty(out, "No robots were seen in this period.");
    return;
  }
  AppendRobotKinds(out, audience);
  AppendRobotFamilies(out, audience);
}

constexpr std::array<ModernSection, 9> kSections = {{
    {"summary", "Summary", WriteSummary},
    {"traffic", "Traffic over time", WriteTraffic},
    {"hours", "Hours and weekdays", WriteHoursAndWeekdays},
    {"pages", "Pages", WritePages},
    {"referrers", "Referrers and search phrases", WriteReferrers},
    {"countries", "Countries", WriteCountries},
    {"software", "Browsers and operating systems", WriteSoftware},
    {"status", "Status codes and broken links", WriteStatus},
    {"robots", "Robots", WriteRobots},
}};

}  // namespace

std::span<const ModernSection> ModernSections() { return kSections; }

}  // namespace tlw
