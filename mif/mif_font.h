// Character properties as MIF writes them (<FFamily>, <FWeight>, <FSize>,
// ...) and as the in-memory host holds them (the property numbers of the
// host interface). Shared by the document reader and writer.
#ifndef TAGSMITH_MIF_MIF_FONT_H
#define TAGSMITH_MIF_MIF_FONT_H

#include <string>
#include <vector>

#include "memhost/doc_store.h"
#include "mif/mif_tree.h"

// How a statement's value is read.
enum MifFontKind {
  MIF_FONT_NAME,      // an index into one of the application's name lists
  MIF_FONT_METRIC,    // a length
  MIF_FONT_PERCENT,   // "50.0%": a fraction, 0x10000 = 100 %
  MIF_FONT_BOOL,      // Yes / No
  MIF_FONT_KEYWORD,   // one of a fixed list of words
  MIF_FONT_LANGUAGE,  // a language keyword, numbered as the host numbers them
  MIF_FONT_COLOR,     // a colour of the document, by name
};

struct MifFontProp {
  const char* statement;
  int32_t prop;     // host property number
  int32_t useFlag;  // the format's "use" flag; 0 when a format always sets it
  MifFontKind kind;
  int32_t list;              // MIF_FONT_NAME: the application's list property
  const char* const* words;  // MIF_FONT_KEYWORD
  int32_t wordCount;
  int32_t slot;  // index in memhost::kCharIntProps, -1 for none
};

// Every modelled property, in the order a <Font> statement lists them.
const std::vector<MifFontProp>& MifFontProps();

// A <Font> or <PgfFont> statement: the tag it names (if any) and the
// properties it sets. Background colour is kept apart: text carries none.
struct MifFontDelta {
  bool hasTag = false;
  std::string tag;
  bool set[memhost::kCharIntCount] = {};
  int32_t value[memhost::kCharIntCount] = {};
  bool setBackground = false;
  int32_t background = 0;  // colour handle
};

// Resolves names (fonts, colours) while a document is read: name lists of
// the application grow as new names turn up; unknown colours become colour
// objects of the document.
struct MifNames {
  memhost::DocStore* host = nullptr;
  ObjHandle app = 0;
  ObjHandle doc = 0;
  MifEncoding encoding = MIF_UTF8;
  MifUnit unit = MIF_PT;
  // The first property statement whose value cannot be read ("12.x.3",
  // "nan", a negative size): its line and what is wrong; 0 while none.
  int32_t badLine = 0;
  std::string bad;
};

// A name (a tag, a font or colour name) as the host's Roman bytes, whatever
// the file's encoding, and the reverse: without loss (MifUtf8ToRomanName), so
// that names the Roman set cannot hold stay apart and come back as they were.
bool MifGetRoman(const MifNode& node, MifEncoding encoding, std::string* roman);
bool MifChildRoman(const MifNode& parent, std::string_view name, MifEncoding encoding,
                   std::string* roman);
bool MifSetRoman(MifNode* node, std::string_view roman, MifEncoding encoding);
// Text of the host as a string value: one Roman byte per character.
bool MifSetRomanText(MifNode* node, std::string_view roman, MifEncoding encoding);

ObjHandle MifApplication(const memhost::DocStore& host);
// Index of name in the application's list `listProp`, appending it when new.
int32_t MifNameIndex(MifNames* names, int32_t listProp, const std::string& name);
std::string MifNameAt(const memhost::DocStore& host, ObjHandle app, int32_t listProp,
                      int32_t index);
ObjHandle MifColorNamed(MifNames* names, const std::string& name);

// Reads the property statements of a font statement; unknown ones are
// skipped (they stay in the file).
MifFontDelta MifReadFontDelta(MifNames* names, const MifNode& font);
// state := delta over state (the tag only when the delta names one).
void MifApplyFontDelta(const MifFontDelta& delta, memhost::CharProps* state);

// Language numbers of the host and the keywords MIF writes for them.
int32_t MifLanguageNumber(const std::string& keyword);  // 0 for NoLanguage or unknown
const char* MifLanguageKeyword(int32_t number);         // "NoLanguage" for 0

// The statement for one property value (the colour slot holds a name).
MifNode MifFontStatement(const memhost::DocStore& host, ObjHandle app, const MifFontProp& p,
                         int32_t value, const std::string& color, MifEncoding encoding);

#endif
