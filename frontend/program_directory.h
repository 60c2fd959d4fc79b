#pragma once

#include <filesystem>
#include <string>

#include "base/result.h"
#include "base/user_folders.h"

namespace tlw {

// Where a start of the desktop program finds Tallowick.Settings.
struct ProgramDirectoryChoice {
  std::string named;         // --dir DIR; empty when not given
  bool fromDesktop = false;  // --from-desktop: started from the menu's desktop entry
};

// The program directory: the one named with --dir, made when missing; else,
// for a start from the desktop entry (whose working folder is the home
// folder), "tallowick" in the user's data folder, made readable by its
// owner only (the settings hold FTP passwords); else `currentFolder`, as a
// start from a terminal has always used. Fails naming the folder that
// cannot be made, or saying that the user has no data folder.
Result<std::filesystem::path> ChooseProgramDirectory(const ProgramDirectoryChoice& choice,
                                                     const std::filesystem::path& currentFolder,
                                                     const UserFolders& folders);

}  // namespace tlw
