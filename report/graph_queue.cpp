#include "report/graph_queue.h"

#include <utility>

namespace tlw {

GraphQueue::~GraphQueue() {
  // Left without Finish (the report failed): the graphs still waiting are
  // not drawn.
  {
    std::lock_guard lock(mutex_);
    jobs_.clear();
  }
  Finish();
}

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
    job.number = added_++;
    jobs_.push_back(std::move(job));
  }
  queued_.notify_one();
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
}

void GraphQueue::Work() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // closing, and every graph taken
    }
    DrawNext();  // finds none when Finish took the graph first
  }
}

bool GraphQueue::DrawNext() {
  Job job;
  {
    std::lock_guard lock(mutex_);
    if (jobs_.empty()) return false;
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
  if (written_.size() <= job.number) written_.resize(job.number + 1);
  written_[job.number] = {std::move(job.path), std::move(status)};
  return true;
}

std::vector<GraphQueue::Written> GraphQueue::Finish() {
  while (DrawNext()) {
  }
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
