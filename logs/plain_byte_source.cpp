#include "logs/plain_byte_source.h"

#include <cerrno>
#include <system_error>

#include <unistd.h>

namespace tlw {

std::size_t PlainByteSource::Read(char* dest, std::size_t capacity) {
  if (ended_) return 0;
  while (true) {
    const ssize_t got = ::read(fd_, dest, capacity);
    if (got > 0) return static_cast<std::size_t>(got);
    if (got < 0 && errno == EINTR) continue;
    ended_ = true;
    if (got < 0) {
      end_.kind = SourceEnd::Kind::Failed;
      end_.message =
          "Error reading logfile " + name_ + ": " + std::generic_category().message(errno);
    }
    return 0;
  }
}

}  // namespace tlw
