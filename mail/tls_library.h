#pragma once

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include "base/result.h"

namespace tlw {

// The OpenSSL functions that mail over TLS calls, resolved from libssl at
// the first mail that needs them, as libcurl is for transfers: a run that
// sends no mail over TLS never loads libssl and libcrypto. <openssl/ssl.h>
// still supplies the types and constants.
struct TlsLibrary {
  const SSL_METHOD* (*clientMethod)();
  SSL_CTX* (*contextNew)(const SSL_METHOD* method);
  void (*contextFree)(SSL_CTX* context);
  long (*contextCtrl)(SSL_CTX* context, int command, long value, void* pointer);
  void (*contextSetVerify)(SSL_CTX* context, int mode, SSL_verify_cb callback);
  int (*contextDefaultVerifyPaths)(SSL_CTX* context);
  int (*contextLoadVerifyLocations)(SSL_CTX* context, const char* file, const char* folder);
  SSL* (*sslNew)(SSL_CTX* context);
  void (*sslFree)(SSL* ssl);
  int (*setFd)(SSL* ssl, int fd);
  long (*ctrl)(SSL* ssl, int command, long value, void* pointer);
  int (*setHost)(SSL* ssl, const char* host);
  X509_VERIFY_PARAM* (*param)(SSL* ssl);
  int (*paramSetIp)(X509_VERIFY_PARAM* param, const char* address);
  int (*connect)(SSL* ssl);
  int (*read)(SSL* ssl, void* buffer, int size);
  int (*write)(SSL* ssl, const void* buffer, int size);
  int (*shutdown)(SSL* ssl);
  int (*getError)(const SSL* ssl, int result);
  long (*verifyResult)(const SSL* ssl);
  const char* (*verifyErrorText)(long code);
  unsigned long (*errorGet)();
  void (*errorClear)();
  void (*errorText)(unsigned long code, char* text, std::size_t size);
};

// The soname loaded, as Debian 12's libssl3 installs it.
inline constexpr const char* kTlsSoname = "libssl.so.3";

// libssl, loaded and resolved by the first call (once, whichever thread
// comes first). Fails, on every call, when it cannot be loaded or lacks a
// function; the message says why and which package to install.
Result<const TlsLibrary*> LoadTlsLibrary();

}  // namespace tlw
