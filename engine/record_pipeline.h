#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "base/cache_line.h"
#include "base/log_record.h"
#include "logs/log_format.h"
#include "logs/logfile_records.h"
#include "stats/add_record.h"

namespace tlw {

// A record with the layout it was cut by and the hashes of its keys. Its
// fields are views into the reader's buffers, which stay unchanged until
// the batch is counted.
struct BatchedRecord {
  LogRecord record;
  LogFormat format;
  RecordHashes hashes;
};

// The records handed from the reading thread to the counting thread in one
// go. The slots are allocated once and reused from batch to batch. On a
// cache line of its own: the reading thread writes its count at every record.
class alignas(kCacheLineSize) RecordBatch {
 public:
  static constexpr std::size_t kMaxRecords = 256;

  RecordBatch() : records_(kMaxRecords) {}
  // False, with nothing added, when the batch is full.
  bool Add(const LogRecord& record, LogFormat format, const RecordHashes& hashes) {
    if (count_ == kMaxRecords) return false;
    records_[count_++] = BatchedRecord{record, format, hashes};
    return true;
  }
  void Clear() { count_ = 0; }
  bool Empty() const { return count_ == 0; }
  std::span<BatchedRecord> Records() { return {records_.data(), count_}; }

 private:
  std::vector<BatchedRecord> records_;
  std::size_t count_ = 0;
};

// What is done with each record of a logfile. The hashes of a record's
// keys (HashesOf) are worked out on the reading side as it is cut, and go
// over with it.
struct RecordHandlers {
  // While records are counted: the hashes of the record some eight records
  // ahead, of the one some four ahead and of the one some two ahead, so
  // that what counting them will read can be loaded in the meantime. May
  // be empty.
  std::function<void(const RecordHashes& far, const RecordHashes& near, const RecordHashes& next)>
      lookAhead;
  // Counts a record.
  std::function<void(LogRecord&, LogFormat, const RecordHashes&)> count;
};

// How the records of one logfile ended.
struct PipelineEnd {
  RecordStep step = RecordStep::End;  // End, Damaged or a failure
  bool cancelled = false;             // `running` was cleared first
};

// Reads the records of `records` on a thread of its own and hands them in
// batches, in file order, to `count` on the calling thread, so that cutting
// lines and counting them overlap. The lines are read into a few buffers
// that are reused only once every record cut from them was counted, so no
// line is copied. Both sides test `running` (before every line read and
// before every record counted), so a stop ends the file within one record.
// A failure thrown by the reading side is thrown again here once that
// thread has ended. A source that cannot keep its lines is read and counted
// on the calling thread alone, with the same results.
PipelineEnd PipeRecords(LogfileRecords& records, const std::function<bool()>& running,
                        const RecordHandlers& handlers);

// The same on the calling thread alone: each record is counted before the
// next line is read (`lookAhead` is not called).
PipelineEnd CountRecords(LogfileRecords& records, const std::function<bool()>& running,
                         const RecordHandlers& handlers);

}  // namespace tlw
