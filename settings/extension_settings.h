#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "settings/settings.h"

namespace tlw {

// Program options added after the settings file's layout was fixed. They
// live in a text file beside it, one "key=value" per line, so that the
// settings file keeps its exact layout; both programs read and write it.
inline constexpr std::string_view kExtensionSettingsFileName = "Tallowick.Extensions";

struct ExtensionSettings {
  // Addresses not resolved to names count under their country from a GeoIP
  // database.
  bool geoipCountries = true;
  // A MaxMind or DB-IP .mmdb country database to use instead of Debian's;
  // empty for Debian's.
  std::string geoipDatabase;
  // How mail reaches the server: "none", "starttls" or "tls"; the login
  // (no user: none), and where its password is kept: a file that only its
  // owner may read, or a command that prints it (as msmtp's passwordeval).
  std::string smtpSecurity = "none";
  std::string smtpUser{};
  std::string smtpPasswordFile{};
  std::string smtpPasswordCommand{};
  // An SSH private key offered to SFTP servers before ~/.ssh's.
  std::string sshKeyFile{};
  // Saved sites also write the modern view beside their report.
  bool modernView = true;
  // The user's own robot patterns, added to the installed ones.
  std::string robotPatternsFile{};
  // Saved sites keep what they counted of logfiles rotated away.
  bool keepLogHistory = false;

  bool operator==(const ExtensionSettings&) const = default;
};

// One key of the file: its name and how its value is read and written.
struct ExtensionKey {
  std::string_view name;
  std::string (*get)(const ExtensionSettings& values);
  // Fails, changing nothing, when `text` is no value of the key.
  Status (*set)(ExtensionSettings& values, std::string_view text);
};

// The keys, in file order.
std::span<const ExtensionKey> ExtensionKeys();
// The key named `name`; null for none.
const ExtensionKey* FindExtensionKey(std::string_view name);

struct ExtensionSettingsLoad {
  ExtensionSettings values;
  // Lines that could not be used (no "=", a bad value), one message each
  // naming the file and line; those lines keep their defaults.
  std::vector<std::string> warnings;
};

// Where the extension settings of a program directory live.
std::filesystem::path ExtensionSettingsPath(const std::filesystem::path& directory);

// Reads the extension settings of `directory`; a missing file gives the
// defaults. Blank lines and lines starting with "#" are comments; keys this
// program does not know are skipped. Fails only when the file exists but
// cannot be read.
Result<ExtensionSettingsLoad> LoadExtensionSettings(const std::filesystem::path& directory);

// Writes `values` into the extension settings of `directory`, atomically.
// The file is read again first: the lines of the keys of ExtensionKeys()
// are replaced, every other line (comments, keys of other versions, damaged
// lines) is kept as it is. Fails with a message naming the file and why.
// Callers hold the settings file's lock (LockSettingsFile).
Status SaveExtensionSettings(const std::filesystem::path& directory,
                             const ExtensionSettings& values);

// Writes into the extension settings of `directory` only the keys whose
// value differs between `base` (what the caller loaded) and `values`, so
// that what another program saved meanwhile in the other keys stays.
// Returns the settings the file then holds. Fails as SaveExtensionSettings.
Result<ExtensionSettings> SaveExtensionSettingsChanges(const std::filesystem::path& directory,
                                                       const ExtensionSettings& base,
                                                       const ExtensionSettings& values);

// Copies what a run reads of the extension settings into `run`.
void ApplyExtensionSettings(const ExtensionSettings& values, RunSettings& run);

}  // namespace tlw
