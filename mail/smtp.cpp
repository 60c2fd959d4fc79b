#include "mail/smtp.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include <algorithm>
#include <cctype>
#include <random>
#include <utility>

#include "base/bounded_call.h"
#include "mail/smtp_reply.h"
#include "mail/tls_library.h"

namespace tlw {
namespace {

constexpr std::string_view kBoundary = "#BOUNDARY#";
constexpr std::size_t kReplyBufferSize = 1000;

std::string FormatAddress(const MailAddress& address) {
  if (address.name.empty()) return WithoutLineBreaks(address.address);
  return WithoutLineBreaks(address.name) + " <" + WithoutLineBreaks(address.address) + ">";
}

// "Mon, 07 Dec 2026 13:05:09 +0100": English names whatever the locale.
std::string DateText(std::time_t now) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  localtime_r(&now, &local);
  const long offset = local.tm_gmtoff / 60;
  const long zone = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                kDays[local.tm_wday % 7], local.tm_mday, kMonths[local.tm_mon % 12],
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                offset < 0 ? '-' : '+', zone / 60, zone % 60);
  return text;
}

// The first address of a host name, when it has one.
struct Resolved {
  bool found = false;
  sockaddr_storage address{};
  socklen_t length = 0;
};

Resolved ResolveName(const std::string& server, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  Resolved result;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(server.c_str(), service.c_str(), &hints, &found) == 0 && found != nullptr &&
      found->ai_addrlen <= sizeof result.address) {
    result.found = true;
    std::memcpy(&result.address, found->ai_addr, found->ai_addrlen);
    result.length = found->ai_addrlen;
  }
  if (found != nullptr) ::freeaddrinfo(found);
  return result;
}

// `server` as a numeric IPv4 or IPv6 address, when it is one.
Resolved NumericAddress(const std::string& server, int port) {
  Resolved result;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&result.address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&result.address);
  if (::inet_pton(AF_INET, server.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
    result.length = sizeof *v4;
    result.found = true;
  } else if (::inet_pton(AF_INET6, server.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    result.length = sizeof *v6;
    result.found = true;
  }
  return result;
}

// The mechanisms named on the AUTH line of an EHLO reply (RFC 4954), as
// " PLAIN LOGIN " with a blank on either side of each.
std::string AuthMechanisms(std::string_view ehloReply) {
  std::string mechanisms;
  while (!ehloReply.empty()) {
    const std::size_t end = ehloReply.find("\r\n");
    std::string_view line = ehloReply.substr(0, end);
    ehloReply.remove_prefix(end == std::string_view::npos ? ehloReply.size() : end + 2);
    if (line.size() < 9) continue;
    std::string upper;
    for (const char c : line.substr(4))
      upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("AUTH ", 0) == 0 || upper.rfind("AUTH=", 0) == 0)
      mechanisms += upper.substr(4) + ' ';
  }
  for (char& c : mechanisms) {
    if (c == '=') c = ' ';
  }
  return ' ' + mechanisms;
}

bool Offers(std::string_view ehloReply, std::string_view keyword) {
  std::string upper;
  for (const char c : ehloReply)
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string line = "\r\n250-" + std::string(keyword);
  const std::string last = "\r\n250 " + std::string(keyword);
  for (const std::string& form : {line, last}) {
    for (std::size_t at = upper.find(form); at != std::string::npos;
         at = upper.find(form, at + 1)) {
      const std::size_t after = at + form.size();
      if (after == upper.size() || upper[after] == '\r' || upper[after] == ' ') return true;
    }
  }
  return false;
}

// Base64 of `text` on one line, as SASL exchanges carry it.
std::string Base64Line(std::string_view text) {
  std::string encoded = EncodeBase64Lines(text);
  std::string line;
  for (const char c : encoded) {
    if (c != '\r' && c != '\n') line += c;
  }
  return line;
}

// The reason OpenSSL gives for the last failure on this thread.
std::string TlsErrorText(const TlsLibrary& ssl) {
  const unsigned long code = ssl.errorGet();
  ssl.errorClear();
  if (code == 0) return "the TLS handshake failed";
  char text[256];
  ssl.errorText(code, text, sizeof text);
  return text;
}

// Milliseconds as seconds for a message: "2", "0.3".
std::string SecondsText(int milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", milliseconds / 1000.0);
  return text;
}

}  // namespace

std::string WithoutLineBreaks(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') clean += c;
  }
  return clean;
}

void SetBody(MailMessage& message, std::string_view text) {
  message.body.clear();
  message.body.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    message.body += text[i];
    if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '.') message.body += '.';
  }
}

void AddRecipient(MailMessage& message, MailAddress address) {
  message.recipients.push_back(std::move(address));
}

void AddAttachment(MailMessage& message, MailAttachment attachment) {
  message.attachments.push_back(std::move(attachment));
}

std::string EncodeBase64Lines(std::string_view data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t chars = 4 * ((data.size() + 2) / 3);
  std::string text;
  text.reserve(chars + 2 * (chars / 76) + 3);
  std::size_t lineLength = 0;
  auto put = [&](char c) {
    text += c;
    if (++lineLength == 76) {
      text += "\r\n";
      lineLength = 0;
    }
  };
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::size_t left = data.size() - i;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(data[i + k]); };
    const unsigned value =
        (byte(0) << 16) | (left > 1 ? byte(1) << 8 : 0u) | (left > 2 ? byte(2) : 0u);
    put(kAlphabet[(value >> 18) & 63]);
    put(kAlphabet[(value >> 12) & 63]);
    put(left > 1 ? kAlphabet[(value >> 6) & 63] : '=');
    put(left > 2 ? kAlphabet[value & 63] : '=');
  }
  text += "\r\n";
  return text;
}

bool LoadAttachment(MailAttachment& attachment, const std::string& path) {
  attachment = MailAttachment{};
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return false;
  const std::size_t slash = path.find_last_of('/');
  attachment.name = WithoutLineBreaks(slash == std::string::npos ? path : path.substr(slash + 1));
  attachment.base64 = EncodeBase64Lines(data);
  return true;
}

std::string ComposeHeader(const MailMessage& message, std::time_t now) {
  std::string header = "From: " + FormatAddress(message.from) + "\r\nTo: ";
  for (std::size_t i = 0; i < message.recipients.size(); ++i) {
    if (i > 0) header += ',';
    header += FormatAddress(message.recipients[i]);
  }
  header += "\r\nSubject: " + WithoutLineBreaks(message.subject);
  header += "\r\nDate: " + DateText(now);
  header += "\r\nX-Mailer: " + WithoutLineBreaks(message.mailer) + "\r\n";
  if (!message.messageId.empty()) {
    header += "Message-ID: " + WithoutLineBreaks(message.messageId) + "\r\n";
  }
  if (!message.replyTo.address.empty()) {
    header += "Reply-To: " + FormatAddress(message.replyTo) + "\r\n";
  }
  if (!message.attachments.empty()) {
    header += "MIME-Version: 1.0\r\nContent-type: multipart/mixed; boundary=\"";
    header += kBoundary;
    header += "\"\r\n";
  }
  header += "\r\n";
  return header;
}

std::string NewMessageId(std::string_view fromAddress) {
  std::random_device random;
  char id[40];
  std::snprintf(id, sizeof id, "%08x%08x%08x%08x", random(), random(), random(), random());
  const std::size_t at = fromAddress.rfind('@');
  std::string domain = at == std::string_view::npos ? "" : std::string(fromAddress.substr(at + 1));
  // Only characters of a dot-atom (RFC 5322 3.2.3) may stand there.
  const bool usable =
      domain.find('.') != std::string::npos &&
      std::all_of(domain.begin(), domain.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-';
      });
  return "<" + std::string(id) + "@" + (usable ? domain : "tallowick.invalid") + ">";
}

std::string ComposeHeader(const MailMessage& message) {
  return ComposeHeader(message, std::time(nullptr));
}

// OpenSSL's state of a connection after its TLS handshake.
struct SmtpConnection::Tls {
  const TlsLibrary& library;
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  explicit Tls(const TlsLibrary& loaded) : library(loaded) {}
  ~Tls() {
    if (ssl != nullptr) library.sslFree(ssl);
    if (context != nullptr) library.contextFree(context);
  }
  Tls(const Tls&) = delete;
  Tls& operator=(const Tls&) = delete;
};

SmtpConnection::SmtpConnection() = default;

SmtpConnection::~SmtpConnection() {
  if (greeted_) Disconnect();
  CloseSocket();
}

void SmtpConnection::CloseSocket() {
  tls_.reset();
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

bool SmtpConnection::FailureIsTransient() const {
  if (dataSent_) return false;
  switch (lastError_) {
    case kSmtpReplyTimeout:
    case kSmtpSendTimeout:
    case kSmtpConnectTimeout:
    case ECONNREFUSED:
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ETIMEDOUT:
      return true;
    default:
      // A 4xx reply is the server's "try again later" (RFC 5321 4.2.1).
      return (lastError_ == kSmtpUnexpectedReply || lastError_ == kSmtpCommandRefused) &&
             lastReplyCode_ >= 400 && lastReplyCode_ < 500;
  }
}

// Starts TLS on the open socket (RFC 8314 for port 465, after STARTTLS for
// RFC 3207) and checks the server's certificate and its name or address.
bool SmtpConnection::StartTls(const std::string& server) {
  using Clock = std::chrono::steady_clock;
  auto fail = [&](std::string reason) {
    lastError_ = kSmtpTlsFailed;
    lastReply_ = std::move(reason);
    tls_.reset();
    greeted_ = false;
    return false;
  };
  const Result<const TlsLibrary*> loaded = LoadTlsLibrary();
  if (!loaded) return fail(loaded.message());
  const TlsLibrary& ssl = **loaded;
  tls_ = std::make_unique<Tls>(ssl);
  Tls& tls = *tls_;
  tls.context = ssl.contextNew(ssl.clientMethod());
  if (tls.context == nullptr) return fail(TlsErrorText(ssl));
  ssl.contextCtrl(tls.context, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
  ssl.contextSetVerify(tls.context, SSL_VERIFY_PEER, nullptr);
  const int authorities =
      tlsLogin_.caFile.empty()
          ? ssl.contextDefaultVerifyPaths(tls.context)
          : ssl.contextLoadVerifyLocations(tls.context, tlsLogin_.caFile.c_str(), nullptr);
  if (authorities != 1) {
    return fail("the certificate authorities in " +
                (tlsLogin_.caFile.empty() ? std::string("the system's store") : tlsLogin_.caFile) +
                " cannot be read");
  }
  tls.ssl = ssl.sslNew(tls.context);
  if (tls.ssl == nullptr || ssl.setFd(tls.ssl, socket_) != 1) return fail(TlsErrorText(ssl));
  if (NumericAddress(server, 0).found) {
    ssl.paramSetIp(ssl.param(tls.ssl), server.c_str());
  } else {
    // SSL_set_tlsext_host_name is a macro with a C cast; this is what it calls.
    ssl.ctrl(tls.ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
             const_cast<char*>(server.c_str()));
    ssl.setHost(tls.ssl, server.c_str());
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.connectMs);
  while (true) {
    ssl.errorClear();
    const int done = ssl.connect(tls.ssl);
    if (done == 1) return true;
    const int why = ssl.getError(tls.ssl, done);
    if (why != SSL_ERROR_WANT_READ && why != SSL_ERROR_WANT_WRITE) {
      const long verified = ssl.verifyResult(tls.ssl);
      if (verified != X509_V_OK) {
        return fail("the server's certificate is not trusted (" +
                    std::string(ssl.verifyErrorText(verified)) + ")");
      }
      return fail(TlsErrorText(ssl));
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{socket_, static_cast<short>(why == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
    if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) == 0) {
      return fail("the TLS handshake did not finish within " + SecondsText(timeouts_.connectMs) +
                  " seconds");
    }
  }
}

// Resolves `server` (a name) to its first address, if any, and opens a
// socket to it within `timeouts_.connectMs`. The socket stays
// non-blocking, so that every later wait is a poll() with a time-out.
bool SmtpConnection::OpenSocket(const std::string& server, int port) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.connectMs);
  Resolved address = NumericAddress(server, port);
  if (!address.found) {
    // The system resolver has no time-out of its own that a caller sets.
    const std::optional<Resolved> resolved =
        CallWithin<Resolved>([server, port] { return ResolveName(server, port); },
                             std::chrono::milliseconds(timeouts_.connectMs));
    if (!resolved) {
      lastError_ = kSmtpConnectTimeout;
      return false;
    }
    if (!resolved->found) {
      lastError_ = kSmtpNameNotResolved;
      return false;
    }
    address = *resolved;
  }
  socket_ = ::socket(address.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (socket_ < 0) {
    lastError_ = errno;
    return false;
  }
  if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address.address), address.length) ==
      0) {
    return true;
  }
  int error = errno;
  while (error == EINPROGRESS) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      error = kSmtpConnectTimeout;
      break;
    }
    pollfd writable{socket_, POLLOUT, 0};
    const int ready = ::poll(&writable, 1, static_cast<int>(left));
    if (ready < 0 && errno != EINTR) {
      error = errno;
    } else if (ready > 0) {
      socklen_t length = sizeof error;
      if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    }
  }
  if (error == 0) return true;
  lastError_ = error;
  CloseSocket();
  return false;
}

// Ends a greeting that failed: QUIT when the server is still there, and
// the failure of the greeting kept for LastError() and LastReply().
bool SmtpConnection::FailGreeting() {
  const int error = lastError_;
  const std::string reply = lastReply_;
  Disconnect();
  lastError_ = error;
  lastReply_ = reply;
  return false;
}

// EHLO, or HELO when the server refuses EHLO on a connection already under
// TLS; HELO alone without security, as the session always began.
bool SmtpConnection::Greet(const std::string& hostName) {
  if (tlsLogin_.security == SmtpSecurity::None) {
    return SendText("HELO " + hostName + "\r\n") && WaitForReply(250);
  }
  if (!SendText("EHLO " + hostName + "\r\n")) return false;
  if (WaitForReply(250)) return true;
  if (lastError_ != kSmtpUnexpectedReply || tls_ == nullptr) return false;
  return SendText("HELO " + hostName + "\r\n") && WaitForReply(250);
}

bool SmtpConnection::Connect(const std::string& server, int port) {
  CloseSocket();
  greeted_ = false;
  dataSent_ = false;
  lastReply_.clear();
  lastReplyCode_ = 0;
  if (!tlsLogin_.user.empty() && tlsLogin_.security == SmtpSecurity::None) {
    lastError_ = kSmtpLoginUnavailable;
    lastReply_ =
        "a login needs TLS (smtpSecurity starttls or tls), or the password would go "
        "unencrypted";
    return false;
  }
  if (!OpenSocket(server, port)) return false;
  if (tlsLogin_.security == SmtpSecurity::Tls && !StartTls(server)) return FailGreeting();
  greeted_ = true;
  if (!WaitForReply(220)) return FailGreeting();
  char hostName[101] = {};
  ::gethostname(hostName, 100);
  const std::string name = WithoutLineBreaks(hostName);
  if (!Greet(name)) return FailGreeting();
  if (tlsLogin_.security == SmtpSecurity::StartTls) {
    if (!Offers("\r\n" + lastReply_, "STARTTLS")) {
      lastError_ = kSmtpNoStartTls;
      return FailGreeting();
    }
    if (!Command("STARTTLS\r\n", 220)) return FailGreeting();
    if (!StartTls(server)) return FailGreeting();
    greeted_ = true;
    if (!Greet(name)) return FailGreeting();
  }
  if (tlsLogin_.user.empty()) return true;
  if (!LogIn(AuthMechanisms(lastReply_))) return FailGreeting();
  return true;
}

// AUTH PLAIN (RFC 4616) when offered, else AUTH LOGIN.
bool SmtpConnection::LogIn(std::string_view mechanisms) {
  auto refused = [&] {
    if (lastError_ == kSmtpCommandRefused || lastError_ == kSmtpUnexpectedReply) {
      lastError_ =
          lastReplyCode_ >= 400 && lastReplyCode_ < 500 ? kSmtpCommandRefused : kSmtpLoginRefused;
    }
    return false;
  };
  if (mechanisms.find(" PLAIN ") != std::string_view::npos) {
    const std::string credentials =
        std::string(1, '\0') + tlsLogin_.user + std::string(1, '\0') + tlsLogin_.password;
    return Command("AUTH PLAIN " + Base64Line(credentials) + "\r\n", 235) || refused();
  }
  if (mechanisms.find(" LOGIN ") != std::string_view::npos) {
    return (Command("AUTH LOGIN\r\n", 334) && Command(Base64Line(tlsLogin_.user) + "\r\n", 334) &&
            Command(Base64Line(tlsLogin_.password) + "\r\n", 235)) ||
           refused();
  }
  lastError_ = kSmtpLoginUnavailable;
  lastReply_ = "the server offers neither AUTH PLAIN nor AUTH LOGIN";
  return false;
}

bool SmtpConnection::SendText(std::string_view text) {
  while (!text.empty()) {
    short waitFor = POLLOUT;
    if (tls_ != nullptr) {
      const TlsLibrary& ssl = tls_->library;
      ssl.errorClear();
      const int sent = ssl.write(tls_->ssl, text.data(), static_cast<int>(text.size()));
      if (sent > 0) {
        text.remove_prefix(static_cast<std::size_t>(sent));
        continue;
      }
      const int why = ssl.getError(tls_->ssl, sent);
      if (why == SSL_ERROR_WANT_READ) {
        waitFor = POLLIN;
      } else if (why != SSL_ERROR_WANT_WRITE) {
        lastError_ = ECONNRESET;
        greeted_ = false;
        return false;
      }
    } else {
      const ssize_t sent = ::send(socket_, text.data(), text.size(), MSG_NOSIGNAL);
      if (sent >= 0) {
        text.remove_prefix(static_cast<std::size_t>(sent));
        continue;
      }
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        lastError_ = errno;
        // A connection that takes nothing would not take a QUIT either.
        greeted_ = false;
        return false;
      }
    }
    pollfd ready{socket_, waitFor, 0};
    const int count = ::poll(&ready, 1, timeouts_.sendMs);
    if (count > 0 || (count < 0 && errno == EINTR)) continue;
    lastError_ = count == 0 ? kSmtpSendTimeout : errno;
    greeted_ = false;
    return false;
  }
  return true;
}

long SmtpConnection::Receive(char* buffer, std::size_t capacity, int waitMs) {
  short waitFor = POLLIN;
  if (tls_ != nullptr) {
    const TlsLibrary& ssl = tls_->library;
    ssl.errorClear();
    const int received = ssl.read(tls_->ssl, buffer, static_cast<int>(capacity));
    if (received > 0) return received;
    const int why = ssl.getError(tls_->ssl, received);
    if (why == SSL_ERROR_WANT_WRITE) {
      waitFor = POLLOUT;
    } else if (why != SSL_ERROR_WANT_READ) {
      lastError_ = ECONNRESET;
      return -1;
    }
  }
  pollfd ready{socket_, waitFor, 0};
  const int count = ::poll(&ready, 1, waitMs);
  if (count < 0) {
    if (errno == EINTR) return 0;
    lastError_ = errno;
    return -1;
  }
  if (count == 0 || tls_ != nullptr) return 0;
  const ssize_t received = ::recv(socket_, buffer, capacity, 0);
  if (received > 0) return received;
  if (received < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
  lastError_ = received == 0 ? ECONNRESET : errno;
  return -1;
}

bool SmtpConnection::WaitForReply(int expectedCode) {
  using Clock = std::chrono::steady_clock;
  char buffer[kReplyBufferSize];
  std::size_t length = 0;
  auto lastByte = Clock::now();
  lastReply_.clear();
  while (true) {
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastByte).count();
    if (waited >= timeouts_.replyMs) {
      lastError_ = kSmtpReplyTimeout;
      lastReply_.assign(buffer, length);
      return false;
    }
    const long received = Receive(buffer + length, kReplyBufferSize - 1 - length,
                                  static_cast<int>(timeouts_.replyMs - waited));
    if (received < 0) {
      lastReply_.assign(buffer, length);
      return false;
    }
    if (received == 0) continue;
    length += static_cast<std::size_t>(received);
    lastByte = Clock::now();
    const std::string_view text(buffer, length);
    if (SmtpReplyComplete(text) || length == kReplyBufferSize - 1) break;
  }
  const SmtpReply reply = ReadSmtpReply(std::string_view(buffer, length));
  lastReply_.assign(reply.text);
  lastReplyCode_ = reply.code;
  if (reply.code != expectedCode) {
    lastError_ = kSmtpUnexpectedReply;
    return false;
  }
  return true;
}

bool SmtpConnection::Command(std::string_view text, int expectedCode) {
  if (!SendText(text)) return false;
  if (WaitForReply(expectedCode)) return true;
  if (lastError_ == kSmtpUnexpectedReply) lastError_ = kSmtpCommandRefused;
  return false;
}

bool SmtpConnection::Send(const MailMessage& message) {
  if (socket_ < 0) {
    lastError_ = ENOTCONN;
    return false;
  }
  if (!Command("MAIL FROM:<" + WithoutLineBreaks(message.from.address) + ">\r\n", 250)) {
    return false;
  }
  for (const MailAddress& recipient : message.recipients) {
    if (!Command("RCPT TO:<" + WithoutLineBreaks(recipient.address) + ">\r\n", 250)) return false;
  }
  if (!Command("DATA\r\n", 354)) return false;
  const std::string boundary(kBoundary);
  std::string data = ComposeHeader(message);
  const bool multipart = !message.attachments.empty();
  if (multipart) {
    // The body goes as it is: UTF-8 text (8bit, RFC 2045), not encoded, so
    // that a "=" in it is not read as a quoted-printable escape.
    data += "\r\n--" + boundary +
            "\r\nContent-Type: text/plain; charset=utf-8\r\n"
            "Content-Transfer-Encoding: 8bit\r\n\r\n";
  }
  data += message.body;
  for (const MailAttachment& attachment : message.attachments) {
    data += "\r\n\r\n--" + boundary +
            "\r\nContent-Type: application/octet-stream; name=" + attachment.name +
            "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
            "filename=" +
            attachment.name + "\r\n\r\n";
    data += attachment.base64;
  }
  if (multipart) data += "\r\n--" + boundary + "--";
  if (!SendText(data)) return false;
  // From here the server may have taken the message: sending it again
  // could deliver it twice.
  dataSent_ = true;
  return Command("\r\n.\r\n", 250);
}

bool SmtpConnection::Disconnect() {
  bool answered = false;
  if (greeted_ && socket_ >= 0) {
    greeted_ = false;
    answered = SendText("QUIT\r\n") && WaitForReply(221);
    if (!answered && lastError_ == kSmtpUnexpectedReply) lastError_ = kSmtpCommandRefused;
    if (tls_ != nullptr) tls_->library.shutdown(tls_->ssl);
  }
  greeted_ = false;
  CloseSocket();
  return answered;
}

bool SplitSmtpServer(std::string_view setting, std::string& host, int& port, int defaultPort) {
  port = defaultPort;
  std::string_view digits;
  if (!setting.empty() && setting.front() == '[') {
    const std::size_t close = setting.find(']');
    if (close == std::string_view::npos) {
      host.assign(setting);
      return false;
    }
    host.assign(setting.substr(1, close - 1));
    const std::string_view rest = setting.substr(close + 1);
    if (rest.empty()) return true;
    if (rest.front() != ':') return false;
    digits = rest.substr(1);
  } else {
    const std::size_t colon = setting.rfind(':');
    // More than one ":" is an IPv6 address without a port.
    if (colon == std::string_view::npos || setting.find(':') != colon) {
      host.assign(setting);
      return true;
    }
    host.assign(setting.substr(0, colon));
    digits = setting.substr(colon + 1);
  }
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{} || end != digits.data() + digits.size() || value < 1 || value > 65535) {
    return false;
  }
  port = value;
  return true;
}

int DefaultSmtpPort(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::StartTls:
      return 587;
    case SmtpSecurity::Tls:
      return 465;
    case SmtpSecurity::None:
      break;
  }
  return 25;
}

namespace {
constexpr std::pair<SmtpSecurity, const char*> kSecurityNames[] = {
    {SmtpSecurity::None, "none"}, {SmtpSecurity::StartTls, "starttls"}, {SmtpSecurity::Tls, "tls"}};
}  // namespace

const char* SmtpSecurityName(SmtpSecurity security) {
  for (const auto& [value, name] : kSecurityNames) {
    if (value == security) return name;
  }
  return "none";
}

bool ParseSmtpSecurity(std::string_view text, SmtpSecurity& security) {
  for (const auto& [value, name] : kSecurityNames) {
    if (text == name) {
      security = value;
      return true;
    }
  }
  return false;
}

Status CheckSmtpServer(std::string_view setting) {
  if (setting.empty()) return Status::Ok();
  std::string host;
  int port = 0;
  const std::string quoted = "'" + std::string(setting) + "'";
  if (!SplitSmtpServer(setting, host, port)) {
    return Status::Error(quoted + ": the port after ':' must be a number from 1 to 65535");
  }
  if (host.empty()) return Status::Error(quoted + ": the server's name is missing before ':'");
  return Status::Ok();
}

std::string SmtpFailureText(const SmtpConnection& connection) {
  switch (connection.LastError()) {
    case kSmtpNameNotResolved:
      return "the server name does not resolve";
    case kSmtpReplyTimeout:
      return connection.LastReply().empty()
                 ? "the server did not answer within " +
                       SecondsText(connection.Timeouts().replyMs) + " seconds"
                 : "the server's reply stopped after \"" + connection.LastReply() + "\"";
    case kSmtpSendTimeout:
      return "the server took nothing of the message for " +
             SecondsText(connection.Timeouts().sendMs) + " seconds";
    case kSmtpConnectTimeout:
      return "the server did not accept a connection within " +
             SecondsText(connection.Timeouts().connectMs) + " seconds";
    case kSmtpUnexpectedReply:
    case kSmtpCommandRefused:
      return "the server answered \"" + connection.LastReply() + "\"";
    case kSmtpLoginRefused:
      return "the server refused the user name or password (\"" + connection.LastReply() + "\")";
    case kSmtpNoStartTls:
      return "the server does not offer STARTTLS (it answered \"" + connection.LastReply() +
             "\"); choose smtpSecurity tls or none";
    case kSmtpTlsFailed:
    case kSmtpLoginUnavailable:
      return connection.LastReply();
    default:
      return std::system_category().message(connection.LastError());
  }
}

}  // namespace tlw
