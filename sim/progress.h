// The progress of a run on the terminal: the reading of the files, then the
// book's status line as the client sets it; once the run has taken longer
// than a second, a bar with the file's number among the files of the pass,
// the time so far and an estimate of the time the pass has left. Times are
// given to it, never read here, so that it can be shown any clock.
#ifndef TAGSMITH_SIM_PROGRESS_H
#define TAGSMITH_SIM_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <string>

struct Progress {
  using Clock = std::chrono::steady_clock;
  size_t files = 0;  // of the book
  size_t file = 0;   // the one being worked on, from 1; 0 between passes
  bool walking = false;
  bool barShown = false;  // a bar has stood on the terminal
  Clock::time_point start;
  Clock::time_point passStart;
};

// The walk's status line changed to `status` (readable text; empty when a
// pass ends) at `now`. Returns the line to show in place of the last one:
// at the end of a pass that showed a bar, the bar full.
std::string ProgressUpdate(Progress* p, const std::string& status, Progress::Clock::time_point now,
                           size_t width);

// The reading of `file`, the `done`-th of `total` read so far, at `now`;
// done == total when the last has been read.
std::string ProgressReading(Progress* p, const std::string& file, size_t done, size_t total,
                            Progress::Clock::time_point now, size_t width);

// "[=====>    ] 2/5 0:07, 0:10 left Examining: ch2.mif", cut to `width`
// columns; `left` below 0 when there is no estimate yet. `done` files of
// `files` are finished.
std::string ProgressBar(size_t done, size_t files, const std::string& status, double seconds,
                        double left, size_t width);

// Whether a terminal may be sent escape codes (the progress's, a diff's
// colours): not when TERM is dumb or unknown, nor when NO_COLOR is set (the
// values of the variables, null when unset).
bool TerminalEscapes(const char* term, const char* noColor);

// What takes a status line off the terminal: an escape code, or spaces
// over it where escape codes may not be sent.
std::string ProgressClear(bool escapes, size_t width);

// The width of the terminal on stderr (80 when it cannot be told).
size_t ProgressWidth();

#endif
