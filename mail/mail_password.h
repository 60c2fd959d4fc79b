#pragma once

#include <chrono>
#include <string>

#include "base/result.h"

namespace tlw {

// The mail server's password, kept outside the settings: the first line of
// `file`, which must be a regular file that only its owner may read or
// write (as ssh asks of a key), or else the first line that `command`
// prints when run by /bin/sh (as msmtp's passwordeval), with no input and
// within `timeout`. Fails, naming the file or the command and the reason,
// when it cannot be read, is open to others, or the command fails or takes
// longer; fails too when both or neither are given.
Result<std::string> ReadMailPassword(const std::string& file, const std::string& command,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace tlw
