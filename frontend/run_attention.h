#pragma once

#include <string>

#include "frontend/run_history.h"

namespace tlw {

// How much of the window the user has in front of them.
enum class WindowPresence {
  kActive,    // shown and focused
  kInactive,  // shown, another window has the focus
  kHidden,    // hidden in the tray
};

// Where a run's news goes at the time it comes.
struct RunWatch {
  WindowPresence window = WindowPresence::kActive;
  bool scheduled = false;  // the schedule started the run, not the user
  bool tray = false;       // the desktop has a tray, so notifications can be shown
};

// What the window does with a message a run sends while it works ("Error
// creating HTML report: ..."): a modal box, or a line kept for the
// notification at the run's end (the row shows the failure too).
enum class MessageRoute { kMessageBox, kNotification };

// Boxes of runs the user is not watching would pile up while the window
// sits in the tray, or while the user works elsewhere and the schedule
// starts site after site: those go to the notification. A run the user
// started in a window still on the screen keeps its box. Without a tray
// there is nowhere else to say it.
MessageRoute RouteOfMessage(const RunWatch& watch);

// Whether a run's end is told in a desktop notification: when the user is
// not looking at the window and did not stop the run themselves.
bool NotifiesEnd(const RunWatch& watch, RunOutcome outcome);

// The notification of a run's end: a title saying finished or failed with
// the site, and a body (the failure's message, or what a click opens).
struct EndNotice {
  std::string title;
  std::string body;
};
EndNotice EndNoticeOf(const std::string& site, RunOutcome outcome, const std::string& message,
                      bool reportFound);

}  // namespace tlw
