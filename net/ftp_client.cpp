#include "net/ftp_client.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>

#include "base/byte_amount.h"
#include "net/curl_library.h"
#include "net/ftp_listing.h"

namespace tlw {
namespace {

enum class Protocol { Ftp, Ftps, Sftp };

struct Endpoint {
  Protocol protocol = Protocol::Ftp;
  std::string hostPort;  // "host" or "host:port"
};

Endpoint EndpointOf(const std::string& server) {
  Endpoint endpoint;
  std::string_view text = server;
  auto take = [&text](std::string_view scheme) {
    if (text.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
      const char c = text[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != scheme[i]) return false;
    }
    text.remove_prefix(scheme.size());
    return true;
  };
  if (take("ftps://")) {
    endpoint.protocol = Protocol::Ftps;
  } else if (take("sftp://")) {
    endpoint.protocol = Protocol::Sftp;
  } else {
    (void)take("ftp://");
  }
  while (!text.empty() && text.back() == '/') text.remove_suffix(1);
  endpoint.hostPort = std::string(text);
  return endpoint;
}

std::string HostOf(const Endpoint& endpoint) {
  const std::string& hp = endpoint.hostPort;
  if (!hp.empty() && hp.front() == '[') return hp.substr(0, hp.find(']') + 1);
  return hp.substr(0, hp.find(':'));
}

const char* SchemeOf(Protocol protocol) {
  switch (protocol) {
    case Protocol::Ftps:
      return "ftps://";
    case Protocol::Sftp:
      return "sftp://";
    case Protocol::Ftp:
      break;
  }
  return "ftp://";
}

std::string Escaped(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    const auto b = static_cast<unsigned char>(c);
    const bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

// The URL libcurl is given. A path without a leading "/" is relative to the
// login folder: as FTP takes it, and through "~" for SFTP, whose URLs are
// absolute. An absolute FTP path starts with an escaped "/".
std::string UrlOf(const Endpoint& endpoint, std::string_view path) {
  const bool absolute = !path.empty() && path.front() == '/';
  if (endpoint.protocol == Protocol::Sftp) {
    return "sftp://" + endpoint.hostPort + (absolute ? "" : "/~/") + Escaped(path);
  }
  // FTPS is explicit TLS on the FTP connection (AUTH TLS), which is what
  // hosting offers today; the ftps:// URL of libcurl would mean implicit TLS.
  if (absolute) path.remove_prefix(1);
  return "ftp://" + endpoint.hostPort + (absolute ? "/%2F" : "/") + Escaped(path);
}

// The private keys SFTP offers, in OpenSSH's order: the one the settings
// name, then the user's ed25519, ECDSA and RSA keys that exist.
std::vector<std::string> SshKeysOf(const FtpServer& server) {
  std::vector<std::string> keys;
  if (!server.keyFile.empty()) keys.push_back(server.keyFile);
  if (server.homeFolder.empty()) return keys;
  for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
    const std::string key = server.homeFolder + "/.ssh/" + name;
    if (::access(key.c_str(), R_OK) == 0) keys.push_back(key);
  }
  return keys;
}

// One libcurl handle set up for `server`: login, TLS, passive or active.
// A handle used again keeps its connection (and its login) when it goes to
// the same server, so a publishing pass logs in once.
struct Easy {
  const CurlLibrary& curl;
  FtpServer server;
  Endpoint endpoint;
  CURL* handle = nullptr;
  char errors[CURL_ERROR_SIZE] = {};
  // libcurl keeps the first text it writes into `errors`, also one it wrote
  // while going on (7.88 in active mode writes "sa_addr inet_ntop() failed"
  // as it opens the data port, then succeeds). Such a text is not the
  // reason of a later failure.
  bool errorsStale = false;
  const StopRequested* stop = nullptr;
  std::string knownHosts;
  std::vector<std::string> keys;
  std::size_t key = 0;  // the key of `keys` offered next
  bool used = false;

  Easy(const CurlLibrary& library, const FtpServer& ftpServer)
      : curl(library), server(ftpServer), endpoint(EndpointOf(ftpServer.server)) {
    handle = curl.easyInit();
    if (endpoint.protocol == Protocol::Sftp) {
      keys = SshKeysOf(server);
      knownHosts =
          !server.knownHosts.empty() ? server.knownHosts : server.homeFolder + "/.ssh/known_hosts";
    }
  }
  Easy(const CurlLibrary& library, const FtpServer& ftpServer, const std::string& url)
      : Easy(library, ftpServer) {
    Prepare(url);
  }

  // Sets the handle up for a transfer of `url`, clearing what the last
  // transfer set but not the connection.
  void Prepare(const std::string& url) {
    if (handle == nullptr) return;
    if (used) curl.easyReset(handle);
    used = true;
    errors[0] = '\0';
    errorsStale = false;
    stop = nullptr;
    Set(CURLOPT_URL, url.c_str());
    Set(CURLOPT_ERRORBUFFER, errors);
    Set(CURLOPT_NOSIGNAL, 1L);
    Set(CURLOPT_CONNECTTIMEOUT, server.connectSeconds);
    // A server that stops moving data, stops answering commands (libcurl
    // would wait two minutes for a reply, one for the reply after a
    // transfer) or never opens an active data connection is taken as gone.
    Set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    Set(CURLOPT_LOW_SPEED_TIME, server.silenceSeconds);
    Set(CURLOPT_SERVER_RESPONSE_TIMEOUT, server.silenceSeconds);
    Set(CURLOPT_ACCEPTTIMEOUT_MS, server.silenceSeconds * 1000L);
    // The protocol trace shows whether libcurl sent a further command after
    // writing its error text; nothing of it is printed.
    Set(CURLOPT_VERBOSE, 1L);
    Set(CURLOPT_DEBUGDATA, this);
    Set(CURLOPT_DEBUGFUNCTION, &Easy::Trace);
    Set(CURLOPT_USERNAME, server.user.c_str());
    Set(CURLOPT_PASSWORD, server.password.c_str());
    if (endpoint.protocol == Protocol::Sftp) {
      Set(CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
      if (key < keys.size()) {
        // libssh2 reads the public key out of the private one; libcurl
        // goes on to the ssh agent (SSH_AUTH_SOCK) and the password after it.
        Set(CURLOPT_SSH_PRIVATE_KEYFILE, keys[key].c_str());
      } else {
        // Without a key file libcurl would look for one under $HOME itself.
        Set(CURLOPT_SSH_AUTH_TYPES,
            static_cast<long>(CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
      }
    } else {
      Set(CURLOPT_TRANSFERTEXT, 0L);
      // libcurl 7.87 and 7.88 (Debian 12) open the data connection of active
      // mode without TLS: a listing then comes back empty as if the folder
      // were, and a transfer fails. There FTP over TLS stays passive.
      const bool activeTls = curl.VersionNumber() >= 0x080000;
      if (!server.passive && (endpoint.protocol != Protocol::Ftps || activeTls)) {
        Set(CURLOPT_FTPPORT, "-");
      }
      if (endpoint.protocol == Protocol::Ftps) {
        Set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        Set(CURLOPT_SSL_VERIFYPEER, 1L);
        Set(CURLOPT_SSL_VERIFYHOST, 2L);
        // Before 8.10, libcurl may close the TLS 1.3 data connection of an
        // upload before the server has read it all: the file arrives cut
        // short and the upload still counts as done. TLS 1.2 has no such
        // loss, so older versions keep to it.
        if (curl.VersionNumber() < 0x080A00) {
          Set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                                      static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
        }
        if (!server.caFile.empty()) Set(CURLOPT_CAINFO, server.caFile.c_str());
      }
    }
  }

  // After a refused SFTP login, the next key of `keys` for a new attempt;
  // false when there is none.
  bool NextKey() {
    if (endpoint.protocol != Protocol::Sftp || key + 1 >= keys.size()) return false;
    ++key;
    Set(CURLOPT_SSH_PRIVATE_KEYFILE, keys[key].c_str());
    errors[0] = '\0';
    errorsStale = false;
    return true;
  }

  ~Easy() {
    if (handle != nullptr) curl.easyCleanup(handle);
  }
  Easy(const Easy&) = delete;
  Easy& operator=(const Easy&) = delete;

  template <typename Value>
  void Set(CURLoption option, Value value) {
    curl.SetOption(handle, option, value);
  }
  // Runs the transfer; a refused SFTP login is tried again with each
  // further key, as libcurl offers one key file per connection.
  CURLcode Perform() {
    CURLcode code = curl.easyPerform(handle);
    while (code == CURLE_LOGIN_DENIED && NextKey()) code = curl.easyPerform(handle);
    return code;
  }

  // Lets `stop` end a blocking transfer: libcurl asks at least once a second.
  void StopWith(const StopRequested& test) {
    stop = &test;
    Set(CURLOPT_NOPROGRESS, 0L);
    Set(CURLOPT_XFERINFODATA, this);
    Set(CURLOPT_XFERINFOFUNCTION, &Easy::Progress);
  }
  static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const StopRequested* test = static_cast<Easy*>(self)->stop;
    return (test != nullptr && *test && (*test)()) ? 1 : 0;
  }

  // A command sent after the error text was written means the transfer went
  // on past it; QUIT alone is sent when a failed connection is closed.
  static int Trace(CURL*, curl_infotype type, char* data, std::size_t size, void* self) {
    Easy& easy = *static_cast<Easy*>(self);
    if (type == CURLINFO_HEADER_OUT && easy.errors[0] != '\0' &&
        std::string_view(data, size).substr(0, 4) != "QUIT") {
      easy.errorsStale = true;
    }
    return 0;
  }

  // Why the transfer failed, in words that name the server; never the password.
  std::string Reason(CURLcode code) const {
    const std::string host = HostOf(endpoint);
    const std::string detail = errors[0] != '\0' && !errorsStale ? errors : curl.easyStrerror(code);
    switch (code) {
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CACERT_BADFILE:
      case CURLE_SSL_ISSUER_ERROR:
        if (endpoint.protocol == Protocol::Sftp) {
          return "the host key of " + host + " is not trusted (" + detail + ")";
        }
        return "the certificate of " + host + " could not be verified (" + detail + ")";
      case CURLE_LOGIN_DENIED:
        return host + " refused the login of user \"" + server.user + "\"";
      case CURLE_USE_SSL_FAILED:
        return host + " does not offer FTP over TLS";
      case CURLE_ABORTED_BY_CALLBACK:
        return "the transfer was stopped";
      case CURLE_OPERATION_TIMEDOUT:
        return host + " stopped answering (" + detail + ")";
      default:
        return detail;
    }
  }
};

// A folder listing as it arrives, up to kListingByteLimit: a server that
// keeps sending never lets the silence time-out fire, so the size is what
// ends it.
struct Listing {
  std::string text;
  bool tooLong = false;
  static std::size_t Append(char* data, std::size_t size, std::size_t count, void* self) {
    Listing& listing = *static_cast<Listing*>(self);
    if (size * count > kListingByteLimit - listing.text.size()) {
      listing.tooLong = true;
      return 0;  // ends the transfer with a write error
    }
    listing.text.append(data, size * count);
    return size * count;
  }
};

std::size_t ReadFrom(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fread(data, size, count, static_cast<std::FILE*>(file));
}

std::string Failure(std::string_view verb, const FtpServer& server, const std::string& path,
                    const std::string& reason) {
  return std::string(verb) + " " + ServerAddress(server, path) + ": " + reason;
}

Status NoHandle(std::string_view verb, const FtpServer& server, const std::string& path) {
  return Status::Error(std::string(verb) + " " + ServerAddress(server, path) +
                       ": the transfer could not be set up");
}

// libcurl for `verb` on `path`, or the failure that names both and why the
// library is missing.
Result<const CurlLibrary*> CurlFor(std::string_view verb, const FtpServer& server,
                                   const std::string& path) {
  Result<const CurlLibrary*> curl = LoadCurlLibrary();
  if (!curl) return Status::Error(Failure(verb, server, path, curl.message()));
  return curl;
}

// `path` as a path of libcurl's SFTP commands: in double quotes, with "\",
// '"' and "'" escaped.
std::string QuotedPath(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '\\' || c == '"' || c == '\'') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// Commands for libcurl's quote options, freed with the list.
struct CommandList {
  const CurlLibrary& curl;
  curl_slist* list = nullptr;
  CommandList(const CurlLibrary& library, const std::vector<std::string>& commands)
      : curl(library) {
    for (const std::string& command : commands) {
      curl_slist* longer = curl.slistAppend(list, command.c_str());
      if (longer == nullptr) {
        curl.slistFreeAll(list);
        list = nullptr;
        return;
      }
      list = longer;
    }
  }
  ~CommandList() { curl.slistFreeAll(list); }
  CommandList(const CommandList&) = delete;
  CommandList& operator=(const CommandList&) = delete;
};

// Changes into `folder` (FTP) and sends `commands` there.
Status RunInFolder(Easy& easy, const std::string& folder, const StopRequested& stop,
                   const std::vector<std::string>& commands) {
  easy.Prepare(UrlOf(easy.endpoint, folder.empty() ? "" : folder));
  CommandList list(easy.curl, commands);
  if (easy.handle == nullptr || list.list == nullptr) {
    return NoHandle("Cannot change", easy.server, folder);
  }
  easy.Set(CURLOPT_NOBODY, 1L);
  easy.Set(CURLOPT_POSTQUOTE, list.list);
  easy.StopWith(stop);
  if (const CURLcode code = easy.Perform(); code != CURLE_OK) {
    return Status::Error(Failure("Cannot change", easy.server, folder, easy.Reason(code)));
  }
  return Status::Ok();
}

// Whether a transfer that failed with `code` may pass when made again: the
// connection failed or broke, or the server went silent. Not a refused
// login, a missing file, an untrusted certificate or host key, or a stop.
bool IsTransient(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_SSH:
      return true;
    default:
      return false;
  }
}

}  // namespace

struct FtpSession::Connection {
  FtpServer server;
  std::unique_ptr<Easy> easy;
  bool transient = false;
  int operations = 0;
};

FtpSession::FtpSession(FtpServer server) : connection_(std::make_unique<Connection>()) {
  connection_->server = std::move(server);
}
FtpSession::~FtpSession() = default;

const FtpServer& FtpSession::Server() const { return connection_->server; }
bool FtpSession::LastFailureTransient() const { return connection_->transient; }

namespace {

// The session's handle, made with the first operation; the failure names
// `verb`, `path` and why libcurl is missing.
Result<Easy*> EasyOf(FtpSession::Connection& connection, std::string_view verb,
                     const std::string& path) {
  if (!connection.easy) {
    const Result<const CurlLibrary*> loaded = CurlFor(verb, connection.server, path);
    if (!loaded) return loaded.status();
    connection.easy = std::make_unique<Easy>(**loaded, connection.server);
  }
  if (connection.easy->handle == nullptr) return NoHandle(verb, connection.server, path);
  return connection.easy.get();
}

}  // namespace

std::string ServerAddress(const FtpServer& server, const std::string& path) {
  const Endpoint endpoint = EndpointOf(server.server);
  std::string address = SchemeOf(endpoint.protocol) + endpoint.hostPort;
  if (path.empty() || path.front() != '/') address += '/';
  return address + path;
}

struct RemoteFile::Transfer {
  FtpServer server;
  Endpoint endpoint;
  std::string path;
  const CurlLibrary* curl = nullptr;
  std::unique_ptr<Easy> easy;
  CURLM* multi = nullptr;
  StopRequested stop;
  // Bytes received and not yet handed on: at most what one call of
  // curl_multi_perform delivers, since the transfer runs only when this is
  // empty.
  std::string pending;
  std::size_t offset = 0;
  bool done = false;
  CURLcode result = CURLE_OK;

  ~Transfer() {
    if (multi != nullptr) {
      if (easy && easy->handle != nullptr) curl->multiRemoveHandle(multi, easy->handle);
      curl->multiCleanup(multi);
    }
  }
  static std::size_t Receive(char* data, std::size_t size, std::size_t count, void* self) {
    static_cast<Transfer*>(self)->pending.append(data, size * count);
    return size * count;
  }
};

RemoteFile::RemoteFile() : transfer_(std::make_unique<Transfer>()) {}
RemoteFile::~RemoteFile() = default;

Result<std::unique_ptr<RemoteFile>> RemoteFile::Open(const FtpServer& server,
                                                     const std::string& path, StopRequested stop) {
  const Result<const CurlLibrary*> loaded = CurlFor("Cannot read", server, path);
  if (!loaded) return loaded.status();
  const CurlLibrary& curl = **loaded;
  std::unique_ptr<RemoteFile> file(new RemoteFile());
  Transfer& t = *file->transfer_;
  t.server = server;
  t.endpoint = EndpointOf(server.server);
  t.path = path;
  t.stop = std::move(stop);
  t.curl = &curl;
  t.easy = std::make_unique<Easy>(curl, server, UrlOf(t.endpoint, path));
  t.multi = curl.multiInit();
  if (t.easy->handle == nullptr || t.multi == nullptr) return NoHandle("Cannot read", server, path);
  t.easy->Set(CURLOPT_WRITEFUNCTION, &Transfer::Receive);
  t.easy->Set(CURLOPT_WRITEDATA, &t);
  t.easy->Set(CURLOPT_BUFFERSIZE, 64L * 1024L);
  t.pending.reserve(256 * 1024);
  // Connection, login and the opening of the file are done before the
  // first byte arrives: a failure of any of them comes back from here. A
  // refused SFTP login is tried again with the next key.
  curl.multiAddHandle(t.multi, t.easy->handle);
  file->Pump();
  while (t.done && t.result == CURLE_LOGIN_DENIED && t.easy->NextKey()) {
    curl.multiRemoveHandle(t.multi, t.easy->handle);
    t.done = false;
    t.result = CURLE_OK;
    curl.multiAddHandle(t.multi, t.easy->handle);
    file->Pump();
  }
  if (t.done && t.result != CURLE_OK) {
    return Status::Error(Failure("Cannot read", server, path, t.easy->Reason(t.result)));
  }
  return file;
}

void RemoteFile::Pump() {
  Transfer& t = *transfer_;
  while (t.offset == t.pending.size() && !t.done) {
    t.pending.clear();
    t.offset = 0;
    if (t.stop && t.stop()) {
      t.done = true;
      t.result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    int running = 0;
    if (t.curl->multiPerform(t.multi, &running) != CURLM_OK) {
      t.done = true;
      t.result = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    while (CURLMsg* message = t.curl->multiInfoRead(t.multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        t.done = true;
        t.result = message->data.result;
      }
    }
    if (t.done || running == 0 || !t.pending.empty()) {
      if (running == 0) t.done = true;
      continue;
    }
    // Short waits keep a stop noticed within a tenth of a second.
    t.curl->multiPoll(t.multi, nullptr, 0, 100, nullptr);
  }
}

std::string_view RemoteFile::Waiting() const {
  return std::string_view(transfer_->pending).substr(transfer_->offset);
}

std::size_t RemoteFile::Read(char* dest, std::size_t capacity) {
  Pump();
  Transfer& t = *transfer_;
  const std::size_t count = std::min(capacity, t.pending.size() - t.offset);
  if (count > 0) {
    std::copy_n(t.pending.data() + t.offset, count, dest);
    t.offset += count;
    return count;
  }
  if (t.result != CURLE_OK && t.result != CURLE_ABORTED_BY_CALLBACK && error_.empty()) {
    error_ = Failure("Cannot read", t.server, t.path, t.easy->Reason(t.result));
  }
  return 0;
}

Result<std::vector<std::string>> ListMatches(const FtpServer& server, const std::string& pattern,
                                             const StopRequested& stop) {
  const Endpoint endpoint = EndpointOf(server.server);
  const std::size_t slash = pattern.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
  const std::string namePattern = pattern.substr(folder.size());
  std::string url = UrlOf(endpoint, folder);
  if (url.back() != '/') url += '/';
  const Result<const CurlLibrary*> loaded = CurlFor("Cannot list", server, pattern);
  if (!loaded) return loaded.status();
  const CurlLibrary& curl = **loaded;
  Easy easy(curl, server, url);
  if (easy.handle == nullptr) return NoHandle("Cannot list", server, pattern);
  Listing listing;
  easy.Set(CURLOPT_WRITEFUNCTION, &Listing::Append);
  easy.Set(CURLOPT_WRITEDATA, &listing);
  easy.StopWith(stop);
  if (const CURLcode code = easy.Perform(); code != CURLE_OK) {
    if (listing.tooLong) {
      return Status::Error(Failure("Cannot list", server, pattern,
                                   "the server's listing of the folder passed " +
                                       std::to_string(kListingByteLimit >> 20) +
                                       " MB, more than any folder of logfiles holds"));
    }
    return Status::Error(Failure("Cannot list", server, pattern, easy.Reason(code)));
  }
  return MatchListing(listing.text, folder, namePattern);
}

Status GetFile(const FtpServer& server, const std::string& remotePath, const std::string& localPath,
               const StopRequested& stop, std::uint64_t maxBytes) {
  const Result<const CurlLibrary*> loaded = CurlFor("Cannot fetch", server, remotePath);
  if (!loaded) return loaded.status();
  const std::string what = "Cannot fetch " + ServerAddress(server, remotePath) + " to " + localPath;
  const int fd = ::open(localPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return Status::Error(what + ": the local file exists or cannot be created");
  const Download download = DownloadInto(server, remotePath, fd, 0, {}, stop, maxBytes);
  const bool closed = ::close(fd) == 0;
  if (download.end == Download::End::Complete && closed) return Status::Ok();
  ::unlink(localPath.c_str());
  if (download.end == Download::End::TooLarge) {
    return Status::Error(what + ": the file is larger than " + download.reason +
                         "; the partial copy was removed");
  }
  return Status::Error(Failure("Cannot fetch", server, remotePath,
                               download.end == Download::End::Failed
                                   ? download.reason
                                   : "the local copy could not be written"));
}

namespace {

// Where a download goes: a file, after the bytes it must start with. A
// server that never ends the file must not fill the disk: the file stops
// growing at `room` bytes more.
struct Sink {
  int fd;
  std::uint64_t room;
  std::string_view expected;
  std::uint64_t compared = 0;
  std::uint64_t written = 0;
  bool differs = false;
  bool full = false;
  bool failed = false;

  // Returning less than given ends the transfer (CURLE_WRITE_ERROR).
  static std::size_t Write(char* data, std::size_t size, std::size_t count, void* self) {
    Sink& sink = *static_cast<Sink*>(self);
    std::string_view bytes(data, size * count);
    if (sink.compared < sink.expected.size()) {
      const std::size_t n = std::min(bytes.size(), sink.expected.size() - sink.compared);
      if (bytes.substr(0, n) != sink.expected.substr(sink.compared, n)) {
        sink.differs = true;
        return 0;
      }
      sink.compared += n;
      bytes.remove_prefix(n);
    }
    if (bytes.size() > sink.room - sink.written) {
      sink.full = true;
      return 0;
    }
    while (!bytes.empty()) {
      const ssize_t n = ::write(sink.fd, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        sink.failed = true;
        return 0;
      }
      sink.written += static_cast<std::uint64_t>(n);
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return size * count;
  }
};

}  // namespace

Download DownloadInto(const FtpServer& server, const std::string& remotePath, int fd,
                      std::uint64_t from, std::string_view expected, const StopRequested& stop,
                      std::uint64_t maxBytes) {
  Download download;
  const auto fail = [&download](Download::End end, std::string reason) {
    download.end = end;
    download.reason = std::move(reason);
    return download;
  };
  const Result<const CurlLibrary*> loaded = LoadCurlLibrary();
  if (!loaded) return fail(Download::End::Failed, loaded.message());
  struct stat file {};
  if (::fstat(fd, &file) != 0) return fail(Download::End::Failed, "the local file cannot be read");
  const auto size = static_cast<std::uint64_t>(file.st_size);
  Sink sink{fd, maxBytes > size ? maxBytes - size : 0, expected};
  bool diskBound = false;
  struct statvfs disk {};
  if (::fstatvfs(fd, &disk) == 0) {
    const std::uint64_t available = std::uint64_t{disk.f_bavail} * disk.f_frsize;
    const std::uint64_t usable = available > kFreeSpaceKept ? available - kFreeSpaceKept : 0;
    if (usable < sink.room) {
      sink.room = usable;
      diskBound = true;
    }
  }
  Easy easy(**loaded, server, UrlOf(EndpointOf(server.server), remotePath));
  if (easy.handle == nullptr) {
    return fail(Download::End::Failed, "the transfer could not be set up");
  }
  easy.Set(CURLOPT_WRITEFUNCTION, &Sink::Write);
  easy.Set(CURLOPT_WRITEDATA, &sink);
  easy.Set(CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(from));
  easy.StopWith(stop);
  const CURLcode code = easy.Perform();
  download.compared = sink.compared;
  download.written = sink.written;
  if (code == CURLE_OK) return download;
  if (sink.differs) return fail(Download::End::Differs, {});
  if (sink.full) {
    return fail(Download::End::TooLarge,
                diskBound ? "the free space of the local disk (" + ByteAmountText(sink.room) + ")"
                          : "the limit of " + ByteAmountText(maxBytes));
  }
  if (sink.failed) return fail(Download::End::Failed, "the local copy could not be written");
  // libcurl compares the offset with the size the server gives (FTP SIZE,
  // an SFTP stat) before it asks for the bytes after it.
  if (from > 0 && code == CURLE_BAD_DOWNLOAD_RESUME) return fail(Download::End::PastEnd, {});
  // A refused REST, or (a server without SIZE) a RETR refused after REST
  // with 554, "invalid REST parameter" (RFC 3659, 5.5).
  if (from > 0 && (code == CURLE_FTP_COULDNT_USE_REST || code == CURLE_RANGE_ERROR ||
                   code == CURLE_FTP_COULDNT_RETR_FILE)) {
    return fail(Download::End::NoResume, {});
  }
  return fail(Download::End::Failed, easy.Reason(code));
}

Status PutFile(FtpSession& session, const std::string& localPath, const std::string& remotePath,
               const StopRequested& stop) {
  FtpSession::Connection& connection = session.State();
  connection.transient = false;
  const FtpServer& server = connection.server;
  const Endpoint endpoint = EndpointOf(server.server);
  const std::string verb = "Cannot upload to";
  const std::size_t slash = remotePath.rfind('/');
  const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = remotePath.substr(0, nameAt);
  const std::string name = remotePath.substr(nameAt);
  // The rename goes to the server as a command of its own, where a line
  // break would end it and start another.
  if (name.empty() || std::any_of(remotePath.begin(), remotePath.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
      })) {
    return Status::Error(Failure(verb, server, remotePath, "not a usable file name"));
  }
  const Result<Easy*> handle = EasyOf(connection, verb, remotePath);
  if (!handle) return handle.status();
  Easy& easy = **handle;
  std::FILE* in = std::fopen(localPath.c_str(), "rb");
  if (in == nullptr) {
    return Status::Error("Cannot upload " + localPath + " to " + ServerAddress(server, remotePath) +
                         ": the local file cannot be read");
  }
  // Written under a name of its own beside the file and renamed over it
  // once complete, so that visitors see the old file or the new one, never
  // a part of it (an upload may break off anywhere).
  const std::string partName = "." + name + ".part";
  const bool sftp = endpoint.protocol == Protocol::Sftp;
  // FTP renames in the folder the upload changed into; SFTP takes whole
  // paths. OpenSSH does not rename over an existing file, so it goes first.
  const std::vector<std::string> rename =
      sftp ? std::vector<std::string>{"*rm " + QuotedPath(remotePath),
                                      "rename " + QuotedPath(folder + partName) + " " +
                                          QuotedPath(remotePath)}
           : std::vector<std::string>{"RNFR " + partName, "RNTO " + name};
  easy.Prepare(UrlOf(endpoint, folder + partName));
  CommandList commands(easy.curl, rename);
  if (commands.list == nullptr) {
    std::fclose(in);
    return NoHandle(verb, server, remotePath);
  }
  easy.Set(CURLOPT_UPLOAD, 1L);
  easy.Set(CURLOPT_READDATA, in);
  easy.Set(CURLOPT_READFUNCTION, &ReadFrom);
  easy.Set(CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
  easy.Set(CURLOPT_POSTQUOTE, commands.list);
  easy.StopWith(stop);
  const CURLcode code = easy.Perform();
  std::fclose(in);
  if (code == CURLE_OK) return Status::Ok();
  if (code != CURLE_QUOTE_ERROR) {
    connection.transient = IsTransient(code);
    return Status::Error(Failure(verb, server, remotePath, easy.Reason(code)));
  }
  const std::string reason = easy.Reason(code);
  // The upload is complete under its own name. A server that renames over
  // no file (some FTP servers on Windows) gets the old file removed first.
  if (!sftp) {
    const Status renamed =
        RunInFolder(easy, folder, stop, {"*DELE " + name, "RNFR " + partName, "RNTO " + name});
    if (renamed.ok()) return renamed;
  }
  return Status::Error(Failure(
      verb, server, remotePath,
      "the server did not rename the uploaded " + partName + " to " + name + " (" + reason + ")"));
}

Status PutFile(const FtpServer& server, const std::string& localPath, const std::string& remotePath,
               const StopRequested& stop) {
  FtpSession session(server);
  return PutFile(session, localPath, remotePath, stop);
}

Status CreateFolder(FtpSession& session, const std::string& remotePath, const StopRequested& stop) {
  FtpSession::Connection& connection = session.State();
  connection.transient = false;
  const FtpServer& server = connection.server;
  const Endpoint endpoint = EndpointOf(server.server);
  const Result<Easy*> handle = EasyOf(connection, "Cannot create", remotePath);
  if (!handle) return handle.status();
  Easy& easy = **handle;
  std::string folder = remotePath;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::vector<std::string> levels;
  std::string url;
  if (endpoint.protocol == Protocol::Sftp) {
    // Each level in turn; "*" lets a level that exists already pass.
    for (std::size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
      levels.push_back("*mkdir " + QuotedPath(folder.substr(0, at)));
      if (at == std::string::npos) break;
    }
    url = UrlOf(endpoint, "");
  } else {
    // Changing into the folder with missing folders created makes it.
    url = UrlOf(endpoint, folder) + "/";
  }
  easy.Prepare(url);
  CommandList commands(easy.curl, levels);
  if (!levels.empty() && commands.list == nullptr) {
    return NoHandle("Cannot create", server, remotePath);
  }
  easy.Set(CURLOPT_NOBODY, 1L);
  easy.Set(CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
  if (commands.list != nullptr) easy.Set(CURLOPT_QUOTE, commands.list);
  easy.StopWith(stop);
  if (const CURLcode code = easy.Perform(); code != CURLE_OK) {
    connection.transient = IsTransient(code);
    return Status::Error(Failure("Cannot create", server, remotePath, easy.Reason(code)));
  }
  return Status::Ok();
}

Status CreateFolder(const FtpServer& server, const std::string& remotePath,
                    const StopRequested& stop) {
  FtpSession session(server);
  return CreateFolder(session, remotePath, stop);
}

}  // namespace tlw
