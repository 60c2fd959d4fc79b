#pragma once

#include <filesystem>
#include <string_view>

#include "base/result.h"

namespace tlw {

// Whether `path` names an existing character device or FIFO (a link is
// followed to what it names): a file that takes bytes as they come and has
// no old content to keep. Such a file is written as it is, never replaced
// through a temporary name, and nothing is made beside it (a report's
// graphs, a statistics file per row), as /dev/null has no folder of its own.
bool IsDeviceFile(const std::filesystem::path& path);

// Writes to a device as it is, in order, with no temporary file. The first
// failure is kept; Commit reports it, naming the device and the reason.
class DeviceWriter {
 public:
  explicit DeviceWriter(std::filesystem::path path);
  ~DeviceWriter();
  DeviceWriter(const DeviceWriter&) = delete;
  DeviceWriter& operator=(const DeviceWriter&) = delete;

  void Write(std::string_view bytes);
  // Closes the device; fails when opening, a write or the close failed.
  Status Commit();

 private:
  void Fail(const char* action, int error);

  std::filesystem::path path_;
  int fd_ = -1;
  Status failure_;
};

// Writes `bytes` to the device at `path` through a DeviceWriter.
Status WriteToDevice(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tlw
