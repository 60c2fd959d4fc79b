#include "engine/page_heads.h"

#include <string>
#include <utility>

namespace tlw {

PageHeadSource PageHeadsFromServer(PageHeadOptions options) {
  return [options = std::move(options)](const std::string& url) -> Result<PageHeadFacts> {
    if (options.stop && options.stop()) {
      return Status::Error("stopped before " + url + " was asked for");
    }
    Result<WebPageHead> fetched = FetchPageHead(url, options);
    if (!fetched.ok()) return Status::Error(fetched.message());
    WebPageHead& head = *fetched;
    return PageHeadFacts{head.status, std::move(head.lastModified), std::move(head.body)};
  };
}

}  // namespace tlw
