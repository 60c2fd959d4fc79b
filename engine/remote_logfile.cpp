#include "engine/remote_logfile.h"

#include <system_error>
#include <utility>

#include "logs/gzip_byte_source.h"
#include "logs/line_reader.h"
#include "settings/site_profile.h"

namespace tlw {
namespace {

// The bytes of a remote file as a ByteSource for the line reader.
class RemoteByteSource final : public ByteSource {
 public:
  explicit RemoteByteSource(std::unique_ptr<RemoteFile> file) : file_(std::move(file)) {}

  std::size_t Read(char* dest, std::size_t capacity) override {
    const std::size_t got = file_->Read(dest, capacity);
    if (got == 0 && file_->Failed() && end_.kind != SourceEnd::Kind::Failed) {
      end_.kind = SourceEnd::Kind::Failed;
      end_.message = file_->Error();
    }
    return got;
  }
  const SourceEnd& End() const override { return end_; }

 private:
  std::unique_ptr<RemoteFile> file_;
  SourceEnd end_;
};

bool StartsAsGzip(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

FtpServer ServerOf(std::string server, std::string user, std::string password,
                   const RemoteAccess& access) {
  FtpServer result;
  result.server = std::move(server);
  result.user = std::move(user);
  result.password = std::move(password);
  result.passive = access.passive;
  result.connectSeconds = access.connectSeconds;
  result.silenceSeconds = access.silenceSeconds;
  result.homeFolder = access.homeFolder;
  result.keyFile = access.sshKeyFile;
  result.caFile = access.caFile;
  return result;
}

// The pattern of a remote logfile setting: the text before its first "|",
// or the whole setting when that is shorter than 2 characters.
std::string RemotePatternOf(const std::string& setting) {
  std::string pattern = setting.substr(0, setting.find('|'));
  if (pattern.size() < 2) pattern = setting;
  return pattern;
}

}  // namespace

FtpServer LogfileServerOf(const CSiteProfile& profile, const RemoteAccess& access) {
  return ServerOf(profile.GetLogFtpServer(), profile.GetLogFtpUser(), profile.GetLogFtpPassword(),
                  access);
}

FtpServer UploadServerOf(const CSiteProfile& profile, const RemoteAccess& access) {
  return ServerOf(profile.GetUploadFtpServer(), profile.GetUploadFtpUser(),
                  profile.GetUploadFtpPassword(), access);
}

Result<std::unique_ptr<LineSource>> OpenRemoteLogfile(const CSiteProfile& profile,
                                                      const std::string& name,
                                                      const RemoteAccess& access) {
  const FtpServer server = LogfileServerOf(profile, access);
  Result<std::unique_ptr<RemoteFile>> file = RemoteFile::Open(server, name, access.stop);
  if (!file.ok()) return file.status();
  const bool gzip = StartsAsGzip((*file)->Waiting());
  std::unique_ptr<ByteSource> bytes = std::make_unique<RemoteByteSource>(std::move(*file));
  if (gzip) {
    bytes = std::make_unique<GzipByteSource>(std::move(bytes), ServerAddress(server, name));
  }
  return std::unique_ptr<LineSource>(std::make_unique<LineReader>(std::move(bytes)));
}

Result<std::string> ExpandRemoteWildcards(const CSiteProfile& profile, const RemoteAccess& access) {
  Result<std::vector<std::string>> matches = ListMatches(
      LogfileServerOf(profile, access), RemotePatternOf(profile.GetLogfilePath()), access.stop);
  if (!matches.ok()) return matches.status();
  std::string fileList;
  for (const std::string& match : *matches) fileList += match + "|";
  return fileList;
}

Status FetchRemoteArchive(const CSiteProfile& profile, const std::filesystem::path& stagingFolder,
                          const RemoteAccess& access, std::uint64_t maxBytes) {
  const std::string setting = profile.GetLogfilePath();
  const std::filesystem::path local = stagingFolder / setting.substr(setting.rfind('/') + 1);
  // A copy staged by an earlier run is kept as it is.
  std::error_code error;
  if (std::filesystem::symlink_status(local, error).type() !=
      std::filesystem::file_type::not_found) {
    return Status::Ok();
  }
  return GetFile(LogfileServerOf(profile, access), setting, local.string(), access.stop, maxBytes);
}

}  // namespace tlw
