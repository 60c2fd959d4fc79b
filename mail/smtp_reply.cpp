#include "mail/smtp_reply.h"

#include <charconv>

namespace tlw {

bool SmtpReplyComplete(std::string_view received) {
  if (received.size() < 2 || received.substr(received.size() - 2) != "\r\n") return false;
  const std::size_t start = received.rfind("\r\n", received.size() - 3);
  const std::string_view last =
      received.substr(start == std::string_view::npos ? 0 : start + 2, received.size());
  return last.size() < 4 || last[3] != '-';
}

SmtpReply ReadSmtpReply(std::string_view received) {
  SmtpReply reply;
  reply.text = received;
  if (reply.text.ends_with("\r\n")) reply.text.remove_suffix(2);
  const std::string_view digits = reply.text.substr(0, 3);
  std::from_chars(digits.data(), digits.data() + digits.size(), reply.code);
  return reply;
}

}  // namespace tlw
