// How a run of text looks: the 23 character properties that overrides are
// judged by, read from text, from a paragraph or from a character format;
// which format of a catalog gives a run exactly its look; and the new
// format, with a readable name, that gives it when none does.
#ifndef TAGSMITH_CHARFMT_CHAR_LOOKS_H
#define TAGSMITH_CHARFMT_CHAR_LOOKS_H

#include "client/host_api.h"

constexpr int kLookIntCount = 21;
constexpr int kLookStrCount = 2;
// In the order overrides are compared: 21 numbers, then two strings.
extern const int32_t kLookIntProps[kLookIntCount];
extern const int32_t kLookStrProps[kLookStrCount];

struct CharLook {
  int32_t ints[kLookIntCount];
  int32_t types[kLookIntCount];  // the value type each was read with
  char* strs[kLookStrCount];     // owned; null reads as empty
};

// A character format as far as looks go: what it sets and to what. A
// property it leaves as is comes from the paragraph.
struct FormatLook {
  char* name;  // owned
  ObjHandle format;
  bool sets[kLookIntCount];
  bool setsStr[kLookStrCount];
  CharLook look;
};

// The formats of a document's catalog in catalog order, and those made
// since at the end.
struct FormatCatalog {
  FormatLook* formats;
  uint32_t count;
  uint32_t capacity;
};

// Each read is false, with the look emptied, when a host call failed or
// memory ran out: a look read in part must not be acted on.
bool ReadTextLook(ObjHandle doc, TextLoc at, CharLook* look);
bool ReadParagraphLook(ObjHandle doc, ObjHandle pgf, CharLook* look);
void CharLookFree(CharLook* look);
bool CharLookEquals(const CharLook* a, const CharLook* b);

// False when the catalog could not be read whole.
bool ReadFormatCatalog(ObjHandle doc, FormatCatalog* catalog);
void FormatCatalogFree(FormatCatalog* catalog);

// Whether text of paragraph look `pgf` tagged with `format` looks exactly
// like `run`, property for property.
bool FormatGivesLook(const FormatLook* format, const CharLook* pgf, const CharLook* run);

// Whether a run of look `run` is an override: untagged (format null), when
// it differs from its paragraph in anything; tagged, when it differs from it
// where its format leaves a property as is.
bool LooksOverridden(const FormatLook* format, const CharLook* pgf, const CharLook* run);

// The first format of the catalog that gives the look (-1: none); *others,
// when given, receives how many more do.
int32_t FirstFormatGiving(const FormatCatalog* catalog, const CharLook* pgf, const CharLook* run,
                          uint32_t* others);

// The values that tag a run with `tag` and pin each of its properties to
// `look`, so that tagging cannot change how it looks. Empty when memory ran
// out.
PropVals TaggedLookValues(const char* tag, const CharLook* look);

// The format a run of look `run` in a paragraph of look `pgf` needs when no
// format gives its look: it sets what differs from the paragraph and what
// the run's own format `base` (null: untagged) sets, with the run's values.
// Named from the differences ("Bold Italic"; "Code + Red" on a base), with
// " 2", " 3"... added while a name of the catalog is the same in any letter
// case. False when memory ran out.
bool PlanNewFormat(ObjHandle doc, const FormatCatalog* catalog, const FormatLook* base,
                   const CharLook* pgf, const CharLook* run, FormatLook* planned);

// Makes the planned format in the document and adds it to the catalog (which
// takes the plan over). A format the host made but would not give its
// properties is deleted again. Returns its index in the catalog, or -1
// (*leftover set when such a format could not be deleted either).
int32_t CreatePlannedFormat(ObjHandle doc, FormatCatalog* catalog, FormatLook* planned,
                            bool* leftover);
void FormatLookFree(FormatLook* format);

// "Font Weight Bold, Font Angle Italic": what a format sets, for a report. A
// new string; null when memory ran out.
char* DescribeFormatLook(ObjHandle doc, const FormatLook* format);

#endif
