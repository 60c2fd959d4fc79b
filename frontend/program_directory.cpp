#include "frontend/program_directory.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace tlw {
namespace {

namespace fs = std::filesystem;

Status MadeFolder(const fs::path& folder, bool ownerOnly) {
  std::error_code error;
  if (fs::is_directory(folder, error)) return Status::Ok();
  fs::create_directories(folder, error);
  if (error) {
    return Status::Error("cannot create folder " + folder.string() + ": " + error.message());
  }
  if (ownerOnly && ::chmod(folder.c_str(), 0700) != 0) {
    return Status::Error("cannot make folder " + folder.string() +
                         " private: " + std::generic_category().message(errno));
  }
  return Status::Ok();
}

}  // namespace

Result<fs::path> ChooseProgramDirectory(const ProgramDirectoryChoice& choice,
                                        const fs::path& currentFolder, const UserFolders& folders) {
  fs::path directory = currentFolder;
  bool ownerOnly = false;
  if (!choice.named.empty()) {
    directory = fs::path(choice.named).is_relative() ? currentFolder / choice.named
                                                     : fs::path(choice.named);
  } else if (choice.fromDesktop) {
    if (folders.data.empty()) {
      return Status::Error(
          "cannot find the folder for the settings: neither XDG_DATA_HOME nor HOME is set");
    }
    directory = fs::path(folders.data) / "tallowick";
    ownerOnly = true;
  }
  if (Status made = MadeFolder(directory, ownerOnly); !made.ok()) return made;
  return directory;
}

}  // namespace tlw
