// tagsmith-run: plays the host for Tagsmith on MIF documents and books.
#ifndef TAGSMITH_SIM_TAGSMITH_RUN_H
#define TAGSMITH_SIM_TAGSMITH_RUN_H

#include <string>

#include "sim/run_options.h"

// A path given relative to the folder of the running program (the installed
// layout: the client library, the host folder), made absolute.
std::string RunBesideProgram(const std::string& relative);

// The whole run; returns the exit status.
int RunTagsmith(const RunOptions& options);
// `--each`: the whole run for each document named, in turn, as one batch:
// one summary, and the status of the first run that did not end well.
int RunEach(const RunOptions& options);
// `--list`: the commands the client offers, from its menus.
int RunList(const RunOptions& options);

#endif
