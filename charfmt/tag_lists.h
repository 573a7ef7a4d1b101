// Tag lists: the one-column "Tags to Keep" table that the user edits, the
// pruning of a document by it, and the deletion of unused tags.
#ifndef TAGSMITH_CHARFMT_TAG_LISTS_H
#define TAGSMITH_CHARFMT_TAG_LISTS_H

#include "client/host_api.h"
#include "support/string_list.h"

// List types, by their index in "Choose a list type".
constexpr int32_t LIST_TYPE_EMPTY = 0;  // 10 empty rows, no scan
constexpr int32_t LIST_TYPE_USED = 1;   // the used tags
constexpr int32_t LIST_TYPE_ALL = 2;    // the used tags, then the unused ones

// Rows of an empty list, for the user to fill in.
constexpr int32_t kEmptyListRows = 10;

extern const char kKeepListHeading[];  // "Tags to Keep"

// A list table of `listType` with 1 or 2 columns under `headings`, in a
// freshly opened output document, its first column filled from lists the
// caller has already scanned. Returns the table, or 0 when none was made;
// `noInsertionPoint` as for BuildTagTable (no output document has none).
ObjHandle BuildListTable(int32_t listType, int32_t columns, const char* const* headings,
                         const StringList* used, const StringList* unused,
                         bool* noInsertionPoint = nullptr);
// The same after scanning `doc`, when the type needs a scan. With
// `scanMissed` given, a list of the tags in use is not made from a scan that
// missed text: *scanMissed is then true and no table is made.
ObjHandle ScanAndBuildListTable(ObjHandle doc, int32_t listType, int32_t columns,
                                const char* const* headings, bool* noInsertionPoint = nullptr,
                                bool* scanMissed = nullptr);
// The first-paragraph text of cell 1 of every row of `table`, heading rows
// first, appended to `first` (an empty cell as ""), and of cell 2 to `second`
// when it is given. -1 when a row or cell could not be reached or memory ran
// out: the lists then hold part of the table only.
int32_t ReadListTable(ObjHandle doc, ObjHandle table, StringList* first, StringList* second);

// The keep-list table of `listType` in the output document. The first form
// scans `doc` when the type needs it; the second takes lists the caller has
// already scanned (a book's, accumulated over its files). Both return the
// table, or 0 when none was made (`noInsertionPoint` as for BuildTagTable).
// A list of the tags in use that a scan missing text made could leave out a
// used tag, which pruning by it would delete: the first form makes none then
// and sets *scanMissed; callers of the second must see to it themselves.
ObjHandle CreateTagList(ObjHandle doc, int32_t listType, bool* noInsertionPoint = nullptr,
                        bool* scanMissed = nullptr);
ObjHandle CreateTagListFromLists(int32_t listType, const StringList* used, const StringList* unused,
                                 bool* noInsertionPoint = nullptr);

// The first open document, in the host's order, holding a table whose first
// cell begins with `heading`; 0 when none does.
ObjHandle FindListDocument(const char* heading);
// That table in `doc`, or 0.
ObjHandle FindListTable(ObjHandle doc, const char* heading);

// Deletes every character format of `doc` whose name is not, exactly, the
// first-column text of some row of `table` in `listDoc` (heading row
// included). Nothing is deleted when the table cannot be read whole.
void PruneToKeepList(ObjHandle doc, ObjHandle listDoc, ObjHandle table);

// Deletes every character format of `doc` whose name is in `unused`, except
// one whose name is in `used` in any letter case: the scan keeps one entry
// per case-folded name in `used`, so a case variant of a used name may sit in
// `unused` although text carries it.
void DeleteUnusedTags(ObjHandle doc, const StringList* used, const StringList* unused);

#endif
