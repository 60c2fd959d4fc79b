#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "base/result.h"

namespace tlw {

// How the start of a web page is fetched.
struct PageHeadOptions {
  // https certificates are verified against the system's authorities, or
  // against this file of PEM certificates when set.
  std::string caFile;
  // Connecting (with the TLS handshake of https) must end within this time.
  std::chrono::milliseconds connectTimeout{300};
  // The transfer ends when the server sends nothing for this long.
  std::chrono::milliseconds receiveTimeout{300};
  // Asked about every few milliseconds; true ends the fetch at once.
  std::function<bool()> stop;
};

// What the server answered, as far as it was read.
struct WebPageHead {
  long status = 0;
  // The value of the final response's Last-Modified header.
  std::optional<std::string> lastModified;
  // The first bytes of the body, as sent (no content decoding).
  std::string body;
};

// The most body bytes FetchPageHead reads.
inline constexpr std::size_t kPageHeadBodyLimit = 1499;

// Asks for the http or https page `url` and reads its status, its
// Last-Modified header and the first kPageHeadBodyLimit bytes of its body;
// reaching that limit ends the transfer and is not a failure. Up to 5
// redirects are followed, to http or https on the host of `url` only. The
// connections go to public addresses only, unless the host of `url` is
// itself written as a loopback, link-local or private address (or is
// "localhost"); see AddressKind. Sent as "Tallowick_Log_Analyzer/1.0"
// through the proxy that the environment names (http_proxy, https_proxy,
// no_proxy; a proxy is then trusted with the addresses), nothing cached.
// Fails, with a message naming the URL, when the server cannot be reached,
// its certificate is not trusted, a time-out runs out, it redirects
// elsewhere, its address is refused, or `stop` is asked.
Result<WebPageHead> FetchPageHead(const std::string& url, const PageHeadOptions& options);

}  // namespace tlw
