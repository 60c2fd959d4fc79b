#include "engine/record_pipeline.h"

#include <array>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>

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
  // The twelve fields as one array, so the loops below stay tight.
  using Fields = std::array<std::string_view, 12>;
  static_assert(sizeof(Fields) == sizeof(LogRecord) && std::is_trivially_copyable_v<LogRecord>);
  Fields fields = std::bit_cast<Fields>(record);
  const auto lineBegin = reinterpret_cast<std::uintptr_t>(line.data());
  // Distance of a field from the line's start; `line.size()` or more (by
  // wrap-around, too) for a field that lies elsewhere.
  const auto offset = [&](std::string_view text) {
    return reinterpret_cast<std::uintptr_t>(text.data()) - lineBegin;
  };
  const auto inLine = [&](std::string_view text) {
    return offset(text) <= line.size() && text.size() <= line.size() - offset(text);
  };
  std::size_t size = line.size();
  for (const std::string_view text : fields) {
    if (!inLine(text)) size += text.size();
  }
  if (count_ == kMaxRecords || used_ + size > capacity_) {
    if (count_ > 0) return false;
    // One record larger than the whole arena: the arena grows for good.
    capacity_ = size;
    arena_ = std::make_unique_for_overwrite<char[]>(capacity_);
  }
  BatchedRecord& slot = records_[count_++];
  slot.format = format;
  char* const copy = arena_.get() + used_;
  if (!line.empty()) std::memcpy(copy, line.data(), line.size());
  used_ += line.size();
  for (std::string_view& text : fields) {
    if (inLine(text)) {
      text = std::string_view(copy + offset(text), text.size());
      continue;
    }
    char* at = arena_.get() + used_;
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    text = std::string_view(at, text.size());
    used_ += text.size();
  }
  slot.record = std::bit_cast<LogRecord>(fields);
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
