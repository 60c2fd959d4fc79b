#include "stats/click_path_pages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "stats/text_hash.h"

namespace tlw {
namespace {

// A key built from pages stands for the text of the pages, each followed by
// "!": same text, same hash and length, whatever mix of pages, pieces and
// numbers (past one varint byte) made it.
TEST(ClickPathPages, KeysSpellTheTextOfTheirPages) {
  ClickPathPages pages;
  std::vector<std::string> names;
  for (int n = 0; n < 300; ++n) names.push_back("/p" + std::to_string(n) + ".html");
  names.push_back("");
  names.push_back("!");
  names.push_back("/a!b");
  names.push_back("\xC3\xA9\xFF/\x80");
  std::mt19937 random(7);
  for (int round = 0; round < 500; ++round) {
    ClickPathKey key;
    std::string text;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
      const std::string& page = names[random() % names.size()];
      const std::uint32_t number = pages.NumberOf(page);
      if (number == ClickPathPages::kNone) {
        pages.AppendPage(page, key);
      } else {
        pages.AppendNumber(number, key);
      }
      text += page + "!";
    }
    ASSERT_EQ(pages.Text(key.codes), text);
    EXPECT_EQ(key.tableHash, TableHash(text)) << text;
    EXPECT_EQ(key.textLength, text.size());
    std::vector<std::string> pieces;  // the texts before each "!"
    for (std::size_t start = 0, bang; (bang = text.find('!', start)) != std::string::npos;
         start = bang + 1) {
      pieces.push_back(text.substr(start, bang - start));
    }
    EXPECT_EQ(pages.FirstPage(key.codes), pieces.front());
    EXPECT_EQ(pages.LastPage(key.codes), pieces.back());
  }
  // "/a!b" is two pieces, "/a" and "b"; "!" two empty ones.
  EXPECT_EQ(pages.NumberOf("/a!b"), ClickPathPages::kNone);
  EXPECT_LT(pages.NumberOf("b"), pages.Count());
}

// Keys that no run made (a damaged table) read as what they can, never
// past their end nor past the pages known.
TEST(ClickPathPages, ForeignKeysReadSafely) {
  ClickPathPages pages;
  ClickPathKey key;
  pages.AppendNumber(pages.NumberOf("/a"), key);
  EXPECT_EQ(pages.Text(key.codes + "\x05"), "/a!");      // unknown number
  EXPECT_EQ(pages.Text(key.codes + "\x80\x80"), "/a!");  // cut-off number
  EXPECT_EQ(pages.Text("\xFF\xFF\xFF\xFF\xFF\xFF"), "");
  EXPECT_EQ(pages.FirstPage(""), "");
  EXPECT_EQ(pages.LastPage("\x7F"), "");
  pages.Clear();
  EXPECT_EQ(pages.Text(key.codes), "");
  EXPECT_EQ(pages.Count(), 0u);
}

}  // namespace
}  // namespace tlw
