#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "base/log_record.h"
#include "logs/log_format.h"
#include "logs/logfile_records.h"

namespace tlw {

// A record copied out of its line, with the layout it was cut by.
struct BatchedRecord {
  LogRecord record;  // views into the batch's arena
  LogFormat format;
};

// Records copied into one arena, so that they outlive the reader's line
// buffer. The arena and the record slots are allocated once and reused
// from batch to batch: adding a record allocates nothing.
class RecordBatch {
 public:
  static constexpr std::size_t kArenaBytes = 256 * 1024;
  static constexpr std::size_t kMaxRecords = 1024;

  RecordBatch();
  // Copies `record`, cut from `line`, in: the line in one piece, with the
  // fields that lie in it moved along, and any other field (a text kept
  // elsewhere by the parser) on its own. False when the batch is full (an
  // empty batch takes any record, growing its arena for an outsized one).
  bool Add(const LogRecord& record, std::span<const char> line, LogFormat format);
  void Clear() {
    used_ = 0;
    count_ = 0;
  }
  bool Empty() const { return count_ == 0; }
  std::span<BatchedRecord> Records() { return {records_.data(), count_}; }

 private:
  // Add within the arena as it is; false, with nothing added, when the
  // record does not fit.
  bool TryAdd(const LogRecord& record, std::span<const char> line, LogFormat format);

  std::unique_ptr<char[]> arena_;
  std::size_t capacity_ = kArenaBytes;
  std::size_t used_ = 0;
  std::vector<BatchedRecord> records_;
  std::size_t count_ = 0;
};

// How the records of one logfile ended.
struct PipelineEnd {
  RecordStep step = RecordStep::End;  // End, Damaged or a failure
  bool cancelled = false;             // `running` was cleared first
};

// Reads the records of `records` on a thread of its own and hands them in
// batches, in file order, to `count` on the calling thread, so that cutting
// lines and counting them overlap. Both sides test `running` (before every
// line read and before every record counted), so a stop ends the file
// within one record. A failure thrown by the reading side is thrown again
// here once that thread has ended.
PipelineEnd PipeRecords(LogfileRecords& records, const std::function<bool()>& running,
                        const std::function<void(LogRecord&, LogFormat)>& count);

}  // namespace tlw
