#include "mail/mail_password.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace tlw {
namespace {

constexpr std::size_t kPasswordLimit = 4096;

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

Result<std::string> PasswordOfFile(const std::string& file) {
  const std::string failure = "Cannot use the mail password file " + file + ": ";
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return Status::Error(failure + std::strerror(errno));
  struct stat info {};
  std::string text;
  Status status = Status::Ok();
  if (::fstat(fd, &info) != 0) {
    status = Status::Error(failure + std::strerror(errno));
  } else if (!S_ISREG(info.st_mode)) {
    status = Status::Error(failure + "it is not a regular file");
  } else if ((info.st_mode & 077) != 0) {
    status = Status::Error(failure + "others may read or change it (mode " +
                           ModeText(info.st_mode) + "); make it the owner's alone (chmod 600)");
  } else {
    char buffer[kPasswordLimit];
    ssize_t count = 0;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < kPasswordLimit) {
      text.append(buffer, static_cast<std::size_t>(count));
    }
    if (count < 0) status = Status::Error(failure + std::strerror(errno));
  }
  ::close(fd);
  if (!status.ok()) return status;
  return FirstLine(text);
}

// Runs `command` by /bin/sh with no input (a command that asks for a
// passphrase reads end of file instead of waiting) and reads what it
// prints, for `timeout` at most: a mail must not wait forever for it.
Result<std::string> PasswordOfCommand(const std::string& command,
                                      std::chrono::milliseconds timeout) {
  const std::string failure = "Cannot get the mail password from the command " + command + ": ";
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) return Status::Error(failure + std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  std::string shell = "/bin/sh", flag = "-c", script = command;
  char* argv[] = {shell.data(), flag.data(), script.data(), nullptr};
  // A group of its own, so that a late command goes with what it started.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, "/bin/sh", &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(output[1]);
  if (spawned != 0) {
    ::close(output[0]);
    return Status::Error(failure + std::strerror(spawned));
  }
  std::string text;
  bool late = false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{output[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0) {
      late = true;
      break;
    }
    char buffer[1024];
    const ssize_t count = ::read(output[0], buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    if (text.size() < kPasswordLimit) text.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(output[0]);
  if (late) ::kill(-child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (late) {
    return Status::Error(failure + "it printed no password within " +
                         std::to_string(timeout.count() / 1000.0).substr(0, 4) + " seconds");
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return Status::Error(
        failure + (WIFEXITED(status) ? "it ended with status " + std::to_string(WEXITSTATUS(status))
                                     : std::string("it was killed")));
  }
  std::string password = FirstLine(text);
  if (password.empty()) return Status::Error(failure + "it printed no password");
  return password;
}

}  // namespace

Result<std::string> ReadMailPassword(const std::string& file, const std::string& command,
                                     std::chrono::milliseconds timeout) {
  if (!file.empty() && !command.empty()) {
    return Status::Error(
        "Cannot choose the mail password: both smtpPasswordFile and smtpPasswordCommand are set");
  }
  if (!file.empty()) return PasswordOfFile(file);
  if (!command.empty()) return PasswordOfCommand(command, timeout);
  return Status::Error(
      "Cannot log in to the mail server: smtpUser is set but neither smtpPasswordFile nor "
      "smtpPasswordCommand");
}

}  // namespace tlw
