#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "base/result.h"

namespace tlw {

// How many times a network step is made before its failure is reported.
inline constexpr int kNetworkAttempts = 3;

// Makes `attempt` (a callable taking `bool& transient` and returning a
// Status) until it succeeds, fails in a way that another try cannot mend
// (it leaves `transient` false: a refused login, a missing file), or has
// been made kNetworkAttempts times. The pause before the second try is
// `firstPauseMs`, before the third twice that, so that a server that
// restarts or a link that drops for a moment is given time. `stopped`
// (may be empty) is asked every 100 ms of a pause and ends the tries.
template <typename Attempt>
Status WithRetries(int firstPauseMs, const std::function<bool()>& stopped, Attempt attempt) {
  Status status = Status::Ok();
  for (int made = 0; made < kNetworkAttempts; ++made) {
    if (made > 0) {
      const auto end =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(firstPauseMs << (made - 1));
      while (std::chrono::steady_clock::now() < end) {
        if (stopped && stopped()) return status;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(100)));
      }
    }
    bool transient = false;
    status = attempt(transient);
    if (status.ok() || !transient) return status;
  }
  return status;
}

}  // namespace tlw
