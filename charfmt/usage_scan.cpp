#include "charfmt/usage_scan.h"

#include <cstring>

#include "charfmt/document_walk.h"
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

// Sets of names for one scan, so that its cost stays linear in the text and
// in the number of formats. The host is asked for the tag of every character,
// and a long document repeats a few hundred names millions of times; the
// lists themselves are searched from the front. A set either compares names
// exactly or folded as StrEqualsNoCase does (the fold keeps lengths and maps
// no byte to 0, so equal folded bytes mean equal ignoring case). Open
// addressing over a power-of-two table.
struct NameSet {
  const char** slots;
  uint32_t capacity;
  uint32_t count;
  bool folded;
  bool owned;     // holds copies of its names, else points at a list's
  bool complete;  // false once a name could not be added: no longer the list's mirror
};

NameSet NewNameSet(bool folded, bool owned) {
  return NameSet{nullptr, 0, 0, folded, owned, true};
}

uint32_t NameHash(const char* s, bool folded) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; ++p) {
    h = (h ^ (folded ? CaseFoldTable[*p] : *p)) * 16777619u;
  }
  return h;
}

// The slot holding `name`, or the empty slot where it would go.
uint32_t NameSlot(const char* const* slots, uint32_t capacity, const char* name, bool folded) {
  uint32_t mask = capacity - 1;
  uint32_t i = NameHash(name, folded) & mask;
  while (slots[i] != nullptr &&
         (folded ? !StrEqualsNoCase(slots[i], name) : std::strcmp(slots[i], name) != 0)) {
    i = (i + 1) & mask;
  }
  return i;
}

// The set's own string equal to `name`, or null.
const char* NameSetFind(const NameSet* set, const char* name) {
  if (set->count == 0) return nullptr;
  return set->slots[NameSlot(set->slots, set->capacity, name, set->folded)];
}

bool NameSetContains(const NameSet* set, const char* name) {
  return NameSetFind(set, name) != nullptr;
}

bool NameSetGrow(NameSet* set) {
  uint32_t capacity = set->capacity == 0 ? 64 : set->capacity * 2;
  if (capacity < set->capacity || capacity > UINT32_MAX / sizeof(char*)) return false;
  const char** slots = static_cast<const char**>(MemAllocateZeroed(capacity, sizeof(char*), 0));
  if (slots == nullptr) return false;
  for (uint32_t i = 0; i < set->capacity; ++i) {
    const char* name = set->slots[i];
    if (name != nullptr) slots[NameSlot(slots, capacity, name, set->folded)] = name;
  }
  MemRelease(const_cast<char**>(set->slots));
  set->slots = slots;
  set->capacity = capacity;
  return true;
}

void NameSetAdd(NameSet* set, const char* name) {
  if (!set->complete) return;
  if ((set->count + 1) * 2 > set->capacity && !NameSetGrow(set)) {
    set->complete = false;
    return;
  }
  uint32_t i = NameSlot(set->slots, set->capacity, name, set->folded);
  if (set->slots[i] != nullptr) return;
  const char* kept = set->owned ? StrDuplicate(name) : name;
  if (kept == nullptr) {
    set->complete = false;
    return;
  }
  set->slots[i] = kept;
  ++set->count;
}

void NameSetRelease(NameSet* set) {
  for (uint32_t i = 0; set->owned && i < set->capacity; ++i) {
    MemRelease(const_cast<char*>(set->slots[i]));
  }
  MemRelease(const_cast<char**>(set->slots));
  *set = NewNameSet(set->folded, set->owned);
}

// A set of the names of a list, pointing at the list's own strings.
NameSet IndexOf(const StringList* list, bool folded) {
  NameSet set = NewNameSet(folded, false);
  for (uint32_t i = 0; i < StringListCount(list); ++i) NameSetAdd(&set, StringListAt(list, i));
  return set;
}

bool InList(const StringList* list, const NameSet* index, const char* name) {
  if (index != nullptr && index->complete) return NameSetContains(index, name);
  return (index != nullptr && index->folded ? StringListIndexOfNoCase(list, name)
                                            : StringListIndexOf(list, name)) >= 0;
}

// Appends to a list and to its index; false when the list cannot grow.
bool AddToList(StringList* list, NameSet* index, const char* name) {
  if (StringListAdd(list, name) != 0) {
    PrintMessage(nullptr, kNoListMemory);
    return false;
  }
  if (index != nullptr) NameSetAdd(index, StringListAt(list, StringListCount(list) - 1));
  return true;
}

// The rule of MarkTagUsed, with `usedFolded` (or null) an index of `used`
// ignoring case. True when the name is in `used` afterwards, in its own
// spelling or another case, which is when marking it again changes nothing.
bool MarkName(const char* name, StringList* used, StringList* unused, NameSet* usedFolded) {
  if (name == nullptr || *name == '\0') return false;
  bool inUsed = usedFolded != nullptr && usedFolded->complete
                    ? NameSetContains(usedFolded, name)
                    : StringListIndexOfNoCase(used, name) >= 0;
  int32_t at = StringListIndexOf(unused, name);
  // A spelling that an earlier file left unused goes over to used even when
  // another spelling is there already: taken out of unused alone it would
  // be in neither list, and missing from a list of all tags. Should used
  // not take it, it stays where it is.
  if (!inUsed || at >= 0) {
    if (!AddToList(used, usedFolded, name)) return false;
    inUsed = true;
  }
  if (at >= 0) StringListRemoveAt(unused, static_cast<uint32_t>(at));
  return inUsed;
}

struct Scan {
  ObjHandle doc;
  StringList* used;
  StringList* unused;
  NameSet usedFolded;  // the names of used, ignoring case
  NameSet marked;      // names marked so far, exactly as found
  const char* last;    // the one marked last, in `marked`, or null
  // Some use may have gone unseen: a host call failed, or memory ran out.
  bool incomplete;
};

Scan StartScan(ObjHandle doc, StringList* used, StringList* unused) {
  return Scan{doc, used, unused, IndexOf(used, true), NewNameSet(false, true), nullptr, false};
}

// Host calls never clear HostErrno: a failure of any call since the last
// look is still there to see.
void NoteHostFailure(Scan* scan) {
  if (HostErrno != 0) scan->incomplete = true;
  HostErrno = 0;
}

void EndScan(Scan* scan) {
  NameSetRelease(&scan->usedFolded);
  NameSetRelease(&scan->marked);
}

// Once a name has been marked, marking it again changes nothing for the rest
// of the walk (used only grows, unused only shrinks): it is not looked up.
// Most positions carry the tag of the one before, so that is tried first.
void Mark(Scan* scan, const char* name) {
  if (name == nullptr || *name == '\0') return;
  if (scan->last != nullptr && std::strcmp(scan->last, name) == 0) return;
  if (!NameSetContains(&scan->marked, name)) {
    if (!MarkName(name, scan->used, scan->unused, &scan->usedFolded)) {
      scan->incomplete = true;
      return;
    }
    NameSetAdd(&scan->marked, name);
  }
  scan->last = NameSetFind(&scan->marked, name);
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
    } else {
      scan->incomplete = true;
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
    NoteHostFailure(scan);
    PropVal v = HostGetTextPropVal(scan->doc, TextLoc{pgf, offset}, PROP_CHAR_TAG);
    int32_t status = HostErrno;
    HostErrno = 0;  // the range error is how a paragraph ends, no failure
    // The range error is the host's word that the text ends here, also at
    // or before the end item: the end item itself need not be readable.
    bool finished = status == ERR_OFFSET_RANGE || (bounded && offset > end);
    if (!finished && status == 0) {
      if (v.propVal.valType == VT_STRING) Mark(scan, v.propVal.u.sval);
    } else if (!finished) {
      scan->incomplete = true;
      if (!bounded) {
        bounded = ParagraphEnd(scan->doc, pgf, &end);
        finished = !bounded || offset > end;
      }
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
    ObjHandle pgf = FirstParagraphFrom(doc, HostGetId(doc, flow, PROP_FIRST_FRAME_IN_FLOW));
    ProbeParagraphChain(scan, pgf, true);
  }
}

void ScanTables(Scan* scan) {
  ForEachTableTextChain(scan->doc, [scan](ObjHandle first) {
    ProbeParagraphChain(scan, first, false);
  });
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
      TextItems items =
          HostGetTextForRange(doc, TextRange{{p, 0}, {p, OFFSET_OBJ_END}}, ITEM_STRING);
      char* text = JoinStringItems(&items);
      // Text there but no copy of it: memory ran out.
      if (text == nullptr && items.len > 0) scan->incomplete = true;
      TextItemsFree(&items);
      ScanText(scan, text);
      StrReleaseAndClear(&text);
    }
  }
}

void AddDefinedUnused(Scan* scan) {
  ObjHandle doc = scan->doc;
  NameSet usedExact = IndexOf(scan->used, false);
  NameSet unusedExact = IndexOf(scan->unused, false);
  for (ObjHandle f = HostGetId(0, doc, PROP_FIRST_CHAR_FMT_IN_DOC); f != 0;
       f = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC)) {
    char* name = HostGetString(doc, f, PROP_NAME);
    if (name != nullptr && !InList(scan->used, &usedExact, name) &&
        !InList(scan->unused, &unusedExact, name)) {
      AddToList(scan->unused, &unusedExact, name);
    }
    StrReleaseAndClear(&name);
  }
  NameSetRelease(&usedExact);
  NameSetRelease(&unusedExact);
}

// The used list keeps one spelling of names that differ only in case, while
// unused is kept by exact name; left alone, a second spelling that is used
// too (or that another file of a book uses) would sit in unused and be
// deleted with the unused tags. Every spelling of a used name counts as used.
void MoveCaseVariantsToUsed(Scan* scan) {
  uint32_t i = 0;
  while (i < StringListCount(scan->unused)) {
    const char* name = StringListAt(scan->unused, i);
    if (!InList(scan->used, &scan->usedFolded, name)) {
      ++i;
      continue;
    }
    // Out of unused even when used cannot take it: a name in neither list is
    // only left out of the report, never deleted.
    AddToList(scan->used, &scan->usedFolded, name);
    StringListRemoveAt(scan->unused, i);
  }
}

}  // namespace

void MarkTagUsed(const char* name, StringList* used, StringList* unused) {
  MarkName(name, used, unused, nullptr);
}

void ScanFormatText(ObjHandle doc, StringList* used, StringList* unused, const char* text) {
  Scan scan = StartScan(doc, used, unused);
  ScanText(&scan, text);
  EndScan(&scan);
}

int32_t CharTagUsageScan(ObjHandle doc, StringList* used, StringList* unused) {
  Scan scan = StartScan(doc, used, unused);

  HostSetInt(0, 0, PROP_DISPLAYING, 0);
  int32_t walkFlag = HostGetInt(doc, doc, PROP_DOC_WALK_FLAG);
  HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, 1);

  HostErrno = 0;
  ScanFlows(&scan);
  ScanTables(&scan);
  ScanFormatFamily(&scan, PROP_FIRST_FMT_DEF_A, PROP_NEXT_FMT_DEF_A, PROP_FMT_DEF_A_TEXT);
  ScanFormatFamily(&scan, PROP_FIRST_FMT_DEF_B, PROP_NEXT_FMT_DEF_B, PROP_FMT_DEF_TEXT);
  ScanFootnotes(&scan);
  ScanFormatFamily(&scan, PROP_FIRST_FMT_DEF_C, PROP_NEXT_FMT_DEF_C, PROP_FMT_DEF_TEXT);
  ScanTagProperties(&scan);
  ScanFormatPages(&scan);
  // The lists are kept whole also after a walk that missed text: they are
  // what the user is shown. Whoever deletes by them asks the status first.
  AddDefinedUnused(&scan);
  MoveCaseVariantsToUsed(&scan);
  NoteHostFailure(&scan);
  EndScan(&scan);

  StringListSort(used, StringListCompareExact);
  StringListSort(unused, StringListCompareExact);

  HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, walkFlag);
  HostSetInt(0, 0, PROP_DISPLAYING, 1);
  HostRedisplay(doc);
  return scan.incomplete ? -1 : 0;
}
