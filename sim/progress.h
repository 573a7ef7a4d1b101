// The progress of a book walk on the terminal: the book's status line as the
// client sets it, and once the walk has taken longer than a second, a bar
// with the file's number among the book's files and the time so far.
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
  Clock::time_point start;
};

// The walk's status line changed to `status` (readable text; empty when a
// pass ends) at `now`. Returns the line to show in place of the last one.
std::string ProgressUpdate(Progress* p, const std::string& status, Progress::Clock::time_point now,
                           size_t width);

// "[=====>    ] 2/5 Examining: ch2.mif 0:07", cut to `width` columns.
std::string ProgressBar(size_t file, size_t files, const std::string& status, double seconds,
                        size_t width);

// The width of the terminal on stderr (80 when it cannot be told).
size_t ProgressWidth();

#endif
