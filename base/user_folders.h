#pragma once

#include <string>

namespace tlw {

// The user's own folders, as the process environment names them. Read once
// by a front end and handed down, so that nothing below the front ends
// depends on the environment of the process that hosts it.
struct UserFolders {
  std::string home;   // $HOME, else the password database's entry, else empty
  std::string cache;  // $XDG_CACHE_HOME when absolute, else home + "/.cache"
  std::string data;   // $XDG_DATA_HOME when absolute, else home + "/.local/share"
  std::string state;  // $XDG_STATE_HOME when absolute, else home + "/.local/state"
  // $CURL_CA_BUNDLE: a file of the certificate authorities to trust instead
  // of the system's (FTPS, mail over TLS), as the curl program takes it.
  std::string caBundle;
};

// The folders of the user this process runs as. Never fails: a folder that
// cannot be found is empty (the cache then falls back to the temporary
// folder).
UserFolders UserFoldersOfProcess();

}  // namespace tlw
