#include "charfmt/tag_lists.h"

#include "charfmt/output_document.h"
#include "charfmt/usage_scan.h"
#include "client/host_lists.h"
#include "support/memory.h"
#include "support/name_set.h"
#include "support/strings.h"

const char kKeepListHeading[] = "Tags to Keep";

namespace {

int32_t ClampedCount(uint64_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n); }

// The first-paragraph text of `cell` appended to `list`; a cell without text
// (or no cell at all, in a row shorter than the table) reads as "".
int32_t AddCellText(ObjHandle doc, ObjHandle cell, StringList* list) {
  char* text = nullptr;
  if (cell != 0) {
    HostErrno = 0;
    ObjHandle pgf = HostGetId(doc, cell, PROP_FIRST_PGF);
    bool hasText = false;
    if (pgf != 0) {
      TextItems items =
          HostGetTextForRange(doc, TextRange{{pgf, 0}, {pgf, OFFSET_OBJ_END}}, ITEM_STRING);
      for (uint32_t i = 0; i < items.len; ++i) {
        if (items.val[i].dataType == ITEM_STRING && StrLength(items.val[i].u.sdata) > 0) {
          hasText = true;
        }
      }
      text = JoinStringItems(&items);
      TextItemsFree(&items);
    }
    // A cell whose text could not be copied is not an empty cell: reading it
    // as one would drop the name it holds from the list.
    if (HostErrno != 0 || (hasText && text == nullptr)) {
      StrReleaseAndClear(&text);
      return -1;
    }
  }
  int32_t rc = StringListAdd(list, text != nullptr ? text : "");
  StrReleaseAndClear(&text);
  return rc;
}

// The first-paragraph text of the first cell of `table`'s first row.
bool TableHeadingStartsWith(ObjHandle doc, ObjHandle table, const char* heading) {
  ObjHandle row = HostGetId(doc, table, PROP_FIRST_ROW);
  if (row == 0) return false;
  ObjHandle cell = HostGetId(doc, row, PROP_FIRST_CELL);
  ObjHandle pgf = cell == 0 ? 0 : HostGetId(doc, cell, PROP_FIRST_PGF);
  if (pgf == 0) return false;
  char* text = ParagraphText(doc, pgf);
  bool match = StrStartsWith(text, heading) != 0;
  StrReleaseAndClear(&text);
  return match;
}

}  // namespace

ObjHandle BuildListTable(int32_t listType, int32_t columns, const char* const* headings,
                         const StringList* used, const StringList* unused, bool* noInsertionPoint) {
  const StringList* names[2] = {used, unused};
  int32_t lists = 0;
  int32_t rows = kEmptyListRows;
  if (listType == LIST_TYPE_USED) {
    lists = 1;
    rows = ClampedCount(StringListCount(used));
  } else if (listType == LIST_TYPE_ALL) {
    lists = 2;
    rows = ClampedCount(uint64_t{StringListCount(used)} + StringListCount(unused));
  }
  if (noInsertionPoint != nullptr) *noInsertionPoint = true;
  ObjHandle out = OpenOutputDocument();
  if (out == 0) return 0;
  return BuildTagTable(out, columns, rows, headings, names, lists, noInsertionPoint);
}

ObjHandle ScanAndBuildListTable(ObjHandle doc, int32_t listType, int32_t columns,
                                const char* const* headings, bool* noInsertionPoint,
                                bool* scanMissed) {
  // Lists that cannot be made leave nothing to write: no place was found.
  if (noInsertionPoint != nullptr) *noInsertionPoint = true;
  if (scanMissed != nullptr) *scanMissed = false;
  StringList* used = StringListCreate(1, 1);
  StringList* unused = StringListCreate(1, 1);
  ObjHandle table = 0;
  if (used != nullptr && unused != nullptr) {
    bool missed = false;
    if (listType == LIST_TYPE_USED || listType == LIST_TYPE_ALL) {
      missed = CharTagUsageScan(doc, used, unused) != 0;
    }
    if (missed && listType == LIST_TYPE_USED && scanMissed != nullptr) {
      *scanMissed = true;
      if (noInsertionPoint != nullptr) *noInsertionPoint = false;
    } else {
      table = BuildListTable(listType, columns, headings, used, unused, noInsertionPoint);
    }
  }
  StringListDestroy(used);
  StringListDestroy(unused);
  return table;
}

ObjHandle CreateTagList(ObjHandle doc, int32_t listType, bool* noInsertionPoint, bool* scanMissed) {
  const char* headings[] = {kKeepListHeading};
  bool missed = false;
  ObjHandle table = ScanAndBuildListTable(doc, listType, 1, headings, noInsertionPoint, &missed);
  if (scanMissed != nullptr) *scanMissed = missed;
  return table;
}

ObjHandle CreateTagListFromLists(int32_t listType, const StringList* used, const StringList* unused,
                                 bool* noInsertionPoint) {
  const char* headings[] = {kKeepListHeading};
  return BuildListTable(listType, 1, headings, used, unused, noInsertionPoint);
}

int32_t ReadListTable(ObjHandle doc, ObjHandle table, StringList* first, StringList* second) {
  // A chain that ends because a call failed looks like a short table; the
  // callers must not act on part of a list, so failures are told apart here.
  HostErrno = 0;
  ObjHandle row = HostGetId(doc, table, PROP_FIRST_ROW);
  if (HostErrno != 0) return -1;
  while (row != 0) {
    HostErrno = 0;
    ObjHandle cell = HostGetId(doc, row, PROP_FIRST_CELL);
    if (HostErrno != 0) return -1;
    if (AddCellText(doc, cell, first) != 0) return -1;
    if (second != nullptr) {
      ObjHandle next = 0;
      if (cell != 0) {
        HostErrno = 0;
        next = HostGetId(doc, cell, PROP_NEXT_CELL);
        if (HostErrno != 0) return -1;
      }
      if (AddCellText(doc, next, second) != 0) return -1;
    }
    HostErrno = 0;
    row = HostGetId(doc, row, PROP_NEXT_ROW);
    if (HostErrno != 0) return -1;
  }
  return 0;
}

ObjHandle FindListTable(ObjHandle doc, const char* heading) {
  if (doc == 0) return 0;
  for (ObjHandle t = HostGetId(0, doc, PROP_FIRST_TBL_IN_DOC); t != 0;
       t = HostGetId(doc, t, PROP_NEXT_TBL_IN_DOC)) {
    if (TableHeadingStartsWith(doc, t, heading)) return t;
  }
  return 0;
}

ObjHandle FindListDocument(const char* heading) {
  for (ObjHandle d = HostGetId(0, 0, PROP_FIRST_OPEN_DOC); d != 0;
       d = HostGetId(d, d, PROP_NEXT_OPEN_DOC)) {
    if (FindListTable(d, heading) != 0) return d;
  }
  return 0;
}

void PruneToKeepList(ObjHandle doc, ObjHandle listDoc, ObjHandle table) {
  if (doc == 0 || table == 0) return;
  // The list is read once, before anything is deleted: the table may stand
  // in `doc` itself, and formats x rows host calls would dominate the command.
  StringList* keep = StringListCreate(16, 16);
  if (keep == nullptr) return;
  if (ReadListTable(listDoc, table, keep, nullptr) == 0) {
    NameSet kept = NameSetOfList(keep, false);
    ObjHandle f = HostGetId(0, doc, PROP_FIRST_CHAR_FMT_IN_DOC);
    while (f != 0) {
      // Deleting f ends its place in the chain, so the next one comes first.
      ObjHandle next = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC);
      char* name = HostGetString(doc, f, PROP_NAME);
      // A name that could not be read is not known to be missing from the list.
      if (name != nullptr && !NameSetListHas(keep, &kept, name)) HostDeleteObject(doc, f);
      StrReleaseAndClear(&name);
      f = next;
    }
    NameSetRelease(&kept);
  }
  StringListDestroy(keep);
}

void DeleteUnusedTags(ObjHandle doc, const StringList* used, const StringList* unused) {
  if (doc == 0) return;
  NameSet unusedExact = NameSetOfList(unused, false);
  NameSet usedFolded = NameSetOfList(used, true);
  ObjHandle f = HostGetId(0, doc, PROP_FIRST_CHAR_FMT_IN_DOC);
  while (f != 0) {
    ObjHandle next = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC);
    char* name = HostGetString(doc, f, PROP_NAME);
    if (name != nullptr && NameSetListHas(unused, &unusedExact, name) &&
        !NameSetListHas(used, &usedFolded, name)) {
      HostDeleteObject(doc, f);
    }
    StrReleaseAndClear(&name);
    f = next;
  }
  NameSetRelease(&unusedExact);
  NameSetRelease(&usedFolded);
}
