#pragma once

#include <array>
#include <string_view>

namespace tlw {

// The progress stages a run and its report post through ProgressSink, with
// the status text a front end shows for each: the one table of them.
// `endsRun` marks the stages after which the run has stopped, so a front
// end clears the site's running state when it sees one.
struct RunStage {
  int number;
  std::string_view text;
  bool endsRun;
};

inline constexpr int kStageReading = 1;
inline constexpr int kStageFtpConnecting = 2;
inline constexpr int kStageFtpReading = 3;
inline constexpr int kStageTransmissionError = 4;
inline constexpr int kStageLogfileError = 5;
inline constexpr int kStageUploadingReport = 6;
inline constexpr int kStageWritingReport = 8;
inline constexpr int kStagePageTitles = 9;
inline constexpr int kStageFinished = 10;
inline constexpr int kStageWhois = 11;
inline constexpr int kStageUploadingGraphs = 12;
inline constexpr int kStageReportError = 13;
inline constexpr int kStageResolving = 20;
inline constexpr int kStageDeletingOversized = 25;
inline constexpr int kStageMailError = 30;
inline constexpr int kStageSendingMail = 31;
inline constexpr int kStageCopyingImages = 45;
inline constexpr int kStageLogSize = 55;

// Every stage, in number order. Stage 10 is followed by the finish time that
// the front end records; stage 55 has no text: it only asks for the log size
// to be shown again. Stage 13 ends a run whose report could not be written,
// which would otherwise have to pass for a logfile error.
inline constexpr std::array<RunStage, 19> kRunStages{{
    {kStageReading, "Reading Logfile...", false},
    {kStageFtpConnecting, "FTP: Connecting...", false},
    {kStageFtpReading, "FTP: Reading Logfile...", false},
    {kStageTransmissionError, "FTP: Transmission ERROR!", true},
    {kStageLogfileError, "Error reading logfile!", true},
    {kStageUploadingReport, "FTP: Uploading report", false},
    {7, "FTP: Uploading images", false},
    {kStageWritingReport, "Writing HTML report...", false},
    {kStagePageTitles, "HTTP: Top webpage headers...", false},
    {kStageFinished, "Finished: ", true},
    {kStageWhois, "WHOIS on domains", false},
    {kStageUploadingGraphs, "FTP: Uploading graphs", false},
    {kStageReportError, "Error writing HTML report!", true},
    {kStageResolving, "DNS: IP addr -> hostname", false},
    {kStageDeletingOversized, "Deleting oversized logfile...", false},
    {kStageMailError, "Error connecting to mail server!", false},
    {kStageSendingMail, "Sending email report...", false},
    {kStageCopyingImages, "Copying image files", false},
    {kStageLogSize, "", false},
}};

// The status text of `stage`; "Unknown" for a number no run posts.
constexpr std::string_view StageText(int stage) {
  for (const RunStage& entry : kRunStages) {
    if (entry.number == stage) return entry.text;
  }
  return "Unknown";
}

// Whether the run has stopped once it posts `stage`.
constexpr bool StageEndsRun(int stage) {
  for (const RunStage& entry : kRunStages) {
    if (entry.number == stage) return entry.endsRun;
  }
  return false;
}

}  // namespace tlw
