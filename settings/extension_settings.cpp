#include "settings/extension_settings.h"

#include <array>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "base/atomic_file.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader =
    "# Tallowick extension settings: one key=value per line, read and written by tallowick\n"
    "# and tallowick-cli (see \"tallowick-cli options\"). Unknown keys are kept.\n";

Status SetFlag(bool& flag, std::string_view text) {
  if (text == "1") {
    flag = true;
  } else if (text == "0") {
    flag = false;
  } else {
    return Status::Error("\"" + std::string(text) + "\" is not 0 or 1");
  }
  return Status::Ok();
}

Status SetText(std::string& field, std::string_view text) {
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    return Status::Error("a value cannot hold a line break");
  }
  field = std::string(text);
  return Status::Ok();
}

// A text key of ExtensionSettings, read and written as it is.
template <std::string ExtensionSettings::*field>
constexpr ExtensionKey TextKey(std::string_view name) {
  return ExtensionKey{
      name,
      [](const ExtensionSettings& values) { return values.*field; },
      [](ExtensionSettings& values, std::string_view text) { return SetText(values.*field, text); },
  };
}

template <bool ExtensionSettings::*field>
constexpr ExtensionKey FlagKey(std::string_view name) {
  return ExtensionKey{
      name,
      [](const ExtensionSettings& values) { return std::string(values.*field ? "1" : "0"); },
      [](ExtensionSettings& values, std::string_view text) { return SetFlag(values.*field, text); },
  };
}

constexpr std::array kKeys{
    FlagKey<&ExtensionSettings::geoipCountries>("geoipCountries"),
    ExtensionKey{
        "geoipDatabase",
        [](const ExtensionSettings& values) { return values.geoipDatabase; },
        [](ExtensionSettings& values, std::string_view text) {
          if (text.find_first_of("\r\n") != std::string_view::npos) {
            return Status::Error("a file name cannot hold a line break");
          }
          values.geoipDatabase = std::string(text);
          return Status::Ok();
        },
    },
    ExtensionKey{
        "smtpSecurity",
        [](const ExtensionSettings& values) { return values.smtpSecurity; },
        [](ExtensionSettings& values, std::string_view text) {
          if (text != "none" && text != "starttls" && text != "tls") {
            return Status::Error("\"" + std::string(text) + "\" is not none, starttls or tls");
          }
          values.smtpSecurity = std::string(text);
          return Status::Ok();
        },
    },
    TextKey<&ExtensionSettings::smtpUser>("smtpUser"),
    TextKey<&ExtensionSettings::smtpPasswordFile>("smtpPasswordFile"),
    TextKey<&ExtensionSettings::smtpPasswordCommand>("smtpPasswordCommand"),
    TextKey<&ExtensionSettings::sshKeyFile>("sshKeyFile"),
    FlagKey<&ExtensionSettings::modernView>("modernView"),
    TextKey<&ExtensionSettings::robotPatternsFile>("robotPatternsFile"),
    FlagKey<&ExtensionSettings::keepLogHistory>("keepLogHistory"),
};

std::string_view Trimmed(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t\r");
  return text.substr(start, end - start + 1);
}

bool IsComment(std::string_view line) {
  const std::string_view trimmed = Trimmed(line);
  return trimmed.empty() || trimmed.front() == '#';
}

// The key of a "key=value" line; empty for a comment or a line without "=".
std::string_view KeyOf(std::string_view line) {
  if (IsComment(line)) return {};
  const std::size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : Trimmed(line.substr(0, equals));
}

// The file's text; empty when there is none. Fails when it cannot be read.
Result<std::string> ReadText(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) {
    // A link to nothing is no missing file: saving would fail on it.
    if (fs::is_symlink(fs::symlink_status(path, error))) {
      return Status::Error("Cannot read " + path.string() + ": it is a link to " +
                           fs::read_symlink(path, error).string() + ", which does not exist");
    }
    return std::string();
  }
  if (status.type() != fs::file_type::regular) {
    return Status::Error("Cannot read " + path.string() + ": not a regular file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Error("Cannot read " + path.string());
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Status::Error("Cannot read " + path.string());
  return text;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

std::span<const ExtensionKey> ExtensionKeys() { return kKeys; }

const ExtensionKey* FindExtensionKey(std::string_view name) {
  for (const ExtensionKey& key : kKeys) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

fs::path ExtensionSettingsPath(const fs::path& directory) {
  return directory / kExtensionSettingsFileName;
}

Result<ExtensionSettingsLoad> LoadExtensionSettings(const fs::path& directory) {
  const fs::path path = ExtensionSettingsPath(directory);
  Result<std::string> text = ReadText(path);
  if (!text.ok()) return text.status();
  ExtensionSettingsLoad load;
  const std::vector<std::string_view> lines = Lines(*text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (IsComment(line)) continue;
    const std::string where = path.string() + " line " + std::to_string(i + 1) + ": ";
    const std::string_view key = KeyOf(line);
    if (key.empty()) {
      load.warnings.push_back(where + "not a key=value line; ignored");
      continue;
    }
    const ExtensionKey* known = FindExtensionKey(key);
    if (known == nullptr) continue;  // a key of another version of the programs
    const std::string_view value = Trimmed(line.substr(line.find('=') + 1));
    if (Status set = known->set(load.values, value); !set.ok()) {
      load.warnings.push_back(where + std::string(key) + ": " + set.message() + "; ignored");
    }
  }
  return load;
}

Status SaveExtensionSettings(const fs::path& directory, const ExtensionSettings& values) {
  const fs::path path = ExtensionSettingsPath(directory);
  Result<std::string> old = ReadText(path);
  if (!old.ok()) return old.status();
  std::string text = old->empty() ? std::string(kHeader) : std::string();
  std::array<bool, kKeys.size()> written{};
  const auto keyLine = [&values](const ExtensionKey& key) {
    return std::string(key.name) + "=" + key.get(values) + "\n";
  };
  for (const std::string_view line : Lines(*old)) {
    const std::string_view key = KeyOf(line);
    const ExtensionKey* known = key.empty() ? nullptr : FindExtensionKey(key);
    if (known == nullptr) {
      text.append(line).append("\n");
      continue;
    }
    // The first line of a key takes its value; later ones went unread.
    const std::size_t index = static_cast<std::size_t>(known - kKeys.data());
    if (!written[index]) text += keyLine(*known);
    written[index] = true;
  }
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (!written[i]) text += keyLine(kKeys[i]);
  }
  // The file is saved where a link in its place leads, as the settings file is.
  return WriteFileAtomically(path, text, FileAccess::kKeepOrUmask, Durability::kFlushed,
                             LinkPolicy::kFollowLink);
}

Result<ExtensionSettings> SaveExtensionSettingsChanges(const fs::path& directory,
                                                       const ExtensionSettings& base,
                                                       const ExtensionSettings& values) {
  Result<ExtensionSettingsLoad> now = LoadExtensionSettings(directory);
  if (!now.ok()) return now.status();
  ExtensionSettings merged = now->values;
  for (const ExtensionKey& key : kKeys) {
    const std::string value = key.get(values);
    if (value != key.get(base)) (void)key.set(merged, value);
  }
  if (Status saved = SaveExtensionSettings(directory, merged); !saved.ok()) return saved;
  return merged;
}

void ApplyExtensionSettings(const ExtensionSettings& values, RunSettings& run) {
  run.geoipCountries = values.geoipCountries;
  run.geoipDatabase = values.geoipDatabase;
  run.smtpSecurity = values.smtpSecurity;
  run.smtpUser = values.smtpUser;
  run.smtpPasswordFile = values.smtpPasswordFile;
  run.smtpPasswordCommand = values.smtpPasswordCommand;
  run.sshKeyFile = values.sshKeyFile;
  run.modernView = values.modernView;
  run.robotPatternsFile = values.robotPatternsFile;
  run.keepLogHistory = values.keepLogHistory;
}

}  // namespace tlw
