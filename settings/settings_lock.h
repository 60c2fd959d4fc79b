#pragma once

#include <filesystem>
#include <string_view>

#include "base/result.h"

namespace tlw {

// The lock file beside the settings file. It holds nothing; only its lock
// counts.
inline constexpr std::string_view kSettingsLockFileName = "Tallowick.Settings.lock";

// An advisory lock (flock) on the settings file of one program directory.
// Every process that reads, changes and writes the file holds it from the
// read to the write, so that two of them never save over each other's
// changes. Released when the object goes or by Release().
class SettingsLock {
 public:
  SettingsLock() = default;  // holds no lock
  ~SettingsLock() { Release(); }
  SettingsLock(SettingsLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  SettingsLock& operator=(SettingsLock&& other) noexcept;
  SettingsLock(const SettingsLock&) = delete;
  SettingsLock& operator=(const SettingsLock&) = delete;

  void Release();

 private:
  friend Result<SettingsLock> LockSettingsFile(const std::filesystem::path& directory);
  explicit SettingsLock(int fd) : fd_(fd) {}

  int fd_ = -1;
};

// Takes the lock of the settings file in `directory`, waiting while another
// process holds it. In a folder where this user may not create the lock file
// the lock holds nothing: such a folder cannot take a new settings file from
// this user either, and other writers replace the file whole, so reading it
// stays safe. Fails for any other reason, naming the lock file.
Result<SettingsLock> LockSettingsFile(const std::filesystem::path& directory);

}  // namespace tlw
