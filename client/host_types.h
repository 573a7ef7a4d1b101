// Value types that cross the host boundary. Their layout matches what the
// host's COM interface passes, so the bridge can hand them over unchanged.
#ifndef TAGSMITH_CLIENT_HOST_TYPES_H
#define TAGSMITH_CLIENT_HOST_TYPES_H

#include <cstddef>
#include <cstdint>

typedef uint32_t ObjHandle;  // 0 means none; top 8 bits are the object type
typedef int32_t Metric;      // 1/65536 point

inline int32_t HandleType(ObjHandle h) { return static_cast<int32_t>(h >> 24); }

struct TextLoc {
  ObjHandle obj;
  int32_t offset;
};

struct TextRange {
  TextLoc beg;
  TextLoc end;
};

struct TextItem {
  int32_t offset;
  int32_t dataType;  // the item kind; kind ITEM_STRING carries a string
  union {
    char* sdata;
    int32_t idata;
  } u;
};

struct TextItems {
  uint32_t len;
  TextItem* val;
};

struct HostStrings {
  uint32_t len;
  char** val;
};

struct MetricList {
  uint32_t len;
  Metric* val;
};

struct PropIdent {
  int32_t num;
  char* name;  // used only when num is 0
};

// Value-type codes of TypedVal. Codes 1, 2 and 4 hold an int32; 9 and 10 hold
// plain bytes in the payload; the others own memory (see host_lists.h).
enum : int32_t {
  VT_INT = 1,
  VT_METRIC = 2,
  VT_STRING = 3,
  VT_ID = 4,
  VT_METRICS = 5,
  VT_STRINGS = 6,
  VT_POINTS = 7,
  VT_TABS = 8,
  VT_TEXTLOC = 9,
  VT_TEXTRANGE = 10,
  VT_RANGES = 12,
  VT_IDS = 13,
  VT_BYTES = 14,
  VT_INTS = 15,
  VT_PAIRS = 17,
  VT_NESTED = 18,
  VT_RECORD = 19,
  VT_OWNING_RECORD = 20,
  VT_NESTED_WIDE = 21,
  VT_STRUCTURED = 22,
};

// Elements and records of the structured codes. The host defines what they
// mean; the client only copies and frees them, so the layouts are ours. Each
// is named after its value-type code above.
struct TypedTab {  // code 8: one string per element
  char* text;
  int64_t a;
  int64_t b;
};
struct TypedPair {  // code 17: two strings per element
  char* first;
  char* second;
  int64_t data[7];
};
struct TypedNested {  // code 18: a string and a nested list of 4-byte values
  char* text;
  uint32_t count;
  int32_t* values;
  int64_t data;
};
struct TypedNestedWide {  // code 21: two strings and a nested list of strings
  char* first;
  char* second;
  HostStrings list;
  int64_t data[2];
};
struct TypedRecord {  // code 19: plain bytes
  int64_t data[3];
};
// Code 20: the host's 16-byte record; the client owns its list of 4-byte
// values. Copying or freeing more than 16 bytes would read past the host's
// block.
struct TypedOwningRecord {
  uint32_t count;
  int32_t* values;
};
// Code 22 payload: a name, a nested string list and a nested record list.
struct TypedStructured {
  char* name;
  HostStrings strings;
  uint32_t count;
  TypedTab* elems;
};

struct TypedVal {
  int32_t valType;
  union {
    int32_t ival;
    char* sval;
    struct {
      uint32_t len;
      int32_t* val;
    } ints;             // codes 5, 13, 15
    HostStrings ssval;  // code 6
    struct {
      uint32_t len;
      int64_t* val;
    } wide;  // codes 7, 12
    struct {
      uint32_t len;
      uint8_t* val;
    } bytes;  // code 14
    struct {
      uint32_t len;
      TypedTab* val;
    } tabs;  // code 8
    struct {
      uint32_t len;
      TypedPair* val;
    } pairs;  // code 17
    struct {
      uint32_t len;
      TypedNested* val;
    } nested;  // code 18
    struct {
      uint32_t len;
      TypedNestedWide* val;
    } nestedWide;                     // code 21
    TypedRecord* record;              // code 19
    TypedOwningRecord* owningRecord;  // code 20
    TypedStructured* structured;      // code 22
    TextLoc tloc;                     // code 9
    TextRange trange;                 // code 10
    unsigned char raw[16];
  } u;
};

struct PropVal {
  PropIdent propIdent;
  TypedVal propVal;
};

struct PropVals {
  uint32_t len;
  PropVal* val;
};

static_assert(sizeof(TextLoc) == 8, "TextLoc layout");
static_assert(sizeof(TextRange) == 16, "TextRange layout");
static_assert(sizeof(void*) != 8 || sizeof(TextItem) == 16, "TextItem layout");
static_assert(sizeof(void*) != 8 || sizeof(PropIdent) == 16, "PropIdent layout");
static_assert(sizeof(void*) != 8 || sizeof(PropVal) == 40, "PropVal layout");
static_assert(sizeof(void*) != 8 || sizeof(TypedOwningRecord) == 16, "code 20 record layout");

#endif
