// The phase of a run that looks at what the command left: the output
// documents, the inputs it changed and their text, and the record of the
// run (--counts, --json, --html) taken before and after the command.
#ifndef TAGSMITH_SIM_RUN_COLLECT_H
#define TAGSMITH_SIM_RUN_COLLECT_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "memhost/doc_store.h"
#include "memhost/mem_host.h"
#include "sim/client_commands.h"
#include "sim/run_host.h"
#include "sim/run_load.h"
#include "sim/run_options.h"
#include "sim/run_record.h"

// The inputs the command changed, each with where it is written (empty: it
// is not).
using ChangedInputs = std::vector<std::pair<Input*, std::string>>;

// The open document the host calls hostName; 0 when none is open.
ObjHandle OpenDocNamed(const memhost::DocStore& host, const std::string& hostName);

// The document that stands for an input now: the open one, else the file's
// saved copy.
ObjHandle CurrentDocument(memhost::DocStore& host, const Input& in);

// The output documents: every open document that is none of the inputs.
std::vector<ObjHandle> OutputDocuments(const memhost::DocStore& host, const RunInputs& I);

// The MIF text of an input as it stands after the command (a chapter's
// settled text itself, not a copy); false when it has not changed (or with
// *error when it cannot be made).
bool ChangedText(memhost::DocStore& host, Input& in, std::shared_ptr<const std::string>* text,
                 std::string* error);

// Says the formats a structured document's element definitions kept from
// being deleted.
void ReportKeptFormats(const memhost::MemHost& api);

// The record of a run, and what it compares after the command.
struct Reporting {
  RunRecord record;
  std::vector<Input*> subjects;
  std::vector<ObjHandle> before;  // copies of the subjects as read (--json)
};

// Records what the run is about before the command runs: the command, the
// files, and the documents it works on as read (counted with --counts or
// --html, kept to compare with --json or --html).
void BeginRecord(memhost::DocStore& host, const RunInputs& I, const RunOptions& o,
                 const std::vector<MenuEntry>& menu, int32_t number, Reporting* R);

// Every line said so far but the dialogs', each with the file it is about.
std::vector<RecordMessage> Messages(const RunInputs& I, const RunOptions& o);

// Records how the run ended: its status, output, dialogs, what changed and
// what was said.
void EndRecord(RunHost& H, const RunInputs& I, const RunOptions& o, const ChangedInputs& changed,
               int status, Reporting* R);

#endif
