#include "report/modern_svg_chart.h"

#include <algorithm>
#include <cstdio>

#include "report/modern_format.h"

namespace tlw {

namespace {

// The picture's own units: each bar is kSlot wide, the height is kHeight.
// The SVG is stretched to its box (preserveAspectRatio="none"), so only
// proportions matter; strokes keep their width through
// vector-effect="non-scaling-stroke".
constexpr int kSlot = 10;
constexpr int kHeight = 100;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out;
}

double YOf(std::int64_t value, const ChartScale& scale) {
  const double clamped = static_cast<double>(std::clamp<std::int64_t>(value, 0, scale.top));
  return kHeight - clamped * kHeight / static_cast<double>(scale.top);
}

std::string Percent(double part, double whole) { return Number(part * 100.0 / whole) + "%"; }

}  // namespace

ChartScale ScaleFor(std::int64_t max) {
  if (max <= 0) return {};
  // The smallest step of 1, 2 or 5 times a power of ten with at most five
  // steps to reach `max`.
  std::int64_t power = 1;
  while (true) {
    for (const std::int64_t factor : {1, 2, 5}) {
      const std::int64_t step = factor * power;
      const std::int64_t steps = max / step + (max % step != 0 ? 1 : 0);
      if (steps <= 5) return {steps * step, step};
    }
    if (power > INT64_MAX / 100) return {max, max};
    power *= 10;
  }
}

std::vector<std::size_t> SpreadLabels(std::size_t count, std::size_t wanted) {
  std::vector<std::size_t> out;
  if (count == 0) return out;
  if (wanted < 2 || count <= wanted) {
    for (std::size_t i = 0; i < count; ++i) out.push_back(i);
    return out;
  }
  for (std::size_t k = 0; k < wanted; ++k) {
    const std::size_t index = k * (count - 1) / (wanted - 1);
    if (out.empty() || out.back() != index) out.push_back(index);
  }
  return out;
}

std::string RenderBarChart(const BarChart& chart) {
  const std::size_t count = chart.bars.size();
  const bool hasLine = !chart.lineName.empty() && chart.line.size() == count;
  std::int64_t max = 0;
  for (const std::int64_t v : chart.bars) max = std::max(max, v);
  if (hasLine) {
    for (const std::int64_t v : chart.line) max = std::max(max, v);
  }
  const ChartScale scale = ScaleFor(max);
  const int width = static_cast<int>(std::max<std::size_t>(count, 1)) * kSlot;

  std::string out;
  out.reserve(512 + count * 160);
  out +=
      "<figure class=\"chart\">\n<div class=\"plot\">\n<div class=\"y-axis\" aria-hidden=\"true\">";
  // Steps counted rather than added up, so that a scale near the 64-bit
  // limit cannot overflow.
  const std::int64_t steps = scale.top / scale.step;
  for (std::int64_t k = steps; k >= 0; --k) {
    const std::int64_t tick = k * scale.step;
    out += "<span style=\"bottom:";
    out += Percent(static_cast<double>(tick), static_cast<double>(scale.top));
    out += "\">";
    out += GroupedNumber(tick);
    out += "</span>";
  }
  out += "</div>\n<svg viewBox=\"0 0 ";
  out += std::to_string(width);
  out += " " + std::to_string(kHeight);
  out += "\" preserveAspectRatio=\"none\" role=\"img\" aria-labelledby=\"";
  out += chart.id;
  out += "\">";
  out += "<title id=\"" + chart.id + "\">";
  AppendLogText(out, chart.title);
  out += "</title>\n";
  for (std::int64_t k = 1; k <= steps; ++k) {
    const std::string y = Number(YOf(k * scale.step, scale));
    out += "<line class=\"grid\" x1=\"0\" x2=\"";
    out += std::to_string(width);
    out += "\" y1=\"" + y;
    out += "\" y2=\"" + y;
    out += "\" vector-effect=\"non-scaling-stroke\"/>";
  }
  out += "\n";
  for (std::size_t i = 0; i < count; ++i) {
    const double y = YOf(chart.bars[i], scale);
    out += "<rect class=\"bar\" x=\"" + Number(static_cast<double>(i * kSlot) + 1.5) + "\" y=\"" +
           Number(y) + "\" width=\"7\" height=\"" + Number(kHeight - y) + "\"><title>";
    if (i < chart.labels.size()) AppendLogText(out, chart.labels[i]);
    out += ": " + GroupedNumber(chart.bars[i]);
    if (hasLine) out += " / " + GroupedNumber(chart.line[i]);
    out += "</title></rect>\n";
  }
  if (hasLine) {
    out += "<polyline class=\"line\" vector-effect=\"non-scaling-stroke\" points=\"";
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out += ' ';
      out += Number(static_cast<double>(i * kSlot) + kSlot / 2.0) + "," +
             Number(YOf(chart.line[i], scale));
    }
    out += "\"/>\n";
  }
  out += "<line class=\"axis\" x1=\"0\" x2=\"" + std::to_string(width) + "\" y1=\"" +
         std::to_string(kHeight) + "\" y2=\"" + std::to_string(kHeight) +
         "\" vector-effect=\"non-scaling-stroke\"/>\n</svg>\n</div>\n";

  out += chart.denseAxis ? "<div class=\"x-axis dense\" aria-hidden=\"true\">"
                         : "<div class=\"x-axis\" aria-hidden=\"true\">";
  for (const BarChart::AxisLabel& label : chart.axisLabels) {
    if (label.bar >= count) continue;
    out += "<span style=\"left:" +
           Percent(static_cast<double>(label.bar) + 0.5, static_cast<double>(count)) + "\">";
    AppendLogText(out, label.text);
    out += "</span>";
  }
  out += "</div>\n<figcaption class=\"legend\"><span class=\"key-bar\"></span>";
  AppendLogText(out, chart.barName);
  if (hasLine) {
    out += " <span class=\"key-line\"></span>";
    AppendLogText(out, chart.lineName);
  }
  out += "</figcaption>\n</figure>\n";
  return out;
}

}  // namespace tlw
