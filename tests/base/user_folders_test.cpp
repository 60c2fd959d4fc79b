#include "base/user_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace tlw {
namespace {

// Sets an environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (previous_) {
      ::setenv(name_, previous_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(UserFolders, CacheFollowsTheXdgRuleAndHome) {
  const ScopedVariable home("HOME", "/home/someone");
  {
    const ScopedVariable cache("XDG_CACHE_HOME", "/var/cache/someone");
    EXPECT_EQ(UserFoldersOfProcess().home, "/home/someone");
    EXPECT_EQ(UserFoldersOfProcess().cache, "/var/cache/someone");
  }
  // A relative XDG_CACHE_HOME is invalid and ignored, as the XDG rule says.
  const ScopedVariable cache("XDG_CACHE_HOME", "relative");
  EXPECT_EQ(UserFoldersOfProcess().cache, "/home/someone/.cache");
}

}  // namespace
}  // namespace tlw
