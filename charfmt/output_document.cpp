#include "charfmt/output_document.h"

#include <cstring>

#include "client/host_lists.h"
#include "support/memory.h"
#include "support/paths.h"
#include "support/strings.h"

namespace {

const char kOutputFileName[] = "VxOutput.fm";
const char kTableFormat[] = "Format A";
constexpr Metric kColumnWidth = 0x900000;  // 144 pt

// "<host directory>\VxOutput.fm"; null when memory runs out.
char* OutputPath() {
  char* path = HostGetString(0, 0, PROP_HOST_DIR);
  if (path == nullptr) path = StrDuplicate("");
  if (path == nullptr) return nullptr;
  uint32_t length = static_cast<uint32_t>(StrLength(path));
  // A directory already ending in a separator gets no second one.
  bool separated = length > 0 && (path[length - 1] == '\\' || path[length - 1] == '/');
  uint32_t size = length + (separated ? 0 : 1) + sizeof kOutputFileName;
  char* grown = static_cast<char*>(MemResize(path, size, 0));
  if (grown == nullptr) {
    MemRelease(path);
    return nullptr;
  }
  if (!separated) grown[length++] = '\\';
  std::memcpy(grown + length, kOutputFileName, sizeof kOutputFileName);
  return grown;
}

void SetInsertionPoint(ObjHandle doc, ObjHandle pgf) {
  HostSetTextRange(0, doc, PROP_TEXT_SELECTION, TextRange{{pgf, 0}, {pgf, 0}});
}

// Writes text at the start of the first paragraph of a cell.
void FillCell(ObjHandle doc, ObjHandle cell, const char* text) {
  if (cell == 0 || text == nullptr) return;
  ObjHandle pgf = HostGetId(doc, cell, PROP_FIRST_PGF);
  if (pgf == 0) return;
  SetInsertionPoint(doc, pgf);
  HostAddText(doc, TextLoc{pgf, 0}, text);
}

void SetColumnWidth(ObjHandle doc, ObjHandle table, ObjHandle cell) {
  int32_t column = HostGetInt(doc, cell, PROP_CELL_COL_NUM);
  MetricList widths = HostGetMetrics(doc, table, PROP_TBL_COL_WIDTHS);
  if (widths.val != nullptr && column >= 0 && static_cast<uint32_t>(column) < widths.len) {
    widths.val[column] = kColumnWidth;
    HostSetMetrics(doc, table, PROP_TBL_COL_WIDTHS, &widths);
  }
  MemRelease(widths.val);
}

char* TitleOf(ObjHandle doc, ObjHandle obj) {
  char* name = HostGetString(doc, obj, PROP_NAME);
  FilePath* path = FilePathFromString(name, nullptr, 0);
  StrReleaseAndClear(&name);
  if (path == nullptr) return nullptr;
  char* base = FilePathBaseName(path);
  FilePathRelease(path);
  return base;
}

void WriteBlock(ObjHandle out, const char* heading, const StringList* tags) {
  AppendOutputParagraph(out, heading, "Heading2");
  for (uint32_t i = 0; i < StringListCount(tags); ++i) {
    AppendOutputParagraph(out, StringListAt(tags, i), "Body");
  }
}

}  // namespace

ObjHandle OpenOutputDocument() {
  char* path = OutputPath();
  ObjHandle out = path != nullptr ? HostOpenDocumentSimple(path, 0) : 0;
  MemRelease(path);
  if (out != 0) return out;
  return HostNewCustomDocument(OUTPUT_PAGE_WIDTH, OUTPUT_PAGE_HEIGHT, 1, OUTPUT_MARGIN,
                               OUTPUT_MARGIN, OUTPUT_MARGIN, OUTPUT_MARGIN, OUTPUT_MARGIN, 0, 1);
}

void AppendOutputParagraph(ObjHandle out, const char* text, const char* format) {
  ObjHandle flow = HostGetId(0, out, PROP_MAIN_FLOW_IN_DOC);
  ObjHandle frame = flow != 0 ? HostGetId(out, flow, PROP_LAST_FRAME_IN_FLOW) : 0;
  ObjHandle pgf = frame != 0 ? HostGetId(out, frame, PROP_LAST_PGF) : 0;
  if (pgf == 0) return;
  SetInsertionPoint(out, pgf);
  TextLoc after = HostAddText(out, TextLoc{pgf, 0}, text != nullptr ? text : "");
  if (after.obj == 0) return;
  // The line end goes in before the format is applied: the host gives the
  // paragraph split off behind it the format of the one it came from, and
  // that paragraph is the last one of the flow, the user's own text when the
  // output file holds some. It keeps its format this way.
  HostAddText(out, after, "\n");
  if (format != nullptr) ApplyParagraphFormat(out, pgf, format);
}

void ApplyParagraphFormat(ObjHandle doc, ObjHandle pgf, const char* format) {
  if (format == nullptr) return;
  ObjHandle fmt = HostGetNamedObject(doc, OBJ_PGF_FMT, format);
  if (fmt == 0) return;
  if (HostGetInt(doc, pgf, PROP_PGF_LOCKED) != 0) return;
  PropVals props = HostGetProps(doc, fmt);
  HostSetProps(doc, pgf, &props);
  PropValsFree(&props);
}

ObjHandle BuildTagTable(ObjHandle out, int32_t columns, int32_t bodyRows,
                        const char* const* headings, const StringList* const* names,
                        int32_t nameLists, bool* noInsertionPoint) {
  TextRange selection = HostGetTextRange(0, out, PROP_TEXT_SELECTION);
  if (noInsertionPoint != nullptr) *noInsertionPoint = selection.beg.obj == 0;
  if (selection.beg.obj == 0) return 0;
  ObjHandle table = HostNewTable(out, kTableFormat, columns, bodyRows, 1, 0, selection.beg);
  if (table == 0) return 0;
  HostSetInt(out, table, PROP_TBL_SETUP_1289, 0);

  ObjHandle heading = HostGetId(out, table, PROP_FIRST_ROW);
  ObjHandle first = heading != 0 ? HostGetId(out, heading, PROP_FIRST_CELL) : 0;
  ObjHandle cell = first;
  for (int32_t c = 0; c < columns && cell != 0; ++c) {
    SetColumnWidth(out, table, cell);
    cell = c + 1 < columns ? HostGetId(out, cell, PROP_NEXT_CELL) : 0;
  }
  cell = first;
  for (int32_t c = 0; c < columns && cell != 0; ++c) {
    FillCell(out, cell, headings != nullptr ? headings[c] : nullptr);
    cell = c + 1 < columns ? HostGetId(out, cell, PROP_NEXT_CELL) : 0;
  }

  ObjHandle row = heading;
  for (int32_t l = 0; l < nameLists && row != 0; ++l) {
    const StringList* list = names != nullptr ? names[l] : nullptr;
    for (uint32_t i = 0; i < StringListCount(list) && row != 0; ++i) {
      row = HostGetId(out, row, PROP_NEXT_ROW);
      if (row != 0) FillCell(out, HostGetId(out, row, PROP_FIRST_CELL), StringListAt(list, i));
    }
  }
  return table;
}

char* DocumentTitle(ObjHandle doc) {
  char* title = TitleOf(doc, doc);
  return title != nullptr ? title : StrDuplicate("Untitled");
}

char* BookTitle(ObjHandle book) { return TitleOf(0, book); }

char* ParagraphText(ObjHandle doc, ObjHandle pgf) {
  TextItems items =
      HostGetTextForRange(doc, TextRange{{pgf, 0}, {pgf, OFFSET_OBJ_END}}, ITEM_STRING);
  char* text = JoinStringItems(&items);
  TextItemsFree(&items);
  return text;
}

char* JoinStringItems(const TextItems* items) {
  if (items == nullptr || items->val == nullptr) return nullptr;
  uint64_t length = 0;
  bool any = false;
  for (uint32_t i = 0; i < items->len; ++i) {
    if (items->val[i].dataType != ITEM_STRING) continue;
    any = true;
    length += static_cast<uint64_t>(StrLength(items->val[i].u.sdata));
  }
  if (!any || length >= INT32_MAX) return nullptr;
  char* text = StrAllocate(static_cast<int32_t>(length));
  if (text == nullptr) return nullptr;
  char* end = text;
  for (uint32_t i = 0; i < items->len; ++i) {
    if (items->val[i].dataType != ITEM_STRING) continue;
    size_t n = static_cast<size_t>(StrLength(items->val[i].u.sdata));
    if (n > 0) std::memcpy(end, items->val[i].u.sdata, n);
    end += n;
  }
  *end = '\0';
  return text;
}

void WriteUsedBlock(ObjHandle out, const StringList* used) {
  WriteBlock(out, "Character Tags Used:", used);
}

void WriteUnusedBlock(ObjHandle out, const StringList* unused) {
  WriteBlock(out, "Character Tags Not Used:", unused);
}
