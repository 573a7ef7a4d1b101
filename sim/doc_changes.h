// What a command did to one document, found by comparing a copy taken before
// it ran with the document after: the character formats it deleted, and the
// runs whose character tag it changed (converted) or whose other character
// properties it changed (repaired), at the positions the usage scan reads.
#ifndef TAGSMITH_SIM_DOC_CHANGES_H
#define TAGSMITH_SIM_DOC_CHANGES_H

#include <cstdint>
#include <string>
#include <vector>

#include "memhost/doc_store.h"

// What the conversion table calls the destination of text that goes back
// to its paragraph's font, and so what the reports call it.
constexpr char kNoTagDestination[] = "Default Paragraph Format";

struct RunChange {
  std::string from;  // the tag before (empty: none)
  std::string to;    // the tag after (empty: none); the same as `from` for a repair
  int64_t runs = 0;
  int64_t characters = 0;
};

struct DocChanges {
  std::vector<std::string> formatsDeleted;  // in the order the document had them
  std::vector<RunChange> converted;         // by (from, to)
  std::vector<RunChange> repaired;          // by tag
  // Paragraphs whose text changed cannot be compared position by position;
  // their runs are left out and this says how many there were.
  int64_t paragraphsNotCompared = 0;
};

DocChanges CompareDocuments(memhost::DocStore& host, ObjHandle before, ObjHandle after);

#endif
