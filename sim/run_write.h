// The last phase of a run: what the command produced shown or written (the
// output documents, the changed inputs, a diff of them), and the reports
// (--counts, --json, --html); each refused when it would replace a file the
// run read.
#ifndef TAGSMITH_SIM_RUN_WRITE_H
#define TAGSMITH_SIM_RUN_WRITE_H

#include <string>

#include "sim/run_collect.h"
#include "sim/run_dialogs.h"
#include "sim/run_host.h"
#include "sim/run_load.h"
#include "sim/run_options.h"
#include "sim/run_record.h"

// Whether MIF, a report or a page goes to standard output, in the place of
// the readable text.
bool StdoutTaken(const RunOptions& o);

// Shows the output documents (and, after call, the selection it left), then,
// when the command ended well (D), writes the output document and the
// changed inputs as o asks, or shows them as a diff; the inputs it changed
// go to *changedInputs. Returns the run's status.
int WriteResults(RunHost& H, RunInputs& I, RunDialogs& D, const RunOptions& o, const char* call,
                 ChangedInputs* changedInputs);

// Prints the tag counts of --counts.
void PrintCounts(const RunRecord& r);

// False with *why when the report or the page would take the place a
// changed document gets in --out-dir.
bool ReportsClearOfOutDir(const RunInputs& I, const RunOptions& o, std::string* why);

// A run that stops before its command still leaves its report (--json), so
// that a pipeline can read why. Returns status.
int StopRun(const RunInputs& I, const RunOptions& o, int status);

// Writes the page and the report, and lets go of the record's copies;
// returns status, or why a report could not be written when status was
// RUN_OK.
int WriteReports(RunHost& H, const RunInputs& I, const RunOptions& o, const ChangedInputs& changed,
                 Reporting* R, int status);

#endif
