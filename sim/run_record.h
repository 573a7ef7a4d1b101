// What a run of tagsmith-run did, gathered for the machine-readable report
// and the usage picture. Plain records; every text is UTF-8.
#ifndef TAGSMITH_SIM_RUN_RECORD_H
#define TAGSMITH_SIM_RUN_RECORD_H

#include <cstdint>
#include <string>
#include <vector>

#include "memhost/doc_store.h"
#include "memhost/scripted_host.h"
#include "sim/doc_changes.h"
#include "sim/usage_counts.h"

// The output document read back: its paragraphs grouped as the client lays
// them out. A "Heading1" paragraph starts a section, a "Heading2" paragraph a
// list in it; other paragraphs are items of the current list. Tables are
// kept in the order they stand.
struct OutputList {
  bool headed = false;
  std::string heading;
  std::vector<std::string> items;
};

struct OutputSection {
  bool titled = false;
  std::string title;
  std::vector<OutputList> lists;
};

struct OutputTable {
  std::vector<std::string> headings;           // the heading row
  std::vector<std::vector<std::string>> rows;  // the body rows
};

struct OutputDocument {
  std::string name;  // the file name, empty when untitled
  std::vector<OutputSection> sections;
  std::vector<OutputTable> tables;
};

struct RecordDialog {
  std::string kind;  // "question", "notice", "warning", "choice"
  std::string text;  // the message, or the title of a choice
  std::vector<std::string> items;
  bool answered = false;  // a question answered yes, an item chosen
  std::string answer;     // "yes"/"no", or the item chosen
};

// A document the command works on, with what the host counted in it before
// the command ran and, once it has run, after.
struct RecordFile {
  std::string file;                  // the path read
  std::string title;                 // the file name, as the output document names it
  TagCounts counts;                  // tags in the host's bytes
  std::vector<std::string> defined;  // its character formats
  std::vector<std::string> named;    // tags named beside its text (TagsNamedBesideText)
  bool changed = false;              // the command changed it: the fields below hold
  TagCounts countsAfter;             // what the host counts in it after the command
  std::vector<std::string> definedAfter;
};

struct RecordChange {
  std::string file;
  std::string target;  // where it is written; empty when it is not
  bool compared = false;
  DocChanges changes;
};

struct RecordMessage {
  std::string file;  // the file a message is about; empty when none
  std::string text;
};

// A run that turning overrides into formats left as it was, with the lines
// of the file that hold such a run.
struct RecordRunLeft {
  std::string file;
  std::vector<int32_t> lines;
  std::string run;
};

struct RecordComponent {
  std::string file;
  bool read = false;
};

struct RunRecord {
  std::string command;  // as given
  std::string call;     // its client-call string, empty when it has none
  int32_t number = 0;   // its command number
  bool bookCommand = false;
  std::vector<std::string> documents;  // named on the command line, in order
  std::string activeDocument;
  std::string book;
  std::vector<RecordComponent> components;
  bool hasOutput = false;
  OutputDocument output;
  std::string outputWrittenTo;  // where --output wrote it; empty when it was not written
  bool counted = false;
  std::vector<RecordFile> files;  // the active document, or the book's chapters
  std::vector<RecordDialog> dialogs;
  std::vector<RecordChange> changed;
  std::vector<RecordMessage> messages;
  bool listsRunsLeft = false;  // the command is one that leaves runs as they were
  std::vector<RecordRunLeft> runsLeft;
  int status = 0;
};

// The output document `doc` of `host` as the record keeps it.
OutputDocument ReadOutputDocument(memhost::DocStore& host, ObjHandle doc);

// The dialogs the host showed, with their answers.
std::vector<RecordDialog> RecordDialogs(const memhost::ScriptedHost& host);

// The sum of the files' counts.
TagCounts TotalCounts(const RunRecord& record);

// What the files read say of a tag that no text carries: whether a format,
// setting or format page names it, and else the spellings of it in another
// letter case that text carries or that are so named (the usage scan counts
// every spelling of a used tag as used).
struct NoTextUse {
  bool named = false;
  std::vector<std::string> variantsUsed;
};
NoTextUse WhyNoTextUse(const RunRecord& record, const std::string& tag);

// The used and unused tags the output document's lists show, over all its
// sections; false when it shows none.
bool ListedTags(const OutputDocument& output, std::vector<std::string>* used,
                std::vector<std::string>* unused);

// What the command says is used and unused: its lists, or for the listing by
// tag the tags it heads and the defined tags it does not; false when its
// output shows no usage.
bool ClientUsage(const RunRecord& record, std::vector<std::string>* used,
                 std::vector<std::string>* unused);

#endif
