#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace tlw {

// Error codes an SMTP step leaves in `SmtpConnection::LastError()` besides
// the socket layer's own errno values.
inline constexpr int kSmtpNameNotResolved = 10022;
inline constexpr int kSmtpReplyTimeout = 10060;
inline constexpr int kSmtpUnexpectedReply = 10043;
inline constexpr int kSmtpCommandRefused = 22;
// The server took no byte of what was sent for `sendMs`.
inline constexpr int kSmtpSendTimeout = 10053;
// The connection was not accepted (or the name not resolved) in `connectMs`.
inline constexpr int kSmtpConnectTimeout = 10061;
// TLS could not be started or the server's certificate was not trusted;
// `LastReply()` holds the reason.
inline constexpr int kSmtpTlsFailed = 10070;
// STARTTLS was asked for and the server does not offer it.
inline constexpr int kSmtpNoStartTls = 10071;
// The server refused the user name or password.
inline constexpr int kSmtpLoginRefused = 10072;
// The server offers neither AUTH PLAIN nor AUTH LOGIN, or a login was asked
// for on a connection without TLS (the password would go in clear).
inline constexpr int kSmtpLoginUnavailable = 10073;

// How the connection to the mail server is protected: not at all (the
// plain session of old), STARTTLS after the greeting (RFC 3207, port 587),
// or TLS from the first byte (RFC 8314, port 465).
enum class SmtpSecurity { None, StartTls, Tls };

// The mail server's port when the setting names none.
int DefaultSmtpPort(SmtpSecurity security);

// "none", "starttls", "tls"; and back, false for any other text.
const char* SmtpSecurityName(SmtpSecurity security);
bool ParseSmtpSecurity(std::string_view text, SmtpSecurity& security);

// What a session over TLS needs: the authorities that certify the server
// (the system's when `caFile` is empty) and the login, none when `user`
// is empty.
struct SmtpTlsLogin {
  SmtpSecurity security = SmtpSecurity::None;
  std::string caFile;
  std::string user;
  std::string password;
};

// How long a session waits, in milliseconds.
struct SmtpTimeouts {
  int connectMs = 30000;  // resolving the server's name, then opening the connection
  int replyMs = 2000;     // each reply; each received piece restarts it
  int sendMs = 60000;     // a send that the server takes nothing of
};

// Written in headers as name " <" address ">", or the address alone.
struct MailAddress {
  std::string name;
  std::string address;
};

// A file to send: its name without folders and its content as base64 text
// in lines of 76 characters, each ended by CR LF.
struct MailAttachment {
  std::string name;
  std::string base64;
};

struct MailMessage {
  MailAddress from;
  std::vector<MailAddress> recipients;
  std::string subject;
  std::string mailer = "Tallowick WebStats";
  MailAddress replyTo;    // written only when its address is not empty
  std::string messageId;  // "<unique@domain>"; written only when not empty
  std::string body;       // dot-stuffed; set through SetBody
  std::vector<MailAttachment> attachments;
};

// The message body with a second "." after every "\n." so that no line of
// it can end the DATA phase.
void SetBody(MailMessage& message, std::string_view text);
void AddRecipient(MailMessage& message, MailAddress address);
void AddAttachment(MailMessage& message, MailAttachment attachment);

// Base64 (RFC 2045 alphabet) with CR LF after every 76 characters and at
// the end.
std::string EncodeBase64Lines(std::string_view data);

// Reads the file at `path` into `attachment`; false, leaving it empty, when
// the file cannot be read.
bool LoadAttachment(MailAttachment& attachment, const std::string& path);

// The header block, ended by an empty line, dated `now` in local time with
// a numeric zone. Line breaks inside the subject, names and addresses are
// removed, as they come from fields the user edits and would otherwise let
// them add header lines.
std::string ComposeHeader(const MailMessage& message, std::time_t now);
std::string ComposeHeader(const MailMessage& message);

// A Message-ID (RFC 5322 3.6.4) for a message from `fromAddress`: 128
// random bits in hex at the sender's domain, "<...@tallowick.invalid>"
// when the address has none.
std::string NewMessageId(std::string_view fromAddress);

// `text` without any CR or LF.
std::string WithoutLineBreaks(std::string_view text);

// A blocking SMTP session over one TCP connection. Without security it
// knows HELO, MAIL FROM, RCPT TO, DATA and QUIT, nothing else. Over TLS
// (SetTlsLogin) it greets with EHLO (HELO when that is refused on a TLS
// connection), starts TLS when asked (STARTTLS, then EHLO again) and logs
// in with AUTH PLAIN or LOGIN (RFC 4954). Every wait is bounded
// (SmtpTimeouts): each reply must begin within `replyMs` of the command,
// and each received piece restarts that time.
class SmtpConnection {
 public:
  SmtpConnection();
  ~SmtpConnection();
  SmtpConnection(const SmtpConnection&) = delete;
  SmtpConnection& operator=(const SmtpConnection&) = delete;

  void SetTlsLogin(SmtpTlsLogin tlsLogin) { tlsLogin_ = std::move(tlsLogin); }
  // `server` is a name or an address (IPv6 without brackets).
  bool Connect(const std::string& server, int port);
  bool Send(const MailMessage& message);
  // Sends QUIT when greeted and closes the socket; false unless the server
  // answered 221.
  bool Disconnect();

  int LastError() const { return lastError_; }
  // The reply that failed (or what had arrived at a time-out).
  const std::string& LastReply() const { return lastReply_; }
  int LastReplyCode() const { return lastReplyCode_; }
  void SetTimeoutMs(int timeoutMs) { timeouts_.replyMs = timeoutMs; }
  void SetTimeouts(const SmtpTimeouts& timeouts) { timeouts_ = timeouts; }
  const SmtpTimeouts& Timeouts() const { return timeouts_; }
  // Whether the last failure may pass if the message is sent again: the
  // connection broke or the server went silent before the message was
  // complete. Not when the server refused something or the message may
  // already have been taken.
  bool FailureIsTransient() const;

 private:
  struct Tls;
  bool SendText(std::string_view text);
  // Receives into `buffer`: the count, 0 when nothing came in `waitMs`, -1
  // on a failure (lastError_ set).
  long Receive(char* buffer, std::size_t capacity, int waitMs);
  bool WaitForReply(int expectedCode);
  bool Command(std::string_view text, int expectedCode);
  bool FailGreeting();
  bool Greet(const std::string& hostName);
  bool StartTls(const std::string& server);
  bool LogIn(std::string_view mechanisms);
  void CloseSocket();

  int socket_ = -1;
  bool greeted_ = false;
  bool dataSent_ = false;
  std::string lastReply_;
  bool OpenSocket(const std::string& server, int port);
  SmtpTimeouts timeouts_;
  SmtpTlsLogin tlsLogin_;
  std::unique_ptr<Tls> tls_;
  int lastReplyCode_ = 0;
  int lastError_ = 0;
};

// The host name and optional ":port" of an `smtpServer` setting;
// `defaultPort` when no port is given. An IPv6 address is written in
// brackets ("[::1]:2525"; the host is then "::1"), or bare without a port.
// False for a port that is not a number from 1 to 65535.
bool SplitSmtpServer(std::string_view setting, std::string& host, int& port, int defaultPort = 25);

// Whether the `smtpServer` setting can be used, checked when it is set so
// that a bad one is not found only when a report is mailed: empty (no mail
// server), or a host and an optional ":" with a port of digits from 1 to
// 65535. The message says what is wrong with the value.
Status CheckSmtpServer(std::string_view setting);

// What went wrong on `connection`, for a user: the server's last reply or
// the reason the socket layer gave.
std::string SmtpFailureText(const SmtpConnection& connection);

}  // namespace tlw
