// The walks over a document's text that several operations share: where a
// flow's paragraph chain starts, and the paragraph chains of every table.
#ifndef TAGSMITH_CHARFMT_DOCUMENT_WALK_H
#define TAGSMITH_CHARFMT_DOCUMENT_WALK_H

#include "client/host_api.h"

// The first paragraph of a flow's text, looking from `frame` (its first text
// frame) on. Leading frames may be empty; the chain starts in the first one
// that holds a paragraph and crosses the later frames by itself. 0 when no
// frame holds one.
ObjHandle FirstParagraphFrom(ObjHandle doc, ObjHandle frame);

// Calls visit(first paragraph) for the cells of every row of every table of
// doc, row by row, then for the table's own paragraphs (its title).
template <typename Visit>
void ForEachTableTextChain(ObjHandle doc, Visit visit) {
  for (ObjHandle table = HostGetId(0, doc, PROP_FIRST_TBL_IN_DOC); table != 0;
       table = HostGetId(doc, table, PROP_NEXT_TBL_IN_DOC)) {
    for (ObjHandle row = HostGetId(doc, table, PROP_FIRST_ROW); row != 0;
         row = HostGetId(doc, row, PROP_NEXT_ROW)) {
      for (ObjHandle cell = HostGetId(doc, row, PROP_FIRST_CELL); cell != 0;
           cell = HostGetId(doc, cell, PROP_NEXT_CELL)) {
        visit(HostGetId(doc, cell, PROP_FIRST_PGF));
      }
    }
    visit(HostGetId(doc, table, PROP_FIRST_PGF));
  }
}

#endif
