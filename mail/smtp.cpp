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

#include "base/bounded_call.h"
#include "mail/smtp_reply.h"

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

// The first IPv4 address of a host name, when it has one.
struct Resolved {
  bool found = false;
  in_addr address{};
};

Resolved ResolveName(const std::string& server) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  Resolved result;
  if (::getaddrinfo(server.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
    result.found = true;
    result.address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  }
  if (found != nullptr) ::freeaddrinfo(found);
  return result;
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

std::string ComposeHeader(const MailMessage& message) {
  return ComposeHeader(message, std::time(nullptr));
}

SmtpConnection::~SmtpConnection() {
  if (greeted_) Disconnect();
  CloseSocket();
}

void SmtpConnection::CloseSocket() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

// Resolves `server` (a name) to its first IPv4 address, if any, and
// opens a socket to it within `timeouts_.connectMs`. The socket stays
// non-blocking, so that every later wait is a poll() with a time-out.
bool SmtpConnection::OpenSocket(const std::string& server, int port) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.connectMs);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::inet_pton(AF_INET, server.c_str(), &address.sin_addr) != 1) {
    // The system resolver has no time-out of its own that a caller sets.
    const std::optional<Resolved> resolved = CallWithin<Resolved>(
        [server] { return ResolveName(server); }, std::chrono::milliseconds(timeouts_.connectMs));
    if (!resolved) {
      lastError_ = kSmtpConnectTimeout;
      return false;
    }
    if (!resolved->found) {
      lastError_ = kSmtpNameNotResolved;
      return false;
    }
    address.sin_addr = resolved->address;
  }
  socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (socket_ < 0) {
    lastError_ = errno;
    return false;
  }
  if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
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

bool SmtpConnection::Connect(const std::string& server, int port) {
  CloseSocket();
  greeted_ = false;
  lastReply_.clear();
  lastReplyCode_ = 0;
  if (!OpenSocket(server, port)) return false;
  greeted_ = true;
  if (!WaitForReply(220)) {
    const int error = lastError_;
    const std::string reply = lastReply_;
    Disconnect();
    lastError_ = error;
    lastReply_ = reply;
    return false;
  }
  char hostName[101] = {};
  ::gethostname(hostName, 100);
  if (!SendText("HELO " + WithoutLineBreaks(hostName) + "\r\n") || !WaitForReply(250)) {
    const int error = lastError_;
    const std::string reply = lastReply_;
    Disconnect();
    lastError_ = error;
    lastReply_ = reply;
    return false;
  }
  return true;
}

bool SmtpConnection::SendText(std::string_view text) {
  while (!text.empty()) {
    const ssize_t sent = ::send(socket_, text.data(), text.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        pollfd writable{socket_, POLLOUT, 0};
        const int ready = ::poll(&writable, 1, timeouts_.sendMs);
        if (ready > 0 || (ready < 0 && errno == EINTR)) continue;
        lastError_ = ready == 0 ? kSmtpSendTimeout : errno;
      } else {
        lastError_ = errno;
      }
      // A connection that takes nothing would not take a QUIT either.
      greeted_ = false;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
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
    pollfd readable{socket_, POLLIN, 0};
    const int ready = ::poll(&readable, 1, static_cast<int>(timeouts_.replyMs - waited));
    if (ready < 0) {
      if (errno == EINTR) continue;
      lastError_ = errno;
      lastReply_.assign(buffer, length);
      return false;
    }
    if (ready == 0) continue;
    const ssize_t received = ::recv(socket_, buffer + length, kReplyBufferSize - 1 - length, 0);
    if (received <= 0) {
      if (received < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      lastError_ = received == 0 ? ECONNRESET : errno;
      lastReply_.assign(buffer, length);
      return false;
    }
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
  return Command("\r\n.\r\n", 250);
}

bool SmtpConnection::Disconnect() {
  bool answered = false;
  if (greeted_ && socket_ >= 0) {
    greeted_ = false;
    answered = SendText("QUIT\r\n") && WaitForReply(221);
    if (!answered && lastError_ == kSmtpUnexpectedReply) lastError_ = kSmtpCommandRefused;
  }
  greeted_ = false;
  CloseSocket();
  return answered;
}

bool SplitSmtpServer(std::string_view setting, std::string& host, int& port) {
  port = 25;
  const std::size_t colon = setting.rfind(':');
  if (colon == std::string_view::npos) {
    host.assign(setting);
    return true;
  }
  host.assign(setting.substr(0, colon));
  const std::string_view digits = setting.substr(colon + 1);
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{} || end != digits.data() + digits.size() || value < 1 || value > 65535) {
    return false;
  }
  port = value;
  return true;
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
    default:
      return std::system_category().message(connection.LastError());
  }
}

}  // namespace tlw
