#include "charfmt/conversion.h"

#include <algorithm>

#include "charfmt/document_walk.h"
#include "charfmt/run_tags.h"
#include "charfmt/tag_lists.h"
#include "client/host_lists.h"
#include "support/memory.h"
#include "support/strings.h"

const char kConversionHeading[] = "Source Tag";
const char kDestinationHeading[] = "Destination Tag";
const char kDefaultParagraphFormat[] = "Default Paragraph Format";

namespace {

// The table's two columns, row by row; destinations[i] belongs to sources[i].
struct ConversionTable {
  StringList* sources;
  StringList* destinations;
  // Rows ordered by source (and by row among equal sources), so that a tag
  // is found by bisection: the table is consulted for every run of the
  // document. Null when it could not be made; the rows are then searched in
  // order.
  uint32_t* bySource;
};

int CompareRows(const ConversionTable& table, uint32_t a, uint32_t b) {
  int c = StrCompare(StringListAt(table.sources, a), StringListAt(table.sources, b));
  return c != 0 ? c : (a < b ? -1 : (a > b ? 1 : 0));
}

void IndexSources(ConversionTable* table) {
  uint32_t n = StringListCount(table->sources);
  table->bySource = n == 0 ? nullptr : static_cast<uint32_t*>(MemAllocate(n * sizeof(uint32_t), 0));
  if (table->bySource == nullptr) return;
  for (uint32_t i = 0; i < n; ++i) table->bySource[i] = i;
  // Sorting in place: nothing is allocated that could fail.
  std::sort(table->bySource, table->bySource + n,
            [table](uint32_t a, uint32_t b) { return CompareRows(*table, a, b) < 0; });
}

// The destination of the first row naming `tag`, or null when none does.
const char* DestinationOf(const ConversionTable& table, const char* tag) {
  int32_t row = -1;
  if (table.bySource == nullptr) {
    row = StringListIndexOf(table.sources, tag);
  } else {
    // The leftmost equal entry is the first row naming the tag.
    uint32_t lo = 0;
    uint32_t hi = StringListCount(table.sources);
    while (lo < hi) {
      uint32_t mid = lo + (hi - lo) / 2;
      if (StrCompare(StringListAt(table.sources, table.bySource[mid]), tag) < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (lo < StringListCount(table.sources) &&
        StrEquals(StringListAt(table.sources, table.bySource[lo]), tag)) {
      row = static_cast<int32_t>(table.bySource[lo]);
    }
  }
  return row < 0 ? nullptr : StringListAt(table.destinations, static_cast<uint32_t>(row));
}

// Returns the selection of the active document to its paragraph's font.
bool ResetToParagraphFont() {
  const int32_t code = CODE_DEFAULT_PGF_FONT;
  return HostExecuteCodes(1, &code) == 0;
}

// What puts a run back under `tag` should its new format not take: the
// tag's own format when the document has it, else the tag alone. Empty when
// it cannot be had; the run is then left as it is.
PropVals RestoringValues(ObjHandle doc, const char* tag) {
  HostErrno = 0;
  ObjHandle own = HostGetNamedObject(doc, OBJ_CHAR_FMT, tag);
  if (own != 0) return HostGetProps(doc, own);
  return TagOnlyValues(tag);
}

const char* StringOf(const PropVal& v) {
  return v.propVal.valType == VT_STRING ? v.propVal.u.sval : nullptr;
}

// Converts `run`. `endTag`, for the last run of a paragraph, is the tag of
// the paragraph end (null when unknown): an end that carries the run's tag
// is the run's own and is converted with it, or the tag would stay in use
// after every run of it is gone. *endTaken says whether it was the run's.
void ConvertRun(ObjHandle doc, const ConversionTable& table, TextRange run,
                const char* endTag = nullptr, bool* endTaken = nullptr) {
  HostErrno = 0;
  PropVal tag = HostGetTextPropVal(doc, run.beg, PROP_CHAR_TAG);
  const char* name = StringOf(tag);
  if (HostErrno == 0 && endTag != nullptr && StrEquals(name, endTag)) {
    run.end.offset = OFFSET_OBJ_END;
    if (endTaken != nullptr) *endTaken = true;
  }
  // The function code acts on the selection: if moving it failed, the code
  // would strike whatever run was selected before.
  if (HostErrno == 0) HostSetTextRange(0, doc, PROP_TEXT_SELECTION, run);
  const char* destination = nullptr;
  if (HostErrno == 0 && StrLength(name) > 0) destination = DestinationOf(table, name);
  // Only a destination that says what the run becomes changes it: the table
  // lists every tag with the destination empty, for the user to fill in the
  // ones to change.
  if (StrEquals(destination, kDefaultParagraphFormat)) {
    ResetToParagraphFont();
  } else if (StrLength(destination) > 0) {
    // The format's values, and the old ones, are in hand before the run is
    // touched, so that a failed read cannot leave it stripped and not
    // re-tagged.
    ObjHandle format = HostGetNamedObject(doc, OBJ_CHAR_FMT, destination);
    PropVals values = format != 0 ? HostGetProps(doc, format) : PropVals{0, nullptr};
    PropVals old = values.len > 0 ? RestoringValues(doc, name) : PropVals{0, nullptr};
    // The default font has taken the old tag off already, so a set that
    // fails must not leave the run bare: the new values are tried once more,
    // then the old ones.
    if (old.len > 0 && ResetToParagraphFont()) SetRunValues(doc, run, &values, &old);
    PropValsFree(&values);
    PropValsFree(&old);
  }
  PropValFree(&tag);
}

// The offset of the paragraph end, or -1 when it cannot be had.
int32_t ParagraphEndOffset(ObjHandle doc, ObjHandle pgf) {
  TextItems items =
      HostGetTextForRange(doc, TextRange{{pgf, 0}, {pgf, OFFSET_OBJ_END}}, ITEM_PGF_END);
  int32_t offset = items.len > 0 ? items.val[items.len - 1].offset : -1;
  TextItemsFree(&items);
  return offset;
}

void ConvertParagraph(ObjHandle doc, const ConversionTable& table, ObjHandle pgf) {
  TextRange whole{{pgf, 0}, {pgf, OFFSET_OBJ_END}};
  TextItems changes = HostGetTextForRange(doc, whole, ITEM_CHAR_PROPS_CHANGE);
  // The paragraph end carries a tag of its own, which the usage scan
  // counts: left as it was after the text around it is converted, it would
  // keep the source tag in use.
  HostErrno = 0;
  PropVal end = HostGetTextPropVal(doc, TextLoc{pgf, OFFSET_OBJ_END}, PROP_CHAR_TAG);
  const char* endTag = HostErrno == 0 ? StringOf(end) : nullptr;
  bool endTaken = false;
  for (uint32_t k = 0; k < changes.len; ++k) {
    // The last run reaches past any real offset, so it ends with the text;
    // only the paragraph end that is its own goes with it.
    bool last = k + 1 == changes.len;
    int32_t to = last ? OFFSET_BEFORE_OBJ_END : changes.val[k + 1].offset;
    ConvertRun(doc, table, TextRange{{pgf, changes.val[k].offset}, {pgf, to}},
               last ? endTag : nullptr, &endTaken);
  }
  TextItemsFree(&changes);
  // An end tagged apart from the text before it (or in a paragraph with no
  // text) is a run of its own; the end's offset is looked up only when its
  // tag is one to convert.
  if (!endTaken && StrLength(endTag) > 0 && DestinationOf(table, endTag) != nullptr) {
    int32_t at = ParagraphEndOffset(doc, pgf);
    if (at >= 0) ConvertRun(doc, table, TextRange{{pgf, at}, {pgf, OFFSET_OBJ_END}});
  }
  PropValFree(&end);
}

void ConvertParagraphs(ObjHandle doc, const ConversionTable& table, ObjHandle first) {
  for (ObjHandle p = first; p != 0; p = HostGetId(doc, p, PROP_NEXT_PGF)) {
    ConvertParagraph(doc, table, p);
  }
}

void ConvertFlows(ObjHandle doc, const ConversionTable& table) {
  for (ObjHandle flow = HostGetId(0, doc, PROP_FIRST_FLOW_IN_DOC); flow != 0;
       flow = HostGetId(doc, flow, PROP_NEXT_FLOW_IN_DOC)) {
    ConvertParagraphs(doc, table,
                      FirstParagraphFrom(doc, HostGetId(doc, flow, PROP_FIRST_FRAME_IN_FLOW)));
  }
}

void ConvertTables(ObjHandle doc, const ConversionTable& table) {
  ForEachTableTextChain(doc,
                        [doc, &table](ObjHandle first) { ConvertParagraphs(doc, table, first); });
}

}  // namespace

ObjHandle CreateConversionDocument(ObjHandle doc, int32_t listType, bool* noInsertionPoint) {
  const char* headings[] = {kConversionHeading, kDestinationHeading};
  return ScanAndBuildListTable(doc, listType, 2, headings, noInsertionPoint);
}

ObjHandle CreateConversionDocumentFromLists(int32_t listType, const StringList* used,
                                            const StringList* unused, bool* noInsertionPoint) {
  const char* headings[] = {kConversionHeading, kDestinationHeading};
  return BuildListTable(listType, 2, headings, used, unused, noInsertionPoint);
}

void ConvertCharacterTags(ObjHandle doc, ObjHandle tableDoc, ObjHandle table) {
  if (doc == 0 || table == 0) return;
  // Read once: the table is consulted for every run of the document, and it
  // may stand in the document being converted.
  ConversionTable conversion{StringListCreate(16, 16), StringListCreate(16, 16), nullptr};
  if (conversion.sources != nullptr && conversion.destinations != nullptr &&
      ReadListTable(tableDoc, table, conversion.sources, conversion.destinations) == 0) {
    IndexSources(&conversion);
    int32_t walkFlag = HostGetInt(doc, doc, PROP_DOC_WALK_FLAG);
    HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, 1);
    ConvertFlows(doc, conversion);
    ConvertTables(doc, conversion);
    HostSetInt(doc, doc, PROP_DOC_WALK_FLAG, walkFlag);
  }
  MemRelease(conversion.bySource);
  StringListDestroy(conversion.sources);
  StringListDestroy(conversion.destinations);
}
