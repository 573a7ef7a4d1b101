// The progress of a run, on a clock the test sets: the status line at
// first, a bar once the run has taken more than a second, with the time the
// pass has left, full when the pass ends; escape codes only where the
// terminal takes them.
#include <gtest/gtest.h>

#include "sim/progress.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(ProgressTest, BarAfterASecondWithFileNumberTimeAndTimeLeft) {
  Progress p;
  p.files = 3;
  Progress::Clock::time_point t0 = Progress::Clock::now();
  EXPECT_EQ("Examining: ch1.mif", ProgressUpdate(&p, "Examining: ch1.mif", t0, 80));
  // One file of three in 1.5 s: two more take 3 s.
  EXPECT_EQ("[======>             ] 2/3 0:01, 0:03 left Examining: ch2.mif",
            ProgressUpdate(&p, "Examining: ch2.mif", t0 + milliseconds(1500), 80));
  // A pass ends with its bar full; the next starts again from the first
  // file, its own pace unknown, the time runs on.
  EXPECT_EQ("[====================] 3/3 0:04", ProgressUpdate(&p, "", t0 + seconds(4), 80));
  EXPECT_EQ("[>                   ] 1/3 1:05 Processing: ch1.mif",
            ProgressUpdate(&p, "Processing: ch1.mif", t0 + seconds(65), 80));
  // Never as wide as the terminal, and no character cut in two.
  EXPECT_EQ("[>                   ] 1/3 1:05 Processing: ",
            ProgressBar(0, 3, "Processing: é", 65, -1, 45));
}

TEST(ProgressTest, ReadingTheFilesIsPartOfTheRun) {
  Progress p;
  Progress::Clock::time_point t0 = Progress::Clock::now();
  EXPECT_EQ("Reading: ch1.mif", ProgressReading(&p, "ch1.mif", 0, 4, t0, 80));
  EXPECT_EQ("[==========>         ] 3/4 0:02, 0:02 left Reading: ch3.mif",
            ProgressReading(&p, "ch3.mif", 2, 4, t0 + seconds(2), 80));
  EXPECT_EQ("[====================] 4/4 0:03 read",
            ProgressReading(&p, "", 4, 4, t0 + seconds(3), 80));
  // The walk after it counts from when reading began.
  p.files = 2;
  EXPECT_EQ("[>                   ] 1/2 0:03 Examining: ch1.mif",
            ProgressUpdate(&p, "Examining: ch1.mif", t0 + seconds(3), 80));

  // A short run shows no bar, and none at its end.
  Progress quick;
  EXPECT_EQ("Reading: a.mif", ProgressReading(&quick, "a.mif", 0, 1, t0, 80));
  EXPECT_EQ("", ProgressReading(&quick, "", 1, 1, t0 + milliseconds(300), 80));
}

TEST(ProgressTest, NoEscapeCodesWhereTheTerminalTakesNone) {
  EXPECT_TRUE(TerminalEscapes("xterm-256color", nullptr));
  EXPECT_TRUE(TerminalEscapes("xterm", ""));
  EXPECT_FALSE(TerminalEscapes("dumb", nullptr));
  EXPECT_FALSE(TerminalEscapes(nullptr, nullptr));
  EXPECT_FALSE(TerminalEscapes("xterm", "1"));
  EXPECT_EQ("\r\033[K", ProgressClear(true, 10));
  EXPECT_EQ("\r         \r", ProgressClear(false, 10));
}

}  // namespace
