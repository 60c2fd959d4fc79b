#include "frontend/run_attention.h"

namespace tlw {

MessageRoute RouteOfMessage(const RunWatch& watch) {
  if (!watch.tray) return MessageRoute::kMessageBox;
  if (watch.window == WindowPresence::kHidden) return MessageRoute::kNotification;
  if (watch.window == WindowPresence::kInactive && watch.scheduled) {
    return MessageRoute::kNotification;
  }
  return MessageRoute::kMessageBox;
}

bool NotifiesEnd(const RunWatch& watch, RunOutcome outcome) {
  return watch.tray && watch.window != WindowPresence::kActive && outcome != RunOutcome::kStopped;
}

EndNotice EndNoticeOf(const std::string& site, RunOutcome outcome, const std::string& message,
                      bool reportFound) {
  if (outcome == RunOutcome::kFinished) {
    return {"Finished: " + site,
            reportFound ? "Click to open the report." : "Click to show the window."};
  }
  return {"Failed: " + site, message.empty() ? "Click to show the window." : message};
}

}  // namespace tlw
