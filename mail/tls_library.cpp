#include "mail/tls_library.h"

#include <dlfcn.h>

#include <string>
#include <type_traits>

namespace tlw {
namespace {

struct LoadedTls {
  TlsLibrary library{};
  std::string error;  // empty once loaded
};

LoadedTls Load() {
  LoadedTls loaded;
  // RTLD_LOCAL keeps OpenSSL's symbols out of the global namespace; the
  // look-ups below also find those of libcrypto, which libssl brings.
  void* handle = ::dlopen(kTlsSoname, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = ::dlerror();
    loaded.error = std::string(kTlsSoname) + " could not be loaded (" +
                   (reason != nullptr ? reason : "no reason given") +
                   "); install Debian package libssl3";
    return loaded;
  }
  // Never unloaded: OpenSSL keeps state until exit.
  TlsLibrary& t = loaded.library;
  const char* missing = nullptr;
  auto need = [handle, &missing](const char* name, auto& slot) {
    void* symbol = ::dlsym(handle, name);
    // POSIX guarantees that dlsym's object pointer converts to the function.
    if (symbol != nullptr) {
      slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(symbol);
    } else if (missing == nullptr) {
      missing = name;
    }
  };
  need("TLS_client_method", t.clientMethod);
  need("SSL_CTX_new", t.contextNew);
  need("SSL_CTX_free", t.contextFree);
  need("SSL_CTX_ctrl", t.contextCtrl);
  need("SSL_CTX_set_verify", t.contextSetVerify);
  need("SSL_CTX_set_default_verify_paths", t.contextDefaultVerifyPaths);
  need("SSL_CTX_load_verify_locations", t.contextLoadVerifyLocations);
  need("SSL_new", t.sslNew);
  need("SSL_free", t.sslFree);
  need("SSL_set_fd", t.setFd);
  need("SSL_ctrl", t.ctrl);
  need("SSL_set1_host", t.setHost);
  need("SSL_get0_param", t.param);
  need("X509_VERIFY_PARAM_set1_ip_asc", t.paramSetIp);
  need("SSL_connect", t.connect);
  need("SSL_read", t.read);
  need("SSL_write", t.write);
  need("SSL_shutdown", t.shutdown);
  need("SSL_get_error", t.getError);
  need("SSL_get_verify_result", t.verifyResult);
  need("X509_verify_cert_error_string", t.verifyErrorText);
  need("ERR_get_error", t.errorGet);
  need("ERR_clear_error", t.errorClear);
  need("ERR_error_string_n", t.errorText);
  if (missing != nullptr) {
    loaded.error = std::string(kTlsSoname) + " has no function " + missing +
                   " (OpenSSL 1.1.1 or later is needed); install Debian package libssl3";
  }
  return loaded;
}

}  // namespace

Result<const TlsLibrary*> LoadTlsLibrary() {
  static const LoadedTls loaded = Load();
  if (!loaded.error.empty()) return Status::Error(loaded.error);
  return &loaded.library;
}

}  // namespace tlw
