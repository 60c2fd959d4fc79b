#include "report/graph_queue.h"

#include <utility>

namespace tlw {

GraphQueue::~GraphQueue() { Finish(); }

void GraphQueue::Add(std::span<const BarGraphEntry> entries, std::string_view title, int scheme,
                     std::string path, GraphBackground background) {
  Job job;
  job.labels.reserve(entries.size());
  job.values.reserve(entries.size());
  for (const BarGraphEntry& entry : entries) {
    job.labels.emplace_back(entry.label);
    job.values.push_back(entry.value);
  }
  job.title = std::string(title);
  job.scheme = scheme;
  job.path = std::move(path);
  job.background = background;
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  queued_.notify_one();
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
}

void GraphQueue::Work() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    std::vector<BarGraphEntry> entries;
    entries.reserve(job.labels.size());
    for (std::size_t i = 0; i < job.labels.size(); ++i) {
      entries.push_back({job.labels[i], job.values[i]});
    }
    Status status = DrawBarGraph(entries, job.title, job.scheme, job.path, job.background);
    std::lock_guard lock(mutex_);
    written_.push_back({std::move(job.path), std::move(status)});
  }
}

std::vector<GraphQueue::Written> GraphQueue::Finish() {
  if (worker_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    queued_.notify_one();
    worker_.join();
  }
  return std::exchange(written_, {});
}

}  // namespace tlw
