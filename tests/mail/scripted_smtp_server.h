#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_servers.h"

namespace tlw::test {

// Text the server sends after waiting `delayMs`.
struct Piece {
  std::string text;
  int delayMs = 0;
};
using Reply = std::vector<Piece>;

// An SMTP server on 127.0.0.1 for one session. It sends `greeting`, then
// answers each command line through `answer` (by default 250, 354 to DATA
// and 221 to QUIT) and, after a 354, takes the data up to "\r\n.\r\n" and
// answers it as the line "." would be answered.
class ScriptedSmtpServer {
 public:
  using Answer = std::function<Reply(const std::string& line)>;

  explicit ScriptedSmtpServer(Reply greeting, Answer answer = nullptr)
      : greeting_(std::move(greeting)), answer_(std::move(answer)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    port_ = BindLoopback(listener_);
    ::listen(listener_, 1);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedSmtpServer() {
    thread_.join();
    ::close(listener_);
  }
  ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
  ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

  int Port() const { return port_; }
  // The command lines received, without CR LF; call after the session.
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // The DATA text received, up to and without the final "\r\n.\r\n".
  std::string Data() {
    std::lock_guard lock(mutex_);
    return data_;
  }

 private:
  static Reply DefaultAnswer(const std::string& line) {
    if (line == "DATA") return {{"354 go ahead\r\n"}};
    if (line == "QUIT") return {{"221 bye\r\n"}};
    return {{"250 ok\r\n"}};
  }

  void Say(int client, const Reply& reply) {
    for (const Piece& piece : reply) {
      std::this_thread::sleep_for(std::chrono::milliseconds(piece.delayMs));
      ::send(client, piece.text.data(), piece.text.size(), MSG_NOSIGNAL);
    }
  }

  void Serve() {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 10000) != 1) return;
    const int client = ::accept(listener_, nullptr, nullptr);
    Say(client, greeting_);
    std::string pending;
    bool inData = false;
    char buffer[4096];
    while (true) {
      pollfd readable{client, POLLIN, 0};
      if (::poll(&readable, 1, 10000) != 1) break;
      const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(got));
      while (true) {
        std::string line;
        if (inData) {
          const std::size_t end = pending.find("\r\n.\r\n");
          if (end == std::string::npos) break;
          {
            std::lock_guard lock(mutex_);
            data_ = pending.substr(0, end);
          }
          pending.erase(0, end + 5);
          inData = false;
          line = ".";
        } else {
          const std::size_t end = pending.find("\r\n");
          if (end == std::string::npos) break;
          line = pending.substr(0, end);
          pending.erase(0, end + 2);
          std::lock_guard lock(mutex_);
          lines_.push_back(line);
        }
        const Reply reply = answer_ ? answer_(line) : DefaultAnswer(line);
        Say(client, reply.empty() ? DefaultAnswer(line) : reply);
        if (line == "DATA" && (reply.empty() ? DefaultAnswer(line) : reply)[0].text[0] == '3') {
          inData = true;
        }
      }
    }
    ::close(client);
  }

  Reply greeting_;
  Answer answer_;
  int listener_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::string data_;
  std::thread thread_;
};

}  // namespace tlw::test
