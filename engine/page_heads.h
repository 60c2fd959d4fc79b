#pragma once

#include "net/page_head.h"
#include "report/page_title.h"

namespace tlw {

// The page heads of a run's report, asked of the site's server by
// FetchPageHead with `options` (by default connect and receive time-outs of
// 300 ms each). Once `options.stop` returns true no page is asked for and a
// fetch under way ends; each then fails, so the rows go without a title.
PageHeadSource PageHeadsFromServer(PageHeadOptions options);

}  // namespace tlw
