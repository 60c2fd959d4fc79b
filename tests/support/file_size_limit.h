#pragma once

#include <sys/resource.h>

#include <csignal>

namespace tlw::test {

// Limits the size of files this process writes to `bytes` while it lives,
// so that a write fails as on a full disk (SIGXFSZ is ignored meanwhile:
// the write then fails with EFBIG instead of ending the process).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit small = saved_;
    small.rlim_cur = bytes;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    applied_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  // Whether the limit is in force.
  bool Applied() const { return applied_; }

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = SIG_DFL;
  bool applied_ = false;
};

}  // namespace tlw::test
