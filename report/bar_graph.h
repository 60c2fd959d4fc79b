#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "base/result.h"
#include "report/bar_graph_layout.h"

namespace tlw {

// The version of the GD library the graphs are drawn with.
std::string GdVersion();

// The graph's white background: transparent, so that the page shows through
// (on a light page), or opaque (on a dark page, where the graph's black
// text would not read on the page).
enum class GraphBackground { kTransparent, kOpaqueWhite };

// Draws the horizontal bar graph of `entries` (ranked, largest first, already
// cut to the section's row limit) under `title` in the colours of graph
// scheme `scheme` on `background`, and returns the interlaced GIF file's
// bytes. At most 30 bars are drawn; with none the picture holds the axes,
// grid and title. Labels and title are drawn in the fonts' character set
// (GraphFontText). Fails only when GD cannot allocate the image or encode it.
Result<std::string> RenderBarGraph(std::span<const BarGraphEntry> entries, std::string_view title,
                                   int scheme,
                                   GraphBackground background = GraphBackground::kTransparent);

// Renders the graph as RenderBarGraph does and writes it to `path` through a
// temporary file in the same folder, so that an existing graph is replaced
// only by a complete new one. Fails with a message naming the file and the
// reason; the old file is then untouched and no temporary file is left.
Status DrawBarGraph(std::span<const BarGraphEntry> entries, std::string_view title, int scheme,
                    const std::filesystem::path& path,
                    GraphBackground background = GraphBackground::kTransparent);

}  // namespace tlw
