#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace tlw {

// Runs `work` on a helper thread of its own and waits at most `timeout` for
// its result: nullopt when it has not answered by then, threw, or no thread
// could be started. A call that blocks inside the C library (a name look-up)
// cannot be cancelled, so the helper is left to finish on its own and its
// result is dropped: `work` must own everything it uses.
template <typename T>
std::optional<T> CallWithin(std::function<T()> work, std::chrono::milliseconds timeout) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::optional<T> result;
  };
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, work = std::move(work)] {
      std::optional<T> value;
      try {
        value = work();
      } catch (...) {
        value.reset();
      }
      std::lock_guard lock(shared->mutex);
      shared->result = std::move(value);
      shared->done = true;
      shared->answered.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  std::unique_lock lock(shared->mutex);
  if (!shared->answered.wait_for(lock, timeout, [&] { return shared->done; })) return std::nullopt;
  return std::move(shared->result);
}

}  // namespace tlw
