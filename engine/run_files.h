#pragma once

#include <filesystem>
#include <string>

namespace tlw {

// A data file installed with the programs, found from the folder of the
// running program: beside it, one folder up (the build tree keeps programs
// in sub-folders and the data at its top), or in ../share/tallowick (an
// installed tree, wherever its prefix was moved). Empty when none exists.
std::filesystem::path InstalledDataFile(const std::filesystem::path& programFolder,
                                        const std::string& name);

// The country table a run reads: "Country_Codes.dat" in the program
// directory, or else the one installed with the program (InstalledDataFile).
// Empty when none exists; the countries then stay codes.
std::filesystem::path CountryTablePath(const std::string& programDirectory);

// The folder of the running program, from /proc/self/exe; empty when the
// system does not say.
std::filesystem::path RunningProgramFolder();

}  // namespace tlw
