#include "report/page_title.h"

#include <gtest/gtest.h>

#include <optional>

namespace tlw {
namespace {

TEST(PageTitleUrl, JoinsHomePageAndPathOnlyForWebPathsOfTheSite) {
  EXPECT_EQ(PageTitleUrl("http://www.example.com", "/a.html"), "http://www.example.com/a.html");
  EXPECT_EQ(PageTitleUrl("https://example.com/site", "/a b\".php"),
            "https://example.com/site/a%20b%22.php");
  EXPECT_EQ(PageTitleUrl("http://www.example.com/", "/a.html"), std::nullopt);
  EXPECT_EQ(PageTitleUrl("HTTP://www.example.com", "/a.html"), std::nullopt);
  EXPECT_EQ(PageTitleUrl("ftp://www.example.com", "/a.html"), std::nullopt);
  // A logged "path" that would make the home page's host a user name.
  EXPECT_EQ(PageTitleUrl("http://www.example.com", "@evil.example/a.html"), std::nullopt);
}

}  // namespace
}  // namespace tlw
