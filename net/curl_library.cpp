#include "net/curl_library.h"

#include <dlfcn.h>

#include <string>

namespace tlw {
namespace {

struct LoadedCurl {
  CurlLibrary library{};
  std::string error;  // empty once loaded and initialised
};

std::string InstallHint() { return "; install Debian package libcurl4"; }

// Fills `slot` with the function `name` of `handle`; false when it is missing.
template <typename Function>
bool Resolve(void* handle, const char* name, Function& slot) {
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) return false;
  // POSIX guarantees that dlsym's object pointer converts to the function.
  slot = reinterpret_cast<Function>(symbol);
  return true;
}

LoadedCurl Load() {
  LoadedCurl loaded;
  // RTLD_LOCAL keeps libcurl's symbols (and those of its TLS library) out of
  // the global namespace, where they could stand in for another library's.
  void* handle = ::dlopen(kCurlSoname, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    loaded.error = std::string(kCurlSoname) + " could not be loaded (" +
                   (reason != nullptr ? reason : "no reason given") + ")" + InstallHint();
    return loaded;
  }
  // Never unloaded: libcurl and its TLS library keep state until exit.
  CurlLibrary& c = loaded.library;
  CURLcode (*globalInit)(long flags) = nullptr;
  const char* missing = nullptr;
  auto need = [handle, &missing](const char* name, auto& slot) {
    if (!Resolve(handle, name, slot) && missing == nullptr) missing = name;
  };
  need("curl_global_init", globalInit);
  need("curl_easy_init", c.easyInit);
  need("curl_easy_setopt", c.easySetopt);
  need("curl_easy_perform", c.easyPerform);
  need("curl_easy_getinfo", c.easyGetinfo);
  need("curl_easy_cleanup", c.easyCleanup);
  need("curl_easy_reset", c.easyReset);
  need("curl_easy_strerror", c.easyStrerror);
  need("curl_multi_init", c.multiInit);
  need("curl_multi_add_handle", c.multiAddHandle);
  need("curl_multi_remove_handle", c.multiRemoveHandle);
  need("curl_multi_perform", c.multiPerform);
  need("curl_multi_info_read", c.multiInfoRead);
  need("curl_multi_poll", c.multiPoll);
  need("curl_multi_cleanup", c.multiCleanup);
  need("curl_slist_append", c.slistAppend);
  need("curl_slist_free_all", c.slistFreeAll);
  need("curl_version_info", c.versionInfo);
  need("curl_url", c.urlInit);
  need("curl_url_set", c.urlSet);
  need("curl_url_get", c.urlGet);
  need("curl_url_cleanup", c.urlCleanup);
  need("curl_free", c.free);
  if (missing != nullptr) {
    loaded.error = std::string(kCurlSoname) + " has no function " + missing +
                   " (libcurl 7.66 or later is needed)" + InstallHint();
    return loaded;
  }
  // Done once, before any handle exists and under the guard of the caller's
  // static: curl_global_init is not thread-safe in every libcurl version.
  if (const CURLcode code = globalInit(CURL_GLOBAL_DEFAULT); code != CURLE_OK) {
    loaded.error =
        std::string(kCurlSoname) + " could not be initialised (" + c.easyStrerror(code) + ")";
  }
  return loaded;
}

}  // namespace

Result<const CurlLibrary*> LoadCurlLibrary() {
  static const LoadedCurl loaded = Load();
  if (!loaded.error.empty()) return Status::Error(loaded.error);
  return &loaded.library;
}

std::string LoadedCurlVersion() {
  Result<const CurlLibrary*> curl = LoadCurlLibrary();
  if (!curl.ok()) return "not installed";
  const curl_version_info_data* info = (*curl)->versionInfo(CURLVERSION_NOW);
  return info != nullptr && info->version != nullptr ? info->version : "unknown";
}

}  // namespace tlw
