// The document model of the in-memory host: plain records for every object
// the host exposes (application, documents, books, flows, frames, pages,
// paragraphs, tables, footnotes, formats, menus), all kept in one store and
// addressed by handles whose top byte is the object type.
#ifndef TAGSMITH_MEMHOST_MODEL_H
#define TAGSMITH_MEMHOST_MODEL_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "client/host_numbers.h"
#include "client/host_types.h"
#include "memhost/char_prop_indexes.h"
#include "memhost/prop_store.h"
#include "memhost/rare_list.h"

namespace memhost {

// Object types, also the top byte of every handle. The page kinds, the
// footnote, the formats and the menu objects carry the host's own numbers;
// the others are this host's.
enum ObjType : int32_t {
  T_APPLICATION = 1,
  T_DOC = 2,
  T_BOOK = 3,
  T_COMPONENT = 4,
  T_BODY_PAGE = OBJ_BODY_PAGE,
  T_MASTER_PAGE = OBJ_MASTER_PAGE,
  T_REFERENCE_PAGE = OBJ_REFERENCE_PAGE,
  T_HIDDEN_PAGE = OBJ_HIDDEN_PAGE,
  T_FLOW = 9,
  T_TEXT_FRAME = 10,
  T_PAGE_FRAME = 11,
  T_PGF = 12,
  T_TABLE = 13,
  T_ROW = 14,
  T_CELL = 15,
  T_COLOR = 16,
  T_FMT_DEF_A = 17,
  T_FMT_DEF_B = 18,
  T_FMT_DEF_C = 19,
  T_TAG_REF = 20,
  T_TBL_FMT = 21,
  T_FOOTNOTE = OBJ_FOOTNOTE,
  T_PGF_FMT = OBJ_PGF_FMT,
  T_CHAR_FMT = OBJ_CHAR_FMT,
  T_MENU = OBJ_MENU,
  T_COMMAND = OBJ_COMMAND,
  T_SEPARATOR = OBJ_MENU_SEPARATOR,
};

// Host statuses of the in-memory host besides ERR_OFFSET_RANGE.
constexpr int32_t STATUS_BAD_OBJECT = -2;  // no live object with that handle
constexpr int32_t STATUS_BAD_ARGUMENT = -3;
constexpr int32_t STATUS_NOT_FOUND = -4;  // no file at that path
constexpr int32_t STATUS_SAVE_FAILED = -5;
constexpr int32_t STATUS_OPEN_FAILED = -6;
constexpr int32_t STATUS_IN_USE = -7;  // a format that something still names

// Properties of the in-memory host that have no number among the client's:
// the paragraph-format name of a paragraph, and of a table-format name.
constexpr int32_t MEM_PROP_PGF_TAG = 0x7F000001;
constexpr int32_t MEM_PROP_TBL_TAG = 0x7F000002;

// Text items of the in-memory host's own that no client mask asks for.
// Anchors: each takes one position of its paragraph's text, which carries
// character properties like any other; string items leave it out.
constexpr int32_t ITEM_TABLE_ANCHOR = 0x100;
constexpr int32_t ITEM_FOOTNOTE_ANCHOR = 0x1000;
constexpr int32_t ITEM_FRAME_ANCHOR = 0x400;
constexpr int32_t ITEM_MARKER_ANCHOR = 0x800;
bool IsAnchorKind(int32_t kind);
// The byte that stands in a paragraph's text at an anchor's position.
constexpr char kAnchorByte = '\x01';
// The text without anchors: what string items give.
std::string VisibleText(const std::string& text);

// What only the rarer value types hold: lists and text ranges.
struct ValueRest {
  std::vector<int32_t> list;         // VT_METRICS
  std::vector<std::string> strings;  // VT_STRINGS
  TextRange range{{0, 0}, {0, 0}};   // VT_TEXTRANGE
};

// A typed property value as the store keeps it. Nearly every value is an
// integer or a short string, and a long document holds one or two for each
// paragraph: the lists and the range are kept apart, made when first
// written, so that a value costs 48 bytes rather than 112.
struct Value {
  int32_t type = 0;  // VT_* code
  int32_t i = 0;     // VT_INT, VT_METRIC, VT_ID
  std::string s;     // VT_STRING

  Value() = default;
  Value(const Value& o) : type(o.type), i(o.i), s(o.s) {
    if (o.rest_) rest_ = std::make_unique<ValueRest>(*o.rest_);
  }
  Value(Value&&) noexcept = default;
  Value& operator=(const Value& o) {
    if (this != &o) *this = Value(o);
    return *this;
  }
  Value& operator=(Value&&) noexcept = default;

  // Empty (a range of nothing) when none was written; the writable ones
  // make room for it.
  const std::vector<int32_t>& list() const { return rest_ ? rest_->list : kNoRest.list; }
  const std::vector<std::string>& strings() const {
    return rest_ ? rest_->strings : kNoRest.strings;
  }
  const TextRange& range() const { return rest_ ? rest_->range : kNoRest.range; }
  std::vector<int32_t>& list() { return Rest().list; }
  std::vector<std::string>& strings() { return Rest().strings; }
  TextRange& range() { return Rest().range; }
  bool has_rest() const { return rest_ != nullptr; }

 private:
  static const ValueRest kNoRest;
  ValueRest& Rest() {
    if (!rest_) rest_ = std::make_unique<ValueRest>();
    return *rest_;
  }
  std::unique_ptr<ValueRest> rest_;
};

// The 23 character properties that text carries besides its tag, in the order
// in which overrides are compared: 21 integers, then two strings.
constexpr int kCharIntCount = 21;
extern const int32_t kCharIntProps[kCharIntCount];
constexpr int32_t kCharStrProps[2] = {PROP_CHAR_STR_639, PROP_CHAR_STR_640};
// Index of a character property in kCharIntProps, -1 when it is not one.
int CharIntIndex(int32_t prop);
// The flag by which a character format says it sets a property; 0 for a
// property without one.
int32_t CharUseFlagOf(int32_t prop);
// The value type a character property is read with.
int32_t CharValueTypeOf(int32_t prop);
// A copy of s in the client heap (malloc), as every string the host hands
// out; null when memory ran out.
char* CopyOut(const std::string& s);

struct CharProps {
  std::string tag;
  int32_t ints[kCharIntCount] = {};
  std::string strs[2];
  bool operator<(const CharProps& o) const;
  bool operator==(const CharProps& o) const;
};

struct CharPropsHash {
  size_t operator()(const CharProps& p) const;
};

// The font of text that nothing else sets: 12 pt at 100 % stretch.
CharProps DefaultCharProps();
// What a paragraph's integer font property reads as while the paragraph
// does not set it: the default font's value. False, and *value untouched,
// for a property that is no integer font property.
bool DefaultFontInt(int32_t prop, int32_t* value);

struct Marker {
  int32_t offset;
  int32_t kind;
  int32_t datum;
};

// The properties of an object by number, in ascending order, shared with
// the objects that hold the same ones.
using PropStore = SharedProps<Value>;
const Value* FindProp(const PropStore& props, int32_t prop);
// The value stored for `prop`, made (empty) when there is none.
Value& PropSlot(PropStore* props, int32_t prop);

// Where an object stands on a chain of its document.
struct ChainLink {
  int32_t chain = 0;  // first-property of the chain
  ObjHandle prev = 0;
  ObjHandle next = 0;
};

// The fields come in the order that leaves least padding, and what few
// objects hold is one pointer away: a long document holds one object for
// each paragraph.
struct Obj {
  ObjHandle h = 0;
  int32_t type = 0;
  ObjHandle doc = 0;  // document or book that owns it; 0 for the application

  // Structure: an ordered container. Frames of a flow, paragraphs of a frame,
  // cell, footnote or graphic, rows of a table, cells of a row, components of
  // a book or container, items of a menu.
  ObjHandle parent = 0;
  uint32_t index = 0;  // position among the parent's kids
  // Where a reader of the file it came from found it, in the reader's own
  // numbering; 0 for an object made since. Not a property: no host call
  // sees it.
  uint32_t origin = 0;
  // Paragraph text: one byte and one property index per position, anchors
  // included. The paragraph end is a position too (offset text.size()): its
  // properties are endProps, or the paragraph's font while it is -1.
  int32_t endProps = -1;
  bool alive = true;
  PropStore props;
  RareList<ObjHandle> kids;
  RareBox<ChainLink> link;        // formats, flows, tables, footnotes, pages and the like
  RareList<ObjHandle> titlePgfs;  // table titles
  std::string text;
  CharPropIndexes charProps;
  RareList<Marker> markers;
};

// A chain of a document, linked through its members so that removing one
// costs the same however long the chain: a document may delete thousands of
// formats in one command. The list of members is made again when asked for
// after a removal.
struct ChainList {
  ObjHandle first = 0;
  ObjHandle last = 0;
  std::vector<ObjHandle> members;  // in order while !stale
  bool stale = false;
};

// Per-document data that is not an object: chains, the name index and the
// interned character properties.
struct DocData {
  ObjHandle handle = 0;  // the document's or book's own
  std::map<int32_t, ChainList> chains;
  std::map<std::pair<int32_t, std::string>, ObjHandle> named;
  std::vector<ObjHandle> bodyPages, masterPages, referencePages;
  std::vector<ObjHandle> pgfFmts;
  std::vector<uint32_t> members;  // serials of the objects it owns, oldest first
  std::vector<CharProps> propTable;
  // Made on the first interning after a copy: most copies of a document are
  // opened to be read, and never intern anything.
  std::unordered_map<CharProps, uint32_t, CharPropsHash> propIndex;
  bool propIndexStale = false;
  bool isImage = false;  // a saved file, not an open document
  // Changed since it was read from its file: set by every host operation
  // that changes what saving would keep, and by saving under another name;
  // never by one that only reads or moves the view. Copies (saving, opening
  // a saved file) carry it; nothing clears it.
  bool dirty = false;
};

// Where the host stands in a document rather than what the document holds:
// the selection, the page shown, the walk flag, a book's status line.
// Setting one changes nothing that saving keeps.
bool IsViewProp(int32_t prop);

// Further properties of the in-memory host's own (page geometry of new
// documents, anchors of tables and footnotes).
constexpr int32_t MEM_PROP_PAGE_WIDTH = 0x7F000010;
constexpr int32_t MEM_PROP_PAGE_HEIGHT = 0x7F000011;
constexpr int32_t MEM_PROP_MARGINS = 0x7F000012;  // VT_METRICS: top, bottom, left, right
constexpr int32_t MEM_PROP_COLUMNS = 0x7F000013;
constexpr int32_t MEM_PROP_ANCHOR_PGF = 0x7F000014;  // table or footnote: its anchor
constexpr int32_t MEM_PROP_ROW_KIND = 0x7F000015;    // 0 heading, 1 body, 2 footing
// A character format that the document's element definitions name: the host
// refuses to delete it.
constexpr int32_t MEM_PROP_FORMAT_IN_USE = 0x7F000020;

}  // namespace memhost

#endif
