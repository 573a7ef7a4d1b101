// The properties the host works out from a document's structure rather than
// storing: the chains' and containers' first, next and last members, the
// open documents and the active ones, the selected table, the footnotes in
// text order. Setting one of them does not change what reading it gives.
#ifndef TAGSMITH_MEMHOST_STRUCTURAL_IDS_H
#define TAGSMITH_MEMHOST_STRUCTURAL_IDS_H

#include "memhost/doc_store.h"

namespace memhost {

// True when `prop` is a structural identifier of an object of o's type, with
// its value in *id (0: none). `doc` is the document of the call, or the menu
// for PROP_NEXT_MENU_ITEM, whose next item depends on the menu.
bool StructuralId(DocStore& store, const Obj& o, ObjHandle doc, int32_t prop, ObjHandle* id);

// True when `prop` is a structural integer of o (a cell's column), with its
// value in *value.
bool StructuralInt(const Obj& o, int32_t prop, int32_t* value);

}  // namespace memhost

#endif
