#include "cli/run_console.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tlw::cli {
namespace {

TEST(ConsoleText, KeepsOneHarmlessLine) {
  EXPECT_EQ(ConsoleText("Sorry,\n\n The logfile\n\n\t\t-OR-\n"), "Sorry, The logfile -OR- ");
  EXPECT_EQ(ConsoleText("name\x1b[31m\x7f"), "name?[31m?");
  // CSI as a C1 control, in UTF-8 and as a byte; other 8-bit text stays.
  EXPECT_EQ(ConsoleText("a\xc2\x9b"
                        "2Jb\x9b"
                        "2J\xc3\xa9\xe9\xc2\xa0"),
            "a?2Jb?2J\xc3\xa9\xe9\xc2\xa0");
}

TEST(ProgressLine, ShowsShareLinesAndRate) {
  RunProgress progress;
  progress.fileNumber = 1;
  progress.fileSize = 10'000'000;
  progress.bytesRead = 2'500'000;
  progress.linesRead = 12'000;
  EXPECT_EQ(RunConsole::ProgressLine(4, progress, 81234.6),
            "[4] 25% (2.5 MB of 10.0 MB), 12000 lines, 81234 lines/s");
  progress.fileNumber = 2;
  progress.compressed = true;
  progress.hostLookups = 3;
  EXPECT_EQ(RunConsole::ProgressLine(4, progress, 0),
            "[4] file 2: 2.5 MB read from 10.0 MB compressed, 12000 lines, 0 lines/s, 3 DNS "
            "look-ups");
}

TEST(RunConsole, PlainOutputKeepsOrderAndDrawsNothing) {
  std::ostringstream out, err;
  RunConsole console(out, err, false, 80);
  RunProgress progress;
  console.Out("[0] Reading Logfile...");
  console.Err("tallowick-cli: [0] something");
  console.Flush({{0, &progress}}, RunConsole::Clock::now());
  console.Close();
  EXPECT_EQ(out.str(), "[0] Reading Logfile...\n");
  EXPECT_EQ(err.str(), "tallowick-cli: [0] something\n");
}

TEST(RunConsole, LiveBlockIsTakenAwayBeforeNewLines) {
  std::ostringstream out, err;
  RunConsole console(out, err, true, 30);
  RunProgress progress;
  progress.fileNumber = 1;
  progress.fileSize = 100;
  const auto now = RunConsole::Clock::now();
  console.Flush({{0, &progress}, {1, &progress}}, now);
  console.Err("note");
  console.Flush({{0, &progress}}, now);
  console.Close();
  // Two progress lines cut to the width, taken away, the note, one line
  // drawn, taken away at the end.
  EXPECT_EQ(err.str(),
            "[0] 0% (0.0 MB of 0.0 MB), 0 \033[K\n[1] 0% (0.0 MB of 0.0 MB), 0 \033[K\n"
            "\033[2A\033[Jnote\n[0] 0% (0.0 MB of 0.0 MB), 0 \033[K\n\033[1A\033[J");
}
}  // namespace
}  // namespace tlw::cli
