#include "charfmt/char_looks.h"

#include "client/host_lists.h"
#include "support/case_fold.h"
#include "support/fixed.h"
#include "support/format.h"
#include "support/language.h"
#include "support/memory.h"
#include "support/strings.h"

const int32_t kLookIntProps[kLookIntCount] = {
    PROP_CAPITALIZATION, PROP_CHANGE_BAR,   PROP_FONT_ANGLE,   PROP_FONT_FAMILY,
    PROP_FONT_VARIATION, PROP_FONT_WEIGHT,  PROP_POSITION,     PROP_CHAR_INT_612,
    PROP_PAIR_KERN,      PROP_OVERLINE,     PROP_CHAR_INT_613, PROP_STRIKETHROUGH,
    PROP_UNDERLINING,    PROP_LANGUAGE,     PROP_COLOR,        PROP_CHAR_INT_2287,
    PROP_FONT_SIZE,      PROP_CHAR_INT_616, PROP_CHAR_INT_617, PROP_CHARSPREAD,
    PROP_STRETCH,
};
const int32_t kLookStrProps[kLookStrCount] = {PROP_CHAR_STR_639, PROP_CHAR_STR_640};

namespace {

constexpr Metric kOnePoint = 0x10000;

// The flag by which a format says it sets a property; 0 for the language,
// which a format either carries or not. The second family property goes
// with the family.
int32_t FlagOf(int32_t prop) {
  switch (prop) {
    case PROP_CAPITALIZATION: return PROP_USE_CAPITALIZATION;
    case PROP_CHANGE_BAR: return PROP_USE_CHANGE_BAR;
    case PROP_FONT_ANGLE: return PROP_USE_FONT_ANGLE;
    case PROP_FONT_FAMILY:
    case PROP_CHAR_INT_2287: return PROP_USE_FONT_FAMILY;
    case PROP_FONT_VARIATION: return PROP_USE_FONT_VARIATION;
    case PROP_FONT_WEIGHT: return PROP_USE_FONT_WEIGHT;
    case PROP_POSITION: return PROP_USE_POSITION;
    case PROP_CHAR_INT_612: return PROP_USE_CHAR_INT_612;
    case PROP_PAIR_KERN: return PROP_USE_PAIR_KERN;
    case PROP_OVERLINE: return PROP_USE_OVERLINE;
    case PROP_CHAR_INT_613: return PROP_USE_CHAR_INT_613;
    case PROP_STRIKETHROUGH: return PROP_USE_STRIKETHROUGH;
    case PROP_UNDERLINING: return PROP_USE_UNDERLINING;
    case PROP_COLOR: return PROP_USE_COLOR;
    case PROP_FONT_SIZE: return PROP_USE_FONT_SIZE;
    case PROP_CHAR_INT_616: return PROP_USE_CHAR_INT_616;
    case PROP_CHAR_INT_617: return PROP_USE_CHAR_INT_617;
    case PROP_CHARSPREAD: return PROP_USE_CHARSPREAD;
    case PROP_STRETCH: return PROP_USE_STRETCH;
    default: return 0;
  }
}

int SlotOf(int32_t prop) {
  for (int i = 0; i < kLookIntCount; ++i) {
    if (kLookIntProps[i] == prop) return i;
  }
  return -1;
}

// How a property reads in a name and in a description.
enum WordKind {
  WORD_NAME_LIST,
  WORD_SIZE,
  WORD_PERCENT,
  WORD_SWITCH,
  WORD_CHOICE,
  WORD_COLOR,
  WORD_LANGUAGE
};

struct Wording {
  int32_t prop;
  const char* label;  // in a description; in a name too for percentages
  WordKind kind;
  int32_t nameList;          // WORD_NAME_LIST
  const char* const* words;  // WORD_SWITCH (off, on) and WORD_CHOICE
  int32_t wordCount;
};

const char* const kCase[] = {"Normal Case", "Small Caps", "Lowercase", "Uppercase"};
const char* const kPosition[] = {"Normal Position", "Superscript", "Subscript"};
const char* const kUnderline[] = {"No Underline", "Underline", "Double Underline",
                                  "Numeric Underline"};
const char* const kStrike[] = {"No Strikethrough", "Strikethrough"};
const char* const kOverline[] = {"No Overline", "Overline"};
const char* const kChangeBar[] = {"No Change Bar", "Change Bar"};
const char* const kOutline[] = {"No Outline", "Outline"};
const char* const kShadow[] = {"No Shadow", "Shadow"};
const char* const kPairKern[] = {"No Pair Kern", "Pair Kern"};

// The order a name is put together in: the font first, as people say it
// ("Bold Italic"), then the rest. The second family property says nothing
// of its own.
const Wording kWordings[] = {
    {PROP_FONT_FAMILY, "Font Family", WORD_NAME_LIST, PROP_FONT_FAMILY_NAMES, nullptr, 0},
    {PROP_FONT_SIZE, "Font Size", WORD_SIZE, 0, nullptr, 0},
    {PROP_FONT_WEIGHT, "Font Weight", WORD_NAME_LIST, PROP_FONT_WEIGHT_NAMES, nullptr, 0},
    {PROP_FONT_ANGLE, "Font Angle", WORD_NAME_LIST, PROP_FONT_ANGLE_NAMES, nullptr, 0},
    {PROP_FONT_VARIATION, "Font Variation", WORD_NAME_LIST, PROP_FONT_VARIATION_NAMES, nullptr, 0},
    {PROP_CAPITALIZATION, "Capitalization", WORD_CHOICE, 0, kCase, 4},
    {PROP_POSITION, "Position", WORD_CHOICE, 0, kPosition, 3},
    {PROP_UNDERLINING, "Underlining", WORD_CHOICE, 0, kUnderline, 4},
    {PROP_STRIKETHROUGH, "Strikethrough", WORD_SWITCH, 0, kStrike, 2},
    {PROP_OVERLINE, "Overline", WORD_SWITCH, 0, kOverline, 2},
    {PROP_CHANGE_BAR, "Change Bar", WORD_SWITCH, 0, kChangeBar, 2},
    {PROP_CHAR_INT_612, "Outline", WORD_SWITCH, 0, kOutline, 2},
    {PROP_CHAR_INT_613, "Shadow", WORD_SWITCH, 0, kShadow, 2},
    {PROP_PAIR_KERN, "Pair Kern", WORD_SWITCH, 0, kPairKern, 2},
    {PROP_COLOR, "Color", WORD_COLOR, 0, nullptr, 0},
    {PROP_LANGUAGE, "Language", WORD_LANGUAGE, 0, nullptr, 0},
    {PROP_CHARSPREAD, "Spread", WORD_PERCENT, 0, nullptr, 0},
    {PROP_STRETCH, "Stretch", WORD_PERCENT, 0, nullptr, 0},
    {PROP_CHAR_INT_616, "Offset Across", WORD_PERCENT, 0, nullptr, 0},
    {PROP_CHAR_INT_617, "Offset Down", WORD_PERCENT, 0, nullptr, 0},
};

int32_t IntOf(const TypedVal& v) {
  switch (v.valType) {
    case VT_INT:
    case VT_METRIC:
    case VT_ID: return v.u.ival;
    default: return 0;
  }
}

const char* StringOf(const TypedVal& v) { return v.valType == VT_STRING ? v.u.sval : nullptr; }

void EmptyLook(CharLook* look) {
  for (int i = 0; i < kLookIntCount; ++i) look->ints[i] = look->types[i] = 0;
  for (int i = 0; i < kLookStrCount; ++i) look->strs[i] = nullptr;
}

typedef PropVal (*ReadOne)(ObjHandle doc, ObjHandle obj, int32_t offset, int32_t prop);

PropVal ReadTextProp(ObjHandle doc, ObjHandle pgf, int32_t offset, int32_t prop) {
  return HostGetTextPropVal(doc, TextLoc{pgf, offset}, prop);
}

PropVal ReadObjectProp(ObjHandle doc, ObjHandle obj, int32_t, int32_t prop) {
  return HostGetPropVal(doc, obj, prop);
}

bool ReadLook(ObjHandle doc, ObjHandle obj, int32_t offset, ReadOne read, CharLook* look) {
  EmptyLook(look);
  bool whole = true;
  for (int i = 0; i < kLookIntCount && whole; ++i) {
    HostErrno = 0;
    PropVal v = read(doc, obj, offset, kLookIntProps[i]);
    whole = HostErrno == 0;
    look->ints[i] = IntOf(v.propVal);
    look->types[i] = v.propVal.valType;
    PropValFree(&v);
  }
  for (int i = 0; i < kLookStrCount && whole; ++i) {
    HostErrno = 0;
    PropVal v = read(doc, obj, offset, kLookStrProps[i]);
    whole = HostErrno == 0;
    const char* s = StringOf(v.propVal);
    if (whole && s != nullptr) {
      look->strs[i] = StrDuplicate(s);
      whole = look->strs[i] != nullptr;
    }
    PropValFree(&v);
  }
  if (!whole) CharLookFree(look);
  return whole;
}

const PropVal* Find(const PropVals& list, int32_t prop) {
  for (uint32_t i = 0; i < list.len; ++i) {
    if (list.val[i].propIdent.num == prop) return &list.val[i];
  }
  return nullptr;
}

// What a format sets, from the list of its properties: a property with a
// flag is set when the flag is on, the language and the strings when the
// format carries them.
bool FormatLookFrom(const PropVals& props, FormatLook* f) {
  for (int i = 0; i < kLookIntCount; ++i) {
    int32_t flag = FlagOf(kLookIntProps[i]);
    const PropVal* use = flag != 0 ? Find(props, flag) : nullptr;
    const PropVal* value = Find(props, kLookIntProps[i]);
    f->sets[i] = flag != 0 ? use != nullptr && IntOf(use->propVal) != 0 : value != nullptr;
    if (value != nullptr) {
      f->look.ints[i] = IntOf(value->propVal);
      f->look.types[i] = value->propVal.valType;
    }
  }
  for (int i = 0; i < kLookStrCount; ++i) {
    const PropVal* value = Find(props, kLookStrProps[i]);
    f->setsStr[i] = value != nullptr;
    const char* s = value != nullptr ? StringOf(value->propVal) : nullptr;
    if (s != nullptr && (f->look.strs[i] = StrDuplicate(s)) == nullptr) return false;
  }
  return true;
}

void ZeroFormat(FormatLook* f) {
  f->name = nullptr;
  f->format = 0;
  for (int i = 0; i < kLookIntCount; ++i) f->sets[i] = false;
  for (int i = 0; i < kLookStrCount; ++i) f->setsStr[i] = false;
  EmptyLook(&f->look);
}

bool ReadFormat(ObjHandle doc, ObjHandle format, FormatLook* f) {
  ZeroFormat(f);
  f->format = format;
  HostErrno = 0;
  f->name = HostGetString(doc, format, PROP_CHAR_TAG);
  bool whole = HostErrno == 0 && f->name != nullptr;
  PropVals props = whole ? HostGetProps(doc, format) : PropVals{0, nullptr};
  whole = whole && HostErrno == 0 && FormatLookFrom(props, f);
  PropValsFree(&props);
  if (!whole) FormatLookFree(f);
  return whole;
}

bool Append(FormatCatalog* catalog, FormatLook* f) {
  if (catalog->count == catalog->capacity) {
    uint32_t capacity = catalog->capacity == 0 ? 8 : catalog->capacity * 2;
    void* grown =
        MemResize(catalog->formats, capacity * static_cast<uint32_t>(sizeof(FormatLook)), 0);
    if (grown == nullptr) return false;
    catalog->formats = static_cast<FormatLook*>(grown);
    catalog->capacity = capacity;
  }
  catalog->formats[catalog->count++] = *f;
  ZeroFormat(f);
  return true;
}

bool SameString(const char* a, const char* b) { return StrEquals(a, b) != 0; }

// Appends `text` and then `after` to *s; false when memory ran out.
bool Add(char** s, const char* text, const char* after = "") {
  return StrAppendGrow(s, text) == 0 && StrAppendGrow(s, after) == 0;
}

// "12.50" -> "12.5", "14.00" -> "14".
void TrimZeros(char* number) {
  if (StrFindChar(number, '.') == nullptr) return;
  int32_t n = StrLength(number);
  while (n > 0 && number[n - 1] == '0') number[--n] = '\0';
  if (n > 0 && number[n - 1] == '.') number[n - 1] = '\0';
}

// The word for a value: a new string, or null when memory ran out.
char* WordFor(ObjHandle doc, const Wording& w, int32_t v, bool withLabel) {
  char buf[96];
  buf[0] = '\0';
  char* out = nullptr;
  switch (w.kind) {
    case WORD_NAME_LIST: {
      HostStrings names = HostGetStrings(0, 0, w.nameList);
      if (v >= 0 && static_cast<uint32_t>(v) < names.len && names.val != nullptr &&
          StrLength(names.val[v]) > 0) {
        out = StrDuplicate(names.val[v]);
      } else {
        StrFormat(buf, "%s %d", w.label, v);
      }
      HostStringsFree(&names);
      break;
    }
    case WORD_SIZE:
      StrFormat(buf, "%.2f", FixedToDouble(FixedDiv(v, kOnePoint)));
      TrimZeros(buf);
      StrAppendBounded(buf, " pt", static_cast<int32_t>(sizeof buf));
      break;
    case WORD_PERCENT: {
      char number[48];
      StrFormat(number, "%.2f", FixedToDouble(FixedDiv(v, kOnePoint)) * 100.0);
      TrimZeros(number);
      StrFormat(buf, "%s %s%%", w.label, number);
      withLabel = false;
      break;
    }
    case WORD_SWITCH:
    case WORD_CHOICE:
      if (v >= 0 && v < w.wordCount) {
        StrCopyBounded(buf, w.words[v], static_cast<int32_t>(sizeof buf));
      } else {
        StrFormat(buf, "%s %d", w.label, v);
      }
      break;
    case WORD_COLOR: {
      char* name = v != 0 ? HostGetString(doc, static_cast<ObjHandle>(v), PROP_NAME) : nullptr;
      if (StrLength(name) > 0) {
        out = name;
        name = nullptr;
      } else {
        StrFormat(buf, "%s %d", w.label, v);
      }
      MemRelease(name);
      break;
    }
    case WORD_LANGUAGE: {
      const char* word = v == 0 ? "No Language" : LanguageNameOf(v);
      if (word != nullptr) {
        StrCopyBounded(buf, word, static_cast<int32_t>(sizeof buf));
      } else {
        StrFormat(buf, "%s %d", w.label, v);
      }
      break;
    }
  }
  if (out == nullptr) out = StrDuplicate(buf);
  if (out == nullptr || !withLabel) return out;
  char* labelled = StrDuplicate(w.label);
  bool ok = labelled != nullptr && Add(&labelled, " ", out);
  MemRelease(out);
  if (!ok) StrReleaseAndClear(&labelled);
  return labelled;
}

// The parts of a format's description (withLabel) or of a new format's
// name: one for each property it sets, in wording order, leaving out what
// `base` already gives with the same value. Null when memory ran out.
char* JoinWords(ObjHandle doc, const FormatLook* f, const FormatLook* base, const char* between,
                bool withLabel) {
  char* joined = StrDuplicate("");
  for (const Wording& w : kWordings) {
    if (joined == nullptr) break;
    int slot = SlotOf(w.prop);
    if (!f->sets[slot]) continue;
    if (base != nullptr && base->sets[slot] && base->look.ints[slot] == f->look.ints[slot])
      continue;
    char* word = WordFor(doc, w, f->look.ints[slot], withLabel);
    bool ok = word != nullptr && Add(&joined, StrLength(joined) > 0 ? between : "", word);
    MemRelease(word);
    if (!ok) StrReleaseAndClear(&joined);
  }
  return joined;
}

bool NameTaken(const FormatCatalog* catalog, const char* name) {
  for (uint32_t i = 0; i < catalog->count; ++i) {
    if (StrEqualsNoCase(catalog->formats[i].name, name) != 0) return true;
  }
  return false;
}

// The name with the first number from 2 on that no format of the catalog
// has in any letter case; the name itself when none has it.
char* FreeName(const FormatCatalog* catalog, const char* name) {
  if (!NameTaken(catalog, name)) return StrDuplicate(name);
  for (int32_t n = 2;; ++n) {
    char number[16];
    StrFormat(number, " %d", n);
    char* candidate = StrDuplicate(name);
    if (candidate == nullptr || !Add(&candidate, number)) {
      MemRelease(candidate);
      return nullptr;
    }
    if (!NameTaken(catalog, candidate)) return candidate;
    MemRelease(candidate);
  }
}

void SetInt(PropVal* entry, int32_t prop, int32_t type, int32_t value) {
  entry->propIdent.num = prop;
  entry->propVal.valType = type == 0 ? VT_INT : type;
  entry->propVal.u.ival = value;
}

bool SetString(PropVal* entry, int32_t prop, const char* value) {
  entry->propIdent.num = prop;
  entry->propVal.valType = VT_STRING;
  entry->propVal.u.sval = StrDuplicate(value != nullptr ? value : "");
  return entry->propVal.u.sval != nullptr;
}

// The properties a planned format is made with: every flag said outright,
// so that nothing rests on what the host gives a new format, and the values
// of what it sets.
PropVals NewFormatValues(const FormatLook* f) {
  uint32_t count = 0;
  for (int i = 0; i < kLookIntCount; ++i) {
    if (FlagOf(kLookIntProps[i]) != 0 && kLookIntProps[i] != PROP_CHAR_INT_2287) ++count;
    if (f->sets[i]) ++count;
  }
  for (int i = 0; i < kLookStrCount; ++i) count += f->setsStr[i] ? 1 : 0;
  PropVals values = PropValsAllocate(count);
  if (values.len != count) return PropVals{0, nullptr};
  uint32_t n = 0;
  for (int i = 0; i < kLookIntCount; ++i) {
    int32_t prop = kLookIntProps[i];
    int32_t flag = FlagOf(prop);
    if (flag != 0 && prop != PROP_CHAR_INT_2287) SetInt(&values.val[n++], flag, VT_INT, f->sets[i]);
    if (f->sets[i]) SetInt(&values.val[n++], prop, f->look.types[i], f->look.ints[i]);
  }
  for (int i = 0; i < kLookStrCount; ++i) {
    if (f->setsStr[i] && !SetString(&values.val[n++], kLookStrProps[i], f->look.strs[i])) {
      PropValsFree(&values);
      return PropVals{0, nullptr};
    }
  }
  return values;
}

}  // namespace

bool ReadTextLook(ObjHandle doc, TextLoc at, CharLook* look) {
  return ReadLook(doc, at.obj, at.offset, ReadTextProp, look);
}

bool ReadParagraphLook(ObjHandle doc, ObjHandle pgf, CharLook* look) {
  return ReadLook(doc, pgf, 0, ReadObjectProp, look);
}

void CharLookFree(CharLook* look) {
  for (int i = 0; i < kLookStrCount; ++i) StrReleaseAndClear(&look->strs[i]);
}

bool CharLookEquals(const CharLook* a, const CharLook* b) {
  for (int i = 0; i < kLookIntCount; ++i) {
    if (a->ints[i] != b->ints[i]) return false;
  }
  for (int i = 0; i < kLookStrCount; ++i) {
    if (!SameString(a->strs[i], b->strs[i])) return false;
  }
  return true;
}

bool ReadFormatCatalog(ObjHandle doc, FormatCatalog* catalog) {
  *catalog = FormatCatalog{nullptr, 0, 0};
  HostErrno = 0;
  for (ObjHandle f = HostGetId(doc, doc, PROP_FIRST_CHAR_FMT_IN_DOC); f != 0 && HostErrno == 0;
       f = HostGetId(doc, f, PROP_NEXT_CHAR_FMT_IN_DOC)) {
    FormatLook look;
    if (!ReadFormat(doc, f, &look)) return false;
    if (!Append(catalog, &look)) {
      FormatLookFree(&look);
      return false;
    }
    HostErrno = 0;
  }
  return HostErrno == 0;
}

void FormatCatalogFree(FormatCatalog* catalog) {
  for (uint32_t i = 0; i < catalog->count; ++i) FormatLookFree(&catalog->formats[i]);
  MemRelease(catalog->formats);
  *catalog = FormatCatalog{nullptr, 0, 0};
}

void FormatLookFree(FormatLook* format) {
  StrReleaseAndClear(&format->name);
  CharLookFree(&format->look);
}

bool FormatGivesLook(const FormatLook* format, const CharLook* pgf, const CharLook* run) {
  for (int i = 0; i < kLookIntCount; ++i) {
    int32_t given = format->sets[i] ? format->look.ints[i] : pgf->ints[i];
    if (given != run->ints[i]) return false;
  }
  for (int i = 0; i < kLookStrCount; ++i) {
    const char* given = format->setsStr[i] ? format->look.strs[i] : pgf->strs[i];
    if (!SameString(given, run->strs[i])) return false;
  }
  return true;
}

bool LooksOverridden(const FormatLook* format, const CharLook* pgf, const CharLook* run) {
  if (format == nullptr) return !CharLookEquals(pgf, run);
  for (int i = 0; i < kLookIntCount; ++i) {
    if (FlagOf(kLookIntProps[i]) != 0 && !format->sets[i] && run->ints[i] != pgf->ints[i]) {
      return true;
    }
  }
  return false;
}

int32_t FirstFormatGiving(const FormatCatalog* catalog, const CharLook* pgf, const CharLook* run,
                          uint32_t* others) {
  int32_t first = -1;
  uint32_t more = 0;
  for (uint32_t i = 0; i < catalog->count; ++i) {
    if (!FormatGivesLook(&catalog->formats[i], pgf, run)) continue;
    if (first < 0) {
      first = static_cast<int32_t>(i);
    } else {
      ++more;
    }
  }
  if (others != nullptr) *others = more;
  return first;
}

PropVals TaggedLookValues(const char* tag, const CharLook* look) {
  PropVals values = PropValsAllocate(1 + kLookIntCount + kLookStrCount);
  if (values.len == 0) return values;
  uint32_t n = 0;
  bool ok = SetString(&values.val[n++], PROP_CHAR_TAG, tag);
  for (int i = 0; i < kLookIntCount; ++i) {
    SetInt(&values.val[n++], kLookIntProps[i], look->types[i], look->ints[i]);
  }
  for (int i = 0; i < kLookStrCount && ok; ++i) {
    ok = SetString(&values.val[n++], kLookStrProps[i], look->strs[i]);
  }
  if (!ok) PropValsFree(&values);
  return values;
}

bool PlanNewFormat(ObjHandle doc, const FormatCatalog* catalog, const FormatLook* base,
                   const CharLook* pgf, const CharLook* run, FormatLook* planned) {
  ZeroFormat(planned);
  const int family = SlotOf(PROP_FONT_FAMILY);
  const int family2 = SlotOf(PROP_CHAR_INT_2287);
  for (int i = 0; i < kLookIntCount; ++i) {
    planned->sets[i] = (base != nullptr && base->sets[i]) || run->ints[i] != pgf->ints[i];
    planned->look.ints[i] = run->ints[i];
    planned->look.types[i] = run->types[i];
  }
  // The two family properties go by one flag: set together or not at all.
  bool anyFamily = planned->sets[family] || planned->sets[family2];
  planned->sets[family] = planned->sets[family2] = anyFamily;
  for (int i = 0; i < kLookStrCount; ++i) {
    planned->setsStr[i] = (base != nullptr && base->setsStr[i]) ||
                          !SameString(run->strs[i], pgf->strs[i]);
    if (run->strs[i] != nullptr &&
        (planned->look.strs[i] = StrDuplicate(run->strs[i])) == nullptr) {
      FormatLookFree(planned);
      return false;
    }
  }
  char* words = JoinWords(doc, planned, base, " ", false);
  char* name = nullptr;
  if (words != nullptr) {
    const char* said = StrLength(words) > 0 ? words : "Override";
    if (base != nullptr) {
      name = StrDuplicate(base->name);
      if (name != nullptr && !Add(&name, " + ", said)) StrReleaseAndClear(&name);
    } else {
      name = StrDuplicate(said);
    }
  }
  MemRelease(words);
  planned->name = name != nullptr ? FreeName(catalog, name) : nullptr;
  MemRelease(name);
  if (planned->name == nullptr) {
    FormatLookFree(planned);
    return false;
  }
  return true;
}

int32_t CreatePlannedFormat(ObjHandle doc, FormatCatalog* catalog, FormatLook* planned,
                            bool* leftover) {
  PropVals values = NewFormatValues(planned);
  if (values.len == 0) return -1;
  HostErrno = 0;
  ObjHandle f = HostNewNamedObject(doc, OBJ_CHAR_FMT, planned->name);
  bool made = f != 0 && HostErrno == 0;
  if (made) {
    HostSetProps(doc, f, &values);
    if (HostErrno != 0) {
      // A format without its properties would give no run its look.
      HostErrno = 0;
      HostDeleteObject(doc, f);
      if (HostErrno != 0 && leftover != nullptr) *leftover = true;
      made = false;
    }
  }
  PropValsFree(&values);
  if (!made) return -1;
  planned->format = f;
  if (!Append(catalog, planned)) return -1;
  return static_cast<int32_t>(catalog->count) - 1;
}

char* DescribeFormatLook(ObjHandle doc, const FormatLook* format) {
  return JoinWords(doc, format, nullptr, ", ", true);
}
