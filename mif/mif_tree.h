// The host's text interchange format as a plain tree of statements.
//
// A parsed tree keeps every byte of its source: each node carries the blanks,
// line breaks and comments around it, and each value keeps its exact token.
// Writing an unchanged tree therefore gives back the file it came from, and a
// changed tree differs only where it was changed. Values stay as tokens until
// asked for; the getters below decode them. A parsed tree keeps its source
// text once and points into it; only what is changed is copied.
//
// Nothing here throws: failures come back as false plus a MifError.
#ifndef TAGSMITH_MIF_MIF_TREE_H
#define TAGSMITH_MIF_MIF_TREE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mif/mif_text.h"

// How the bytes inside string values are to be read. Files before version 8
// hold host Roman bytes (above 0x7f only as \xNN escapes); later ones UTF-8.
enum MifEncoding { MIF_ROMAN = 0, MIF_UTF8 = 1 };

enum MifNodeKind : uint8_t {
  MIF_STATEMENT = 0,  // <Name values... children...>
  MIF_COMMENT = 1,    // a '#' comment on a line of its own
  MIF_DATA = 2,       // kept verbatim: inset data (=Name ... =EndInset), macro
                      // lines, stray words between statements
};

// One value of a statement, as views valid until the statement changes.
struct MifValue {
  std::string_view space;  // what separates it from the name or the value before
  std::string_view text;   // the exact token: `...' for a string, else a bare word
};

// The values of a statement, kept as the one piece of text that follows its
// name (separators and tokens), and split into values when read.
class MifValues {
 public:
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = MifValue;
    using difference_type = std::ptrdiff_t;
    using pointer = const MifValue*;
    using reference = MifValue;
    Iterator(std::string_view raw, size_t pos) : raw_(raw), pos_(pos) { Next(); }
    MifValue operator*() const { return value_; }
    const MifValue* operator->() const { return &value_; }
    Iterator& operator++() {
      Next();
      return *this;
    }
    bool operator==(const Iterator& o) const { return at_ == o.at_; }
    bool operator!=(const Iterator& o) const { return at_ != o.at_; }

   private:
    void Next();
    std::string_view raw_;
    size_t pos_;
    size_t at_ = 0;  // where value_ starts; past the end once there is none
    MifValue value_;
  };

  bool empty() const { return raw_.empty(); }
  size_t size() const;
  // The value at index, or an empty one past the end.
  MifValue operator[](size_t index) const;
  Iterator begin() const { return Iterator(raw_, 0); }
  Iterator end() const { return Iterator(std::string_view(), 0); }

  void clear() { raw_.clear(); }
  // Appends a value. A value given no separator gets what the writer would
  // put there: a blank between two words, nothing before a string.
  void push_back(const MifValue& value);
  // Replaces every value at once.
  void assign(const std::vector<MifValue>& values);

  // The text between the statement's name and what follows its values.
  const MifText& raw() const { return raw_; }
  void set_raw(MifText raw) { raw_ = std::move(raw); }

 private:
  MifText raw_;
};

struct MifNode;

// The children of a statement, in one pointer while there are none, as is
// the case for most statements. It works as a std::vector of the few
// operations that a tree needs.
class MifNodeList {
 public:
  using value_type = MifNode;
  using iterator = MifNode*;
  using const_iterator = const MifNode*;

  MifNodeList() noexcept = default;
  MifNodeList(const MifNodeList& o);
  MifNodeList(MifNodeList&& o) noexcept : block_(o.block_) { o.block_ = nullptr; }
  MifNodeList& operator=(const MifNodeList& o);
  MifNodeList& operator=(MifNodeList&& o) noexcept;
  ~MifNodeList() { Free(); }

  size_t size() const noexcept { return block_ ? block_->size : 0; }
  bool empty() const noexcept { return size() == 0; }
  size_t capacity() const noexcept { return block_ ? block_->capacity : 0; }
  MifNode* data() noexcept;
  const MifNode* data() const noexcept;
  MifNode* begin() noexcept { return data(); }
  MifNode* end() noexcept;
  const MifNode* begin() const noexcept { return data(); }
  const MifNode* end() const noexcept;
  MifNode& operator[](size_t i) noexcept;
  const MifNode& operator[](size_t i) const noexcept;
  MifNode& front() noexcept { return (*this)[0]; }
  MifNode& back() noexcept { return (*this)[size() - 1]; }
  const MifNode& front() const noexcept { return (*this)[0]; }
  const MifNode& back() const noexcept { return (*this)[size() - 1]; }

  void reserve(size_t n);
  void push_back(const MifNode& node);
  void push_back(MifNode&& node);
  iterator insert(const_iterator at, MifNode&& node);
  iterator erase(const_iterator at);
  iterator erase(const_iterator from, const_iterator to);
  void clear() noexcept;

 private:
  struct Header {
    uint32_t size;
    uint32_t capacity;
  };  // followed by the nodes
  void Free() noexcept;
  Header* block_ = nullptr;
};

// A long document holds millions of these, so each takes 48 bytes: a
// statement's close and a comment's or data's text, which no node has both
// of, share a word with the trail, and the line and kind share another.
struct MifNode {
  MifNode() : line(0), kind(MIF_STATEMENT) {}

  MifText lead;  // blanks and line breaks in front of the node
  MifText name;  // statement name; empty for the root of a tree
  MifValues values;
  MifNodeList children;
  MifTail tail;  // close or text, and trail: read and set them as below
  // Where the node starts (1-based); 0 when built in memory. A node's line
  // is less than the bytes before it, which the reader keeps under 2^29.
  int32_t line : 30;
  MifNodeKind kind : 2;

  // Comment or data: its exact text, without the last line break.
  std::string_view text() const { return tail.first(); }
  void set_text(std::string_view s) { tail.set_first(s); }
  // Statement: what comes between the last value or child and '>'.
  std::string_view close() const { return tail.first(); }
  void set_close(std::string_view s) { tail.set_first(s); }
  // Blanks and comment after '>' (or after data) on the same line.
  std::string_view trail() const { return tail.trail(); }
  void set_trail(std::string_view s) { tail.set_trail(s); }
};
static_assert(sizeof(MifNode) == 48, "a statement node takes 48 bytes");

inline MifNode* MifNodeList::data() noexcept {
  return block_ ? reinterpret_cast<MifNode*>(block_ + 1) : nullptr;
}
inline const MifNode* MifNodeList::data() const noexcept {
  return block_ ? reinterpret_cast<const MifNode*>(block_ + 1) : nullptr;
}
inline MifNode* MifNodeList::end() noexcept { return data() + size(); }
inline const MifNode* MifNodeList::end() const noexcept { return data() + size(); }
inline MifNode& MifNodeList::operator[](size_t i) noexcept { return data()[i]; }
inline const MifNode& MifNodeList::operator[](size_t i) const noexcept { return data()[i]; }

struct MifTree {
  std::string file;  // the name that messages carry
  std::string bom;   // a UTF-8 byte-order mark the file started with
  // The top-level nodes are root.children; root.close holds whatever follows
  // the last of them (final line breaks, NUL padding).
  MifNode root;
  MifEncoding encoding = MIF_UTF8;
  std::string version;   // as written: "7.00", "9.00", "2019"
  bool is_book = false;  // <Book ...> rather than <MIFFile ...>
  std::string eol = "\n";
  // The text parsed, which the nodes' views point into.
  std::shared_ptr<const std::string> source;
};

struct MifError {
  std::string file;
  int32_t line = 0;  // 0 when no line applies, as when a file cannot be read
  std::string message;
};

// "file:line: message" (or "file: message" without a line).
std::string MifErrorText(const MifError& error);

// Hostile input must not exhaust the stack or the heap.
struct MifLimits {
  size_t max_bytes = size_t{512} << 20;  // no more is read whatever it says
  int32_t max_depth = 200;
  size_t max_nodes = 50000000;
};

// Parses a whole file: it must start (after blanks and comments) with
// <MIFFile version> or <Book version>. limits may be null.
bool MifParse(std::string_view text, const std::string& file, MifTree* tree, MifError* error,
              const MifLimits* limits = nullptr);
// The same without copying the text: the tree shares it.
bool MifParse(std::shared_ptr<const std::string> text, const std::string& file, MifTree* tree,
              MifError* error, const MifLimits* limits = nullptr);
bool MifReadFile(const std::string& path, MifTree* tree, MifError* error);

// Parses a run of statements with no header, as built text or a piece cut
// from a file; the nodes, which hold copies of their text, are appended to
// *nodes.
bool MifParseFragment(std::string_view text, MifEncoding encoding, const std::string& file,
                      std::vector<MifNode>* nodes, MifError* error);

std::string MifWrite(const MifTree& tree);
// The same, freeing the tree as it is written, so that the text grows as the
// tree shrinks; *tree is empty afterwards.
std::string MifWriteReleasing(MifTree* tree);
std::string MifWriteNode(const MifNode& node);
bool MifWriteFile(const std::string& path, const MifTree& tree, MifError* error);

// Fills the empty layout of a node built in memory and of everything below it,
// one blank of indent per level as the host writes it: child leads, the
// separator before each value, and the line before '>' when there are
// children. indent is the node's own indent; parsed layout is left alone.
void MifLayout(MifNode* node, std::string_view indent, std::string_view eol);

// Compares statement names, value tokens and data, ignoring layout and
// comments. On a difference, *where (if given) says which statement differs.
bool MifSameStatements(const MifNode& a, const MifNode& b, std::string* where);

// ---- Strings ----

// Decodes a string token (`...' with its quotes) into bytes: host Roman bytes
// for MIF_ROMAN, UTF-8 for MIF_UTF8. false (with *why) on a bad token or
// escape, or a character the encoding cannot hold.
bool MifDecodeString(std::string_view token, MifEncoding encoding, std::string* bytes,
                     std::string* why);
// The token for bytes in the given encoding; false if bytes is not valid UTF-8
// for MIF_UTF8.
bool MifEncodeString(std::string_view bytes, MifEncoding encoding, std::string* token);

// A device-independent path, once decoded from its string (`<c\>dir<c\>f.fm'
// decodes to <c>dir<c>f.fm), split into its components; code is r (root),
// v (volume), h (host), c (component), u (up).
struct MifPathPart {
  char code;
  std::string name;
};
bool MifSplitPath(std::string_view decoded, std::vector<MifPathPart>* parts);

// ---- Numbers and units ----

enum MifUnit { MIF_PT = 0, MIF_IN, MIF_MM, MIF_CM, MIF_PC, MIF_DD, MIF_CC };

// A unit word as found after a number ("pt", "\"", "mm", ...) or a <Units>
// keyword ("Uin", "Upica", ...); false if unknown.
bool MifUnitFromWord(std::string_view word, MifUnit* unit);
// The unit for values written without one: the file's top-level <Units>, else points.
MifUnit MifDefaultUnit(const MifTree& tree);

// ---- Queries ----

bool MifIs(const MifNode& node, std::string_view name);  // a statement of that name
MifNode* MifFind(MifNode* parent, std::string_view name);
const MifNode* MifFind(const MifNode& parent, std::string_view name);
std::vector<MifNode*> MifFindAll(MifNode* parent, std::string_view name);
std::vector<const MifNode*> MifFindAll(const MifNode& parent, std::string_view name);
// First match along a '/'-separated path of names: "PgfFont/FTag".
const MifNode* MifFindPath(const MifNode& parent, std::string_view path);
MifNode* MifFindPath(MifNode* parent, std::string_view path);
// Every statement at any depth below parent with that name, in file order.
std::vector<const MifNode*> MifFindDeep(const MifNode& parent, std::string_view name);

// Value getters read the statement's values; false when the value is missing
// or has the wrong form (and *out is left alone).
bool MifGetString(const MifNode& node, MifEncoding encoding, std::string* bytes);
bool MifGetWord(const MifNode& node, std::string* word);  // first value, a bare word
bool MifGetBool(const MifNode& node, bool* yes);          // Yes / No
bool MifGetInt(const MifNode& node, int32_t* value);
bool MifGetNumber(const MifNode& node, size_t index, double* value);  // "50.0" or "50.0%"
// Every value as a length in 1/65536 point; a unit may be attached ("1.5\"")
// or follow as its own word ("12.0 pt"); bare numbers take default_unit.
bool MifGetMetrics(const MifNode& node, MifUnit default_unit, std::vector<int32_t>* values);
bool MifGetMetric(const MifNode& node, MifUnit default_unit, int32_t* value);

// The same for the first child statement of that name.
bool MifChildString(const MifNode& parent, std::string_view name, MifEncoding encoding,
                    std::string* bytes);
bool MifChildWord(const MifNode& parent, std::string_view name, std::string* word);
bool MifChildBool(const MifNode& parent, std::string_view name, bool* yes);
bool MifChildInt(const MifNode& parent, std::string_view name, int32_t* value);
bool MifChildMetric(const MifNode& parent, std::string_view name, MifUnit default_unit,
                    int32_t* value);

// ---- Changes ----

MifNode MifMakeStatement(std::string_view name);
// Setters replace all values of a statement with one value, keeping the
// separator the first value had.
bool MifSetString(MifNode* node, std::string_view bytes, MifEncoding encoding);
void MifSetWord(MifNode* node, std::string_view word);
void MifSetInt(MifNode* node, int64_t value);
void MifSetMetric(MifNode* node, int32_t value, MifUnit unit);  // "12.0 pt", "1.5\""

// Inserts at index (clamped to the end) and lays the node out like its
// neighbours when its lead is empty; returns the node in place. A parent that
// is itself still being built (a statement with an empty lead) gets no layout
// yet: its children are laid out when it is inserted in turn. The returned
// pointer lasts until the parent's children change again.
MifNode* MifInsert(MifNode* parent, size_t index, MifNode node);
MifNode* MifAppend(MifNode* parent, MifNode node);
// The lead MifInsert gives a node at index: from the nearest statement that
// starts a line, before it or else after it.
std::string MifLeadFor(const MifNode& parent, size_t index);
// MifInsert with the lead for a node that has none given by the caller, who
// knows it without a search (a parent whose children are rebuilt in order).
MifNode* MifInsertWithLead(MifNode* parent, size_t index, MifNode node, const std::string& lead);
// Replaces a child, keeping its place in the layout (lead and trail) when the
// new node has none of its own. Removing a child keeps what its lead had
// before the first line break, as that belonged to the line before.
MifNode* MifReplace(MifNode* parent, size_t index, MifNode node);
bool MifRemove(MifNode* parent, size_t index);
// Removes every child that `drop` accepts, as MifRemove would one by one, in
// one pass; returns how many.
size_t MifRemoveIf(MifNode* parent, const std::function<bool(const MifNode&)>& drop);
// Index of child in parent->children, or -1.
int64_t MifIndexOf(const MifNode& parent, const MifNode* child);
// Finds or appends the child statement of that name and sets its value.
MifNode* MifSetChildString(MifNode* parent, std::string_view name, std::string_view bytes,
                           MifEncoding encoding);

#endif
