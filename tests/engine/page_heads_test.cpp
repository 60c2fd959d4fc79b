#include "engine/page_heads.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "support/test_servers.h"

namespace tlw {
namespace {

constexpr const char* kOpen = "<BR>&nbsp;<small><font color=#336699><B>+ <I>";
constexpr const char* kClose = "</I></small></small></font>";
constexpr const char* kDated = "Modified: Tue, 01 Oct 2024 10:00:00 GMT";
constexpr const char* kTitle = "<BR>&nbsp;<small></B></I>";

std::string Bare() { return std::string(kOpen) + kClose; }
std::string Dated() { return std::string(kOpen) + kDated + kClose; }
std::string Titled(const std::string& title) {
  return std::string(kOpen) + kDated + kTitle + title + kClose;
}

// One page of tests/net/http_server.py, asked of the server as a run asks
// for it and turned into its row's fragment.
struct TitleCase {
  const char* name;
  const char* path;
  bool https;
  bool trusted;  // the client is given the server's certificate
  std::string fragment;
  bool stopped = false;  // the run was stopped before the row was written
};

// One plain and one https server for the whole table.
class PageTitleServers : public testing::TestWithParam<TitleCase> {
 protected:
  static void SetUpTestSuite() {
    ::setenv("no_proxy", "127.0.0.1", 1);
    work_ = new test::TempDir();
    cert_ = test::MakeCertificate(*work_);
    http_ = test::StartHttpServer(*work_).release();
    https_ = test::StartHttpServer(*work_, cert_).release();
  }
  static void TearDownTestSuite() {
    delete http_;
    delete https_;
    delete work_;
  }
  static inline test::TempDir* work_ = nullptr;
  static inline std::string cert_;
  static inline test::ServerProcess* http_ = nullptr;
  static inline test::ServerProcess* https_ = nullptr;
};

TEST_P(PageTitleServers, FragmentOfTheFetchedPage) {
  const TitleCase& c = GetParam();
  ASSERT_FALSE(cert_.empty()) << "openssl could not make a certificate";
  ASSERT_NE(http_->port(), 0) << "python3 http.server did not start";
  ASSERT_NE(https_->port(), 0);
  const std::string url = std::string(c.https ? "https" : "http") +
                          "://127.0.0.1:" + std::to_string((c.https ? https_ : http_)->port()) +
                          c.path;
  PageHeadOptions options;
  if (c.trusted) options.caFile = cert_;
  options.stop = [&c] { return c.stopped; };
  const auto start = std::chrono::steady_clock::now();
  const Result<PageHeadFacts> head = PageHeadsFromServer(options)(url);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::milliseconds(700)) << "each fetch is bounded by its time-outs";
  if (head.ok()) {
    EXPECT_LE(head->body.size(), kPageHeadBodyLimit);
  }
  EXPECT_EQ(PageTitleFragment("336699", head), c.fragment) << (head.ok() ? "" : head.message());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageTitleServers,
    testing::Values(
        TitleCase{"TitleInAnyCase", "/dated.html", false, false, Titled("Caf\u00e9 Menu")},
        TitleCase{"NoLastModifiedNoFragment", "/undated.html", false, false, ""},
        TitleCase{"NotFoundBareLine", "/missing.html", false, false, Bare()},
        TitleCase{"DateOfTenCharactersBareLine", "/short-date.html", false, false, Bare()},
        TitleCase{"TitlePastTheBytesRead", "/late.html", false, false, Dated()},
        TitleCase{"TitleAtTheStartNotTaken", "/first.html", false, false, Dated()},
        TitleCase{"TitleNotClosedWithinTheBytesRead", "/unclosed.html", false, false, Titled("")},
        TitleCase{"LongPageReadOnlyToTheLimit", "/long.html", false, false, Titled("Long")},
        TitleCase{"RedirectFollowed", "/moved.html", false, false, Titled("Caf\u00e9 Menu")},
        TitleCase{"RedirectToAnotherHostNotFollowed", "/elsewhere.html", false, false, ""},
        TitleCase{"HostileTitleAndDateEscaped", "/hostile.html", false, false,
                  std::string(kOpen) + kDated + "&lt;b&gt;" + kTitle +
                      "&lt;script&gt;alert(1)&lt;/script&gt; AT&amp;T &copy; &amp;bad" + kClose},
        TitleCase{"SilentServerGivenUp", "/slow.html", false, false, ""},
        TitleCase{"HttpsTrusted", "/dated.html", true, true, Titled("Caf\u00e9 Menu")},
        TitleCase{"HttpsUntrustedSilent", "/dated.html", true, false, ""},
        TitleCase{"StoppedRunAsksNothing", "/dated.html", false, false, "", true}),
    [](const testing::TestParamInfo<TitleCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tlw
