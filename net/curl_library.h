#pragma once

#include <curl/curl.h>

#include <string>
#include <type_traits>

#include "base/result.h"

namespace tlw {

// The libcurl functions that net/ calls, resolved from the shared library.
// libcurl brings some thirty libraries with it (TLS, Kerberos, LDAP, SSH,
// IDN ...) whose loading and set-up would otherwise be paid by every start
// of the programs, though only remote logfiles, publishing and page titles
// use them: so nothing links libcurl, and it is loaded by the first transfer
// that needs it. <curl/curl.h> still supplies the types and constants.
struct CurlLibrary {
  CURL* (*easyInit)();
  CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...);
  CURLcode (*easyPerform)(CURL* handle);
  CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...);
  void (*easyCleanup)(CURL* handle);
  void (*easyReset)(CURL* handle);
  const char* (*easyStrerror)(CURLcode code);
  CURLM* (*multiInit)();
  CURLMcode (*multiAddHandle)(CURLM* multi, CURL* handle);
  CURLMcode (*multiRemoveHandle)(CURLM* multi, CURL* handle);
  CURLMcode (*multiPerform)(CURLM* multi, int* running);
  CURLMsg* (*multiInfoRead)(CURLM* multi, int* queued);
  CURLMcode (*multiPoll)(CURLM* multi, curl_waitfd* extra, unsigned extraCount, int timeoutMs,
                         int* ready);
  CURLMcode (*multiCleanup)(CURLM* multi);
  curl_slist* (*slistAppend)(curl_slist* list, const char* text);
  void (*slistFreeAll)(curl_slist* list);
  curl_version_info_data* (*versionInfo)(CURLversion stamp);
  CURLU* (*urlInit)();
  CURLUcode (*urlSet)(CURLU* url, CURLUPart part, const char* text, unsigned int flags);
  CURLUcode (*urlGet)(const CURLU* url, CURLUPart part, char** text, unsigned int flags);
  void (*urlCleanup)(CURLU* url);
  void (*free)(void* text);

  // Sets `option` of `handle`. The value goes through "..." unchecked, so
  // numbers must have the type libcurl reads: long, or curl_off_t for the
  // options that say so; an int would leave the upper half undefined.
  template <typename Value>
  CURLcode SetOption(CURL* handle, CURLoption option, Value value) const {
    static_assert(std::is_same_v<Value, long> || std::is_same_v<Value, curl_off_t> ||
                      std::is_pointer_v<Value>,
                  "libcurl options take long, curl_off_t or a pointer");
    return easySetopt(handle, option, value);
  }

  // The version of the loaded library, as 0xXXYYZZ (major, minor, patch).
  unsigned int VersionNumber() const { return versionInfo(CURLVERSION_NOW)->version_num; }
};

// The soname loaded, as the runtime package (Debian's libcurl4) installs it.
inline constexpr const char* kCurlSoname = "libcurl.so.4";

// libcurl, loaded, resolved and globally initialised by the first call
// (once, whichever thread comes first; later calls only look). Fails, on
// every call, when the library cannot be loaded, lacks a function or does
// not initialise: the message says why and which package to install.
Result<const CurlLibrary*> LoadCurlLibrary();

// The version of the libcurl that LoadCurlLibrary loads ("7.88.1"), loading
// it; "not installed" when it cannot be loaded.
std::string LoadedCurlVersion();

}  // namespace tlw
