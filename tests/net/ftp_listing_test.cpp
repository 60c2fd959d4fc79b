#include "net/ftp_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tlw {
namespace {

struct ListingLine {
  const char* line;
  const char* name;  // "" when the line names no usable file
};

// Listing lines as servers send them, and lines a hostile server could send:
// a name that climbs out of the folder, carries a folder part or a "|" (which
// would split the logfile list) or a control character is not used.
class ListedFileNameTest : public testing::TestWithParam<ListingLine> {};

TEST_P(ListedFileNameTest, TakesTheNameOfAFileLine) {
  EXPECT_EQ(ListedFileName(GetParam().line), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListedFileNameTest,
    testing::Values(ListingLine{"-rw-r--r--   1 ftp  ftp  1024 Jan 01 10:00 access.log\r",
                                "access.log"},
                    ListingLine{"-rw-r--r--   1 ftp  ftp  1024 Jan 02  2024 name with  blanks.log ",
                                "name with  blanks.log"},
                    ListingLine{"lrwxrwxrwx   1 ftp  ftp  10 Jan 01 10:00 latest.log -> access.log",
                                "latest.log"},
                    ListingLine{"drwxr-xr-x   2 ftp  ftp  4096 Jan 01 10:00 old", ""},
                    ListingLine{"total 12", ""},
                    ListingLine{"01-31-24  10:00AM       1234 ex240131.log", "ex240131.log"},
                    ListingLine{"02-01-24  09:15PM       <DIR>          archive", ""},
                    ListingLine{"-rw-r--r-- 1 a b 1 Jan 01 10:00 ../../etc/passwd", ""},
                    ListingLine{"-rw-r--r-- 1 a b 1 Jan 01 10:00 sub/access.log", ""},
                    ListingLine{"01-31-24  10:00AM       1234 a.log|/etc/b.log", ""},
                    ListingLine{"-rw-r--r-- 1 a b 1 Jan 01 10:00 bell\a.log", ""},
                    ListingLine{"-rw-r--r-- 1 a b", ""}, ListingLine{"-", ""},
                    ListingLine{"", ""}));

TEST(MatchListingTest, KeepsMatchingFilesInListingOrder) {
  const std::string listing =
      "-rw-r--r-- 1 a b 1 Jan 01 10:00 access2.log\r\n"
      "-rw-r--r-- 1 a b 1 Jan 01 10:00 .access.log\r\n"
      "-rw-r--r-- 1 a b 1 Jan 01 10:00 error.log\r\n"
      "-rw-r--r-- 1 a b 1 Jan 01 10:00 ..\r\n"
      "-rw-r--r-- 1 a b 1 Jan 01 10:00 access1.log";
  EXPECT_EQ(MatchListing(listing, "logs/", "access*"),
            (std::vector<std::string>{"logs/access2.log", "logs/access1.log"}));
  EXPECT_EQ(MatchListing(listing, "", "*").size(), 3u);
}

}  // namespace
}  // namespace tlw
