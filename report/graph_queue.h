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
// report's sections are written; once they are, Finish draws the graphs
// still waiting on the calling thread too, so that the pictures take half
// the time. Outcomes come back in the order the graphs were added.
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
    std::size_t number = 0;  // in the order added
    std::vector<std::string> labels;
    std::vector<std::int64_t> values;
    std::string title;
    int scheme = 0;
    std::string path;
    GraphBackground background = GraphBackground::kTransparent;
  };

  void Work();
  // Draws the next waiting graph; false when none waits.
  bool DrawNext();

  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<Job> jobs_;
  std::size_t added_ = 0;
  bool closing_ = false;
  std::vector<Written> written_;
  std::thread worker_;
};

}  // namespace tlw
