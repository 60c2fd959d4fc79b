#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/result.h"
#include "report/bar_graph.h"

namespace tlw {

// Draws and writes a report's bar graphs on a thread of its own while the
// report's sections are written, so that encoding the pictures adds
// nothing to the run's time. Graphs are written in the order they were
// added; Finish waits for the last of them.
class GraphQueue {
 public:
  // One graph's outcome.
  struct Written {
    std::string path;
    Status status;
  };

  GraphQueue() = default;
  ~GraphQueue();
  GraphQueue(const GraphQueue&) = delete;
  GraphQueue& operator=(const GraphQueue&) = delete;

  // Queues the graph of `entries` (their labels are copied) for `path`.
  void Add(std::span<const BarGraphEntry> entries, std::string_view title, int scheme,
           std::string path, GraphBackground background);
  // Waits for every queued graph; their outcomes in the order they were
  // added.
  std::vector<Written> Finish();

 private:
  struct Job {
    std::vector<std::string> labels;
    std::vector<std::int64_t> values;
    std::string title;
    int scheme = 0;
    std::string path;
    GraphBackground background = GraphBackground::kTransparent;
  };

  void Work();

  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<Job> jobs_;
  bool closing_ = false;
  std::vector<Written> written_;
  std::thread worker_;
};

}  // namespace tlw
