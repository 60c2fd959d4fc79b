#include "engine/run_site.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "base/bounded_call.h"
#include "base/cache_line.h"
#include "base/device_file.h"
#include "engine/counting_digest.h"
#include "engine/graph_sets.h"
#include "engine/oversized_logfile.h"
#include "engine/page_heads.h"
#include "engine/record_pipeline.h"
#include "engine/remote_logfile.h"
#include "engine/robot_patterns.h"
#include "engine/run_delivery.h"
#include "engine/run_files.h"
#include "engine/run_plan.h"
#include "engine/run_state.h"
#include "engine/run_texts.h"
#include "geo/geoip_countries.h"
#include "logs/archive_staging.h"
#include "logs/line_parser.h"
#include "logs/local_logfile.h"
#include "logs/log_format.h"
#include "logs/logfile_list.h"
#include "logs/logfile_records.h"
#include "logs/wildcard_expansion.h"
#include "mail/report_mail.h"
#include "net/remote_copy.h"
#include "report/modern_view.h"
#include "report/report_assembly.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "stats/add_record.h"
#include "stats/host_rules.h"
#include "stats/rename_countries.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

// Logfiles from this size on are read on a thread of their own while the
// run counts; smaller ones are not worth starting a thread for.
constexpr std::uint64_t kPipelineMinBytes = 1 << 20;

// Lines between two publications of the progress counters.
constexpr std::uint64_t kProgressInterval = 4096;

// The period texts of a run without records, as a site shows them when it
// is not running.
constexpr const char* kNoPeriod = "00-00-00";

// Counts the lines and bytes that pass from a logfile to the parser, and
// publishes them now and then for the front end. On cache lines of its own:
// a pipelined run's reading thread writes the counts at every line, beside
// what the counting thread reads.
class alignas(kCacheLineSize) CountingLineSource final : public LineSource {
 public:
  CountingLineSource(LineSource& lines, RunProgress* progress, std::uint64_t linesBefore)
      : lines_(lines), progress_(progress), lineCount_(linesBefore) {}
  ~CountingLineSource() override { Publish(); }
  CountingLineSource(const CountingLineSource&) = delete;
  CountingLineSource& operator=(const CountingLineSource&) = delete;

  bool ReadLine(std::span<char>& line) override {
    if (!lines_.ReadLine(line)) return false;
    bytes_ += line.size() + 1;
    if ((++lineCount_ % kProgressInterval) == 0) Publish();
    return true;
  }
  const SourceEnd& End() const override { return lines_.End(); }
  bool KeepLines(LineBufferPool& pool) override { return lines_.KeepLines(pool); }
  std::uint64_t LinesRead() const { return lineCount_; }

 private:
  void Publish() const {
    if (progress_ == nullptr) return;
    progress_->bytesRead.store(bytes_, std::memory_order_relaxed);
    progress_->linesRead.store(lineCount_, std::memory_order_relaxed);
  }

  LineSource& lines_;
  RunProgress* progress_;
  std::uint64_t bytes_ = 0;
  std::uint64_t lineCount_;
};

CountingOptions CountingOptionsOf(const CSiteProfile& profile) {
  CountingOptions options;
  options.hostFilter = profile.GetHostFilter();
  options.extensionFilter = profile.GetExtensionFilter();
  options.directoryFilter = profile.GetDirectoryFilter();
  options.processEntireLog = profile.GetProcessEntireLog() != 0;
  options.reportFrom = profile.GetReportFrom();
  options.reportTo = profile.GetReportTo();
  options.homepageUrl = profile.GetHomepageUrl();
  options.topLastVisitors = profile.GetTopLastVisitors();
  return options;
}

// A notice's text on one line, for a run's result message.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\t' || c == '\r') c = ' ';
  }
  std::string line;
  for (char c : text) {
    if (c == ' ' && !line.empty() && line.back() == ' ') continue;
    line += c;
  }
  return line;
}

// Milliseconds as seconds for a message: "10", "0.25".
std::string SecondsText(std::int32_t milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", milliseconds / 1000.0);
  return text;
}

// One run of one site; see RunSite.
class SiteRun {
 public:
  SiteRun(std::shared_ptr<CSiteProfile> profile, const RunSettings& settings, const RunHost& host,
          CDNSCache& dnsCache, const RunOptions& options)
      : owner_(std::move(profile)),
        profile_(*owner_),
        host_(host),
        dnsCache_(dnsCache),
        options_(options),
        settings_(settings),
        stats_(profile_.Statistics()) {
    Resolver lookup = options.resolver ? options.resolver : Resolver(&ReverseLookup);
    resolver_ = [this, lookup = std::move(lookup)](std::string_view address) {
      return BoundedLookup(lookup, address);
    };
    beforeLookup_ = [this] {
      Post(kStageResolving);
      if (options_.progress != nullptr) {
        options_.progress->hostLookups.fetch_add(1, std::memory_order_relaxed);
      }
    };
    afterLookup_ = [this] { Post(remote_ ? kStageFtpReading : kStageReading); };
  }

  RunResult Run() {
    try {
      return Steps();
    } catch (const std::exception& e) {
      return Fail(kStageLogfileError, Notice{e.what()}, e.what());
    } catch (...) {
      const std::string message = "The run of " + profile_.GetLogfilePath() + " failed";
      return Fail(kStageLogfileError, Notice{message}, message);
    }
  }

 private:
  // Why the walk through the logfiles stopped.
  enum class ReadEnd { Done, Cancelled, Failed };

  RunResult Steps() {
    startTime_ = std::time(nullptr);
    remote_ = profile_.GetRemoteLogfile() != 0;
    profile_.SetRunning(true);
    if (options_.stopRequested != nullptr) {
      // Pairs with the fence of the front end's stop, between setting the
      // token and clearing the flag.
      std::atomic_thread_fence(std::memory_order_seq_cst);
      if (options_.stopRequested->load()) {
        profile_.SetRunning(false);
        return Cancelled();
      }
    }
    stats_.Prepare();
    counting_ = CountingOptionsOf(profile_);
    if (settings_.geoipCountries) {
      countries_ =
          std::make_unique<GeoIpCountries>(GeoIpSources{.mmdbFile = settings_.geoipDatabase});
      counting_.countryLookup = countries_.get();
    }
    counting_.countAudience =
        settings_.modernView || !options_.modernViewPath.empty() || options_.countAudience;
    if (counting_.countAudience) {
      RunRobots robots = RobotsForRun(settings_.robotPatternsFile);
      robots_ = std::move(robots.lookup);
      counting_.robotLookup = robots_.get();
      warnings_.insert(warnings_.end(), robots.warnings.begin(), robots.warnings.end());
    }
    if (settings_.resolveHostnames) {
      counting_.nameHost = [this](std::string_view address) { return NameOf(address); };
    }
    // Remote logfiles are read on through local copies (UpdateRemoteCopies).
    keepState_ = options_.incremental && !settings_.cacheFolder.empty() &&
                 !(options_.standardInput && profile_.GetLogfilePath() == "-");
    Post(kStageReading);

    switch (ReadLogfiles()) {
      case ReadEnd::Done:
        break;
      case ReadEnd::Cancelled:
        return Cancelled();
      case ReadEnd::Failed:
        return failure_;
    }
    // An empty log or a range without records still makes a report (of
    // zeros), but not without a word.
    if (stats_.uniqueHosts == 0) warnings_.push_back(NoRecordsWarning());
    CompleteStatistics();
    if (!profile_.GetRunning()) return Cancelled();
    const auto countryNames = LoadCountryNames(CountryTablePath(settings_.programDirectory));
    NameCountries(stats_.countries, countryNames);
    NameCountries(stats_.audience.countries, countryNames);
    ShowStatistics();
    if (options_.onStatistics) {
      options_.onStatistics(profile_);
      // The caller may have taken long; a stop meanwhile still skips the report.
      if (!profile_.GetRunning()) return Cancelled();
    }
    return Report();
  }

  ReadEnd ReadLogfiles() {
    const std::string setting = profile_.GetLogfilePath();
    if (options_.standardInput && !remote_ && setting == "-") return ReadStandardInput();
    if (NamesArchive(setting)) {
      Result<std::filesystem::path> staging =
          CreateStagingFolder(settings_.cacheFolder, profile_.GetListIndex());
      // The fetched archive is a copy for the user: a failed fetch does not
      // end the run, and is told as a warning.
      if (remote_ && staging.ok()) {
        if (Status fetched = FetchRemoteArchive(profile_, *staging, RemoteAccessOf(),
                                                settings_.stagedArchiveLimitBytes);
            !fetched.ok()) {
          warnings_.push_back(fetched.message());
        }
      }
    }
    std::string fileList = setting;
    ListedNames listed = ListedNames::kTyped;
    if (remote_ && NamesWildcard(setting)) {
      Result<std::string> matches = ExpandRemoteWildcards(profile_, RemoteAccessOf());
      if (!matches.ok()) {
        Notify(Notice{matches.message()});
        return FailRead(kStageTransmissionError, matches.message());
      }
      fileList = *matches;
      listed = ListedNames::kMatched;
    } else if (!remote_) {
      LocalFiles local = LocalFileList(setting);
      for (const std::string& path : local.leftOut) {
        warnings_.push_back("Left out the logfile " + path +
                            ": its name holds \"|\", \"\\\" or a control character");
      }
      fileList = std::move(local.fileList);
      listed = local.listed;
    }
    const std::time_t start = startTime_;
    std::tm startLocal{};
    localtime_r(&start, &startLocal);
    LogfileNames names(fileList, setting, startLocal, listed);
    if (keepState_) {
      statePath_ = RunStatePath(settings_.cacheFolder, SiteKey());
      stateLock_ = TryLockRunState(statePath_);
      if (!stateLock_.Held()) {
        keepState_ = false;
        notes_.push_back(
            "Full run: another run of this site is keeping its counts; this one keeps none");
      }
    }
    if (!keepState_) {
      while (std::optional<std::string> name = names.Next()) {
        const ReadEnd end = remote_ ? ReadRemote(*name) : ReadLocal(*name);
        if (end != ReadEnd::Done) return end;
      }
    } else {
      std::vector<std::string> all;
      while (std::optional<std::string> name = names.Next()) all.push_back(std::move(*name));
      if (remote_) {
        if (const ReadEnd copied = UpdateRemoteCopies(all); copied != ReadEnd::Done) return copied;
      }
      const ReadEnd end = ReadKeepingState(all);
      if (end != ReadEnd::Done) return end;
    }
    warnings_.insert(warnings_.end(), names.Unread().begin(), names.Unread().end());
    return ReadEnd::Done;
  }

  // The logfiles of a saved site: from its last run's state when the plan
  // allows, then the state saved for the next run once every complete line
  // is counted (an unfinished last line is counted after it, so the report
  // has it and the next run reads it again, whole).
  ReadEnd ReadKeepingState(const std::vector<std::string>& names) {
    digest_ =
        CountingDigest(counting_, settings_, profile_.GetLogfilePath(), settings_.keepLogHistory);
    RunPlan plan = PlanFromSavedState(names);
    if (!plan.note.empty()) notes_.push_back(ShownNames(plan.note));
    saved_.settingsDigest = digest_;
    saved_.history = std::move(plan.history);
    for (const std::size_t i : ReadingOrder(plan, names.size())) {
      const LogfileStart start = plan.resume ? plan.starts[i] : LogfileStart{};
      if (start.skip) {
        KeepSkipped(names[i], start.counted);
        continue;
      }
      readSomething_ = true;
      const ReadEnd end = ReadLocalPart(names[i], start, i + 1 == names.size());
      if (end != ReadEnd::Done) return end;
    }
    if (!stateSaved_ && (readSomething_ || !plan.resume)) SaveState();
    return ReadEnd::Done;
  }

  // The listed order; with the history kept, the files read on from an
  // earlier run come first: their lines were written before any file's
  // that is new (a rotated access.log.1 before the fresh access.log).
  std::vector<std::size_t> ReadingOrder(const RunPlan& plan, std::size_t count) const {
    std::vector<std::size_t> order;
    if (plan.resume && settings_.keepLogHistory) {
      for (std::size_t i = 0; i < count; ++i) {
        if (plan.starts[i].offset > 0) order.push_back(i);
      }
      for (std::size_t i = 0; i < count; ++i) {
        if (plan.starts[i].offset == 0) order.push_back(i);
      }
      return order;
    }
    for (std::size_t i = 0; i < count; ++i) order.push_back(i);
    return order;
  }

  // A remote site's logfiles as local copies in the cache folder, each
  // brought up to date by reading on where the copy ends (or fetched anew,
  // with a note saying why); `names` become the copies' paths.
  ReadEnd UpdateRemoteCopies(std::vector<std::string>& names) {
    Result<std::filesystem::path> folder = RemoteCopyFolder(statePath_);
    if (!folder.ok()) {
      Notify(Notice{folder.message()});
      return FailRead(kStageLogfileError, folder.message());
    }
    const FtpServer server = LogfileServerOf(profile_, RemoteAccessOf());
    for (std::string& name : names) {
      Post(kStageFtpConnecting);
      const std::string copy = RemoteCopyPath(*folder, name).string();
      Post(kStageFtpReading);
      Result<RemoteCopyUpdate> updated = UpdateRemoteCopy(
          server, name, copy, [this] { return !profile_.GetRunning(); },
          settings_.stagedArchiveLimitBytes);
      if (!profile_.GetRunning()) return ReadEnd::Cancelled;
      if (!updated.ok()) {
        Notify(Notice{updated.message()});
        return FailRead(kStageTransmissionError, updated.message());
      }
      if (!updated->why.empty()) notes_.push_back("Fetched anew: " + updated->why);
      shownNames_.emplace_back(copy, ServerAddress(server, name));
      name = copy;
    }
    RemoveOtherCopies(*folder, names);
    return ReadEnd::Done;
  }

  // `text` with the local copies of remote logfiles named as the files on
  // the server.
  std::string ShownNames(std::string text) const {
    for (const auto& [copy, shown] : shownNames_) {
      for (std::size_t at = text.find(copy); at != std::string::npos;
           at = text.find(copy, at + shown.size())) {
        text.replace(at, copy.size(), shown);
      }
    }
    return text;
  }

  // What tells this site's state file from another site's.
  std::string SiteKey() const {
    return profile_.GetLogfilePath() + '\0' + profile_.GetReportPath() + '\0' +
           profile_.GetHomepageUrl();
  }

  // The plan of this run, with the saved counting loaded when it goes on
  // from it. A state file that cannot be used is set aside with a warning.
  RunPlan PlanFromSavedState(const std::vector<std::string>& names) {
    if (options_.startAfresh) return RunPlan::Full("asked for");
    if (RunStateMissing(statePath_)) return RunPlan{};
    Result<std::unique_ptr<RunStateFile>> file = RunStateFile::Open(statePath_);
    if (!file.ok()) {
      SetAsideRunState(statePath_);
      warnings_.push_back(file.message() + "; it was set aside, and this run reads every logfile");
      return RunPlan::Full("the saved state could not be used");
    }
    const RunStateHeader& header = (*file)->Header();
    RunPlan plan = PlanRun(header, digest_, names, settings_.keepLogHistory);
    if (!plan.resume) return plan;
    if (!(*file)->LoadCounting(parse_, stats_)) {
      SetAsideRunState(statePath_);
      warnings_.push_back("The saved state " + statePath_.string() +
                          " is damaged; it was set aside, and this run reads every logfile");
      return RunPlan::Full("the saved state was damaged");
    }
    linesRead_ = header.linesRead;
    filesRead_ = header.filesRead;
    return plan;
  }

  // A logfile not read as it holds only what was counted: its entry goes on
  // into the state, under its name now (a rotated file found under a new
  // one is fingerprinted afresh, so that the next run knows it as it is).
  void KeepSkipped(const std::string& name, const SavedLogfile& counted) {
    if (counted.file.name == name) {
      saved_.files.push_back(counted);
      return;
    }
    Result<LogfileFingerprint> print = FingerprintLogfile(name, counted.file.bytesRead);
    if (!print.ok()) {
      warnings_.push_back(print.message() + "; the next run reads every logfile again");
      saved_.settingsDigest = 0;
      return;
    }
    saved_.files.push_back(SavedLogfile{*print, counted.format});
  }

  void SaveState() {
    stateSaved_ = true;
    saved_.linesRead = linesRead_;
    saved_.filesRead = filesRead_;
    if (Status written = SaveRunState(statePath_, saved_, parse_, stats_); !written.ok()) {
      warnings_.push_back(written.message() + "; the next run reads every logfile again");
    }
  }

  // One logfile of a saved site, from `start` on. A plain file is read up
  // to its size when opened, so that the state saved says exactly which
  // bytes were counted.
  ReadEnd ReadLocalPart(const std::string& name, const LogfileStart& start, bool last) {
    Result<std::unique_ptr<LocalLogfile>> opened = LocalLogfile::Open(name);
    if (!opened.ok()) {
      Notify(Notice{opened.message()});
      return FailRead(kStageLogfileError, opened.message());
    }
    LocalLogfile& file = **opened;
    ShowLogSize(file.Size(), file.Compressed());
    Post(kStageReading);
    std::optional<LogFormat> format;
    ReadEnd end = ReadEnd::Done;
    std::uint64_t counted = 0;
    if (file.Compressed() && start.offset > 0) {
      // Read on only in a plain file; a file compressed since it was read
      // holds what was counted.
      KeepSkipped(name, start.counted);
      return ReadEnd::Done;
    }
    if (file.Compressed()) {
      end = ReadRecords(file, name, file.Size() >= kPipelineMinBytes, start, &format);
      counted = file.BytesRead();
    } else {
      const std::uint64_t from = std::min(start.offset, file.Size());
      Result<std::uint64_t> complete = last ? file.CompleteLinesEnd(from) : file.Size();
      if (!complete.ok()) {
        Notify(Notice{complete.message()});
        return FailRead(kStageLogfileError, complete.message());
      }
      counted = *complete;
      // The layout is found from a file's first two lines: a file read from
      // its start is parted before an unfinished last line only when two
      // whole lines come first, so that this run finds the layout a full
      // run over these bytes finds (and the next run reads on in it).
      // Read whole, its unfinished last line is counted too: the next run
      // cannot read on from the middle of a line, and reads it all again.
      bool unfinished = false;
      if (from == 0 && counted < file.Size()) {
        const Result<bool> twoLines = file.HasLineEnds(counted, 2);
        if (!twoLines.ok()) {
          Notify(Notice{twoLines.message()});
          return FailRead(kStageLogfileError, twoLines.message());
        }
        unfinished = !*twoLines;
        if (unfinished) counted = file.Size();
      }
      end = ReadPart(file, name, from, counted, start, &format);
      if (unfinished) format.reset();
      if (end == ReadEnd::Done && last) {
        Remember(file, name, counted, format);
        SaveState();
      }
      if (end == ReadEnd::Done && counted < file.Size()) {
        const LogfileStart rest{.offset = counted,
                                .format = format.value_or(LogFormat::Unsupported)};
        end = ReadPart(file, name, counted, file.Size(), rest, nullptr, true);
      }
      if (last) return EndOfLocal(name, file, end);
    }
    if (end == ReadEnd::Done) Remember(file, name, counted, format);
    return EndOfLocal(name, file, end);
  }

  ReadEnd ReadPart(LocalLogfile& file, const std::string& name, std::uint64_t from,
                   std::uint64_t to, const LogfileStart& start, std::optional<LogFormat>* format,
                   bool sameFile = false) {
    Result<std::unique_ptr<LocalLogfile>> part = file.Part(from, to);
    if (!part.ok()) {
      Notify(Notice{part.message()});
      return FailRead(kStageLogfileError, part.message());
    }
    LogfileStart goOn = start;
    if (from == 0) goOn.format = LogFormat::Unsupported;
    return ReadRecords(**part, name, to - from >= kPipelineMinBytes, goOn, format,
                       sameFile || from > 0);
  }

  // Notes a logfile read for the state saved: how far it was counted and in
  // which layout the next run reads on.
  void Remember(const LocalLogfile& file, const std::string& name, std::uint64_t counted,
                const std::optional<LogFormat>& format) {
    Result<LogfileFingerprint> print =
        file.Edges() != nullptr ? FingerprintReadLogfile(file.Descriptor(), name, *file.Edges())
                                : FingerprintOpenLogfile(file.Descriptor(), name, counted);
    if (!print.ok()) {
      warnings_.push_back(print.message() + "; the next run reads every logfile again");
      saved_.settingsDigest = 0;  // never matches: the next run is a full one
      return;
    }
    saved_.files.push_back(SavedLogfile{*print, format.value_or(LogFormat::Unsupported)});
  }

  std::string NoRecordsWarning() const {
    const std::string lines = std::to_string(linesRead_) + (linesRead_ == 1 ? " line" : " lines");
    if (filesRead_ == 0) return "No records were counted: no logfile was read";
    if (linesRead_ == 0) {
      return "No records were counted: the logfile " + profile_.GetLogfilePath() +
             " holds no lines";
    }
    if (profile_.GetProcessEntireLog() == 0) {
      return "No records were counted: none of the " + lines + " read lies between " +
             RangeDayText(profile_.GetReportFrom()) + " and " +
             RangeDayText(profile_.GetReportTo());
    }
    return "No records were counted from the " + lines +
           " read: each was filtered out or named "
           "no host or URL";
  }

  // The size of the logfile just opened, 0 for one whose size is unknown
  // (remote, standard input), for the window and the progress lines.
  void ShowLogSize(std::uint64_t size, bool compressed) {
    profile_.SetLastLogfileSize(size);
    if (options_.progress != nullptr) {
      options_.progress->fileSize.store(size, std::memory_order_relaxed);
      options_.progress->compressed.store(compressed, std::memory_order_relaxed);
    }
    Post(kStageLogSize);
  }

  ReadEnd ReadRemote(const std::string& name) {
    Post(kStageFtpConnecting);
    Result<std::unique_ptr<LineSource>> file = OpenRemoteLogfile(profile_, name, RemoteAccessOf());
    if (!file.ok()) {
      Notify(Notice{file.message()});
      return FailRead(kStageTransmissionError, file.message());
    }
    ShowLogSize(0, false);
    Post(kStageFtpReading);
    return ReadRecords(**file, name, true);
  }

  // Transfers stop with the run: they ask the running flag as they wait.
  RemoteAccess RemoteAccessOf() const {
    return RemoteAccess{.passive = settings_.passiveFtp,
                        .stop = [this] { return !profile_.GetRunning(); },
                        .connectSeconds = settings_.connectSeconds,
                        .silenceSeconds = settings_.serverSilenceSeconds,
                        .homeFolder = settings_.homeFolder,
                        .sshKeyFile = settings_.sshKeyFile,
                        .caFile = settings_.caBundle,
                        .retryPauseMs = settings_.retryPauseMs};
  }

  // Standard input: read once, through the pipeline as its size is
  // unknown, and never deleted by the oversized-logfile rule.
  ReadEnd ReadStandardInput() {
    Result<std::unique_ptr<LocalLogfile>> file = LocalLogfile::OpenStandardInput();
    if (!file.ok()) {
      Notify(Notice{file.message()});
      return FailRead(kStageLogfileError, file.message());
    }
    ShowLogSize(0, (*file)->Compressed());
    Post(kStageReading);
    return ReadRecords(**file, (*file)->Name(), true);
  }

  ReadEnd ReadLocal(const std::string& name) {
    Result<std::unique_ptr<LocalLogfile>> file = LocalLogfile::Open(name);
    if (!file.ok()) {
      Notify(Notice{file.message()});
      return FailRead(kStageLogfileError, file.message());
    }
    ShowLogSize((*file)->Size(), (*file)->Compressed());
    Post(kStageReading);
    const ReadEnd end = ReadRecords(**file, name, (*file)->Size() >= kPipelineMinBytes);
    return EndOfLocal(name, **file, end);
  }

  // After a local logfile: the oversized-logfile rule, for the file read.
  ReadEnd EndOfLocal(const std::string& name, const LocalLogfile& file, ReadEnd end) {
    const FileIdentity wasRead = file.Identity();
    if (end == ReadEnd::Done && IsOversizedLogfile(profile_, settings_)) {
      Post(kStageDeletingOversized);
      const Result<LogfileDeletion> deleted = DeleteLogfile(name, wasRead);
      if (!deleted.ok()) {
        Notify(Notice{deleted.message()});
      } else if (*deleted == LogfileDeletion::kReplaced) {
        warnings_.push_back("The oversized logfile " + name +
                            " was not deleted: another file took its name while it was read");
      }
    }
    return end;
  }

  // The records of one logfile, counted in file order. The running flag is
  // tested before every line is parsed and before every record is counted.
  // A large or remote file is read and cut on a second thread while this
  // one counts (PipeRecords); results are the same either way.
  ReadEnd ReadRecords(LineSource& source, const std::string& name, bool pipelined,
                      const LogfileStart& start = {},
                      std::optional<LogFormat>* foundFormat = nullptr, bool sameFile = false) {
    // The parts of one file count as one file.
    const bool newFile = !sameFile;
    if (options_.progress != nullptr && newFile) {
      options_.progress->fileNumber.fetch_add(1, std::memory_order_relaxed);
      options_.progress->bytesRead.store(0, std::memory_order_relaxed);
    }
    CountingLineSource lines(source, options_.progress, linesRead_);
    LogfileRecords records = start.format == LogFormat::Unsupported
                                 ? LogfileRecords(lines, parse_)
                                 : LogfileRecords(lines, parse_, start.format);
    const auto running = [this] { return profile_.GetRunning(); };
    RecordHandlers handlers;
    handlers.lookAhead = [this](const RecordHashes& far, const RecordHashes& near,
                                const RecordHashes& next) {
      PrefetchHost(stats_, counting_, far, near, next);
    };
    handlers.count = [this](LogRecord& record, LogFormat format, const RecordHashes& hashes) {
      Count(record, format, hashes);
    };
    const PipelineEnd end = pipelined ? PipeRecords(records, running, handlers)
                                      : CountRecords(records, running, handlers);
    if (end.cancelled) return ReadEnd::Cancelled;
    const RecordStep step = end.step;
    linesRead_ = lines.LinesRead();
    if (newFile) ++filesRead_;
    if (foundFormat != nullptr) *foundFormat = records.ResumableFormat();
    return EndOfRecords(step, records, name);
  }

  // One look-up on a helper thread, waited for at most `hostLookupMs`. A
  // resolver that does not answer in time is not asked again in this run:
  // the remaining addresses stay as they are (and out of the shared cache,
  // so that a later run may still name them), and a warning says so.
  std::string BoundedLookup(const Resolver& lookup, std::string_view address) {
    std::optional<std::string> name =
        CallWithin<std::string>([lookup, text = std::string(address)] { return lookup(text); },
                                std::chrono::milliseconds(settings_.hostLookupMs));
    if (name) return *name;
    resolverStalled_ = true;
    warnings_.push_back("The resolver did not name " + std::string(address) + " within " +
                        SecondsText(settings_.hostLookupMs) +
                        " seconds; this and the addresses not yet looked up stay as they are");
    return std::string(address);
  }

  // The name a client's address is counted under; empty to keep the
  // address. Counting asks once per address and run, so the shared cache
  // (a lock and a copy) is asked once per client. After a stalled look-up
  // only names already known are used, so a client named earlier keeps its
  // one row.
  std::string NameOf(std::string_view address) {
    return resolverStalled_
               ? dnsCache_.Lookup(address)
               : ResolveHost(address, dnsCache_, resolver_, beforeLookup_, afterLookup_);
  }

  void Count(LogRecord& record, LogFormat format, const RecordHashes& hashes) {
    // Written only when it changes, so that the line stays clean in the
    // counting thread's cache.
    const bool w3cLog = format == LogFormat::W3cExtended;
    if (counting_.w3cLog != w3cLog) counting_.w3cLog = w3cLog;
    AddRecord(stats_, counting_, record, hashes);
  }

  ReadEnd EndOfRecords(RecordStep step, const LogfileRecords& records, const std::string& name) {
    switch (step) {
      case RecordStep::End:
        return ReadEnd::Done;
      case RecordStep::Damaged:
        // The lines before the damage are counted; the run goes on.
        Notify(Notice{records.SourceEndState().message});
        return ReadEnd::Done;
      case RecordStep::ReadFailed:
        // A remote file that breaks off is a failed transmission.
        Notify(Notice{records.SourceEndState().message});
        return FailRead(remote_ ? kStageTransmissionError : kStageLogfileError,
                        records.SourceEndState().message);
      case RecordStep::UnsupportedFormat: {
        if (records.DetectionFailed()) Notify(DetectionFailedNotice());
        const Notice notice = UnsupportedLogfileNotice(name);
        Notify(notice);
        return FailRead(kStageLogfileError, OneLine(notice.text));
      }
      case RecordStep::MissingDateField: {
        const Notice notice = MissingDateFieldNotice();
        Notify(notice);
        return FailRead(kStageLogfileError, OneLine(notice.text) + " Filename: " + name);
      }
      case RecordStep::Record:
      case RecordStep::Skipped:
        break;
    }
    return ReadEnd::Done;
  }

  // After the last file: visits closed, the report period and the graph
  // file prefix.
  void CompleteStatistics() {
    FinishRecords(stats_);
    if (countries_ != nullptr) {
      const std::vector<std::string>& geoip = countries_->Warnings();
      warnings_.insert(warnings_.end(), geoip.begin(), geoip.end());
    }
    if (parse_.period.HasRecords()) {
      periodStart_ = parse_.period.Start();
      periodEnd_ = parse_.period.End();
      dayKey_.Note(parse_.period.LastMonth(), parse_.period.LastDay());
    }
    if (profile_.GetProcessEntireLog() == 0) {
      periodStart_ = RangeDayText(profile_.GetReportFrom());
      periodEnd_ = RangeDayText(profile_.GetReportTo());
    }
    graphFilePrefix_ =
        options_.graphsNamedAfterReport
            ? GraphFilePrefixOfReport(FinalReportFileName(profile_.GetReportPath(), periodEnd_))
            : GraphFilePrefixOf(profile_.GetListIndex(), dayKey_.Text());
  }

  // The end of the statistics step: what the window (and the statistics
  // file) shows of it goes into the profile.
  void ShowStatistics() {
    profile_.SetPeriodStart(periodStart_);
    profile_.SetPeriodEnd(periodEnd_);
    profile_.SetBusiestDayReport(stats_.busiestDay);
    profile_.SetBusiestDayMail(stats_.busiestDay);
  }

  // The end of the report step: where the window finds the report.
  void ShowReport(const ReportOutcome& report) {
    profile_.SetReportFolder(report.reportFolder);
    profile_.SetFinalReportFileName(report.finalReportFileName);
  }

  RunResult Report() {
    Post(kStageWritingReport);
    PageHeadSource pageHeads;
    if (settings_.fetchPageTitles) {
      // Asked of the site's server; a stopped run asks no more.
      PageHeadOptions options;
      options.caFile = settings_.caBundle;
      options.stop = [this] { return !profile_.GetRunning(); };
      pageHeads = PageHeadsFromServer(std::move(options));
    }
    Result<ReportOutcome> written = GenerateReport(ReportInput{
        .profile = profile_,
        .statistics = stats_,
        .periodStart = periodStart_,
        .periodEnd = periodEnd_,
        .busiestDay = stats_.busiestDay,
        .graphFilePrefix = graphFilePrefix_,
        .programDirectory = settings_.programDirectory,
        .whoisLookups = settings_.whoisLookups,
        .pageHeads = std::move(pageHeads),
        .host = host_,
    });
    if (!written.ok()) {
      // Report assembly has shown its message already.
      return Fail(kStageReportError, std::nullopt, written.message());
    }
    const ReportOutcome& report = *written;
    ShowReport(report);
    warnings_.insert(warnings_.end(), report.warnings.begin(), report.warnings.end());
    const bool upload = profile_.GetUploadReport() != 0;
    const std::string modernView = WriteModern(report);
    // A report rewritten under one name leaves the graphs of its earlier
    // last days unused; those of a dated report stay with the older pages.
    if (!upload && !options_.graphsNamedAfterReport && !report.graphFiles.empty() &&
        !IsDatedReportName(profile_.GetReportPath())) {
      (void)RemoveEarlierGraphSets(std::filesystem::path(report.graphFiles.front()).parent_path(),
                                   profile_.GetListIndex(), graphFilePrefix_);
    }
    if (upload) {
      if (Status published = PublishReport(profile_, report, graphFilePrefix_, host_,
                                           RemoteAccessOf(), modernView);
          !published.ok()) {
        // The report stays in its local copy, so the work is not lost.
        const std::string message = published.message() + "; the report is in " + report.reportFile;
        return Fail(kStageTransmissionError, Notice{message}, message);
      }
    }
    if (profile_.GetEmailReport() != 0) {
      Post(kStageSendingMail);
      // A mail that does not go out leaves the report as it is: the run
      // still finishes, and the server's reply reaches the user as a
      // warning rather than a message box.
      if (Status sent = SendReportMail(profile_, settings_, report.reportFile); !sent.ok()) {
        warnings_.push_back(sent.message());
        Post(kStageMailError);
      }
    }
    // The local copy of an uploaded report is ours; any other file of that
    // name is the user's.
    if (upload) {
      std::error_code ignored;
      fs::remove(report.reportFile, ignored);
      if (!modernView.empty()) fs::remove(modernView, ignored);
    }
    if (settings_.openReportWhenDone && profile_.GetScheduled() == 0 && host_.shell != nullptr) {
      host_.shell->Open(report.finalReportFileName);
    }
    profile_.ResetAfterRun();
    const std::int64_t now = std::time(nullptr);
    profile_.SetTimeTaken(TimeTakenText(now - startTime_));
    profile_.SetLastRunTime(now);
    Post(kStageFinished);
    return RunResult{kStageFinished, {}, warnings_, notes_};
  }

  // Writes the modern view when the settings or the caller ask for it:
  // beside the report file (for an uploaded report, beside its local copy)
  // or where the caller says. Returns the file written; empty for none. A
  // view that cannot be written is a warning: the report is whole without it.
  std::string WriteModern(const ReportOutcome& report) {
    std::string path = options_.modernViewPath;
    if (path.empty()) {
      // A report written into a device or pipe has no place beside it.
      if (!settings_.modernView || IsDeviceFile(report.reportFile)) return {};
      path = ModernViewPathOf(report.reportFile);
    }
    const std::time_t now = std::time(nullptr);
    char generated[64] = "";
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
      std::strftime(generated, sizeof generated, "%Y-%m-%d %H:%M %Z", &local);
    }
    const Status written = WriteModernView(
        ModernViewInput{
            .statistics = stats_,
            .audience = stats_.audience,
            // Without a site URL, the logfile's own name says which site it is.
            .siteName = profile_.GetHomepageUrl().empty()
                            ? fs::path(profile_.GetLogfilePath()).filename().string()
                            : profile_.GetHomepageUrl(),
            .periodStart = periodStart_,
            .periodEnd = periodEnd_,
            .generatedAt = generated,
            .classicReportName = fs::path(report.finalReportFileName).filename().string(),
        },
        path);
    if (!written.ok()) {
      warnings_.push_back(written.message());
      return {};
    }
    return path;
  }

  RunResult Cancelled() {
    profile_.ResetAfterRun();
    const std::string site =
        profile_.GetHomepageUrl().empty() ? profile_.GetLogfilePath() : profile_.GetHomepageUrl();
    return RunResult{
        0, "The run of " + site + " was stopped before its report was written", {}, {}};
  }

  ReadEnd FailRead(int stage, const std::string& message) {
    failure_ = Fail(stage, std::nullopt, message);
    return ReadEnd::Failed;
  }

  // Ends the run with `stage` after showing `notice` (when given).
  RunResult Fail(int stage, const std::optional<Notice>& notice, const std::string& message) {
    if (notice) Notify(*notice);
    Post(stage);
    profile_.ResetAfterRun();
    return RunResult{stage, message, warnings_, notes_};
  }

  void Post(int stage) const {
    if (host_.progress != nullptr) host_.progress->Post(stage, profile_.GetListIndex());
  }

  void Notify(const Notice& notice) const {
    if (host_.notifier != nullptr) host_.notifier->ShowMessage(notice.text, notice.caption);
  }

  std::shared_ptr<CSiteProfile> owner_;
  CSiteProfile& profile_;
  const RunHost& host_;
  CDNSCache& dnsCache_;
  const RunOptions& options_;
  const RunSettings settings_;
  SiteStatistics& stats_;

  std::int64_t startTime_ = 0;
  bool remote_ = false;
  CountingOptions counting_;
  std::unique_ptr<GeoIpCountries> countries_;  // countries of numeric hosts; null when off
  std::shared_ptr<RobotLookup> robots_;        // robots' agents; null when not counted
  ParseState parse_;
  DayKey dayKey_;
  std::uint64_t linesRead_ = 0;
  int filesRead_ = 0;
  std::string periodStart_ = kNoPeriod;
  std::string periodEnd_ = kNoPeriod;
  std::string graphFilePrefix_;
  // Naming clients (NameOf): the bounded look-up, whether it stalled, and
  // what runs around a look-up that goes to the network.
  Resolver resolver_;
  bool resolverStalled_ = false;
  std::function<void()> beforeLookup_;
  std::function<void()> afterLookup_;
  RunResult failure_;
  std::vector<std::string> warnings_;
  std::vector<std::string> notes_;
  // Keeping the counting state for the next run (RunOptions::incremental):
  // where, the digest of the counting settings, what the state saved says,
  // the saved entries the listed files go on from.
  bool keepState_ = false;
  std::filesystem::path statePath_;
  std::uint64_t digest_ = 0;
  RunStateHeader saved_;
  bool stateSaved_ = false;
  RunStateLock stateLock_;
  // Local copies of remote logfiles and the addresses they are shown by.
  std::vector<std::pair<std::string, std::string>> shownNames_;
  bool readSomething_ = false;
};

}  // namespace

RunResult RunSite(std::shared_ptr<CSiteProfile> profile, const RunSettings& settings,
                  const RunHost& host, CDNSCache& dnsCache, const RunOptions& options) {
  if (profile == nullptr) return RunResult{kStageLogfileError, "No site to run.", {}, {}};
  return SiteRun(std::move(profile), settings, host, dnsCache, options).Run();
}

}  // namespace tlw
