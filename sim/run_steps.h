// A run that drives the client step by step and looks at the documents in
// between, writing nothing: the files are read and the client started as for
// any command, then the caller runs commands and reads what they left. Also
// what such a mode of several runs checks before the first.
#ifndef TAGSMITH_SIM_RUN_STEPS_H
#define TAGSMITH_SIM_RUN_STEPS_H

#include <functional>
#include <string>
#include <vector>

#include "memhost/doc_store.h"
#include "mif/mif_document.h"
#include "sim/run_options.h"

// A document of the run: one named or a book's file.
struct RunDocument {
  std::string file;             // the path it was read from
  const std::string* original;  // its bytes
  const MifDocument* source;    // what the reader recorded (the tree may be released)
  // The document as it stands now: open, or the file's saved copy, which
  // the host keeps out of reach (Find) like a closed file: look into a copy.
  ObjHandle doc;
};

struct RunSteps {
  memhost::DocStore* host = nullptr;
  bool book = false;                // a book was given: the book's commands apply
  std::vector<std::string> unread;  // the book's components that could not be read
  // Runs a client-call command with every question answered yes and every
  // choice cancelled, quietly; RUN_OK, or the status it ended with.
  std::function<int(const std::string& call)> run;
  std::function<std::vector<RunDocument>()> documents;
};

// Reads options.files and starts the client, then calls steps. Returns the
// status of reading (RUN_BAD_INPUT, RUN_USAGE), RUN_MISSING_FILES when book
// components are missing (without --allow-missing; steps still run on the
// others), or else what steps returns.
int RunWithSteps(const RunOptions& options, const std::function<int(RunSteps&)>& steps);

// RUN_USAGE when standard output or error is a file the run would read (a
// document or book named, a book's chapter), said when it can be; else
// RUN_OK. A run looks at this itself; a mode of several runs looks first.
int RunStreamsClear(const RunOptions& options);

#endif
