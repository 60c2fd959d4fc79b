#pragma once

#include <filesystem>
#include <string>

namespace tlw {

// The country table a run reads: "Country_Codes.dat" in the program
// directory, or else the one installed with the program: beside the running
// program, or one folder up (the build tree keeps programs in sub-folders
// and the table at its top). Empty when none exists; the countries then
// stay codes.
std::filesystem::path CountryTablePath(const std::string& programDirectory);

// The folder of the running program, from /proc/self/exe; empty when the
// system does not say.
std::filesystem::path RunningProgramFolder();

}  // namespace tlw
