#include "charfmt/usage_scan.h"

#include <cstring>

#include "charfmt/output_document.h"
#include "client/host_lists.h"
#include "support/case_fold.h"
#include "support/format.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

const char kNoListMemory[] = "Couldn't allocate string list memory\n";
// Document properties that name a tag directly, in the order they are read.
const int32_t kDocTagProps[] = {PROP_DOC_CHAR_TAG_339, PROP_DOC_CHAR_TAG_338,
                                PROP_DOC_CHAR_TAG_337, PROP_DOC_CHAR_TAG_334,
                                PROP_DOC_CHAR_TAG_336};

// Names marked during one scan. The host is asked for the tag of every
// character, and a long document repeats a few hundred names millions of
// times; once a name has been marked, marking it again changes nothing for
// the rest of the scan (used only grows, unused only shrinks), so a hit here
// skips the linear, case-folding search of the used list. Open addressing
// over a power-of-two table of owned copies.
struct MarkedNames {
  char** slots;
  uint32_t capacity;
  uint32_t count;
};

constexpr uint32_t kMarkedInitialCapacity = 64;

uint32_t NameHash(const char* s) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; ++p) {
    h = (h ^ *p) * 16777619u;
  }
  return h;
}

// The slot holding `name`, or the empty slot where it would go.
uint32_t MarkedSlot(char* const* slots, uint32_t capacity, const char* name) {
  uint32_t mask = capacity - 1;
  uint32_t i = NameHash(name) & mask;
  while (slots[i] != nullptr && std::strcmp(slots[i], name) != 0) i = (i + 1) & mask;
  return i;
}

bool MarkedContains(const MarkedNames* set, const char* name) {
  if (set->capacity == 0) return false;
  return set->slots[MarkedSlot(set->slots, set->capacity, name)] != nullptr;
}

// Growing the table only ever costs speed: a name that cannot be recorded is
// simply looked up in the lists again next time.
bool MarkedGrow(MarkedNames* set) {
  uint32_t capacity = set->capacity == 0 ? kMarkedInitialCapacity : set->capacity * 2;
  if (capacity < set->capacity || capacity > (UINT32_MAX / sizeof(char*))) return false;
  char** slots = static_cast<char**>(MemAllocateZeroed(capacity, sizeof(char*), 0));
  if (slots == nullptr) return false;
  for (uint32_t i = 0; i < set->capacity; ++i) {
    char* name = set->slots[i];
    if (name != nullptr) slots[MarkedSlot(slots, capacity, name)] = name;
  }
  MemRelease(set->slots);
  set->slots = slots;
  set->capacity = capacity;
  return true;
}

void MarkedInsert(MarkedNames* set, const char* name) {
  if ((set->count + 1) * 2 > set->capacity && !MarkedGrow(set)) return;
  uint32_t i = MarkedSlot(set->slots, set->capacity, name);
  if (set->slots[i] != nullptr) return;
  char* copy = StrDuplicate(name);
  if (copy == nullptr) return;
  set->slots[i] = copy;
  ++set->count;
}

void MarkedRelease(MarkedNames* set) {
  for (uint32_t i = 0; i < set->capacity; ++i) MemRelease(set->slots[i]);
  MemRelease(set->slots);
  *set = MarkedNames{nullptr, 0, 0};
}

// The rule of MarkTagUsed. True when the name is in `used` afterwards (in
// its own spelling or another case), which is when marking it again would
// change nothing.
bool MarkName(const char* name, StringList* used, StringList* unused) {
  if (name == nullptr || *name == '\0') return false;
  bool inUsed = StringListIndexOfNoCase(used, name) >= 0;
  if (!inUsed) {
    if (StringListAdd(used, name) == 0) {
      inUsed = true;
    } else {
      PrintMessage(nullptr, kNoListMemory);
    }
  }
  int32_t at = StringListIndexOf(unused, name);
  if (at >= 0) StringListRemoveAt(unused, static_cast<uint32_t>(at));
  return inUsed;
}

struct Scan {
  ObjHandle doc;
  StringList* used;
  StringList* unused;
  MarkedNames marked;
};

void Mark(Scan* scan, const char* name) {
  if (name == nullptr || *name == '\0' || MarkedContains(&scan->marked, name)) return;
  if (MarkName(name, scan->used, scan->unused)) MarkedInsert(&scan->marked, name);
}

void ScanText(Scan* scan, const char* text) {
  // Nothing can be written in an empty text: no need to ask for the formats.
  if (text == nullptr || *text == '\0') return;
  for (ObjHandle f = HostGetId(0, scan->doc, PROP_FIRST_CHAR_FMT_IN_DOC); f != 0;
       f = HostGetId(scan->doc, f, PROP_NEXT_CHAR_FMT_IN_DOC)) {
    char* tag = HostGetString(scan->doc, f, PROP_CHAR_TAG);
    int32_t length = StrLength(tag);
    char* pattern = StrAllocate(length + 2);
    if (pattern != nullptr) {
      pattern[0] = '<';
      if (length > 0) std::memcpy(pattern + 1, tag, static_cast<size_t>(length));
      pattern[length + 1] = '>';
      if (StrIndexOf(text, pattern) >= 0) Mark(scan, tag);
      MemRelease(pattern);
    }
    StrReleaseAndClear(&tag);
  }
}

// Offset of the paragraph-end item; false when the host gives none.
bool ParagraphEnd(ObjHandle doc, ObjHandle pgf, int32_t* end) {
  TextRange whole{{pgf, 0}, {pgf, OFFSET_OBJ_END}};
  TextItems items = HostGetTextForRange(doc, whole, ITEM_PGF_END);
  bool found = items.len > 0 && items.val != nullptr;
  if (found) *end = items.val[0].offset;
  TextItemsFree(&items);
  return found;
}

// Asks for the tag at every position of the paragraph, its end included.
// Flow paragraphs are bounded by their end item as well as by the host's
// range error; others by the range error alone, unless a probe fails for
// another reason: a host that keeps failing would never report the range
// error, so the end item is read then to bound what is left.
void ProbeParagraph(Scan* scan, ObjHandle pgf, bool flowParagraph) {
  int32_t end = 0;
  bool bounded = flowParagraph && ParagraphEnd(scan->doc, pgf, &end);
  for (int32_t offset = 0; offset < OFFSET_BEFORE_OBJ_END; ++offset) {
    HostErrno = 0;
    PropVal v = HostGetTextPropVal(scan->doc, TextLoc{pgf, offset}, PROP_CHAR_TAG);
    int32_t status = HostErrno;
    bool finished = status == ERR_OFFSET_RANGE || (bounded && offset > end);
    if (!finished && status == 0) {
      if (v.propVal.valType == VT_STRING) Mark(scan, v.propVal.u.sval);
    } else if (!finished && !bounded) {
      bounded = ParagraphEnd(scan->doc, pgf, &end);
      finished = !bounded || offset > end;
    }
    PropValFree(&v);
    if (finished) break;
  }
}

void ProbeParagraphChain(Scan* scan, ObjHandle first, bool flowParagraphs) {
  for (ObjHandle p = first; p != 0; p = HostGetId(scan->doc, p, PROP_NEXT_PGF)) {
    ProbeParagraph(scan, p, flowParagraphs);
  }
}

void ScanFlows(Scan* scan) {
  ObjHandle doc = scan->doc;
  for (ObjHandle flow = HostGetId(0, doc, PROP_FIRST_FLOW_IN_DOC); flow != 0;
       flow = HostGetId(doc, flow, PROP_NEXT_FLOW_IN_DOC)) {
    ObjHandle frame = HostGetId(doc, flow, PROP_FIRST_FRAME_IN_FLOW);
    ObjHandle pgf = frame != 0 ? HostGetId(doc, frame, PROP_FIRST_PGF) : 0;
    while (pgf == 0 && frame != 0) {
      frame = HostGetId(doc, frame, PROP_NEXT_FRAME_IN_FLOW);
      if (frame != 0) pgf = HostGetId(doc, frame, PROP_FIRST_PGF);
    }
    // The next-paragraph chain of a flow runs on across its frames.
    ProbeParagraphChain(scan, pgf, true);
  }
}

void ScanTables(Scan* scan) {
  ObjHandle doc = scan->doc;
  for (ObjHandle table = HostGetId(0, doc, PROP_FIRST_TBL_IN_DOC); table != 0;
       table = HostGetId(doc, table, PROP_NEXT_TBL_IN_DOC)) {
    for (ObjHandle row = HostGetId(doc, table, PROP_FIRST_ROW); row != 0;
         row = HostGetId(doc, row, PROP_NEXT_ROW)) {
      for (ObjHandle cell = HostGetId(doc, row, PROP_FIRST_CELL); cell != 0;
           cell = HostGetId(doc, cell, PROP_NEXT_CELL)) {
        ProbeParagraphChain(scan, HostGetId(doc, cell, PROP_FIRST_PGF), false);
      }
    }
    // The table's own paragraphs are its title.
    ProbeParagraphChain(scan, HostGetId(doc, table, PROP_FIRST_PGF), false);
  }
}

void ScanFootnotes(Scan* scan) {
  ObjHandle doc = scan->doc;
  for (ObjHandle fn = HostGetId(0, doc, PROP_FIRST_FN_IN_DOC); fn != 0;
       fn = HostGetId(doc, fn, PROP_NEXT_FN_IN_DOC)) {
    ProbeParagraphChain(scan, HostGetId(doc, fn, PROP_FIRST_PGF), false);
  }
}

void ScanFormatFamily(Scan* scan, int32_t firstProp, int32_t nextProp, int32_t textProp) {
  ObjHandle doc = scan->doc;
  for (ObjHandle o = HostGetId(0, doc, firstProp); o != 0; o = HostGetId(doc, o, nextProp)) {
    char* text = HostGetString(doc, o, textProp);
    ScanText(scan, text);
    StrReleaseAndClear(&text);
  }
}

// Names beginning with "Default" in these properties stand for the host's
// own settings, not for a character format.
void MarkNamedTag(Scan* scan, char* name) {
  if (name != nullptr && *name != '\0' && !StrStartsWith(name, "Default")) Mark(scan, name);
}

void ScanTagProperties(Scan* scan) {
  ObjHandle doc = scan->doc;
  for (int32_t prop : kDocTagProps) {
    char* name = HostGetString(0, doc, prop);
    MarkNamedTag(scan, name);
    StrReleaseAndClear(&name);
  }
  for (ObjHandle o = HostGetId(0, doc, PROP_FIRST_TAG_REF_OBJ); o != 0;
       o = HostGetId(doc, o, PROP_NEXT_TAG_REF_OBJ)) {
    char* name = HostGetString(doc, o, PROP_TAG_REF);
    MarkNamedTag(scan, name);
    StrReleaseAndClear(&name);
  }
}

void ScanFormatPages(Scan* scan) {
  ObjHandle doc = scan->doc;
  for (ObjHandle page = HostGetId(0, doc, PROP_FIRST_FORMAT_PAGE); page != 0;
       page = HostGetId(doc, page, PROP_NEXT_FORMAT_PAGE)) {
    ObjHandle frame = HostGetId(doc, page, PROP_PAGE_FRAME);
    ObjHandle graphic = frame != 0 ? HostGetId(doc, frame, PROP_FIRST_GRAPHIC_IN_FRAME) : 0;
    ObjHandle first = graphic != 0 ? HostGetId(doc, graphic, PROP_FIRST_PGF) : 0;
    for (ObjHandle p = first; p != 0; p = HostGetId(doc, p, PROP_NEXT_PGF)) {
      char* text = ParagraphText(doc, p);
      ScanText(scan, text);
      StrReleaseAndClear(&text);
    }
  }
}

void AddDefinedUnused(Scan* scan) {
  ObjHandle doc = scan->doc;
  for (ObjHandle f = HostGetId(0, doc, PROP_FIRST_CHAR_FMT_IN_DOC); f != 0;
       f = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC)) {
    char* name = HostGetString(doc, f, PROP_NAME);
    if (name != nullptr && StringListIndexOf(scan->used, name) < 0 &&
        StringListIndexOf(scan->unused, name) < 0 && StringListAdd(scan->unused, name) != 0) {
      PrintMessage(nullptr, kNoListMemory);
    }
    StrReleaseAndClear(&name);
  }
}

// The used list keeps one spelling of names that differ only in case, while
// unused is kept by exact name; left alone, a second spelling that is used
// too (or that another file of a book uses) would sit in unused and be
// deleted with the unused tags. Every spelling of a used name counts as used.
void MoveCaseVariantsToUsed(StringList* used, StringList* unused) {
  uint32_t i = 0;
  while (i < StringListCount(unused)) {
    const char* name = StringListAt(unused, i);
    if (StringListIndexOfNoCase(used, name) < 0) {
      ++i;
      continue;
    }
    // Out of unused even when used cannot take it: a name in neither list is
    // only left out of the report, never deleted.
    if (StringListAdd(used, name) != 0) PrintMessage(nullptr, kNoListMemory);
    StringListRemoveAt(unused, i);
  }
}

}  // namespace

void MarkTagUsed(const char* name, StringList* used, StringList* unused) {
  MarkName(name, used, unused);
}

void ScanFormatText(ObjHandle doc, StringList* used, StringList* unused, const char* text) {
  Scan scan{doc, used, unused, MarkedNames{nullptr, 0, 0}};
  ScanText(&scan, text);
  MarkedRelease(&scan.marked);
}

void CharTagUsageScan(ObjHandle doc, StringList* used, StringList* unused) {
  Scan scan{doc, used, unused, MarkedNames{nullptr, 0, 0}};

  HostSetInt(0, 0, PROP_DISPLAYING, 0);
  int32_t walkFlag = HostGetInt(doc, doc, PROP_DOC_WALK_FLAG);
  HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, 1);

  ScanFlows(&scan);
  ScanTables(&scan);
  ScanFormatFamily(&scan, PROP_FIRST_FMT_DEF_A, PROP_NEXT_FMT_DEF_A, PROP_FMT_DEF_A_TEXT);
  ScanFormatFamily(&scan, PROP_FIRST_FMT_DEF_B, PROP_NEXT_FMT_DEF_B, PROP_FMT_DEF_TEXT);
  ScanFootnotes(&scan);
  ScanFormatFamily(&scan, PROP_FIRST_FMT_DEF_C, PROP_NEXT_FMT_DEF_C, PROP_FMT_DEF_TEXT);
  ScanTagProperties(&scan);
  ScanFormatPages(&scan);
  AddDefinedUnused(&scan);
  MoveCaseVariantsToUsed(used, unused);
  MarkedRelease(&scan.marked);

  StringListSort(used, StringListCompareExact);
  StringListSort(unused, StringListCompareExact);

  HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, walkFlag);
  HostSetInt(0, 0, PROP_DISPLAYING, 1);
  HostRedisplay(doc);
}
