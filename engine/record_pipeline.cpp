#include "engine/record_pipeline.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "base/cache_line.h"

namespace tlw {
namespace {

// Batches in flight: one being filled, one being counted, the rest
// waiting. What keeps the two threads from waiting on each other is the
// number in flight, not their size (measured on 1M lines: 3 batches of
// 1,024 records took 1.15x the wall time of 4 of 2,048; 8 of 256 the same
// time as 4 of 2,048, with 2.3 MiB less peak memory).
constexpr std::size_t kBatches = 8;
// Read buffers: one being cut, the rest waiting until the records cut from
// them are counted. 64 KiB holds about one batch of usual lines (and many
// of the longest, 8,000 characters).
constexpr std::size_t kBuffers = 8;
constexpr std::size_t kBufferBytes = 64 * 1024;

// A thread that runs out of work sleeps until there is a good deal of it
// again: waking a thread costs both threads some microseconds, too much to
// pay for every batch of 256 records (measured on 1M lines: 1,700 context
// switches against 530 with batches of 2,048, before this rule).
constexpr std::size_t kWakeBatches = kBatches / 2;
constexpr std::size_t kWakeBuffers = kBuffers / 2;

// How many records ahead of the one counted lookAhead is given hashes: far
// enough for a load from memory to arrive, near enough that what it loads
// is still in the cache when the record is counted. What is loaded at one
// distance may name what to load at the next.
constexpr std::size_t kFar = 8;
constexpr std::size_t kNear = 4;
constexpr std::size_t kNext = 2;

// The hand-over between the reading thread and the counting thread: full
// batches go one way in order, emptied batches come back, and a read buffer
// is free again once every batch that may hold its lines has come back.
//
// Neither side can wait for the other for ever: a waiting reader holds no
// batch, and only its current buffer, so once the counter has counted every
// full batch all other batches and buffers are free; and the counter, which
// waits only when no full batch is left, is woken as soon as the reader
// waits or finishes.
class alignas(kCacheLineSize) BatchChannel {
 public:
  BatchChannel() {
    for (RecordBatch& batch : batches_) free_.push_back(&batch);
    for (auto& buffer : buffers_) {
      // Not zero-filled: a buffer's pages are touched only as it is read.
      buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
      freeBuffers_.push_back(buffer.get());
    }
  }

  // An empty batch for the reader; nullptr once the counter has stopped.
  RecordBatch* TakeFree() { return TakeForReader(free_, kWakeBatches); }
  void PutFull(RecordBatch* batch) {
    std::lock_guard lock(mutex_);
    full_[(fullStart_ + fullCount_) % kBatches] = batch;
    ++fullCount_;
    ++batchesSent_;
    if (counterWaiting_ && fullCount_ >= kWakeBatches) counterWake_.notify_one();
  }
  // The next full batch in order; nullptr once the reader has finished and
  // every batch was taken.
  RecordBatch* TakeFull() {
    std::unique_lock lock(mutex_);
    if (fullCount_ == 0 && !finished_) {
      counterWaiting_ = true;
      counterWake_.wait(lock, [&] {
        return finished_ || (fullCount_ > 0 && (fullCount_ >= kWakeBatches || readerWaiting_));
      });
      counterWaiting_ = false;
    }
    if (fullCount_ == 0) return nullptr;
    RecordBatch* batch = full_[fullStart_];
    fullStart_ = (fullStart_ + 1) % kBatches;
    --fullCount_;
    return batch;
  }
  // A counted batch comes back; buffers whose lines are all counted now
  // are free.
  void GiveBack(RecordBatch* batch) {
    batch->Clear();
    std::lock_guard lock(mutex_);
    free_.push_back(batch);
    ++batchesCounted_;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < retiredCount_; ++i) {
      if (retired_[i].second <= batchesCounted_) {
        freeBuffers_.push_back(retired_[i].first);
      } else {
        retired_[kept++] = retired_[i];
      }
    }
    retiredCount_ = kept;
    if (readerWaiting_ && (free_.size() >= kWakeBatches || freeBuffers_.size() >= kWakeBuffers)) {
      readerWake_.notify_one();
    }
  }
  // A read buffer for the reader; nullptr once the counter has stopped.
  char* TakeBuffer() { return TakeForReader(freeBuffers_, kWakeBuffers); }
  // The reader is done with `buffer`; its lines are in the batches sent so
  // far, so it is free once those have been counted.
  void RetireBuffer(char* buffer) {
    std::lock_guard lock(mutex_);
    if (batchesCounted_ >= batchesSent_) {
      freeBuffers_.push_back(buffer);
    } else {
      retired_[retiredCount_++] = {buffer, batchesSent_};
    }
  }
  void Finish(PipelineEnd end, std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    end_ = end;
    failure_ = std::move(failure);
    finished_ = true;
    counterWake_.notify_one();
  }
  // The counter stops early: the reader stops at its next hand-over.
  void Abandon() {
    std::lock_guard lock(mutex_);
    abandoned_ = true;
    readerWake_.notify_one();
  }
  PipelineEnd End() const { return end_; }
  std::exception_ptr Failure() const { return failure_; }

 private:
  std::array<RecordBatch, kBatches> batches_;
  std::array<std::unique_ptr<char[]>, kBuffers> buffers_;
  // One of the reader's free batches or buffers in `pool`; when there is
  // none the reader waits until `wakeAt` are free. A counter waiting for
  // full batches is woken first, as the batches it holds out for may never
  // come. nullptr once the counter has stopped.
  template <typename Item>
  Item* TakeForReader(std::vector<Item*>& pool, std::size_t wakeAt) {
    std::unique_lock lock(mutex_);
    if (pool.empty()) {
      readerWaiting_ = true;
      if (counterWaiting_ && fullCount_ > 0) counterWake_.notify_one();
      readerWake_.wait(lock, [&] { return abandoned_ || pool.size() >= wakeAt; });
      readerWaiting_ = false;
    }
    if (abandoned_) return nullptr;
    Item* item = pool.back();
    pool.pop_back();
    return item;
  }

  std::mutex mutex_;
  std::condition_variable readerWake_;
  std::condition_variable counterWake_;
  bool readerWaiting_ = false;
  bool counterWaiting_ = false;
  std::vector<RecordBatch*> free_;
  std::array<RecordBatch*, kBatches> full_{};
  std::size_t fullStart_ = 0;
  std::size_t fullCount_ = 0;
  std::uint64_t batchesSent_ = 0;
  std::uint64_t batchesCounted_ = 0;
  std::vector<char*> freeBuffers_;
  // Buffers left by the reader, each with the number of batches that must
  // be counted before it is free.
  std::array<std::pair<char*, std::uint64_t>, kBuffers> retired_{};
  std::size_t retiredCount_ = 0;
  bool finished_ = false;
  bool abandoned_ = false;
  PipelineEnd end_;
  std::exception_ptr failure_;
};

// The reading side: cuts records into the current batch and lends the
// line source its read buffers. Before a buffer is refilled the batch under
// way is sent, so that every line of a retired buffer is in a batch the
// counter will give back, and the reader never waits on a batch it holds.
class alignas(kCacheLineSize) BatchReader final : public LineBufferPool {
 public:
  BatchReader(LogfileRecords& records, BatchChannel& channel)
      : records_(records), channel_(channel) {}

  std::size_t BufferSize() const override { return kBufferBytes; }
  char* TakeBuffer() override {
    if (batch_ == nullptr) return nullptr;
    if (!batch_->Empty()) {
      channel_.PutFull(batch_);
      batch_ = channel_.TakeFree();
      if (batch_ == nullptr) return nullptr;
    }
    return channel_.TakeBuffer();
  }
  void RetireBuffer(char* buffer) override { channel_.RetireBuffer(buffer); }

  void Run(const std::function<bool()>& running) {
    PipelineEnd end;
    std::exception_ptr failure;
    try {
      batch_ = channel_.TakeFree();
      LogRecord record;
      while (batch_ != nullptr) {
        if (!running()) {
          end.cancelled = true;
          break;
        }
        const RecordStep step = records_.Next(record);
        if (step == RecordStep::Skipped) continue;
        if (step != RecordStep::Record) {
          end.step = step;
          break;
        }
        const RecordHashes hashes = HashesOf(record);
        if (batch_->Add(record, records_.Format(), hashes)) continue;
        channel_.PutFull(batch_);
        batch_ = channel_.TakeFree();
        if (batch_ != nullptr) batch_->Add(record, records_.Format(), hashes);
      }
      if (batch_ != nullptr && !batch_->Empty()) channel_.PutFull(batch_);
    } catch (...) {
      failure = std::current_exception();
    }
    channel_.Finish(end, failure);
  }

 private:
  LogfileRecords& records_;
  BatchChannel& channel_;
  RecordBatch* batch_ = nullptr;
};

}  // namespace

PipelineEnd CountRecords(LogfileRecords& records, const std::function<bool()>& running,
                         const RecordHandlers& handlers) {
  PipelineEnd end;
  LogRecord record;
  for (;;) {
    if (!running()) {
      end.cancelled = true;
      return end;
    }
    const RecordStep step = records.Next(record);
    if (step == RecordStep::Record) {
      handlers.count(record, records.Format(), HashesOf(record));
    } else if (step != RecordStep::Skipped) {
      end.step = step;
      return end;
    }
  }
}

PipelineEnd PipeRecords(LogfileRecords& records, const std::function<bool()>& running,
                        const RecordHandlers& handlers) {
  // What the reading thread writes for every line (its batch, the batch's
  // count) lies on the heap in cache lines of its own, and it calls copies
  // of its functions: a cache line that the counting thread uses and the
  // other thread writes would move between the two cores at every record
  // (measured: a tenth of the reading thread's time went into one load).
  const auto channelOwner = std::make_unique<BatchChannel>();
  const auto readingOwner = std::make_unique<BatchReader>(records, *channelOwner);
  BatchChannel& channel = *channelOwner;
  BatchReader& reading = *readingOwner;
  if (!records.KeepLines(reading)) return CountRecords(records, running, handlers);
  std::thread reader([&reading, running] { reading.Run(running); });
  bool stopped = false;
  try {
    while (RecordBatch* batch = channel.TakeFull()) {
      const std::span<BatchedRecord> batched = batch->Records();
      for (std::size_t i = 0; i < batched.size(); ++i) {
        if (!running()) {
          stopped = true;
          break;
        }
        if (handlers.lookAhead && i + kNear < batched.size()) {
          const std::size_t last = batched.size() - 1;
          handlers.lookAhead(batched[std::min(i + kFar, last)].hashes, batched[i + kNear].hashes,
                             batched[i + kNext].hashes);
        }
        BatchedRecord& entry = batched[i];
        handlers.count(entry.record, entry.format, entry.hashes);
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
