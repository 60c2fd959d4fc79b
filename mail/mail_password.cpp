#include "mail/mail_password.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

Result<std::string> PasswordOfCommand(const std::string& command) {
  const std::string failure = "Cannot get the mail password from the command " + command + ": ";
  std::FILE* pipe = ::popen(command.c_str(), "re");
  if (pipe == nullptr) return Status::Error(failure + std::strerror(errno));
  std::string text;
  char buffer[1024];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (text.size() < kPasswordLimit) text.append(buffer, count);
  }
  const int status = ::pclose(pipe);
  if (status == -1) return Status::Error(failure + std::strerror(errno));
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

Result<std::string> ReadMailPassword(const std::string& file, const std::string& command) {
  if (!file.empty() && !command.empty()) {
    return Status::Error(
        "Cannot choose the mail password: both smtpPasswordFile and smtpPasswordCommand are set");
  }
  if (!file.empty()) return PasswordOfFile(file);
  if (!command.empty()) return PasswordOfCommand(command);
  return Status::Error(
      "Cannot log in to the mail server: smtpUser is set but neither smtpPasswordFile nor "
      "smtpPasswordCommand");
}

}  // namespace tlw
