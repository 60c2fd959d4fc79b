#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tlw {

// The name of one line of a folder listing when it names a file; empty for
// folders and lines that name nothing. Reads Unix "ls -l" lines (FTP
// servers and SFTP) and the DOS lines of IIS. A name with a "/", a "|" or a
// control character is not a file of the folder and gives an empty name.
std::string ListedFileName(std::string_view line);

// The files of a folder listing (lines ended by LF or CR LF) whose names
// match `namePattern` ("*" wildcards, no leading "." matched by them), each
// as `folder` followed by the name, in the order of the listing.
std::vector<std::string> MatchListing(std::string_view listing, const std::string& folder,
                                      const std::string& namePattern);

}  // namespace tlw
