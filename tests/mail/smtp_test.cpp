#include "mail/smtp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "mail/scripted_smtp_server.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"

namespace tlw {
namespace {

using test::Piece;
using test::Reply;
using test::ScriptedSmtpServer;
using ::testing::Contains;
using ::testing::Not;

struct Base64Case {
  const char* name;
  std::string data;
  std::string encoded;
};

class Base64Test : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64Test, EncodesInLinesOf76) {
  EXPECT_EQ(EncodeBase64Lines(GetParam().data), GetParam().encoded);
}

std::string Bytes(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += static_cast<char>(i);
  return bytes;
}

const std::string kLine57 =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4";

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64Test,
    ::testing::Values(Base64Case{"Empty", "", "\r\n"}, Base64Case{"OnePad", "fo", "Zm8=\r\n"},
                      Base64Case{"TwoPads", "f", "Zg==\r\n"},
                      Base64Case{"HighBytes", "\xff\xfe\xfd", "//79\r\n"},
                      // A full line is followed by its own line end, then the
                      // closing one: an empty line.
                      Base64Case{"FiftySevenBytes", Bytes(57), kLine57 + "\r\n\r\n"},
                      Base64Case{"FiftyEightBytes", Bytes(57) + "A", kLine57 + "\r\nQQ==\r\n"}),
    [](const auto& param) { return param.param.name; });

TEST(SetBodyTest, DoublesTheDotThatBeginsALine) {
  MailMessage message;
  SetBody(message, ".first\r\n.\r\nmid.dle\n..two");
  EXPECT_EQ(message.body, ".first\r\n..\r\nmid.dle\n...two");
}

MailMessage TestMessage() {
  MailMessage message;
  message.from = {"Your Visitor Statistics", "stats@example.org"};
  AddRecipient(message, {"Websitemaster", "web@example.com"});
  AddRecipient(message, {"", "second@example.com"});
  message.subject = "Web Statistics -/- www.example.com";
  SetBody(message, "Hello\r\n.hidden\r\nend");
  return message;
}

TEST(ComposeHeaderTest, LineBreaksInUserFieldsAddNoHeaderLines) {
  MailMessage message;
  message.from = {"Evil\r\nBcc: a@x", "f@x\n"};
  AddRecipient(message, {"", "t@x\r\nBcc: b@x"});
  message.subject = "Hi\r\nBcc: c@x";
  const std::string header = ComposeHeader(message, 0);
  EXPECT_EQ(header.find("\nBcc"), std::string::npos) << header;
  EXPECT_NE(header.find("Subject: HiBcc: c@x\r\n"), std::string::npos);
  EXPECT_NE(header.find("From: EvilBcc: a@x <f@x>\r\n"), std::string::npos);
}

// The date is local time with a numeric zone, as mail readers expect.
TEST(ComposeHeaderTest, WritesTheFixedHeaderDatedInTheLocalZone) {
  MailMessage message = TestMessage();
  message.replyTo = {"", "reply@example.org"};
  const char* old = std::getenv("TZ");
  const std::string saved = old == nullptr ? "UTC" : old;
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const std::string header = ComposeHeader(message, 1796648709);
  setenv("TZ", saved.c_str(), 1);
  tzset();
  EXPECT_EQ(header,
            "From: Your Visitor Statistics <stats@example.org>\r\n"
            "To: Websitemaster <web@example.com>,second@example.com\r\n"
            "Subject: Web Statistics -/- www.example.com\r\n"
            "Date: Mon, 07 Dec 2026 14:05:09 +0100\r\n"
            "X-Mailer: Tallowick WebStats\r\n"
            "Reply-To: reply@example.org\r\n\r\n");
}

TEST(SplitSmtpServerTest, TakesAnOptionalPort) {
  std::string host;
  int port = 0;
  EXPECT_TRUE(SplitSmtpServer("mail.example.org", host, port));
  EXPECT_EQ(host, "mail.example.org");
  EXPECT_EQ(port, 25);
  EXPECT_TRUE(SplitSmtpServer("127.0.0.1:2525", host, port));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 2525);
  EXPECT_TRUE(SplitSmtpServer("[::1]:2525", host, port));
  EXPECT_EQ(host, "::1");
  EXPECT_EQ(port, 2525);
  EXPECT_TRUE(SplitSmtpServer("2001:db8::1", host, port, 587));
  EXPECT_EQ(host, "2001:db8::1");
  EXPECT_EQ(port, 587);
  EXPECT_FALSE(SplitSmtpServer("[::1]x", host, port));
  EXPECT_FALSE(SplitSmtpServer("host:", host, port));
  EXPECT_FALSE(SplitSmtpServer("host:70000", host, port));
  EXPECT_FALSE(SplitSmtpServer("host:25x", host, port));
  // Checked when the setting is made: digits only, a name before them; no
  // server at all is a setting too.
  for (const char* usable : {"", "mail.example.org", "127.0.0.1:1", "h:65535", "h:025"}) {
    EXPECT_TRUE(CheckSmtpServer(usable).ok()) << usable;
  }
  for (const char* unusable : {"h:99999", "h:0", "h:-25", "h:+25", "h: 25", "h:", ":25"}) {
    EXPECT_FALSE(CheckSmtpServer(unusable).ok()) << unusable;
  }
}

// One session against the scripted server: what the client does and what
// the server saw.
struct SessionCase {
  const char* name;
  Reply greeting;
  ScriptedSmtpServer::Answer answer;
  bool connects;
  bool sends;
  int error;  // LastError after the failing step; 0 when all went well
  std::vector<std::string> seen;
  std::vector<std::string> notSeen;
};

class SmtpSessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SmtpSessionTest, Session) {
  const SessionCase& c = GetParam();
  ScriptedSmtpServer server(c.greeting, c.answer);
  {
    SmtpConnection connection;
    const bool connected = connection.Connect("127.0.0.1", server.Port());
    EXPECT_EQ(connected, c.connects);
    if (connected) {
      EXPECT_EQ(connection.Send(TestMessage()), c.sends);
      if (c.sends) {
        EXPECT_TRUE(connection.Disconnect());
      }
    }
    if (!c.connects || !c.sends) {
      EXPECT_EQ(connection.LastError(), c.error);
    }
  }
  const std::vector<std::string> lines = server.Lines();
  for (const std::string& line : c.seen) EXPECT_THAT(lines, Contains(line));
  for (const std::string& line : c.notSeen) EXPECT_THAT(lines, Not(Contains(line)));
}

Reply Greeting() { return {{"220 test ESMTP\r\n"}}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpSessionTest,
    ::testing::Values(
        SessionCase{"RefusingGreetingGetsQuit",
                    {{"421 too busy\r\n"}},
                    nullptr,
                    false,
                    false,
                    kSmtpUnexpectedReply,
                    {"QUIT"},
                    {"MAIL FROM:<stats@example.org>"}},
        SessionCase{"LateHeloReplyTimesOut",
                    Greeting(),
                    [](const std::string& line) {
                      return line.starts_with("HELO ") ? Reply{{"250 late\r\n", 2100}} : Reply{};
                    },
                    false,
                    false,
                    kSmtpReplyTimeout,
                    {},
                    {"MAIL FROM:<stats@example.org>"}},
        // Each piece comes within 2 s of the one before, but the whole
        // replies take longer: the time restarts with every piece.
        SessionCase{
            "RepliesInPiecesAreReadWhole",
            {{"220 split", 0}, {" greeting\r\n", 1300}},
            [](const std::string& line) {
              return line.starts_with("HELO ") ? Reply{{"25", 1300}, {"0 ok\r\n", 1300}} : Reply{};
            },
            true,
            true,
            0,
            {"DATA", "QUIT"},
            {}},
        SessionCase{"MultiLineReplyIsOneReply",
                    {{"220-first\r\n"}, {"220 last\r\n", 200}},
                    nullptr,
                    true,
                    true,
                    0,
                    {"DATA"},
                    {}},
        SessionCase{"RefusedSecondRecipientSendsNoData",
                    Greeting(),
                    [](const std::string& line) {
                      return line == "RCPT TO:<second@example.com>"
                                 ? Reply{{"550 no such user\r\n"}}
                                 : Reply{};
                    },
                    true,
                    false,
                    kSmtpCommandRefused,
                    {"RCPT TO:<web@example.com>", "RCPT TO:<second@example.com>", "QUIT"},
                    {"DATA"}}),
    [](const auto& param) { return param.param.name; });

// The header a sent TestMessage() begins with, its date made fixed.
constexpr const char* kSentHeader =
    "From: Your Visitor Statistics <stats@example.org>\r\n"
    "To: Websitemaster <web@example.com>,second@example.com\r\n"
    "Subject: Web Statistics -/- www.example.com\r\n"
    "Date: D\r\n"
    "X-Mailer: Tallowick WebStats\r\n";

// The whole DATA text of a message, with its date made fixed.
std::string SentData(const MailMessage& message) {
  ScriptedSmtpServer server(Greeting());
  SmtpConnection connection;
  EXPECT_TRUE(connection.Connect("127.0.0.1", server.Port()));
  EXPECT_TRUE(connection.Send(message));
  connection.Disconnect();
  return std::regex_replace(server.Data(), std::regex("Date: [^\r]*"), "Date: D");
}

TEST(SmtpSendTest, WithoutAttachmentsTheBodyFollowsThePlainHeader) {
  EXPECT_EQ(SentData(TestMessage()), std::string(kSentHeader) + "\r\nHello\r\n..hidden\r\nend");
}

TEST(SmtpSendTest, AttachmentsFollowTheTextPartInBase64) {
  test::TempDir dir;
  MailMessage message = TestMessage();
  MailAttachment attachment;
  ASSERT_TRUE(LoadAttachment(attachment, dir.Write("report.html", Bytes(57)).string()));
  AddAttachment(message, attachment);
  MailAttachment missing{"x", "y"};
  EXPECT_FALSE(LoadAttachment(missing, (dir / "none.html").string()));
  AddAttachment(message, missing);
  EXPECT_EQ(SentData(message), std::string(kSentHeader) +
                                   "MIME-Version: 1.0\r\n"
                                   "Content-type: multipart/mixed; boundary=\"#BOUNDARY#\"\r\n"
                                   "\r\n"
                                   "\r\n--#BOUNDARY#\r\n"
                                   "Content-Type: text/plain; charset=utf-8\r\n"
                                   "Content-Transfer-Encoding: 8bit\r\n\r\n"
                                   "Hello\r\n..hidden\r\nend"
                                   "\r\n\r\n--#BOUNDARY#\r\n"
                                   "Content-Type: application/octet-stream; name=report.html\r\n"
                                   "Content-Transfer-Encoding: base64\r\n"
                                   "Content-Disposition: attachment; filename=report.html\r\n\r\n" +
                                   kLine57 +
                                   "\r\n\r\n"
                                   "\r\n\r\n--#BOUNDARY#\r\n"
                                   "Content-Type: application/octet-stream; name=\r\n"
                                   "Content-Transfer-Encoding: base64\r\n"
                                   "Content-Disposition: attachment; filename=\r\n\r\n"
                                   "\r\n--#BOUNDARY#--");
}

TEST(SmtpConnectTest, ClosedPortAndUnknownNameFail) {
  int port = 0;
  {
    ScriptedSmtpServer server(Greeting());
    port = server.Port();
    SmtpConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", port));
  }
  SmtpConnection connection;
  EXPECT_FALSE(connection.Connect("127.0.0.1", port));
  EXPECT_EQ(connection.LastError(), ECONNREFUSED);
  EXPECT_TRUE(connection.FailureIsTransient());
  EXPECT_FALSE(connection.Connect("no-such-host.invalid", 25));
  EXPECT_EQ(connection.LastError(), kSmtpNameNotResolved);
  EXPECT_FALSE(connection.FailureIsTransient());
}

// A session with a hosted submission server (aiosmtpd on loopback with a
// throwaway certificate) that wants TLS and a login before any mail.
struct TlsCase {
  const char* name;
  const char* serverMode;  // "starttls" or "tls"
  SmtpSecurity security;
  const char* user;
  const char* password;
  bool trustCertificate;
  bool connects;
  bool sends;
  int error;
  const char* text;
};

class SmtpTlsTest : public ::testing::TestWithParam<TlsCase> {};

TEST_P(SmtpTlsTest, HostedServer) {
  const TlsCase& c = GetParam();
  test::TempDir work;
  const std::string cert = test::MakeCertificate(work);
  ASSERT_FALSE(cert.empty());
  const auto server = test::StartSmtpServer(work, c.serverMode, cert, work / "maildir");
  ASSERT_NE(server->port(), 0);
  SmtpConnection connection;
  connection.SetTlsLogin({.security = c.security,
                          .caFile = c.trustCertificate ? (work / "cert.pem").string() : "",
                          .user = c.user,
                          .password = c.password});
  const bool connected = connection.Connect("127.0.0.1", server->port());
  EXPECT_EQ(connected, c.connects) << SmtpFailureText(connection);
  const bool sent = connected && connection.Send(TestMessage());
  EXPECT_EQ(sent, c.sends) << SmtpFailureText(connection);
  if (!sent) {
    EXPECT_EQ(connection.LastError(), c.error);
    EXPECT_THAT(SmtpFailureText(connection), ::testing::HasSubstr(c.text));
    EXPECT_FALSE(connection.FailureIsTransient());
  }
  connection.Disconnect();
  std::error_code none;
  const auto delivered =
      std::distance(std::filesystem::directory_iterator(work / "maildir" / "new", none),
                    std::filesystem::directory_iterator());
  EXPECT_EQ(delivered, c.sends ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpTlsTest,
    ::testing::Values(
        TlsCase{"StartTlsAndLogin", "starttls", SmtpSecurity::StartTls, test::kFtpUser,
                test::kFtpPassword, true, true, true, 0, ""},
        TlsCase{"TlsOnConnectAndLogin", "tls", SmtpSecurity::Tls, test::kFtpUser,
                test::kFtpPassword, true, true, true, 0, ""},
        TlsCase{"RefusedPassword", "starttls", SmtpSecurity::StartTls, test::kFtpUser, "wrong",
                true, false, false, kSmtpLoginRefused, "refused the user name or password"},
        TlsCase{"PlainSessionIsRefused", "starttls", SmtpSecurity::None, "", "", true, false, false,
                kSmtpUnexpectedReply, "530 Must issue a STARTTLS command first"},
        TlsCase{"NoLoginInClear", "starttls", SmtpSecurity::None, test::kFtpUser,
                test::kFtpPassword, true, false, false, kSmtpLoginUnavailable, "a login needs TLS"},
        TlsCase{"UntrustedCertificate", "starttls", SmtpSecurity::StartTls, test::kFtpUser,
                test::kFtpPassword, false, false, false, kSmtpTlsFailed,
                "certificate is not trusted"}),
    [](const auto& param) { return std::string(param.param.name); });

// A listening socket on 127.0.0.1 whose connections are served by `serve`
// (or never accepted when it is empty), for servers that stall.
class StallingServer {
 public:
  StallingServer(int backlog, std::function<void(int client, const std::atomic<bool>& done)> serve)
      : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    port_ = test::BindLoopback(listener_);
    ::listen(listener_, backlog);
    if (serve) {
      thread_ = std::thread([this, serve] {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client >= 0) serve(client, done_);
        if (client >= 0) ::close(client);
      });
    }
  }
  ~StallingServer() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    for (const int fd : fillers_) ::close(fd);
    ::close(listener_);
  }
  StallingServer(const StallingServer&) = delete;
  StallingServer& operator=(const StallingServer&) = delete;

  int Port() const { return port_; }
  // Connects once without sending anything, taking a place in the backlog.
  void Fill() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers_.push_back(fd);
  }

 private:
  int listener_;
  int port_ = 0;
  std::atomic<bool> done_{false};
  std::thread thread_;
  std::vector<int> fillers_;
};

// Answers every command line until DATA, then reads nothing more.
void AnswerUntilData(int client, const std::atomic<bool>& done) {
  auto say = [client](std::string_view text) {
    ::send(client, text.data(), text.size(), MSG_NOSIGNAL);
  };
  say("220 ready\r\n");
  std::string received;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    received.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = received.find("\r\n")) != std::string::npos;) {
      const std::string line = received.substr(0, end);
      received.erase(0, end + 2);
      if (line == "DATA") {
        say("354 go ahead\r\n");
        while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return;
      }
      say("250 ok\r\n");
    }
  }
}

struct StallCase {
  const char* name;
  int backlog;
  bool fillBacklog;  // a SYN beyond the backlog is dropped: connect() hangs
  std::function<void(int, const std::atomic<bool>&)> serve;
  bool connects;
  int error;
  const char* text;
};

class SmtpStallTest : public ::testing::TestWithParam<StallCase> {};

// Every wait of a session is bounded: a server that stops at any point is
// given up within its time-out, and the failure says which wait ran out.
TEST_P(SmtpStallTest, GivesUpWithinTheTimeOut) {
  const StallCase& c = GetParam();
  StallingServer server(c.backlog, c.serve);
  if (c.fillBacklog) server.Fill();
  SmtpConnection connection;
  connection.SetTimeouts({.connectMs = 400, .replyMs = 300, .sendMs = 500});
  MailMessage message = TestMessage();
  // More than the socket buffers on both sides hold.
  AddAttachment(message, MailAttachment{"big.html", std::string(std::size_t{48} << 20, 'A')});

  const auto start = std::chrono::steady_clock::now();
  const bool connected = connection.Connect("127.0.0.1", server.Port());
  const bool sent = connected && connection.Send(message);
  connection.Disconnect();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  EXPECT_EQ(connected, c.connects);
  EXPECT_FALSE(sent);
  EXPECT_EQ(connection.LastError(), c.error);
  EXPECT_THAT(SmtpFailureText(connection), ::testing::HasSubstr(c.text));
  EXPECT_LT(seconds, 2.5);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, SmtpStallTest,
    ::testing::Values(StallCase{"NeverAccepts", 0, true, nullptr, false, kSmtpConnectTimeout,
                                "did not accept a connection within 0.4 seconds"},
                      StallCase{"AcceptsAndNeverGreets", 4, false, nullptr, false,
                                kSmtpReplyTimeout, "did not answer within 0.3 seconds"},
                      StallCase{"StopsReadingTheMessage", 4, false, &AnswerUntilData, true,
                                kSmtpSendTimeout, "took nothing of the message for 0.5 seconds"}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tlw
