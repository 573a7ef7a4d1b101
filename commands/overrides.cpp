#include "commands/overrides.h"

#include "charfmt/char_looks.h"
#include "charfmt/document_walk.h"
#include "charfmt/run_tags.h"
#include "client/host_lists.h"
#include "commands/command_table.h"
#include "support/strings.h"

namespace {

// The switch is the check mark of the command object, found by its tag.
ObjHandle SkipMasterPagesCommand() {
  return HostGetNamedObject(0, OBJ_COMMAND, CommandRowOf(CMD_SKIP_MASTER_PAGES)->tag);
}

// Tagged text is held to the paragraph only where its format leaves a
// property as is. The font family flag also governs 2287, which the family
// carries with it; language and the strings are never compared.
struct FormatRow {
  int32_t flag;
  int32_t prop;
};
const FormatRow kFormatRows[] = {
    {PROP_USE_CAPITALIZATION, PROP_CAPITALIZATION},
    {PROP_USE_CHANGE_BAR, PROP_CHANGE_BAR},
    {PROP_USE_FONT_ANGLE, PROP_FONT_ANGLE},
    {PROP_USE_FONT_FAMILY, PROP_FONT_FAMILY},
    {PROP_USE_FONT_VARIATION, PROP_FONT_VARIATION},
    {PROP_USE_FONT_WEIGHT, PROP_FONT_WEIGHT},
    {PROP_USE_POSITION, PROP_POSITION},
    {PROP_USE_CHAR_INT_612, PROP_CHAR_INT_612},
    {PROP_USE_PAIR_KERN, PROP_PAIR_KERN},
    {PROP_USE_OVERLINE, PROP_OVERLINE},
    {PROP_USE_CHAR_INT_613, PROP_CHAR_INT_613},
    {PROP_USE_STRIKETHROUGH, PROP_STRIKETHROUGH},
    {PROP_USE_UNDERLINING, PROP_UNDERLINING},
    {PROP_USE_COLOR, PROP_COLOR},
    {PROP_USE_FONT_FAMILY, PROP_CHAR_INT_2287},
    {PROP_USE_FONT_SIZE, PROP_FONT_SIZE},
    {PROP_USE_CHAR_INT_616, PROP_CHAR_INT_616},
    {PROP_USE_CHAR_INT_617, PROP_CHAR_INT_617},
    {PROP_USE_CHARSPREAD, PROP_CHARSPREAD},
    {PROP_USE_STRETCH, PROP_STRETCH},
};

// A handle property of `obj`, or 0 when there is no object to ask: a call
// with object 0 would address the application instead.
ObjHandle IdOf(ObjHandle doc, ObjHandle obj, int32_t prop) {
  return obj == 0 ? 0 : HostGetId(doc, obj, prop);
}

// Only the plain value types hold their number in the payload; reading it
// from any other would read part of a pointer.
int32_t IntOf(const PropVal& v) {
  switch (v.propVal.valType) {
    case VT_INT:
    case VT_METRIC:
    case VT_ID: return v.propVal.u.ival;
    default: return 0;
  }
}

const char* StringOf(const PropVal& v) {
  return v.propVal.valType == VT_STRING ? v.propVal.u.sval : nullptr;
}

TextRange Selection(ObjHandle doc) { return HostGetTextRange(0, doc, PROP_TEXT_SELECTION); }

void Select(ObjHandle doc, TextRange range) {
  HostSetTextRange(0, doc, PROP_TEXT_SELECTION, range);
}

TextRange RangeIn(ObjHandle pgf, int32_t begin, int32_t end) {
  return TextRange{{pgf, begin}, {pgf, end}};
}

void RunDefaultFont() {
  const int32_t code = CODE_DEFAULT_PGF_FONT;
  HostExecuteCodes(1, &code);
}

// An item of the keeping-out kind on the character before the run or at its
// start keeps the run out of the search.
bool KeptOutByItem(ObjHandle doc, ObjHandle pgf, int32_t begin, int32_t end) {
  int32_t from = begin > 0 ? begin - 1 : 0;
  TextItems items = HostGetTextForRange(doc, RangeIn(pgf, from, end), ITEM_KEEPS_RUN_OUT);
  bool held = false;
  for (uint32_t i = 0; i < items.len && !held; ++i) held = items.val[i].offset <= begin;
  TextItemsFree(&items);
  return held;
}

// The last run ends at the paragraph end, which the change items do not
// give; the paragraph-end item says where that is.
int32_t RunLength(ObjHandle doc, ObjHandle pgf, int32_t begin, int32_t end) {
  if (end != OFFSET_OBJ_END) return end - begin;
  TextItems items = HostGetTextForRange(doc, RangeIn(pgf, begin, OFFSET_OBJ_END), ITEM_PGF_END);
  int32_t length = items.len > 0 ? items.val[items.len - 1].offset - begin : -1;
  TextItemsFree(&items);
  return length;
}

// A one-character run that holds an item of the own-character kind is that
// item's character, never text set by hand.
bool IsItemsOwnCharacter(ObjHandle doc, ObjHandle pgf, int32_t begin, int32_t end) {
  if (RunLength(doc, pgf, begin, end) != 1) return false;
  TextItems items = HostGetTextForRange(doc, RangeIn(pgf, begin, end), ITEM_OWN_CHARACTER);
  bool any = items.len > 0;
  TextItemsFree(&items);
  return any;
}

int32_t OverrideKindAt(ObjHandle doc, ObjHandle pgf, int32_t begin) {
  TextLoc at{pgf, begin};
  HostErrno = 0;
  PropVal tag = HostGetTextPropVal(doc, at, PROP_CHAR_TAG);
  int32_t kind = OVERRIDE_NONE;
  if (HostErrno == 0) {
    const char* name = StringOf(tag);
    if (StrLength(name) == 0) {
      if (MatchesParagraphFont(doc, at, pgf) == 0) kind = OVERRIDE_UNTAGGED;
    } else if (MatchesCharFormat(doc, at, pgf, name) == 0) {
      kind = OVERRIDE_TAGGED;
    }
  }
  PropValFree(&tag);
  return kind;
}

// Brings the selected override into view: its page first, then the text.
void ShowSelection(ObjHandle doc) {
  TextRange sel = Selection(doc);
  ObjHandle frame = IdOf(doc, sel.beg.obj, PROP_IN_TEXT_FRAME);
  ObjHandle parent = IdOf(doc, frame, PROP_FRAME_PARENT);
  ObjHandle page = IdOf(doc, parent, PROP_PAGE_OF_FRAME);
  // Text in a frame that is not directly on a page has no page to turn to.
  if (page != 0) HostSetId(0, doc, PROP_CURRENT_PAGE, page);
  HostScrollToText(doc, sel);
}

// The index of the first run to examine, or -1 for none. A start inside the
// last run leaves the paragraph out; a start at that run's first character
// does not, or an override right after the previous one would be missed.
int64_t FirstRunFrom(const TextItems& items, int32_t start) {
  if (start == 0) return 0;
  uint32_t above = 0;
  while (above < items.len && items.val[above].offset <= start) ++above;
  if (above == 0) return -1;
  if (above == items.len) {
    return items.val[items.len - 1].offset == start ? static_cast<int64_t>(items.len) - 1 : -1;
  }
  return static_cast<int64_t>(above) - 1;
}

// FindOverrideInParagraph, also giving the run found.
int32_t FindOverrideRun(ObjHandle doc, ObjHandle pgf, int32_t start, TextRange* run) {
  TextItems runs =
      HostGetTextForRange(doc, RangeIn(pgf, 0, OFFSET_OBJ_END), ITEM_CHAR_PROPS_CHANGE);
  int32_t kind = OVERRIDE_NONE;
  int64_t first = runs.len == 0 ? -1 : FirstRunFrom(runs, start);
  for (int64_t i = first; i >= 0 && i < static_cast<int64_t>(runs.len); ++i) {
    int32_t begin = runs.val[i].offset;
    int32_t end = i + 1 < static_cast<int64_t>(runs.len) ? runs.val[i + 1].offset : OFFSET_OBJ_END;
    *run = RangeIn(pgf, begin, end);
    Select(doc, *run);
    if (KeptOutByItem(doc, pgf, begin, end)) continue;
    if (IsItemsOwnCharacter(doc, pgf, begin, end)) continue;
    kind = OverrideKindAt(doc, pgf, begin);
    if (kind != OVERRIDE_NONE) {
      ShowSelection(doc);
      break;
    }
  }
  TextItemsFree(&runs);
  return kind;
}

// The codes act on the selection, so the run is selected again: had moving
// the selection failed in the search, they would strike whatever was
// selected before, text of another tag among it.
bool SelectRun(ObjHandle doc, TextRange run) {
  HostErrno = 0;
  Select(doc, run);
  return HostErrno == 0;
}

// The last run reaches over the paragraph end, which carries a tag of its
// own. The end is repaired with the run only when it carries the run's
// `tag`: one tagged apart would lose its tag to the default font, or take
// the run's. When its tag cannot be read the end is left as it is.
TextRange WithOwnEndOnly(ObjHandle doc, TextRange run, const char* tag) {
  if (run.end.offset != OFFSET_OBJ_END) return run;
  HostErrno = 0;
  PropVal end = HostGetTextPropVal(doc, run.end, PROP_CHAR_TAG);
  if (HostErrno != 0 || !StrEquals(StringOf(end), tag)) run.end.offset = OFFSET_BEFORE_OBJ_END;
  PropValFree(&end);
  return run;
}

// The default font clears the override and the tag together; the format's
// own values then put the tag back without the override. Everything that
// re-tags the run is in hand before it is stripped, and a set the host
// refuses falls back to the tag alone: no failure leaves the run untagged.
void RepairTaggedRun(ObjHandle doc, TextRange run) {
  HostErrno = 0;
  PropVal tag = HostGetTextPropVal(doc, run.beg, PROP_CHAR_TAG);
  const char* name = HostErrno == 0 ? StringOf(tag) : nullptr;
  ObjHandle format = StrLength(name) > 0 ? HostGetNamedObject(doc, OBJ_CHAR_FMT, name) : 0;
  PropVals values = format != 0 && HostErrno == 0 ? HostGetProps(doc, format)
                                                  : PropVals{0, nullptr};
  PropVals tagOnly = values.len > 0 && HostErrno == 0 ? TagOnlyValues(name) : PropVals{0, nullptr};
  if (tagOnly.len > 0) {
    run = WithOwnEndOnly(doc, run, name);
    if (SelectRun(doc, run)) {
      // Whatever the code reports, the values go on: a code that failed may
      // have done part of its work.
      RunDefaultFont();
      SetRunValues(doc, run, &values, &tagOnly);
    }
  }
  PropValsFree(&values);
  PropValsFree(&tagOnly);
  PropValFree(&tag);
}

// Hands visit every paragraph along the chain that starts at pgf.
void VisitAlong(ObjHandle doc, ObjHandle pgf, OverrideParagraphVisit visit, void* context) {
  for (ObjHandle p = pgf; p != 0; p = HostGetId(doc, p, PROP_NEXT_PGF)) visit(doc, p, context);
}

void VisitFlows(ObjHandle doc, OverrideParagraphVisit visit, void* context) {
  for (ObjHandle flow = HostGetId(0, doc, PROP_FIRST_FLOW_IN_DOC); flow != 0;
       flow = HostGetId(doc, flow, PROP_NEXT_FLOW_IN_DOC)) {
    ObjHandle frame = HostGetId(doc, flow, PROP_FIRST_FRAME_IN_FLOW);
    if (frame == 0) continue;
    if (PageKindOf(doc, frame) == OBJ_MASTER_PAGE && SkipMasterPagesOn() != 0) continue;
    VisitAlong(doc, FirstParagraphFrom(doc, frame), visit, context);
  }
}

void VisitTables(ObjHandle doc, OverrideParagraphVisit visit, void* context) {
  ForEachTableTextChain(
      doc, [doc, visit, context](ObjHandle first) { VisitAlong(doc, first, visit, context); });
}

void VisitFootnotes(ObjHandle doc, OverrideParagraphVisit visit, void* context) {
  for (ObjHandle fn = HostGetId(0, doc, PROP_FIRST_FN_IN_DOC); fn != 0;
       fn = HostGetId(doc, fn, PROP_NEXT_FN)) {
    VisitAlong(doc, HostGetId(doc, fn, PROP_FIRST_PGF), visit, context);
  }
}

void RemoveInParagraph(ObjHandle doc, ObjHandle pgf, void*) {
  RemoveOverridesInParagraph(doc, pgf);
}

// Puts the insertion point back where the search began and says so.
RowResult FinishedSearching(ObjHandle doc, TextLoc from) {
  TextRange back{from, from};
  Select(doc, back);
  HostScrollToText(doc, back);
  int32_t answer = HostAlert("Finished searching", ALERT_NOTICE);
  HostRedisplay(doc);
  return Done(answer);
}

RowResult NoInsertionPoint() { return EndAtOnce(HostAlert("No insertion point.", ALERT_NOTICE)); }

RowResult SearchText(ObjHandle doc) {
  TextRange s = Selection(doc);
  ObjHandle start = s.beg.obj;
  if (start == 0) return NoInsertionPoint();
  TextLoc from{start, s.beg.offset};
  ObjHandle p = start;
  int32_t off = s.end.offset;  // passes over an override that is selected
  bool wrapped = false;
  for (;;) {
    ObjHandle frame = HostGetId(doc, p, PROP_IN_TEXT_FRAME);
    bool skipped = PageKindOf(doc, frame) == OBJ_MASTER_PAGE && SkipMasterPagesOn() != 0;
    if (!skipped && FindOverrideInParagraph(doc, p, off) != OVERRIDE_NONE) return EndAtOnce();

    ObjHandle next = HostGetId(doc, p, PROP_NEXT_PGF);
    if (next == 0) {
      ObjHandle holder = HostGetId(doc, p, PROP_IN_TEXT_OBJ);
      if (HandleType(holder) == OBJ_FOOTNOTE) {
        ObjHandle fn = HostGetId(doc, holder, PROP_NEXT_FN);
        if (fn == 0) return EndAtOnce(HostAlert("End of footnotes reached.", ALERT_NOTICE));
        next = HostGetId(doc, fn, PROP_FIRST_PGF);
      }
    }
    if (next == 0) {
      if (frame == 0) return EndAtOnce();
      ObjHandle flow = HostGetId(doc, frame, PROP_FLOW_OF_FRAME);
      ObjHandle nextFlow = IdOf(doc, flow, PROP_NEXT_FLOW_IN_DOC);
      if (nextFlow == 0) {
        // A start that no flow leads back to (text outside every flow) would
        // have the search circle the document for ever; a second time round
        // means everything has been searched.
        if (wrapped) return FinishedSearching(doc, from);
        wrapped = true;
        nextFlow = HostGetId(0, doc, PROP_FIRST_FLOW_IN_DOC);
      }
      next = FirstParagraphFrom(doc, IdOf(doc, nextFlow, PROP_FIRST_FRAME_IN_FLOW));
    }
    if (next == start) return FinishedSearching(doc, from);
    off = 0;
    if (next == 0) {
      HostRedisplay(doc);
      return Done();
    }
    p = next;
  }
}

// Searches p and the paragraphs after it in its text object; `off` holds for
// p only.
bool FoundAlong(ObjHandle doc, ObjHandle p, int32_t off) {
  for (; p != 0; p = HostGetId(doc, p, PROP_NEXT_PGF)) {
    if (FindOverrideInParagraph(doc, p, off) != OVERRIDE_NONE) return true;
    off = 0;
  }
  return false;
}

ObjHandle NextCellOf(ObjHandle doc, ObjHandle cell) {
  ObjHandle next = HostGetId(doc, cell, PROP_NEXT_CELL);
  if (next != 0) return next;
  ObjHandle row = IdOf(doc, HostGetId(doc, cell, PROP_CELL_ROW), PROP_NEXT_ROW);
  return IdOf(doc, row, PROP_FIRST_CELL);
}

RowResult SearchTable(ObjHandle doc) {
  TextRange s = Selection(doc);
  ObjHandle start = s.beg.obj;
  if (start == 0) return NoInsertionPoint();
  ObjHandle cell = HostGetId(doc, start, PROP_IN_TEXT_OBJ);
  ObjHandle p = start;
  int32_t off = s.end.offset;
  // A start among the table's own paragraphs (its title) has no cells after
  // it; going through them from the first again would find the selected
  // override each time.
  if (cell != HostGetId(0, doc, PROP_SELECTED_TBL)) {
    while (cell != 0) {
      if (FoundAlong(doc, p, off)) return EndAtOnce();
      off = 0;
      cell = NextCellOf(doc, cell);
      p = IdOf(doc, cell, PROP_FIRST_PGF);
    }
    p = IdOf(doc, HostGetId(0, doc, PROP_SELECTED_TBL), PROP_FIRST_PGF);
  }
  if (FoundAlong(doc, p, off)) return EndAtOnce();
  int32_t answer = HostAlert("End of table reached.", ALERT_NOTICE);
  HostRedisplay(doc);
  return Done(answer);
}

}  // namespace

int32_t SamePropInt(ObjHandle doc, TextLoc at, ObjHandle obj, int32_t prop) {
  PropVal text = HostGetTextPropVal(doc, at, prop);
  PropVal own = HostGetPropVal(doc, obj, prop);
  int32_t same = IntOf(text) == IntOf(own) ? 1 : 0;
  PropValFree(&text);
  PropValFree(&own);
  return same;
}

int32_t SamePropString(ObjHandle doc, TextLoc at, ObjHandle obj, int32_t prop) {
  PropVal text = HostGetTextPropVal(doc, at, prop);
  PropVal own = HostGetPropVal(doc, obj, prop);
  int32_t same = StrEquals(StringOf(text), StringOf(own));
  PropValFree(&text);
  PropValFree(&own);
  return same;
}

// Untagged text is held to every property of a look, in its order: the
// numbers first, then the two strings.
int32_t MatchesParagraphFont(ObjHandle doc, TextLoc at, ObjHandle pgf) {
  for (int32_t prop : kLookIntProps) {
    if (SamePropInt(doc, at, pgf, prop) == 0) return 0;
  }
  for (int32_t prop : kLookStrProps) {
    if (SamePropString(doc, at, pgf, prop) == 0) return 0;
  }
  return 1;
}

int32_t MatchesCharFormat(ObjHandle doc, TextLoc at, ObjHandle pgf, const char* tag) {
  ObjHandle format = HostGetNamedObject(doc, OBJ_CHAR_FMT, tag);
  if (format == 0) return 1;
  for (const FormatRow& row : kFormatRows) {
    // What the format sets is its own business, even when set by hand since.
    if (HostGetInt(doc, format, row.flag) == 0 && SamePropInt(doc, at, pgf, row.prop) == 0) {
      return 0;
    }
  }
  return 1;
}

int32_t FindOverrideInParagraph(ObjHandle doc, ObjHandle pgf, int32_t start) {
  TextRange run{};
  return FindOverrideRun(doc, pgf, start, &run);
}

int32_t RemoveOverridesInParagraph(ObjHandle doc, ObjHandle pgf) {
  int32_t repairs = 0;
  TextRange run{};
  int32_t kind = FindOverrideRun(doc, pgf, 0, &run);
  while (kind != OVERRIDE_NONE) {
    if (kind == OVERRIDE_TAGGED) {
      RepairTaggedRun(doc, run);
    } else if (SelectRun(doc, WithOwnEndOnly(doc, run, ""))) {
      RunDefaultFont();
    }
    // A repair merges and splits runs, so the paragraph is read afresh.
    kind = FindOverrideRun(doc, pgf, 0, &run);
    if (++repairs >= kMaxRepairsPerParagraph) break;
  }
  return repairs;
}

void ForEachOverrideParagraph(ObjHandle doc, OverrideParagraphVisit visit, void* context) {
  // Without a document every call would address the application.
  if (doc == 0) return;
  int32_t saved = HostGetInt(doc, doc, PROP_DOC_WALK_FLAG);
  HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, 1);
  VisitFlows(doc, visit, context);
  VisitTables(doc, visit, context);
  VisitFootnotes(doc, visit, context);
  HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, saved);
}

void RemoveOverridesInDocument(ObjHandle doc) {
  ForEachOverrideParagraph(doc, RemoveInParagraph, nullptr);
}

int32_t FindOverrideRunFrom(ObjHandle doc, ObjHandle pgf, int32_t start, TextRange* run) {
  return FindOverrideRun(doc, pgf, start, run);
}

int32_t PageKindOf(ObjHandle doc, ObjHandle obj) {
  int32_t kind = PAGE_KIND_NONE;
  ObjHandle x = obj;
  while (x != 0 && !(kind >= OBJ_BODY_PAGE && kind <= OBJ_HIDDEN_PAGE)) {
    ObjHandle up = HostGetId(doc, x, PROP_FRAME_PARENT);
    if (up == 0) up = HostGetId(doc, x, PROP_PAGE_OF_FRAME);
    if (up == 0) break;
    kind = HandleType(up);
    x = up;
  }
  return kind;
}

int32_t SkipMasterPagesOn() {
  ObjHandle command = SkipMasterPagesCommand();
  if (command == 0) return 0;
  return HostGetInt(0, command, PROP_CHECK_MARK_IS_ON) != 0 ? 1 : 0;
}

RowResult FindNextOverride(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  if (HostGetId(0, doc, PROP_SELECTED_TBL) != 0) return SearchTable(doc);
  return SearchText(doc);
}

RowResult ToggleSkipMasterPages() {
  ObjHandle command = SkipMasterPagesCommand();
  if (command != 0) {
    int32_t on = HostGetInt(0, command, PROP_CHECK_MARK_IS_ON);
    HostSetInt(0, command, PROP_CHECK_MARK_IS_ON, on != 0 ? 0 : 1);
  }
  return Done();
}

RowResult RunRemoveOverrides(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  int32_t answer = 0;
  if (Confirmed("Are you sure you want to remove character overrides?", &answer)) {
    RemoveOverridesInDocument(doc);
  }
  return Done(answer);
}

RowResult RunFindNextOverride(ObjHandle doc) { return FindNextOverride(doc); }

RowResult RunSkipMasterPages(ObjHandle) { return ToggleSkipMasterPages(); }
