// Readable plain text of a document of the in-memory host: headings,
// paragraphs and tables in reading order. Used to show results to people
// (the simulator's standard output) and in tests.
#ifndef TAGSMITH_MEMHOST_TEXT_DUMP_H
#define TAGSMITH_MEMHOST_TEXT_DUMP_H

#include <string>

#include "memhost/doc_store.h"

namespace memhost {

// The main flow of doc: "Heading1" paragraphs as "# text", "Heading2" as
// "## text", other paragraphs as their text; a table anchored in a paragraph
// follows it as "| cell | cell |" lines, its heading row underlined.
std::string DumpDocument(const DocStore& store, ObjHandle doc);
// The same with each paragraph's format name in front, for tests:
// "Heading1: text".
std::string DumpDocumentWithFormats(const DocStore& store, ObjHandle doc);

}  // namespace memhost

#endif
