#include "logs/plain_byte_source.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <unistd.h>

namespace tlw {

std::size_t PlainByteSource::Read(char* dest, std::size_t capacity) {
  if (ended_) return 0;
  if (ranged_) capacity = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, to_ - at_));
  while (true) {
    const ssize_t got = capacity == 0 ? 0
                        : ranged_     ? ::pread(fd_, dest, capacity, static_cast<off_t>(at_))
                                      : ::read(fd_, dest, capacity);
    if (got > 0) {
      at_ += static_cast<std::uint64_t>(got);
      return static_cast<std::size_t>(got);
    }
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
