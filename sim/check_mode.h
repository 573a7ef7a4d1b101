// `tagsmith-run check`: whether documents and books are clean, for a build to
// fail on. A document is clean when "Delete Unused Character Tags" and
// "Remove Overrides" would change nothing in it and its text uses no
// character tag that it does not define. Each finding names the line of the
// MIF statement concerned, a rule and a severity; a project file and a
// baseline choose what is reported; nothing but a baseline asked for is
// ever written.
#ifndef TAGSMITH_SIM_CHECK_MODE_H
#define TAGSMITH_SIM_CHECK_MODE_H

#include "sim/run_options.h"

// Exit statuses of check, as CI tools read them: what was found is in the
// output, not in the status.
enum : int {
  CHECK_CLEAN = 0,
  CHECK_FOUND = 1,       // a finding at or above the failing severity
  CHECK_UNREADABLE = 3,  // a file named cannot be read or is not MIF; the baseline not written
  // 2 (usage, a bad project file or baseline) and 6 (book components
  // missing or unreadable) as for a command.
};

int RunCheck(const RunOptions& options);

#endif
