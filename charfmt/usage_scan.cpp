#include "charfmt/usage_scan.h"

#include <cstring>

#include "charfmt/document_walk.h"
#include "charfmt/output_document.h"
#include "client/host_lists.h"
#include "support/format.h"
#include "support/memory.h"
#include "support/name_set.h"
#include "support/strings.h"

namespace {

const char kNoListMemory[] = "Couldn't allocate string list memory\n";
// Document properties that name a tag directly, in the order they are read.
const int32_t kDocTagProps[] = {PROP_DOC_CHAR_TAG_339, PROP_DOC_CHAR_TAG_338, PROP_DOC_CHAR_TAG_337,
                                PROP_DOC_CHAR_TAG_334, PROP_DOC_CHAR_TAG_336};

// Sets of names for one scan keep its cost linear in the text and in the
// number of formats: the host is asked for the tag of every character, and a
// long document repeats a few hundred names millions of times.

// Appends to a list and to its index; false when the list cannot grow.
bool AddToList(StringList* list, NameSet* index, const char* name) {
  if (StringListAdd(list, name) != 0) {
    PrintMessage(nullptr, kNoListMemory);
    return false;
  }
  if (index != nullptr) NameSetAdd(index, StringListAt(list, StringListCount(list) - 1));
  return true;
}

struct Scan {
  ObjHandle doc;
  StringList* used;
  StringList* unused;
  NameSet usedFolded;   // the names of used, ignoring case
  NameSet unusedExact;  // the names of unused
  // Names of unused that have gone over to used: a book's unused list can
  // be long, so they leave it together when marking ends.
  NameSet taken;
  NameSet marked;     // names marked so far, exactly as found
  const char* last;   // the one marked last, in `marked`, or null
  size_t lastLength;  // its length
  // Some use may have gone unseen: a host call failed, or memory ran out.
  bool incomplete;
};

Scan StartScan(ObjHandle doc, StringList* used, StringList* unused) {
  return Scan{doc,
              used,
              unused,
              NameSetOfList(used, true),
              NameSetOfList(unused, false),
              NewNameSet(false, false),
              NewNameSet(false, true),
              nullptr,
              0,
              false};
}

bool InSet(const char* name, void* set) {
  return NameSetContains(static_cast<const NameSet*>(set), name);
}

// Takes the names gone over to used out of unused.
void FlushTaken(Scan* scan) {
  if (scan->taken.count == 0) return;
  StringListRemoveIf(scan->unused, InSet, &scan->taken);
  NameSetRelease(&scan->taken);
  NameSetRelease(&scan->unusedExact);
  scan->unusedExact = NameSetOfList(scan->unused, false);
}

// Whether unused holds `name` still. Nothing waits in `taken` while the
// index of unused is incomplete.
bool InUnused(const Scan* scan, const char* name) {
  if (!scan->unusedExact.complete) return StringListIndexOf(scan->unused, name) >= 0;
  return NameSetContains(&scan->unusedExact, name) && !NameSetContains(&scan->taken, name);
}

void TakeFromUnused(Scan* scan, const char* name) {
  if (scan->unusedExact.complete) {
    NameSetAdd(&scan->taken, NameSetFind(&scan->unusedExact, name));
    if (scan->taken.complete) return;
  }
  // No memory to let it wait: the name leaves the list at once.
  FlushTaken(scan);
  int32_t at = StringListIndexOf(scan->unused, name);
  if (at >= 0) StringListRemoveAt(scan->unused, static_cast<uint32_t>(at));
  NameSetRelease(&scan->taken);
  NameSetRelease(&scan->unusedExact);
  scan->unusedExact = NameSetOfList(scan->unused, false);
}

// The rule of MarkTagUsed. True when the name is in `used` afterwards, in
// its own spelling or another case, which is when marking it again changes
// nothing.
bool MarkName(Scan* scan, const char* name) {
  if (name == nullptr || *name == '\0') return false;
  bool inUsed = NameSetListHas(scan->used, &scan->usedFolded, name);
  bool inUnused = InUnused(scan, name);
  // A spelling that an earlier file left unused goes over to used even when
  // another spelling is there already: taken out of unused alone it would
  // be in neither list, and missing from a list of all tags. Should used
  // not take it, it stays where it is.
  if (!inUsed || inUnused) {
    if (!AddToList(scan->used, &scan->usedFolded, name)) return false;
    inUsed = true;
  }
  if (inUnused) TakeFromUnused(scan, name);
  return inUsed;
}

// Host calls never clear HostErrno: a failure of any call since the last
// look is still there to see.
void NoteHostFailure(Scan* scan) {
  if (HostErrno != 0) scan->incomplete = true;
  HostErrno = 0;
}

void EndScan(Scan* scan) {
  FlushTaken(scan);
  NameSetRelease(&scan->usedFolded);
  NameSetRelease(&scan->unusedExact);
  NameSetRelease(&scan->taken);
  NameSetRelease(&scan->marked);
}

// Whether name is the tag marked last. Compared byte by byte only up to the
// end of `last`: a shorter name differs at its own end, so nothing past the
// end of either string is read. Unrolled, the test of each byte is one
// branch that is almost never taken; a loop would add one per byte.
inline bool IsLast(const Scan* scan, const char* name) {
  const char* last = scan->last;
  if (last == nullptr) return false;
  size_t n = scan->lastLength;
  size_t i = 0;
  for (; n - i >= 8; i += 8) {
    if (name[i] != last[i] || name[i + 1] != last[i + 1] || name[i + 2] != last[i + 2] ||
        name[i + 3] != last[i + 3] || name[i + 4] != last[i + 4] || name[i + 5] != last[i + 5] ||
        name[i + 6] != last[i + 6] || name[i + 7] != last[i + 7]) {
      return false;
    }
  }
  switch (n - i) {
    case 7:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    case 6:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    case 5:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    case 4:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    case 3:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    case 2:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    case 1:
      if (name[i] != last[i]) return false;
      ++i;
      [[fallthrough]];
    default: break;
  }
  return name[n] == '\0';
}

// Marks a name the walk has not met last. Once a name has been marked,
// marking it again changes nothing for the rest of the walk (used only
// grows, unused only shrinks): it is not looked up in the lists again.
void MarkChanged(Scan* scan, const char* name) {
  const char* known = NameSetFind(&scan->marked, name);
  if (known == nullptr) {
    if (!MarkName(scan, name)) {
      scan->incomplete = true;
      return;
    }
    NameSetAdd(&scan->marked, name);
    known = NameSetFind(&scan->marked, name);
  }
  scan->last = known;
  scan->lastLength = known != nullptr ? std::strlen(known) : 0;
}

// Most positions carry the tag of the one before, so that is tried first.
// True when the name had to be looked up.
inline bool Mark(Scan* scan, const char* name) {
  if (name == nullptr || *name == '\0' || IsLast(scan, name)) return false;
  MarkChanged(scan, name);
  return true;
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
  // Past this offset the paragraph is over.
  int32_t lastOffset = bounded ? end : OFFSET_BEFORE_OBJ_END;
  NoteHostFailure(scan);
  for (int32_t offset = 0; offset < OFFSET_BEFORE_OBJ_END; ++offset) {
    PropVal v = HostGetTextPropVal(scan->doc, TextLoc{pgf, offset}, PROP_CHAR_TAG);
    int32_t status = HostErrno;
    HostErrno = 0;  // the range error is how a paragraph ends, no failure
    // The range error is the host's word that the text ends here, also at
    // or before the end item: the end item itself need not be readable.
    bool finished = status == ERR_OFFSET_RANGE || offset > lastOffset;
    if (!finished && status == 0) {
      // Marking may report running out of memory through the host: a
      // failure of that call must not pass for the next probe's.
      if (v.propVal.valType == VT_STRING && Mark(scan, v.propVal.u.sval)) NoteHostFailure(scan);
    } else if (!finished) {
      scan->incomplete = true;
      if (!bounded) {
        bounded = ParagraphEnd(scan->doc, pgf, &end);
        NoteHostFailure(scan);
        lastOffset = end;
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
  ForEachTableTextChain(scan->doc,
                        [scan](ObjHandle first) { ProbeParagraphChain(scan, first, false); });
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
  NameSet usedExact = NameSetOfList(scan->used, false);
  NameSet unusedExact = NameSetOfList(scan->unused, false);
  for (ObjHandle f = HostGetId(0, doc, PROP_FIRST_CHAR_FMT_IN_DOC); f != 0;
       f = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC)) {
    char* name = HostGetString(doc, f, PROP_NAME);
    if (name != nullptr && !NameSetListHas(scan->used, &usedExact, name) &&
        !NameSetListHas(scan->unused, &unusedExact, name)) {
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
bool IsCaseVariantOfUsed(const char* name, void* context) {
  Scan* scan = static_cast<Scan*>(context);
  if (!NameSetListHas(scan->used, &scan->usedFolded, name)) return false;
  // Out of unused even when used cannot take it: a name in neither list is
  // only left out of the report, never deleted.
  AddToList(scan->used, &scan->usedFolded, name);
  return true;
}

void MoveCaseVariantsToUsed(Scan* scan) {
  StringListRemoveIf(scan->unused, IsCaseVariantOfUsed, scan);
}

}  // namespace

void MarkTagUsed(const char* name, StringList* used, StringList* unused) {
  Scan scan = StartScan(0, used, unused);
  MarkName(&scan, name);
  EndScan(&scan);
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
  FlushTaken(&scan);
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
