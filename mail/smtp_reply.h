#pragma once

#include <string_view>

namespace tlw {

// A reply as the SMTP client reports it: the text without its final CR LF,
// and the number of its first three characters (0 when they hold none).
struct SmtpReply {
  std::string_view text;
  int code = 0;
};

// Whether `received` holds a complete reply: it ends a line with CR LF, and
// that line's code is not followed by "-" (the last line of a multi-line
// reply).
bool SmtpReplyComplete(std::string_view received);

// The reply in `received`, complete or not (a reply cut short by a
// time-out or a full buffer is reported as it arrived).
SmtpReply ReadSmtpReply(std::string_view received);

}  // namespace tlw
