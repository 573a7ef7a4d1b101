// The progress of a book walk: the status line at first, a bar once the walk
// has taken more than a second.
#include <gtest/gtest.h>

#include "sim/progress.h"

namespace {

TEST(ProgressTest, BarAfterASecondWithFileNumberAndTime) {
  Progress p;
  p.files = 3;
  Progress::Clock::time_point t0 = Progress::Clock::now();
  EXPECT_EQ("Examining: ch1.mif", ProgressUpdate(&p, "Examining: ch1.mif", t0, 80));
  EXPECT_EQ("[======>              ] 2/3 0:01 Examining: ch2.mif",
            ProgressUpdate(&p, "Examining: ch2.mif", t0 + std::chrono::milliseconds(1500), 80));
  // A pass ends: the next starts again from the first file, the time runs on.
  EXPECT_EQ("", ProgressUpdate(&p, "", t0 + std::chrono::seconds(2), 80));
  EXPECT_EQ("[>                    ] 1/3 1:05 Processing: ch1.mif",
            ProgressUpdate(&p, "Processing: ch1.mif", t0 + std::chrono::seconds(65), 80));
  // Never as wide as the terminal, and no character cut in two.
  EXPECT_EQ("[>                    ] 1/3 1:05 Processing: ",
            ProgressBar(1, 3, "Processing: é", 65, 46));
}

}  // namespace
