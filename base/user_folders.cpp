#include "base/user_folders.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace tlw {
namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  // The reentrant look-up: a desktop front end may ask from several threads.
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> text{};
  if (::getpwuid_r(::getuid(), &entry, text.data(), text.size(), &found) == 0 && found != nullptr &&
      entry.pw_dir != nullptr) {
    return entry.pw_dir;
  }
  return {};
}

// An XDG folder: the variable when it names an absolute path (desktops
// ignore relative ones, so a stray value cannot move the files into the
// current folder), else `fallback` under the home folder; empty without either.
std::string XdgFolder(const char* variable, const std::string& home, const char* fallback) {
  if (const char* value = std::getenv(variable); value != nullptr && *value == '/') return value;
  return home.empty() ? std::string() : home + fallback;
}

}  // namespace

UserFolders UserFoldersOfProcess() {
  UserFolders folders;
  folders.home = HomeFolder();
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/') {
    folders.cache = cache;
  } else if (!folders.home.empty()) {
    folders.cache = folders.home + "/.cache";
  } else {
    std::error_code error;
    folders.cache = std::filesystem::temp_directory_path(error).string();
  }
  folders.data = XdgFolder("XDG_DATA_HOME", folders.home, "/.local/share");
  folders.state = XdgFolder("XDG_STATE_HOME", folders.home, "/.local/state");
  if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle != nullptr) {
    folders.caBundle = bundle;
  }
  return folders;
}

}  // namespace tlw
