// Where the runs that turning overrides into formats left as they were
// stand in the files read: the client names each by its text and tag in the
// output document, and the runner finds the lines of the file that hold
// such text so tagged.
#ifndef TAGSMITH_SIM_RUNS_LEFT_H
#define TAGSMITH_SIM_RUNS_LEFT_H

#include <cstdint>
#include <string>
#include <vector>

#include "sim/run_load.h"
#include "sim/run_record.h"

// The output document's heading over the runs left.
extern const char kRunsLeftHeading[];

struct RunLeft {
  std::string file;            // the path read; the section's title when no input has it
  std::vector<int32_t> lines;  // every line holding such a run; none when not found
  std::string run;             // as the client describes it
};

// Every run the output document lists as left, file by file.
std::vector<RunLeft> RunsLeft(const OutputDocument& output, const RunInputs& I);

// "chapter1.mif:504: left as it was: ..." (several lines: "504, 611").
std::string RunLeftLine(const RunLeft& left);

#endif
