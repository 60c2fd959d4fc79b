#include "engine/record_pipeline.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

namespace tlw {
namespace {

// Batches in flight: one being filled, one waiting, one being counted.
constexpr std::size_t kBatches = 3;

// The hand-over between the reading thread and the counting thread: full
// batches go one way in order, emptied batches come back.
class BatchChannel {
 public:
  BatchChannel() {
    for (RecordBatch& batch : batches_) free_.push_back(&batch);
  }

  // An empty batch for the reader; nullptr once the counter has stopped.
  RecordBatch* TakeFree() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return abandoned_ || !free_.empty(); });
    if (abandoned_) return nullptr;
    RecordBatch* batch = free_.back();
    free_.pop_back();
    return batch;
  }
  void PutFull(RecordBatch* batch) {
    {
      std::lock_guard lock(mutex_);
      full_[(fullStart_ + fullCount_) % kBatches] = batch;
      ++fullCount_;
    }
    changed_.notify_all();
  }
  // The next full batch in order; nullptr once the reader has finished and
  // every batch was taken.
  RecordBatch* TakeFull() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return fullCount_ > 0 || finished_; });
    if (fullCount_ == 0) return nullptr;
    RecordBatch* batch = full_[fullStart_];
    fullStart_ = (fullStart_ + 1) % kBatches;
    --fullCount_;
    return batch;
  }
  void GiveBack(RecordBatch* batch) {
    batch->Clear();
    {
      std::lock_guard lock(mutex_);
      free_.push_back(batch);
    }
    changed_.notify_all();
  }
  void Finish(PipelineEnd end, std::exception_ptr failure) {
    {
      std::lock_guard lock(mutex_);
      end_ = end;
      failure_ = std::move(failure);
      finished_ = true;
    }
    changed_.notify_all();
  }
  // The counter stops early: the reader stops at its next hand-over.
  void Abandon() {
    {
      std::lock_guard lock(mutex_);
      abandoned_ = true;
    }
    changed_.notify_all();
  }
  PipelineEnd End() const { return end_; }
  std::exception_ptr Failure() const { return failure_; }

 private:
  std::array<RecordBatch, kBatches> batches_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<RecordBatch*> free_;
  std::array<RecordBatch*, kBatches> full_{};
  std::size_t fullStart_ = 0;
  std::size_t fullCount_ = 0;
  bool finished_ = false;
  bool abandoned_ = false;
  PipelineEnd end_;
  std::exception_ptr failure_;
};

// The twelve fields of a record.
std::array<std::string_view, 12> FieldsOf(const LogRecord& r) {
  static_assert(sizeof(LogRecord) == 12 * sizeof(std::string_view));
  return {r.host,   r.user, r.day,    r.month, r.year,     r.hour,
          r.minute, r.url,  r.status, r.bytes, r.referrer, r.agent};
}

void ReadBatches(LogfileRecords& records, const std::function<bool()>& running,
                 BatchChannel& channel) {
  PipelineEnd end;
  std::exception_ptr failure;
  try {
    RecordBatch* batch = channel.TakeFree();
    LogRecord record;
    while (batch != nullptr) {
      if (!running()) {
        end.cancelled = true;
        break;
      }
      const RecordStep step = records.Next(record);
      if (step == RecordStep::Skipped) continue;
      if (step != RecordStep::Record) {
        end.step = step;
        break;
      }
      if (batch->Add(record, records.Line(), records.Format())) continue;
      channel.PutFull(batch);
      batch = channel.TakeFree();
      if (batch != nullptr) batch->Add(record, records.Line(), records.Format());
    }
    if (batch != nullptr && !batch->Empty()) channel.PutFull(batch);
  } catch (...) {
    failure = std::current_exception();
  }
  channel.Finish(end, failure);
}

}  // namespace

RecordBatch::RecordBatch()
    : arena_(std::make_unique_for_overwrite<char[]>(kArenaBytes)), records_(kMaxRecords) {}

bool RecordBatch::Add(const LogRecord& record, std::span<const char> line, LogFormat format) {
  if (count_ == kMaxRecords) return false;
  if (TryAdd(record, line, format)) return true;
  if (count_ > 0) return false;
  // One record larger than the whole arena: the arena grows for good.
  std::size_t size = line.size();
  for (const std::string_view text : FieldsOf(record)) size += text.size();
  capacity_ = size;
  arena_ = std::make_unique_for_overwrite<char[]>(capacity_);
  return TryAdd(record, line, format);
}

bool RecordBatch::TryAdd(const LogRecord& record, std::span<const char> line, LogFormat format) {
  const std::size_t start = used_;
  if (line.size() > capacity_ - used_) return false;
  char* const copy = arena_.get() + used_;
  if (!line.empty()) std::memcpy(copy, line.data(), line.size());
  used_ += line.size();
  const auto lineBegin = reinterpret_cast<std::uintptr_t>(line.data());
  bool fits = true;
  // A field in the line moves along with it (its distance from the line's
  // start is below `line.size()`, by wrap-around too, only when it lies
  // there); any other field is copied on its own.
  const auto place = [&](std::string_view text) -> std::string_view {
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(text.data()) - lineBegin;
    if (offset <= line.size() && text.size() <= line.size() - offset) {
      return {copy + offset, text.size()};
    }
    if (text.size() > capacity_ - used_) {
      fits = false;
      return {};
    }
    char* at = arena_.get() + used_;
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    used_ += text.size();
    return {at, text.size()};
  };
  BatchedRecord& slot = records_[count_];
  LogRecord& out = slot.record;
  out.host = place(record.host);
  out.user = place(record.user);
  out.day = place(record.day);
  out.month = place(record.month);
  out.year = place(record.year);
  out.hour = place(record.hour);
  out.minute = place(record.minute);
  out.url = place(record.url);
  out.status = place(record.status);
  out.bytes = place(record.bytes);
  out.referrer = place(record.referrer);
  out.agent = place(record.agent);
  if (!fits) {
    used_ = start;
    return false;
  }
  slot.format = format;
  ++count_;
  return true;
}

PipelineEnd PipeRecords(LogfileRecords& records, const std::function<bool()>& running,
                        const std::function<void(LogRecord&, LogFormat)>& count) {
  BatchChannel channel;
  std::thread reader([&] { ReadBatches(records, running, channel); });
  bool stopped = false;
  try {
    while (RecordBatch* batch = channel.TakeFull()) {
      for (BatchedRecord& entry : batch->Records()) {
        if (!running()) {
          stopped = true;
          break;
        }
        count(entry.record, entry.format);
      }
      if (stopped) break;
      channel.GiveBack(batch);
    }
  } catch (...) {
    channel.Abandon();
    reader.join();
    throw;
  }
  channel.Abandon();
  reader.join();
  if (channel.Failure()) std::rethrow_exception(channel.Failure());
  PipelineEnd end = channel.End();
  if (stopped) end.cancelled = true;
  return end;
}

}  // namespace tlw
