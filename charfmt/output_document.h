// The output document every result is written into, and the small text
// operations the commands share.
#ifndef TAGSMITH_CHARFMT_OUTPUT_DOCUMENT_H
#define TAGSMITH_CHARFMT_OUTPUT_DOCUMENT_H

#include "client/host_api.h"
#include "support/string_list.h"

// "VxOutput.fm" from the host directory, else a new 8 by 11 inch document;
// 0 when neither can be had.
ObjHandle OpenOutputDocument();
// One paragraph holding text at the end of the main flow of out, in the
// named paragraph format (null: none).
void AppendOutputParagraph(ObjHandle out, const char* text, const char* format);
void ApplyParagraphFormat(ObjHandle doc, ObjHandle pgf, const char* format);
// A tag table at the insertion point of out: `columns` (1 or 2) columns, one
// heading row holding `headings`, `bodyRows` body rows whose first cells take
// `names` in order (fewer names than rows leave rows empty). Returns 0 when
// no table was made; `noInsertionPoint`, when given, then tells whether that
// was for want of an insertion point (set) or because the host refused it.
ObjHandle BuildTagTable(ObjHandle out, int32_t columns, int32_t bodyRows,
                        const char* const* headings, const StringList* const* names,
                        int32_t nameLists, bool* noInsertionPoint = nullptr);
// New caller-owned strings: the file name of a document ("Untitled" when it
// has none) or of a book (null when it has none).
char* DocumentTitle(ObjHandle doc);
char* BookTitle(ObjHandle book);
// The plain text of a paragraph, or null when it has no text.
char* ParagraphText(ObjHandle doc, ObjHandle pgf);
char* JoinStringItems(const TextItems* items);

// The "Character Tags Used:" and "Character Tags Not Used:" blocks, each a
// "Heading2" line over a "Body" line per tag: what List Character Usage
// writes under a document's or a book's title, and the Individual listing
// under each file's.
void WriteUsedBlock(ObjHandle out, const StringList* used);
void WriteUnusedBlock(ObjHandle out, const StringList* unused);

#endif
