#include "report/bar_graph.h"

#include <gd.h>
#include <gdfontt.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <memory>
#include <string>
#include <vector>

#include "report/bar_graph_palette.h"
#include "report/gif_writer.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

struct ImageDeleter {
  void operator()(gdImagePtr image) const { gdImageDestroy(image); }
};
using Image = std::unique_ptr<gdImage, ImageDeleter>;

Image Decode(const std::string& gif) {
  std::string copy = gif;  // GD's reader takes a mutable buffer
  return Image(gdImageCreateFromGifPtr(static_cast<int>(copy.size()), copy.data()));
}

// Renders through the file path, as the report does, and decodes the file.
Image DrawAndRead(std::span<const BarGraphEntry> entries, std::string_view title = "Hostnames",
                  int scheme = 2) {
  test::TempDir dir;
  const auto path = dir / "tlwgraph_hostnames.gif";
  const Status status = DrawBarGraph(entries, title, scheme, path);
  EXPECT_TRUE(status.ok()) << status.message();
  return Decode(test::ReadFileBytes(path));
}

bool HasColor(gdImagePtr image, int x, int y, Rgb rgb) {
  const int index = gdImageGetPixel(image, x, y);
  return gdImageRed(image, index) == rgb.red && gdImageGreen(image, index) == rgb.green &&
         gdImageBlue(image, index) == rgb.blue;
}

// Pixels of colour `rgb` in the box from (x1, y1) to (x2, y2), inclusive.
int CountColor(gdImagePtr image, int x1, int y1, int x2, int y2, Rgb rgb) {
  int count = 0;
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) count += HasColor(image, x, y, rgb) ? 1 : 0;
  }
  return count;
}

// Rightmost x of colour `rgb` on row y, or -1.
int RightmostOf(gdImagePtr image, int y, Rgb rgb) {
  for (int x = gdImageSX(image) - 1; x >= 0; --x) {
    if (HasColor(image, x, y, rgb)) return x;
  }
  return -1;
}

int Baseline(int bar) { return 67 + 17 * bar; }

const BarColors& kBlue = kBarSchemes[1];

TEST(BarGraph, DrawsTheThreeBarExample) {
  const std::vector<BarGraphEntry> entries = {{"/index.html", 37}, {"/news/", 20}, {"/about/", 5}};
  const Image image = DrawAndRead(entries);
  ASSERT_TRUE(image);
  EXPECT_EQ(gdImageSX(image.get()), 350);
  EXPECT_EQ(gdImageSY(image.get()), 157);
  EXPECT_TRUE(gdImageGetInterlaced(image.get()));
  const int transparent = gdImageGetTransparent(image.get());
  ASSERT_GE(transparent, 0);
  EXPECT_EQ(gdImageRed(image.get(), transparent), 255);
  EXPECT_EQ(gdImageGreen(image.get(), transparent), 255);
  EXPECT_EQ(gdImageBlue(image.get(), transparent), 255);

  // S = 50 gives the lengths 182, 98 and 25: the face ends one pixel before
  // the outline at 50 + L, the shadow and the end reach 5 pixels further.
  const int lengths[] = {182, 98, 25};
  for (int bar = 0; bar < 3; ++bar) {
    const int base = Baseline(bar);
    const int length = lengths[bar];
    SCOPED_TRACE(bar);
    EXPECT_EQ(RightmostOf(image.get(), base - 10, kBlue.face), 49 + length);
    EXPECT_TRUE(HasColor(image.get(), 51, base - 10, kBlue.face));
    EXPECT_TRUE(HasColor(image.get(), 50 + length, base - 10, kGraphBlack));
    // The end's lower edge slants over the shadow: on row D - 2 it starts
    // at 53 + L.
    EXPECT_EQ(RightmostOf(image.get(), base - 2, kBlue.dark), 52 + length);
    EXPECT_TRUE(HasColor(image.get(), 52 + length, base - 8, kBlue.light));
    EXPECT_TRUE(HasColor(image.get(), 50 + length, base, kGraphBlack));
  }
  // "/index.html" fits in its bar of 182 and is written there in white;
  // "/about/" (35 pixels) does not fit in 25 and follows the bar in black.
  EXPECT_GT(CountColor(image.get(), 51, Baseline(0) - 13, 231, Baseline(0) - 6, kGraphWhite), 0);
  EXPECT_EQ(CountColor(image.get(), 51, Baseline(2) - 13, 74, Baseline(2) - 6, kGraphWhite), 0);
  EXPECT_GT(CountColor(image.get(), 86, Baseline(2) - 13, 121, Baseline(2) - 6, kGraphBlack), 0);
}

class BarGraphPalette : public testing::TestWithParam<int> {};

TEST_P(BarGraphPalette, AllocatesFixedColorsThenTheScheme) {
  const int scheme = GetParam();
  const std::vector<BarGraphEntry> entries = {{"a", 1}};
  const Image image = DrawAndRead(entries, "Title", scheme);
  ASSERT_TRUE(image);
  ASSERT_GE(gdImageColorsTotal(image.get()), 7);
  const BarColors& bar = BarColorsOf(scheme);
  const Rgb expected[] = {kGraphWhite, kGraphBlack, kGraphGrey,    bar.dark,
                          bar.light,   bar.face,    kGraphAxisText};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(gdImageRed(image.get(), i), expected[i].red) << i;
    EXPECT_EQ(gdImageGreen(image.get(), i), expected[i].green) << i;
    EXPECT_EQ(gdImageBlue(image.get(), i), expected[i].blue) << i;
  }
  EXPECT_EQ(gdImageGetTransparent(image.get()), 0);
}

INSTANTIATE_TEST_SUITE_P(Schemes, BarGraphPalette, testing::Values(1, 2, 3, 4, 5, 0, 9));

TEST(BarGraph, DrawsAtMostThirtyBars) {
  std::vector<std::string> keys;
  std::vector<BarGraphEntry> entries;
  for (int i = 0; i < 40; ++i) keys.push_back("/page" + std::to_string(i));
  for (int i = 0; i < 40; ++i) entries.push_back({keys[static_cast<std::size_t>(i)], 40 - i});
  const Image image = DrawAndRead(entries);
  ASSERT_TRUE(image);
  EXPECT_EQ(gdImageSY(image.get()), 616);
  // The 30th bar holds 11 on the scale 50: 2695 / 50 = 53 remainder 45.
  EXPECT_EQ(RightmostOf(image.get(), Baseline(29) - 10, kBlue.face), 49 + 54);
}

TEST(BarGraph, StopsAtTheFirstZeroCount) {
  const std::vector<BarGraphEntry> entries = {{"a", 5}, {"b", 0}, {"c", 3}};
  const Image image = DrawAndRead(entries);
  ASSERT_TRUE(image);
  EXPECT_EQ(gdImageSY(image.get()), 123);
}

TEST(BarGraph, EmptyGraphHasAxesGridAndTitleOnly) {
  const Image image = DrawAndRead({}, "Hostnames");
  ASSERT_TRUE(image);
  EXPECT_EQ(gdImageSX(image.get()), 350);
  EXPECT_EQ(gdImageSY(image.get()), 106);
  EXPECT_EQ(CountColor(image.get(), 0, 0, 349, 105, kBlue.face), 0);
  EXPECT_EQ(CountColor(image.get(), 0, 0, 349, 105, kBlue.dark), 0);
  // Both axis lines, the left one joining them.
  EXPECT_EQ(CountColor(image.get(), 50, 50, 300, 50, kGraphBlack), 251);
  EXPECT_EQ(CountColor(image.get(), 50, 56, 300, 56, kGraphBlack), 251);
  EXPECT_EQ(CountColor(image.get(), 50, 50, 50, 56, kGraphBlack), 7);
  // "Hostnames" in the giant font is centred: 175 - 81 / 2 = 135.
  EXPECT_GT(CountColor(image.get(), 135, 18, 215, 32, kGraphBlack), 0);
  EXPECT_EQ(CountColor(image.get(), 0, 0, 134, 32, kGraphBlack), 0);
  EXPECT_EQ(CountColor(image.get(), 216, 0, 349, 32, kGraphBlack), 0);
}

// A label of 10 characters is 50 pixels wide: on a bar of 50 it follows
// the bar in black, on a bar of 51 it is written inside in white.
TEST(BarGraph, PutsTheLabelInsideOnlyABarLongerThanIt) {
  const std::vector<BarGraphEntry> entries = {
      {"top", 1000}, {"tenletters", 208}, {"tenletters", 204}};  // lengths 245, 51, 50
  const Image image = DrawAndRead(entries);
  ASSERT_TRUE(image);
  const int inside = Baseline(1);
  const int after = Baseline(2);
  EXPECT_EQ(RightmostOf(image.get(), inside - 10, kBlue.face), 49 + 51);
  EXPECT_EQ(RightmostOf(image.get(), after - 10, kBlue.face), 49 + 50);
  EXPECT_GT(CountColor(image.get(), 51, inside - 13, 100, inside - 6, kGraphWhite), 0);
  EXPECT_EQ(CountColor(image.get(), 107, inside - 13, 349, inside - 6, kGraphBlack), 0);
  EXPECT_EQ(CountColor(image.get(), 51, after - 13, 99, after - 6, kGraphWhite), 0);
  EXPECT_GT(CountColor(image.get(), 111, after - 13, 160, after - 6, kGraphBlack), 0);
  EXPECT_EQ(CountColor(image.get(), 161, after - 13, 349, after - 6, kGraphBlack), 0);
}

struct AxisCase {
  std::int64_t max;
  std::vector<std::string> labels;
};

class BarGraphAxis : public testing::TestWithParam<AxisCase> {};

// The label rows of the picture hold exactly the expected texts, each
// centred under its tick, above and below the chart.
TEST_P(BarGraphAxis, LabelsTheTicksForTheScale) {
  const AxisCase& c = GetParam();
  const std::vector<BarGraphEntry> entries = {{"x", c.max}};
  const Image image = DrawAndRead(entries);
  ASSERT_TRUE(image);
  const int height = gdImageSY(image.get());

  Image expected(gdImageCreate(350, height));
  gdImageColorAllocate(expected.get(), 255, 255, 255);
  const int grey = gdImageColorAllocate(expected.get(), kGraphAxisText.red, kGraphAxisText.green,
                                        kGraphAxisText.blue);
  for (std::size_t tick = 0; tick < c.labels.size(); ++tick) {
    std::string text = c.labels[tick];
    const int x = 50 + 25 * static_cast<int>(tick) - static_cast<int>(text.size()) * 5 / 2;
    auto* chars = reinterpret_cast<unsigned char*>(text.data());
    gdImageString(expected.get(), gdFontGetTiny(), x, 38, chars, grey);
    gdImageString(expected.get(), gdFontGetTiny(), x, height - 47, chars, grey);
  }
  for (const int top : {38, height - 47}) {
    for (int y = top; y < top + 8; ++y) {
      for (int x = 0; x < 350; ++x) {
        ASSERT_EQ(HasColor(image.get(), x, y, kGraphAxisText),
                  gdImageGetPixel(expected.get(), x, y) == grey)
            << "at " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Maxima, BarGraphAxis,
    testing::Values(AxisCase{1, {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}},
                    AxisCase{37, {"0", "5", "10", "15", "20", "25", "30", "35", "40", "45", "50"}},
                    AxisCase{73,
                             {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}},
                    AxisCase{4500,
                             {"0", "0.5k", "1.0k", "1.5k", "2.0k", "2.5k", "3.0k", "3.5k", "4.0k",
                              "4.5k", "5.0k"}},
                    AxisCase{4500000,
                             {"0", "0.5M", "1.0M", "1.5M", "2.0M", "2.5M", "3.0M", "3.5M", "4.0M",
                              "4.5M", "5.0M"}}));

// GD's fonts hold ISO-8859-2: a UTF-8 "é" and a Latin-1 one are both drawn
// as that set's é, one glyph wide, and not as "?".
TEST(BarGraph, DrawsUtf8AndLatin1LabelsAsTheFontsCharacters) {
  const auto render = [](std::string_view label) {
    const std::vector<BarGraphEntry> entries = {{label, 1}};
    return RenderBarGraph(entries, "Caf\xC3\xA9", 2).value();
  };
  EXPECT_EQ(render("/caf\xC3\xA9"), render("/caf\xE9"));
  EXPECT_NE(render("/caf\xC3\xA9"), render("/caf?"));
}

TEST(BarGraph, ClipsLabelsAndTitlesWiderThanThePicture) {
  const std::string longKey(5000, 'k');
  const std::vector<BarGraphEntry> entries = {{longKey, 7}, {"\xB7\n\t", 3}};
  const Image image = DrawAndRead(entries, std::string(400, 'T'));
  ASSERT_TRUE(image);
  EXPECT_EQ(gdImageSY(image.get()), 140);
}

TEST(DrawBarGraph, ReplacesAnExistingGraph) {
  test::TempDir dir;
  const auto path = dir / "tlwgraph_dirs.gif";
  const std::vector<BarGraphEntry> one = {{"a", 1}};
  const std::vector<BarGraphEntry> two = {{"a", 2}, {"b", 1}};
  ASSERT_TRUE(DrawBarGraph(one, "Directories", 3, path).ok());
  ASSERT_TRUE(DrawBarGraph(two, "Directories", 3, path).ok());
  const Image image = Decode(test::ReadFileBytes(path));
  ASSERT_TRUE(image);
  EXPECT_EQ(gdImageSY(image.get()), 140);
}

// Limits the size of files this process may write, so that writing a graph
// fails part way even for root; restores the limit when it ends.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previousHandler_ = SIG_DFL;
};

TEST(DrawBarGraph, FailedWriteLeavesTheOldGraphAndNoTemporaryFile) {
  test::TempDir dir;
  const auto path = dir / "tlwgraph_filereq.gif";
  const std::vector<BarGraphEntry> old = {{"a", 1}};
  ASSERT_TRUE(DrawBarGraph(old, "File Requests", 2, path).ok());
  const std::string oldBytes = test::ReadFileBytes(path);
  ASSERT_GT(oldBytes.size(), 100u);

  std::vector<std::string> keys;
  std::vector<BarGraphEntry> bigger;
  for (int i = 0; i < 30; ++i) keys.push_back("/file" + std::to_string(i));
  for (int i = 0; i < 30; ++i) bigger.push_back({keys[static_cast<std::size_t>(i)], 100 - i});
  Status status;
  {
    const FileSizeLimit limit(64);
    status = DrawBarGraph(bigger, "File Requests", 2, path);
  }
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("tlwgraph_filereq.gif"), std::string::npos) << status.message();
  EXPECT_EQ(test::ReadFileBytes(path), oldBytes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(DrawBarGraph, MissingFolderIsReportedWithThePath) {
  test::TempDir dir;
  const auto path = dir / "no-such-folder" / "tlwgraph_referer.gif";
  const std::vector<BarGraphEntry> entries = {{"a", 1}};
  const Status status = DrawBarGraph(entries, "Referring Sites", 2, path);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.message().find("no-such-folder"), std::string::npos) << status.message();
  EXPECT_FALSE(std::filesystem::exists(path));
}

// EncodeGif must write exactly the bytes of libgd's own GIF writer, which
// the golden reports were made with; each row drives one of its corners.
struct GifCase {
  const char* name;
  int width;
  int height;
  int colors;
  bool interlace;
  int transparent;  // -1: none
  int noise;        // 0: drawn shapes; n: random pixels of the first n colours
};

class EncodeGifTest : public testing::TestWithParam<GifCase> {};

TEST_P(EncodeGifTest, WritesTheBytesOfLibgdsWriter) {
  const GifCase& c = GetParam();
  const Image image(gdImageCreate(c.width, c.height));
  for (int i = 0; i < c.colors; ++i)
    gdImageColorAllocate(image.get(), i * 37 % 256, i * 11, 255 - i);
  std::uint32_t seed = 12345;
  const auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  if (c.noise > 0) {
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        gdImageSetPixel(image.get(), x, y, static_cast<int>(next() % c.noise));
      }
    }
  } else {
    for (int k = 0; c.colors > 0 && k < 30; ++k) {
      const int x = static_cast<int>(next() % c.width), y = static_cast<int>(next() % c.height);
      gdImageFilledRectangle(image.get(), x, y, x + 40, y + 12, k % c.colors);
    }
  }
  if (c.transparent >= 0) gdImageColorTransparent(image.get(), c.transparent);
  gdImageInterlace(image.get(), c.interlace ? 1 : 0);
  int size = 0;
  void* expected = gdImageGifPtr(image.get(), &size);
  ASSERT_NE(expected, nullptr);
  const std::string want(static_cast<const char*>(expected), static_cast<std::size_t>(size));
  gdFree(expected);
  EXPECT_TRUE(EncodeGif(*image) == want);
}

INSTANTIATE_TEST_SUITE_P(Images, EncodeGifTest,
                         testing::Values(GifCase{"GraphSized", 350, 240, 9, true, -1, 0},
                                         GifCase{"Transparent", 350, 240, 9, true, 0, 0},
                                         // Passes that start below the last row still take a row.
                                         GifCase{"TinyInterlaced", 3, 3, 2, true, -1, 2},
                                         GifCase{"OneColumn", 1, 13, 3, true, -1, 3},
                                         GifCase{"NotInterlaced", 40, 7, 5, false, -1, 5},
                                         // Noise fills the 4,096 codes again and again.
                                         GifCase{"CodeTableFills", 420, 300, 7, false, -1, 7},
                                         // Runs of colour 0 make the string whose key is 0.
                                         GifCase{"RunsOfColourZero", 200, 150, 2, true, -1, 2},
                                         GifCase{"FullPalette", 300, 200, 256, true, 5, 256},
                                         GifCase{"NoColours", 5, 5, 0, false, -1, 0}),
                         [](const testing::TestParamInfo<GifCase>& row) { return row.param.name; });

}  // namespace
}  // namespace tlw
