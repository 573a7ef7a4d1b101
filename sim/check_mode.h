// `tagsmith-run check`: whether documents and books are clean, for a build to
// fail on. A document is clean when "Delete Unused Character Tags" and
// "Remove Overrides" would change nothing in it and its text uses no
// character tag that it does not define. Each finding is printed as
// "file:line: message" with the line of the MIF statement concerned; nothing
// is ever written.
#ifndef TAGSMITH_SIM_CHECK_MODE_H
#define TAGSMITH_SIM_CHECK_MODE_H

#include "sim/run_options.h"

// Exit statuses of check beyond RUN_OK: one bit per kind of finding, above
// the statuses of reading (a file that cannot be read, missing book
// components, bad usage), which are added to them: of those, the first met
// in the order the files are named.
enum : int {
  CHECK_UNUSED = 8,      // a character format nothing uses
  CHECK_OVERRIDES = 16,  // text whose properties differ from its tag or paragraph
  CHECK_UNDEFINED = 32,  // text tagged with a format the document does not define
};

int RunCheck(const RunOptions& options);

#endif
