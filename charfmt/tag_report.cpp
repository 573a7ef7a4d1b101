#include "charfmt/tag_report.h"

#include "charfmt/output_document.h"
#include "client/host_lists.h"
#include "support/fixed.h"
#include "support/format.h"
#include "support/language.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

constexpr Metric kOnePoint = 0x10000;
const char kBody[] = "Body";
const char kAsIs[] = "As Is";

enum LineKind {
  KIND_ENUM,       // value names a fixed word; unlisted values write nothing
  KIND_BOOL,       // "True" only for exactly 1
  KIND_COLOR,      // name of the colour object
  KIND_FONT_NAME,  // index into one of the application's font name lists
  KIND_SIZE,       // metric in the document's font-size unit
  KIND_LANGUAGE,   // the language's word
  KIND_PERCENT,    // metric fraction, 0x10000 = 100 %
};

struct ReportLine {
  const char* label;
  int32_t flag;  // 0: the line is always given
  int32_t prop;
  LineKind kind;
  const char* const* words;  // KIND_ENUM
  int32_t wordCount;
  int32_t nameList;  // KIND_FONT_NAME: the application's list
};

const char* const kCapitalization[] = {"Normal", "Small Caps", "Lowercase", "Uppercase"};
const char* const kPosition[] = {"Normal", "Superscript", "Subscript"};
const char* const kUnderlining[] = {"None", "Underline", "Double Underline", "Numeric Underline"};

// The report order is what readers compare reports by; keep it.
const ReportLine kLines[] = {
    {"Capitalization", PROP_USE_CAPITALIZATION, PROP_CAPITALIZATION, KIND_ENUM, kCapitalization, 4,
     0},
    {"Change Bar", PROP_USE_CHANGE_BAR, PROP_CHANGE_BAR, KIND_BOOL, nullptr, 0, 0},
    {"Color", PROP_USE_COLOR, PROP_COLOR, KIND_COLOR, nullptr, 0, 0},
    {"Background Color", PROP_USE_BACKGROUND_COLOR, PROP_BACKGROUND_COLOR, KIND_COLOR, nullptr, 0,
     0},
    {"Font Family", PROP_USE_FONT_FAMILY, PROP_FONT_FAMILY, KIND_FONT_NAME, nullptr, 0,
     PROP_FONT_FAMILY_NAMES},
    {"Font Angle", PROP_USE_FONT_ANGLE, PROP_FONT_ANGLE, KIND_FONT_NAME, nullptr, 0,
     PROP_FONT_ANGLE_NAMES},
    {"Font Size", PROP_USE_FONT_SIZE, PROP_FONT_SIZE, KIND_SIZE, nullptr, 0, 0},
    {"Font Variation", PROP_USE_FONT_VARIATION, PROP_FONT_VARIATION, KIND_FONT_NAME, nullptr, 0,
     PROP_FONT_VARIATION_NAMES},
    {"Font Weight", PROP_USE_FONT_WEIGHT, PROP_FONT_WEIGHT, KIND_FONT_NAME, nullptr, 0,
     PROP_FONT_WEIGHT_NAMES},
    {"Language", 0, PROP_LANGUAGE, KIND_LANGUAGE, nullptr, 0, 0},
    {"Overline", PROP_USE_OVERLINE, PROP_OVERLINE, KIND_BOOL, nullptr, 0, 0},
    {"Pair Kern", PROP_USE_PAIR_KERN, PROP_PAIR_KERN, KIND_BOOL, nullptr, 0, 0},
    {"Position", PROP_USE_POSITION, PROP_POSITION, KIND_ENUM, kPosition, 3, 0},
    {"Spread", PROP_USE_CHARSPREAD, PROP_CHARSPREAD, KIND_PERCENT, nullptr, 0, 0},
    {"Stretch", PROP_USE_STRETCH, PROP_STRETCH, KIND_PERCENT, nullptr, 0, 0},
    {"Strikethrough", PROP_USE_STRIKETHROUGH, PROP_STRIKETHROUGH, KIND_BOOL, nullptr, 0, 0},
    {"Underlining", PROP_USE_UNDERLINING, PROP_UNDERLINING, KIND_ENUM, kUnderlining, 4, 0},
};

// A unit of 0 only comes from a failed read; dividing by it would stop the
// client, so such a document is reported in points.
Metric FontSizeUnit(ObjHandle doc) {
  Metric unit = HostGetMetric(doc, doc, PROP_FONT_SIZE_UNIT);
  return unit == 0 ? kOnePoint : unit;
}

// label + ": " + value + tail, as one "Body" paragraph. When memory runs out
// the line is left out rather than written half.
void WriteLine(ObjHandle out, const char* label, const char* value, const char* tail) {
  char* line = StrAllocate(StrLength(label) + 2 + StrLength(value) + StrLength(tail));
  if (line == nullptr) return;
  StrAppend(line, label);
  StrAppend(line, ": ");
  StrAppend(line, value);
  StrAppend(line, tail);
  AppendOutputParagraph(out, line, kBody);
  MemRelease(line);
}

void WriteTextLine(ObjHandle out, const char* label, const char* value) {
  WriteLine(out, label, value, " ");
}

// The name at `index` of an application font list, or empty for an index the
// list does not hold: formats copied from other systems can name fonts this
// host does not have.
void WriteFontNameLine(ObjHandle out, const char* label, int32_t nameList, int32_t index) {
  HostStrings names = HostGetStrings(0, 0, nameList);
  const char* name = "";
  if (index >= 0 && static_cast<uint32_t>(index) < names.len && names.val != nullptr &&
      names.val[index] != nullptr) {
    name = names.val[index];
  }
  WriteTextLine(out, label, name);
  HostStringsFree(&names);
}

// A format can mark a colour as set without naming one; asking for the name
// of object 0 would address the application instead.
void WriteColorLine(ObjHandle doc, ObjHandle out, const char* label, ObjHandle color) {
  char* name = color != 0 ? HostGetString(doc, color, PROP_NAME) : nullptr;
  WriteTextLine(out, label, name != nullptr ? name : "");
  MemRelease(name);
}

void WriteSizeLine(ObjHandle doc, ObjHandle out, const char* label, Metric size) {
  char* points = FormatPoints(doc, size);
  WriteLine(out, label, points, FontSizeUnit(doc) == kOnePoint ? " points " : " Q ");
  MemRelease(points);
}

void WritePercentLine(ObjHandle out, const char* label, Metric fraction) {
  char buf[64];
  StrFormat(buf, "%.2f", FixedToDouble(FixedDiv(fraction, kOnePoint)) * 100.0);
  WriteLine(out, label, buf, "%");
}

void WriteValueLine(ObjHandle doc, ObjHandle f, ObjHandle out, const ReportLine& l) {
  switch (l.kind) {
    case KIND_ENUM: {
      int32_t v = HostGetInt(doc, f, l.prop);
      if (v >= 0 && v < l.wordCount) WriteTextLine(out, l.label, l.words[v]);
      break;
    }
    case KIND_BOOL:
      WriteTextLine(out, l.label, HostGetInt(doc, f, l.prop) == 1 ? "True" : "False");
      break;
    case KIND_COLOR: WriteColorLine(doc, out, l.label, HostGetId(doc, f, l.prop)); break;
    case KIND_FONT_NAME:
      WriteFontNameLine(out, l.label, l.nameList, HostGetInt(doc, f, l.prop));
      break;
    case KIND_SIZE: WriteSizeLine(doc, out, l.label, HostGetMetric(doc, f, l.prop)); break;
    case KIND_LANGUAGE: {
      const char* word = LanguageNameOf(HostGetInt(doc, f, l.prop));
      WriteTextLine(out, l.label, word != nullptr ? word : "");
      break;
    }
    case KIND_PERCENT: WritePercentLine(out, l.label, HostGetMetric(doc, f, l.prop)); break;
  }
}

}  // namespace

StringList* GatherCharTagNames(ObjHandle doc) {
  StringList* names = StringListCreate(1, 1);
  if (names == nullptr) return nullptr;
  for (ObjHandle f = HostGetId(doc, doc, PROP_FIRST_CHAR_FMT_IN_DOC); f != 0;
       f = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC)) {
    char* tag = HostGetString(doc, f, PROP_CHAR_TAG);
    if (StringListAdd(names, tag) != 0) {
      PrintMessage(nullptr, "Couldn't allocate string list memory\n");
    }
    MemRelease(tag);
  }
  StringListSort(names, StringListCompareExact);
  return names;
}

char* FormatPoints(ObjHandle doc, Metric v) {
  char buf[64];
  StrFormat(buf, "%.2f", FixedToDouble(FixedDiv(v, FontSizeUnit(doc))));
  return StrDuplicate(buf);
}

void WriteTagReport(ObjHandle doc, ObjHandle f, ObjHandle out) {
  for (const ReportLine& l : kLines) {
    if (l.flag != 0 && HostGetInt(doc, f, l.flag) == 0) {
      WriteTextLine(out, l.label, kAsIs);
    } else {
      WriteValueLine(doc, f, out, l);
    }
  }
}

int32_t WriteNamedTagReport(ObjHandle doc, const char* tag, ObjHandle out) {
  ObjHandle f = HostGetNamedObject(doc, OBJ_CHAR_FMT, tag);
  if (f == 0) return 0;
  AppendOutputParagraph(out, tag, "Heading1");
  WriteTagReport(doc, f, out);
  return 1;
}
