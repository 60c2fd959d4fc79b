#include "engine/run_delivery.h"

#include "report/modern_view.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "base/retry.h"
#include "base/run_stages.h"
#include "net/ftp_client.h"
#include "settings/site_profile.h"

namespace tlw {

namespace {

// The graphs that publishing uploads, in upload order, each with the
// profile flag that decides it (none: always).
struct PublishedGraph {
  const char* file;
  const FieldFlag& (CSiteProfile::*shown)() const;
};

constexpr PublishedGraph kPublishedGraphs[] = {
    {"tlwgraph_brokenlinks.gif", &CSiteProfile::GetShowBrokenLinks},
    {"tlwgraph_countries.gif", &CSiteProfile::GetShowCountries},
    {"tlwgraph_dirs.gif", &CSiteProfile::GetShowDirectories},
    {"tlwgraph_domains.gif", &CSiteProfile::GetShowDomains},
    {"tlwgraph_filereq.gif", &CSiteProfile::GetShowFileRequests},
    {"tlwgraph_hostnames.gif", &CSiteProfile::GetShowHostnames},
    {"tlwgraph_referer.gif", &CSiteProfile::GetShowRefererPages},
    {"tlwgraph_retcodes.gif", &CSiteProfile::GetShowServerStatusCodes},
    {"tlwgraph_webpages.gif", &CSiteProfile::GetShowMostAccessedPages},
    {"tlwgraph_browsers.gif", &CSiteProfile::GetShowWebBrowsers},
    {"tlwgraph_filetypes.gif", &CSiteProfile::GetShowFileTypes},
    {"tlwgraph_keywords.gif", nullptr},
    {"tlwgraph_clickpaths.gif", nullptr},
    {"tlwgraph_topentrypages.gif", nullptr},
    {"tlwgraph_topexitpages.gif", nullptr},
};

// Removes the local copies of the graphs, made only to be uploaded, when
// publishing ends, whichever way it ends.
class GraphCopies {
 public:
  explicit GraphCopies(const std::vector<std::string>& files) : files_(files) {}
  ~GraphCopies() {
    for (const std::string& file : files_) {
      std::error_code ignored;
      std::filesystem::remove(file, ignored);
    }
  }
  GraphCopies(const GraphCopies&) = delete;
  GraphCopies& operator=(const GraphCopies&) = delete;

 private:
  const std::vector<std::string>& files_;
};

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

Status PublishReport(const CSiteProfile& profile, const ReportOutcome& report,
                     const std::string& graphFilePrefix, const RunHost& host,
                     const RemoteAccess& access, const std::string& modernViewFile) {
  auto post = [&](int stage) {
    if (host.progress != nullptr) host.progress->Post(stage, profile.GetListIndex());
  };
  const GraphCopies removeGraphCopies(report.graphFiles);
  // One connection and one login for the whole pass; an upload whose
  // connection broke opens it again.
  FtpSession session(UploadServerOf(profile, access));
  auto retried = [&](auto operation) {
    return WithRetries(access.retryPauseMs, access.stop, [&](bool& transient) {
      Status status = operation();
      transient = session.LastFailureTransient();
      return status;
    });
  };
  const bool graphs = profile.GetIncludeGraphs() != 0;
  post(kStageFtpConnecting);
  // The first folder made is the connection test: a server that cannot be
  // reached or refuses the login ends publishing here. The folders exist
  // afterwards whatever the server said, or the uploads below fail.
  if (!report.reportFolder.empty()) {
    if (Status made =
            retried([&] { return CreateFolder(session, report.reportFolder, access.stop); });
        !made.ok()) {
      return made;
    }
  }
  post(kStageUploadingReport);
  const std::string images = InFolder(report.reportFolder, "images");
  if (graphs) (void)CreateFolder(session, images, access.stop);
  if (Status put = retried([&] {
        return PutFile(session, report.reportFile, report.finalReportFileName, access.stop);
      });
      !put.ok()) {
    return put;
  }
  if (!modernViewFile.empty()) {
    const std::string remote = ModernViewPathOf(report.finalReportFileName);
    if (Status put = retried([&] { return PutFile(session, modernViewFile, remote, access.stop); });
        !put.ok()) {
      return put;
    }
  }
  if (!graphs) return Status::Ok();
  const std::string localBase =
      (std::filesystem::path(report.reportFile).parent_path() / graphFilePrefix).string();
  const std::string remoteBase = InFolder(images, graphFilePrefix);
  post(kStageUploadingGraphs);
  for (const PublishedGraph& graph : kPublishedGraphs) {
    if (graph.shown != nullptr && (profile.*graph.shown)() == 0) continue;
    const std::string local = localBase + graph.file;
    // A graph the report did not draw (an empty table) is not uploaded.
    std::error_code missing;
    if (!std::filesystem::exists(local, missing)) continue;
    if (Status put =
            retried([&] { return PutFile(session, local, remoteBase + graph.file, access.stop); });
        !put.ok()) {
      return put;
    }
  }
  return Status::Ok();
}

}  // namespace tlw
