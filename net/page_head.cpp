#include "net/page_head.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "net/curl_library.h"

namespace tlw {
namespace {

using Clock = std::chrono::steady_clock;

// A page that drips its bytes slowly is not waited for longer than this in
// all, whatever the time between its bytes.
constexpr std::chrono::milliseconds kWholeFetchLimit{3000};
// The longest wait between two looks at `stop` and the receive time-out.
constexpr long kPollMilliseconds = 20;

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

}  // namespace

Result<WebPageHead> FetchPageHead(const std::string& url, const PageHeadOptions& options) {
  const Result<const CurlLibrary*> loaded = LoadCurlLibrary();
  if (!loaded) return Failure(url, loaded.message());
  const CurlLibrary& curl = **loaded;
  Handles handles(curl);
  if (handles.easy == nullptr || handles.multi == nullptr) {
    return Failure(url, "the transfer could not be set up");
  }
  Fetch fetch;
  char errors[CURL_ERROR_SIZE] = {};
  handles.Set(CURLOPT_URL, url.c_str());
  handles.Set(CURLOPT_ERRORBUFFER, errors);
  handles.Set(CURLOPT_NOSIGNAL, 1L);
  handles.Set(CURLOPT_USERAGENT, "Tallowick_Log_Analyzer/1.0");
  // Only web pages, also after a redirect (http to https is common).
  handles.Set(CURLOPT_PROTOCOLS_STR, "http,https");
  handles.Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  handles.Set(CURLOPT_FOLLOWLOCATION, 1L);
  handles.Set(CURLOPT_MAXREDIRS, 5L);
  // libcurl takes the proxy from the environment unless told otherwise, and
  // keeps no cache of its own; each fetch has a connection of its own.
  handles.Set(CURLOPT_FORBID_REUSE, 1L);
  handles.Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
  handles.Set(CURLOPT_TIMEOUT_MS, static_cast<long>(kWholeFetchLimit.count()));
  handles.Set(CURLOPT_SSL_VERIFYPEER, 1L);
  handles.Set(CURLOPT_SSL_VERIFYHOST, 2L);
  // CURL_CA_BUNDLE names other authorities, as it does for the curl program.
  const char* bundle = std::getenv("CURL_CA_BUNDLE");
  const std::string authorities =
      !options.caFile.empty() ? options.caFile : (bundle != nullptr ? bundle : "");
  if (!authorities.empty()) handles.Set(CURLOPT_CAINFO, authorities.c_str());
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
  if (!fetch.full && result != CURLE_OK) {
    return Failure(url, errors[0] != '\0' ? errors : curl.easyStrerror(result));
  }
  curl.easyGetinfo(handles.easy, CURLINFO_RESPONSE_CODE, &fetch.head.status);
  return std::move(fetch.head);
}

}  // namespace tlw
