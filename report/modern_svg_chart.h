#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tlw {

// A bar chart of one series with an optional line of a second series on the
// same scale, for the modern view.
struct BarChart {
  std::string id;                   // unique in the page: names the chart's title element
  std::string title;                // what the chart shows, read out for the picture
  std::vector<std::string> labels;  // one per bar, shown when pointing at it
  // The labels written under the axis, under bars in ascending order.
  struct AxisLabel {
    std::size_t bar = 0;
    std::string text;
  };
  std::vector<AxisLabel> axisLabels;
  std::string barName;  // "Page views of people"
  std::vector<std::int64_t> bars;
  std::string lineName;            // empty: no line
  std::vector<std::int64_t> line;  // as many values as `bars`
  bool denseAxis = false;          // every bar labelled: narrow screens show every other label
};

// The highest value of the scale and the step between its grid lines, for
// a series whose highest value is `max`: steps of 1, 2 or 5 times a power
// of ten, four or five of them to the top. A scale of 0 to 1 for `max` <= 0.
struct ChartScale {
  std::int64_t top = 1;
  std::int64_t step = 1;
};
ChartScale ScaleFor(std::int64_t max);

// The chart as a <figure>: the picture in inline SVG (role="img" with a
// <title>) that stretches to the width it is given at a fixed height, the
// scale and the axis labels as HTML around it so that their text keeps its
// size on any screen, and a legend. The values themselves are for the
// table the caller writes beside it.
std::string RenderBarChart(const BarChart& chart);

// Indices of about `wanted` labels spread evenly over `count` bars, the
// first and last among them.
std::vector<std::size_t> SpreadLabels(std::size_t count, std::size_t wanted);

}  // namespace tlw
