#include "net/page_head.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "net/address_kind.h"
#include "net/curl_library.h"

namespace tlw {
namespace {

using Clock = std::chrono::steady_clock;

// A page that drips its bytes slowly is not waited for longer than this in
// all, whatever the time between its bytes.
constexpr std::chrono::milliseconds kWholeFetchLimit{3000};
// The longest wait between two looks at `stop` and the receive time-out.
constexpr long kPollMilliseconds = 20;
// Redirects followed within the site.
constexpr int kMostRedirects = 5;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i]) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

struct Fetch {
  WebPageHead head;
  // Where a redirect response points, as an absolute URL.
  std::string redirect;
  Clock::time_point lastByte;
  bool connected = false;
  bool full = false;

  // Each response (a redirect, then the page) starts with its status line;
  // only the headers of the last one count.
  static std::size_t Header(char* data, std::size_t size, std::size_t count, void* self) {
    Fetch& f = *static_cast<Fetch*>(self);
    const std::string_view line(data, size * count);
    f.lastByte = Clock::now();
    if (StartsWithNoCase(line, "http/")) {
      f.head.lastModified.reset();
    } else if (StartsWithNoCase(line, "last-modified:")) {
      f.head.lastModified = std::string(Trimmed(line.substr(14)));
    }
    return size * count;
  }

  static std::size_t Body(char* data, std::size_t size, std::size_t count, void* self) {
    Fetch& f = *static_cast<Fetch*>(self);
    f.lastByte = Clock::now();
    const std::size_t room = kPageHeadBodyLimit - f.head.body.size();
    f.head.body.append(data, std::min(room, size * count));
    if (f.head.body.size() == kPageHeadBodyLimit) f.full = true;
    return size * count;
  }

  // Called once a connection is ready (TCP and TLS): from here on the
  // server must keep sending.
  static int Connected(void* self, char*, char*, int, int) {
    Fetch& f = *static_cast<Fetch*>(self);
    f.connected = true;
    f.lastByte = Clock::now();
    return CURL_PREREQFUNC_OK;
  }
};

struct Handles {
  const CurlLibrary& curl;
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  explicit Handles(const CurlLibrary& library)
      : curl(library), easy(curl.easyInit()), multi(curl.multiInit()) {}
  ~Handles() {
    if (multi != nullptr && easy != nullptr) curl.multiRemoveHandle(multi, easy);
    if (multi != nullptr) curl.multiCleanup(multi);
    if (easy != nullptr) curl.easyCleanup(easy);
  }
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;

  template <typename Value>
  void Set(CURLoption option, Value value) {
    curl.SetOption(easy, option, value);
  }
};

Status Failure(const std::string& url, std::string_view reason) {
  return Status::Error("Cannot fetch " + url + ": " + std::string(reason));
}

// The scheme and host of `url` as libcurl reads them (lower case, an IPv6
// host in brackets); empty when libcurl cannot read it.
struct UrlHost {
  std::string scheme;
  std::string host;
};

UrlHost HostOfUrl(const CurlLibrary& curl, const std::string& url) {
  UrlHost parts;
  CURLU* handle = curl.urlInit();
  if (handle == nullptr) return parts;
  if (curl.urlSet(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    for (auto [part, text] :
         {std::pair{CURLUPART_SCHEME, &parts.scheme}, std::pair{CURLUPART_HOST, &parts.host}}) {
      char* value = nullptr;
      if (curl.urlGet(handle, part, &value, 0) == CURLUE_OK && value != nullptr) {
        *text = value;
        for (char& c : *text) {
          if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
      }
      curl.free(value);
    }
  }
  curl.urlCleanup(handle);
  return parts;
}

// Whether the environment names a proxy for `scheme` (the variables that
// libcurl reads). The proxy then makes the connections to the site, and
// the address libcurl connects to is the proxy's, which the user chose:
// it is not held to the rule of addresses.
bool ProxyNamed(const std::string& scheme) {
  for (const char* bypass : {"no_proxy", "NO_PROXY"}) {
    const char* value = std::getenv(bypass);
    if (value != nullptr && std::string_view(value) == "*") return false;
  }
  const std::string own = scheme + "_proxy";
  std::string upper = own;
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  // libcurl takes HTTP_PROXY in upper case from no one (CGI sets it from a
  // request header).
  for (const std::string& name :
       {own, scheme == "http" ? own : upper, std::string("all_proxy"), std::string("ALL_PROXY")}) {
    const char* value = std::getenv(name.c_str());
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// Which addresses a fetch may connect to, and the one it was refused.
// Every request of a fetch goes to the site's own host. Where the first
// connection finds that host, on this machine or its network (an intranet
// site, "http://wiki/"), the later ones may go too; a site found at a public
// address is never led into them by a name that changes its address
// between two requests.
struct AddressRule {
  bool anyAddress = false;
  bool connected = false;
  std::string refused;

  static curl_socket_t Open(void* self, curlsocktype, curl_sockaddr* address) {
    AddressRule& rule = *static_cast<AddressRule*>(self);
    const bool ownNetwork = KindOfAddress(address->addr) != AddressKind::Public;
    if (!rule.connected && ownNetwork) rule.anyAddress = true;
    rule.connected = true;
    if (!rule.anyAddress && ownNetwork) {
      char text[INET6_ADDRSTRLEN] = "?";
      const void* bytes =
          address->family == AF_INET6
              ? static_cast<const void*>(
                    &reinterpret_cast<const sockaddr_in6*>(&address->addr)->sin6_addr)
              : static_cast<const void*>(
                    &reinterpret_cast<const sockaddr_in*>(&address->addr)->sin_addr);
      ::inet_ntop(address->family, bytes, text, sizeof text);
      rule.refused = text;
      return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  }
};

// One request of a fetch: `url` asked, its status, Last-Modified and first
// body bytes read into `fetch`, until `deadline` at the latest.
Status FetchOnce(const CurlLibrary& curl, const std::string& url, const PageHeadOptions& options,
                 AddressRule& rule, Clock::time_point deadline, Fetch& fetch) {
  Handles handles(curl);
  if (handles.easy == nullptr || handles.multi == nullptr) {
    return Failure(url, "the transfer could not be set up");
  }
  char errors[CURL_ERROR_SIZE] = {};
  handles.Set(CURLOPT_URL, url.c_str());
  handles.Set(CURLOPT_ERRORBUFFER, errors);
  handles.Set(CURLOPT_NOSIGNAL, 1L);
  handles.Set(CURLOPT_USERAGENT, "Tallowick_Log_Analyzer/1.0");
  handles.Set(CURLOPT_PROTOCOLS_STR, "http,https");
  // libcurl takes the proxy from the environment unless told otherwise, and
  // keeps no cache of its own; each fetch has a connection of its own.
  handles.Set(CURLOPT_FORBID_REUSE, 1L);
  handles.Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  handles.Set(CURLOPT_TIMEOUT_MS, std::max(1L, static_cast<long>(left.count())));
  handles.Set(CURLOPT_SSL_VERIFYPEER, 1L);
  handles.Set(CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.caFile.empty()) handles.Set(CURLOPT_CAINFO, options.caFile.c_str());
  handles.Set(CURLOPT_OPENSOCKETFUNCTION, &AddressRule::Open);
  handles.Set(CURLOPT_OPENSOCKETDATA, &rule);
  handles.Set(CURLOPT_HEADERFUNCTION, &Fetch::Header);
  handles.Set(CURLOPT_HEADERDATA, &fetch);
  handles.Set(CURLOPT_WRITEFUNCTION, &Fetch::Body);
  handles.Set(CURLOPT_WRITEDATA, &fetch);
  handles.Set(CURLOPT_PREREQFUNCTION, &Fetch::Connected);
  handles.Set(CURLOPT_PREREQDATA, &fetch);
  if (curl.multiAddHandle(handles.multi, handles.easy) != CURLM_OK) {
    return Failure(url, "the transfer could not be set up");
  }

  // libcurl's own low-speed limit counts whole seconds; the receive time-out
  // is kept here, from the connection or the last byte received.
  const long receiveMs = static_cast<long>(options.receiveTimeout.count());
  CURLcode result = CURLE_OK;
  for (;;) {
    if (options.stop && options.stop()) return Failure(url, "the fetch was stopped");
    int running = 0;
    if (curl.multiPerform(handles.multi, &running) != CURLM_OK) {
      return Failure(url, "the transfer failed");
    }
    bool done = running == 0;
    int queued = 0;
    while (CURLMsg* message = curl.multiInfoRead(handles.multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        done = true;
        result = message->data.result;
      }
    }
    // Enough of the body is read: the rest is not wanted, and not an error.
    if (fetch.full) break;
    if (done) break;
    long waitMs = kPollMilliseconds;
    if (fetch.connected) {
      const auto quiet =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - fetch.lastByte);
      if (quiet.count() >= receiveMs) {
        return Failure(url, "the server sent nothing for " + std::to_string(receiveMs) + " ms");
      }
      waitMs = std::min(waitMs, receiveMs - static_cast<long>(quiet.count()));
    }
    curl.multiPoll(handles.multi, nullptr, 0, static_cast<int>(std::max(waitMs, 1L)), nullptr);
  }
  if (!rule.refused.empty()) {
    return Failure(url, "its address " + rule.refused +
                            " is on this machine or its local network, which the site is not");
  }
  if (!fetch.full && result != CURLE_OK) {
    return Failure(url, errors[0] != '\0' ? errors : curl.easyStrerror(result));
  }
  curl.easyGetinfo(handles.easy, CURLINFO_RESPONSE_CODE, &fetch.head.status);
  char* location = nullptr;
  if (fetch.head.status >= 300 && fetch.head.status < 400 &&
      curl.easyGetinfo(handles.easy, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
      location != nullptr) {
    fetch.redirect = location;
  }
  return Status::Ok();
}

}  // namespace

Result<WebPageHead> FetchPageHead(const std::string& url, const PageHeadOptions& options) {
  const Result<const CurlLibrary*> loaded = LoadCurlLibrary();
  if (!loaded) return Failure(url, loaded.message());
  const CurlLibrary& curl = **loaded;
  const UrlHost site = HostOfUrl(curl, url);
  if (site.scheme != "http" && site.scheme != "https") {
    return Failure(url, "only http and https pages are fetched");
  }
  // Addresses of this machine and its network are asked only for a site
  // whose own address is one of them.
  AddressRule rule;
  rule.anyAddress =
      KindOfHostText(site.host).value_or(AddressKind::Public) != AddressKind::Public ||
      ProxyNamed("http") || ProxyNamed("https");
  const Clock::time_point deadline = Clock::now() + kWholeFetchLimit;
  std::string current = url;
  for (int hop = 0;; ++hop) {
    Fetch fetch;
    if (Status fetched = FetchOnce(curl, current, options, rule, deadline, fetch); !fetched.ok()) {
      return fetched;
    }
    if (fetch.redirect.empty()) return std::move(fetch.head);
    // A redirect is followed within the site only (http to https is
    // common): a log names pages, and an open redirect of the site must not
    // make the report machine ask another host.
    const UrlHost target = HostOfUrl(curl, fetch.redirect);
    if ((target.scheme != "http" && target.scheme != "https") || target.host != site.host) {
      return Failure(url, "it redirects to another host (" +
                              (target.host.empty() ? std::string("?") : target.host) +
                              "), which is not followed");
    }
    if (hop == kMostRedirects) return Failure(url, "it redirects more than 5 times");
    current = fetch.redirect;
  }
}

}  // namespace tlw
