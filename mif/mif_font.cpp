#include "mif/mif_font.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "mif/mif_roman.h"

namespace {

const char* const kUnderlining[] = {"FNoUnderlining", "FSingle", "FDouble", "FNumeric"};
const char* const kCase[] = {"FAsTyped", "FSmallCaps", "FLowercase", "FUppercase"};
const char* const kPosition[] = {"FNormal", "FSuperscript", "FSubscript"};

// In the order of the host's language numbers, 1 to 42.
const char* const kLanguages[] = {"USEnglish",
                                  "UKEnglish",
                                  "German",
                                  "SwissGerman",
                                  "French",
                                  "CanadianFrench",
                                  "Spanish",
                                  "Catalan",
                                  "Italian",
                                  "Portuguese",
                                  "Brazilian",
                                  "Danish",
                                  "Dutch",
                                  "Norwegian",
                                  "Nynorsk",
                                  "Finnish",
                                  "Swedish",
                                  "Japanese",
                                  "TraditionalChinese",
                                  "SimplifiedChinese",
                                  "Korean",
                                  "NewGerman",
                                  "NewSwissGerman",
                                  "NewDutch",
                                  "Greek",
                                  "Russian",
                                  "Czech",
                                  "Polish",
                                  "Hungarian",
                                  "Turkish",
                                  "Slovak",
                                  "Slovenian",
                                  "Bulgarian",
                                  "Croatian",
                                  "Estonian",
                                  "Latvian",
                                  "Lithuanian",
                                  "Romanian",
                                  "Arabic",
                                  "Hebrew",
                                  "Thai",
                                  "Farsi"};

int Slot(int32_t prop) { return memhost::CharIntIndex(prop); }

std::vector<MifFontProp> BuildProps() {
  return {
      {"FFamily", PROP_FONT_FAMILY, PROP_USE_FONT_FAMILY, MIF_FONT_NAME, PROP_FONT_FAMILY_NAMES,
       nullptr, 0, Slot(PROP_FONT_FAMILY)},
      {"FVar", PROP_FONT_VARIATION, PROP_USE_FONT_VARIATION, MIF_FONT_NAME,
       PROP_FONT_VARIATION_NAMES, nullptr, 0, Slot(PROP_FONT_VARIATION)},
      {"FWeight", PROP_FONT_WEIGHT, PROP_USE_FONT_WEIGHT, MIF_FONT_NAME, PROP_FONT_WEIGHT_NAMES,
       nullptr, 0, Slot(PROP_FONT_WEIGHT)},
      {"FAngle", PROP_FONT_ANGLE, PROP_USE_FONT_ANGLE, MIF_FONT_NAME, PROP_FONT_ANGLE_NAMES,
       nullptr, 0, Slot(PROP_FONT_ANGLE)},
      {"FSize", PROP_FONT_SIZE, PROP_USE_FONT_SIZE, MIF_FONT_METRIC, 0, nullptr, 0,
       Slot(PROP_FONT_SIZE)},
      {"FUnderlining", PROP_UNDERLINING, PROP_USE_UNDERLINING, MIF_FONT_KEYWORD, 0, kUnderlining, 4,
       Slot(PROP_UNDERLINING)},
      {"FOverline", PROP_OVERLINE, PROP_USE_OVERLINE, MIF_FONT_BOOL, 0, nullptr, 0,
       Slot(PROP_OVERLINE)},
      {"FStrike", PROP_STRIKETHROUGH, PROP_USE_STRIKETHROUGH, MIF_FONT_BOOL, 0, nullptr, 0,
       Slot(PROP_STRIKETHROUGH)},
      {"FChangeBar", PROP_CHANGE_BAR, PROP_USE_CHANGE_BAR, MIF_FONT_BOOL, 0, nullptr, 0,
       Slot(PROP_CHANGE_BAR)},
      {"FOutline", PROP_CHAR_INT_612, PROP_USE_CHAR_INT_612, MIF_FONT_BOOL, 0, nullptr, 0,
       Slot(PROP_CHAR_INT_612)},
      {"FShadow", PROP_CHAR_INT_613, PROP_USE_CHAR_INT_613, MIF_FONT_BOOL, 0, nullptr, 0,
       Slot(PROP_CHAR_INT_613)},
      {"FPairKern", PROP_PAIR_KERN, PROP_USE_PAIR_KERN, MIF_FONT_BOOL, 0, nullptr, 0,
       Slot(PROP_PAIR_KERN)},
      {"FCase", PROP_CAPITALIZATION, PROP_USE_CAPITALIZATION, MIF_FONT_KEYWORD, 0, kCase, 4,
       Slot(PROP_CAPITALIZATION)},
      {"FPosition", PROP_POSITION, PROP_USE_POSITION, MIF_FONT_KEYWORD, 0, kPosition, 3,
       Slot(PROP_POSITION)},
      {"FDX", PROP_CHAR_INT_616, PROP_USE_CHAR_INT_616, MIF_FONT_PERCENT, 0, nullptr, 0,
       Slot(PROP_CHAR_INT_616)},
      {"FDY", PROP_CHAR_INT_617, PROP_USE_CHAR_INT_617, MIF_FONT_PERCENT, 0, nullptr, 0,
       Slot(PROP_CHAR_INT_617)},
      {"FDW", PROP_CHARSPREAD, PROP_USE_CHARSPREAD, MIF_FONT_PERCENT, 0, nullptr, 0,
       Slot(PROP_CHARSPREAD)},
      {"FStretch", PROP_STRETCH, PROP_USE_STRETCH, MIF_FONT_PERCENT, 0, nullptr, 0,
       Slot(PROP_STRETCH)},
      {"FLanguage", PROP_LANGUAGE, 0, MIF_FONT_LANGUAGE, 0, nullptr, 0, Slot(PROP_LANGUAGE)},
      {"FColor", PROP_COLOR, PROP_USE_COLOR, MIF_FONT_COLOR, 0, nullptr, 0, Slot(PROP_COLOR)},
      {"FBackgroundColor", PROP_BACKGROUND_COLOR, PROP_USE_BACKGROUND_COLOR, MIF_FONT_COLOR, 0,
       nullptr, 0, -1},
  };
}

bool ReadValue(MifNames* names, const MifFontProp& p, const MifNode& node, int32_t* out) {
  std::string s;
  switch (p.kind) {
    case MIF_FONT_NAME:
      if (!MifGetRoman(node, names->encoding, &s)) return false;
      *out = MifNameIndex(names, p.list, s);
      return true;
    case MIF_FONT_METRIC:
      // Every length here is a size, which cannot be negative.
      return MifGetMetric(node, names->unit, out) && *out >= 0;
    case MIF_FONT_PERCENT: {
      double v = 0;
      if (!MifGetNumber(node, 0, &v)) return false;
      double scaled = std::round(v / 100.0 * 65536.0);
      if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0)) return false;
      *out = static_cast<int32_t>(scaled);
      return true;
    }
    case MIF_FONT_BOOL: {
      bool yes = false;
      if (!MifGetBool(node, &yes)) return false;
      *out = yes ? 1 : 0;
      return true;
    }
    case MIF_FONT_KEYWORD:
      if (!MifGetWord(node, &s)) return false;
      for (int32_t i = 0; i < p.wordCount; ++i) {
        if (s == p.words[i]) {
          *out = i;
          return true;
        }
      }
      return false;
    case MIF_FONT_LANGUAGE:
      if (!MifGetWord(node, &s)) return false;
      *out = MifLanguageNumber(s);
      return true;
    case MIF_FONT_COLOR:
      // A background may be "NoColor", a word rather than a name.
      if (MifGetWord(node, &s)) {
        *out = 0;
        return s == "NoColor";
      }
      if (!MifGetRoman(node, names->encoding, &s)) return false;
      *out = static_cast<int32_t>(MifColorNamed(names, s));
      return true;
  }
  return false;
}

std::string PercentText(int32_t fraction) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.1f%%", fraction * 100.0 / 65536.0);
  return buf;
}

}  // namespace

bool MifGetRoman(const MifNode& node, MifEncoding encoding, std::string* roman) {
  std::string bytes;
  if (!MifGetString(node, encoding, &bytes)) return false;
  if (encoding == MIF_ROMAN) {
    *roman = std::move(bytes);
    return true;
  }
  return MifUtf8ToRomanName(bytes, roman);
}

bool MifChildRoman(const MifNode& parent, std::string_view name, MifEncoding encoding,
                   std::string* roman) {
  const MifNode* c = MifFind(parent, name);
  return c != nullptr && MifGetRoman(*c, encoding, roman);
}

bool MifSetRoman(MifNode* node, std::string_view roman, MifEncoding encoding) {
  if (encoding == MIF_ROMAN) return MifSetString(node, roman, encoding);
  return MifSetString(node, MifRomanNameToUtf8(roman), encoding);
}

bool MifSetRomanText(MifNode* node, std::string_view roman, MifEncoding encoding) {
  if (encoding == MIF_ROMAN) return MifSetString(node, roman, encoding);
  return MifSetString(node, MifRomanToUtf8(roman), encoding);
}

const std::vector<MifFontProp>& MifFontProps() {
  static const std::vector<MifFontProp> props = BuildProps();
  return props;
}

ObjHandle MifApplication(const memhost::DocStore& host) {
  // The host makes the application object first, so it is almost always
  // the first handle; looking through every object is the fallback.
  constexpr ObjHandle kFirst = (1u << 24) | 1u;
  const memhost::Obj* first = host.Find(kFirst);
  if (first != nullptr && first->type == 1) return kFirst;
  ObjHandle app = 0;
  host.ForEachObject([&app](const memhost::Obj& o) {
    if (app == 0 && o.type == 1) app = o.h;
  });
  return app;
}

int32_t MifNameIndex(MifNames* names, int32_t listProp, const std::string& name) {
  const memhost::Value* v = names->host->Prop(names->app, listProp);
  memhost::Value list = v != nullptr ? *v : memhost::Value{};
  list.type = VT_STRINGS;
  for (size_t i = 0; i < list.strings().size(); ++i) {
    if (list.strings()[i] == name) return static_cast<int32_t>(i);
  }
  list.strings().push_back(name);
  names->host->SetProp(names->app, listProp, list);
  return static_cast<int32_t>(list.strings().size() - 1);
}

std::string MifNameAt(const memhost::DocStore& host, ObjHandle app, int32_t listProp,
                      int32_t index) {
  const memhost::Value* v = host.Prop(app, listProp);
  if (v == nullptr || index < 0 || static_cast<size_t>(index) >= v->strings().size()) return "";
  return v->strings()[static_cast<size_t>(index)];
}

ObjHandle MifColorNamed(MifNames* names, const std::string& name) {
  ObjHandle c = names->host->NamedObject(names->doc, memhost::T_COLOR, name);
  if (c != 0) return c;
  c = names->host->NewObject(memhost::T_COLOR, names->doc);
  names->host->SetName(c, name);
  return c;
}

MifFontDelta MifReadFontDelta(MifNames* names, const MifNode& font) {
  MifFontDelta d;
  const std::vector<MifFontProp>& props = MifFontProps();
  for (const MifNode& c : font.children) {
    if (c.kind != MIF_STATEMENT) continue;
    if (c.name == "FTag") {
      std::string tag;
      if (MifGetRoman(c, names->encoding, &tag)) {
        d.hasTag = true;
        d.tag = tag;
      }
      continue;
    }
    for (const MifFontProp& p : props) {
      if (c.name != p.statement) continue;
      int32_t v = 0;
      if (!ReadValue(names, p, c, &v)) {
        // Leaving it unset would read as "as is", which the file did not say.
        if (names->badLine == 0) {
          names->badLine = c.line > 0 ? c.line : font.line;
          std::string value;
          for (const MifValue& mv : c.values) {
            if (!value.empty()) value += ' ';
            value += mv.text;
          }
          names->bad = "<" + c.name + "> has a value that is not a valid " +
                       (p.kind == MIF_FONT_METRIC ? "size" : "setting") + ": '" + value + "'";
        }
        break;
      }
      if (p.slot >= 0) {
        d.set[p.slot] = true;
        d.value[p.slot] = v;
      } else {
        d.setBackground = true;
        d.background = v;
      }
      break;
    }
  }
  return d;
}

void MifApplyFontDelta(const MifFontDelta& delta, memhost::CharProps* state) {
  if (delta.hasTag) state->tag = delta.tag;
  for (int i = 0; i < memhost::kCharIntCount; ++i) {
    if (delta.set[i]) state->ints[i] = delta.value[i];
  }
}

int32_t MifLanguageNumber(const std::string& keyword) {
  for (int32_t i = 0; i < 42; ++i) {
    if (keyword == kLanguages[i]) return i + 1;
  }
  return 0;
}

const char* MifLanguageKeyword(int32_t number) {
  return number >= 1 && number <= 42 ? kLanguages[number - 1] : "NoLanguage";
}

MifNode MifFontStatement(const memhost::DocStore& host, ObjHandle app, const MifFontProp& p,
                         int32_t value, const std::string& color, MifEncoding encoding) {
  MifNode n = MifMakeStatement(p.statement);
  switch (p.kind) {
    case MIF_FONT_NAME: MifSetRoman(&n, MifNameAt(host, app, p.list, value), encoding); break;
    case MIF_FONT_METRIC: MifSetMetric(&n, value, MIF_PT); break;
    case MIF_FONT_PERCENT: MifSetWord(&n, PercentText(value)); break;
    case MIF_FONT_BOOL: MifSetWord(&n, value != 0 ? "Yes" : "No"); break;
    case MIF_FONT_KEYWORD:
      MifSetWord(&n, value >= 0 && value < p.wordCount ? p.words[value] : p.words[0]);
      break;
    case MIF_FONT_LANGUAGE: MifSetWord(&n, MifLanguageKeyword(value)); break;
    case MIF_FONT_COLOR:
      if (color.empty()) {
        MifSetWord(&n, "NoColor");
      } else {
        MifSetRoman(&n, color, encoding);
      }
      break;
  }
  return n;
}
