#include "report/bar_graph.h"

#include <gd.h>
#include <gdfontg.h>
#include <gdfontt.h>

#include <algorithm>
#include <memory>

#include "base/atomic_file.h"
#include "report/bar_graph_palette.h"
#include "report/gif_writer.h"

namespace tlw {
namespace {

struct ImageDeleter {
  void operator()(gdImagePtr image) const { gdImageDestroy(image); }
};
using ImagePtr = std::unique_ptr<gdImage, ImageDeleter>;

// Palette indices of a graph, in allocation order.
struct GraphColors {
  int white;
  int black;
  int grey;
  int dark;
  int light;
  int face;
  int faceLabel;
  int axisText;
};

int Allocate(gdImagePtr image, Rgb rgb) {
  return gdImageColorAllocate(image, rgb.red, rgb.green, rgb.blue);
}

GraphColors AllocateColors(gdImagePtr image, int scheme, GraphBackground background) {
  const BarColors& bar = BarColorsOf(scheme);
  GraphColors colors{};
  colors.white = Allocate(image, kGraphWhite);
  colors.black = Allocate(image, kGraphBlack);
  colors.grey = Allocate(image, kGraphGrey);
  colors.dark = Allocate(image, bar.dark);
  colors.light = Allocate(image, bar.light);
  colors.face = Allocate(image, bar.face);
  colors.faceLabel = bar.blackLabel ? colors.black : colors.white;
  colors.axisText = Allocate(image, kGraphAxisText);
  if (background == GraphBackground::kTransparent) gdImageColorTransparent(image, colors.white);
  return colors;
}

// Draws `text` (in the fonts' character set) from (x, y) one character at
// a time, so that every byte is drawn as its glyph; characters that start
// past the right edge are skipped, since GD would clip them anyway.
void DrawText(gdImagePtr image, gdFontPtr font, int x, int y, std::string_view text, int color) {
  for (const char c : text) {
    if (x >= gdImageSX(image)) break;
    gdImageChar(image, font, x, y, static_cast<unsigned char>(c), color);
    x += font->w;
  }
}

int TextWidth(std::string_view text, int charWidth) {
  return static_cast<int>(std::min<std::size_t>(text.size(), 10000)) * charWidth;
}

void DrawAxes(gdImagePtr image, const GraphColors& colors, std::uint64_t scale) {
  const int bottom = gdImageSY(image) - kGraphMargin;
  gdImageLine(image, kAxisRight, kGraphMargin, kGraphMargin, kGraphMargin, colors.black);
  gdImageLine(image, kGraphMargin, bottom, kAxisRight, bottom, colors.black);

  gdFontPtr tiny = gdFontGetTiny();
  const auto labels = AxisLabels(scale);
  for (int tick = 0; tick < kAxisTicks; ++tick) {
    const int x = kGraphMargin + tick * kTickSpacing;
    const std::string& label = labels[static_cast<std::size_t>(tick)];
    const int labelX = x - TextWidth(label, kTinyCharWidth) / 2;
    gdImageLine(image, x, kGraphMargin, x, kGraphMargin - 3, colors.black);
    gdImageLine(image, x, bottom, x, bottom + 3, colors.black);
    DrawText(image, tiny, labelX, 38, label, colors.axisText);
    DrawText(image, tiny, labelX, bottom + 3, label, colors.axisText);
    gdImageLine(image, x, kGraphMargin + 1, x, bottom - 1, colors.grey);
  }
  gdImageLine(image, kGraphMargin, kGraphMargin, kGraphMargin, bottom, colors.black);
}

// Draws bar `index` as a flat box seen slightly from below and the right:
// the face, the shadow along the bottom, and the lit end.
void DrawBar(gdImagePtr image, const GraphColors& colors, int index, const BarGraphEntry& entry,
             std::uint64_t scale) {
  const int base = 67 + kBarPitch * index;
  const int length = BarLength(entry.value, scale);
  const int end = kGraphMargin + length;

  gdImageFilledRectangle(image, kGraphMargin, base - 14, end, base - 5, colors.face);
  gdImageFilledRectangle(image, kGraphMargin, base - 5, end + 5, base, colors.dark);
  gdImageRectangle(image, kGraphMargin, base - 14, end, base - 5, colors.black);
  gdPoint tip[4] = {{end, base - 14}, {end + 5, base - 9}, {end + 5, base}, {end, base - 5}};
  gdImageFilledPolygon(image, tip, 4, colors.light);
  gdImagePolygon(image, tip, 4, colors.black);
  gdImageLine(image, kGraphMargin, base, end + 5, base, colors.black);

  const std::string label = GraphFontText(entry.label);
  const BarLabelPlacement place = PlaceBarLabel(length, label.size());
  DrawText(image, gdFontGetTiny(), place.x, base - 13, label,
           place.inside ? colors.faceLabel : colors.black);
}

}  // namespace

Result<std::string> RenderBarGraph(std::span<const BarGraphEntry> entries, std::string_view title,
                                   int scheme, GraphBackground background) {
  const int bars = BarCount(entries);
  ImagePtr image(gdImageCreate(kGraphWidth, GraphHeight(bars)));
  if (!image) return Status::Error("cannot create the graph image: out of memory");
  const GraphColors colors = AllocateColors(image.get(), scheme, background);

  std::int64_t max = 0;
  for (int i = 0; i < bars; ++i) max = std::max(max, entries[static_cast<std::size_t>(i)].value);
  const std::uint64_t scale = GraphScale(max);

  DrawAxes(image.get(), colors, scale);
  for (int i = 0; i < bars; ++i) {
    DrawBar(image.get(), colors, i, entries[static_cast<std::size_t>(i)], scale);
  }
  const std::string fontTitle = GraphFontText(title);
  DrawText(image.get(), gdFontGetGiant(),
           kGraphWidth / 2 - TextWidth(fontTitle, kGiantCharWidth) / 2, 18, fontTitle,
           colors.black);

  gdImageInterlace(image.get(), 1);
  return EncodeGif(*image);
}

Status DrawBarGraph(std::span<const BarGraphEntry> entries, std::string_view title, int scheme,
                    const std::filesystem::path& path, GraphBackground background) {
  Result<std::string> gif = RenderBarGraph(entries, title, scheme, background);
  if (!gif) return Status::Error("cannot draw the graph " + path.string() + ": " + gif.message());
  return WriteFileAtomically(path, *gif, FileAccess::kKeepOrUmask, Durability::kReplaceOnly);
}

std::string GdVersion() { return GD_VERSION_STRING; }

}  // namespace tlw
