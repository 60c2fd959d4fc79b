#include "logs/logfile_records.h"

namespace tlw {

RecordStep LogfileRecords::Finish() {
  phase_ = Phase::Done;
  switch (lines_.End().kind) {
    case SourceEnd::Kind::Clean:
      return RecordStep::End;
    case SourceEnd::Kind::Damaged:
      return RecordStep::Damaged;
    case SourceEnd::Kind::Failed:
      return RecordStep::ReadFailed;
  }
  return RecordStep::End;
}

RecordStep LogfileRecords::Parse(std::span<char> line, LogRecord& record) {
  switch (ParseLine(format_, line, state_, record)) {
    case ParseOutcome::Record:
      if (!CompleteRecord(record)) return RecordStep::Skipped;
      state_.period.Note(record);
      return RecordStep::Record;
    case ParseOutcome::Skipped:
      return RecordStep::Skipped;
    case ParseOutcome::UnsupportedFormat:
      phase_ = Phase::Done;
      return RecordStep::UnsupportedFormat;
    case ParseOutcome::MissingDateField:
      phase_ = Phase::Done;
      return RecordStep::MissingDateField;
  }
  return RecordStep::Skipped;
}

RecordStep LogfileRecords::Detect(LogRecord& record) {
  std::span<char> first;
  if (!lines_.ReadLine(first)) return Finish();
  firstLine_.assign(first.data(), first.size());
  std::span<char> firstCopy(firstLine_.data(), firstLine_.size());
  detected_ = true;
  if (!lines_.ReadLine(probeLine_)) {
    // A one-line file, or one whose data broke off inside its second line:
    // the first line is complete, decides the layout alone and is parsed,
    // so that the lines counted before the damage include it. Damage after
    // a line of no known layout ends the file, not the run.
    format_ = DetectLogFormat(firstLine_);
    if (lines_.End().kind != SourceEnd::Kind::Clean && format_ == LogFormat::Unsupported) {
      detected_ = false;
      return Finish();
    }
    phase_ = Phase::Body;
    return Parse(firstCopy, record);
  }
  format_ = DetectLogFormat(std::string_view(probeLine_.data(), probeLine_.size()));
  fromTwoLines_ = true;
  if (DetectLogFormat(firstLine_) == format_) {
    phase_ = Phase::ProbeLine;
    return Parse(firstCopy, record);
  }
  phase_ = Phase::Body;
  return Parse(probeLine_, record);
}

RecordStep LogfileRecords::Next(LogRecord& record) {
  switch (phase_) {
    case Phase::Detect:
      return Detect(record);
    case Phase::ProbeLine:
      phase_ = Phase::Body;
      return Parse(probeLine_, record);
    case Phase::Body: {
      std::span<char> line;
      if (!lines_.ReadLine(line)) return Finish();
      return Parse(line, record);
    }
    case Phase::Done:
      break;
  }
  return RecordStep::End;
}

}  // namespace tlw
