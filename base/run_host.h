#pragma once

#include <string>

namespace tlw {

// Where a run reports its progress stages. Post must never block the run:
// the desktop program turns it into a queued call on its window thread, the
// command line prints it.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Stage `stage` of the run of the profile in row `listIndex`.
  virtual void Post(int stage, int listIndex) = 0;
};

// Shows the run's message boxes: a text and a caption (the application title
// when the message has none of its own).
class RunNotifier {
 public:
  virtual ~RunNotifier() = default;
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

// Opens a file or web address the way the desktop does ("open" verb).
class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  virtual void Open(const std::string& fileOrUrl) = 0;
};

// The services a run needs from the program that hosts it. Any of them may
// be null, in which case that kind of output is dropped.
struct RunHost {
  ProgressSink* progress = nullptr;
  RunNotifier* notifier = nullptr;
  ShellOpener* shell = nullptr;
};

// Caption of message boxes that give none of their own.
inline constexpr const char* kApplicationTitle = "Tallowick Web Statistics";

}  // namespace tlw
