#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tlw::test {

// A fresh folder under the system temporary directory, removed with its
// contents when the object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a file inside the folder.
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
  // Writes `content` to `name` inside the folder and returns its path.
  std::filesystem::path Write(std::string_view name, std::string_view content) const;

 private:
  std::filesystem::path path_;
};

// Whole content of a file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace tlw::test
