// Reading and writing the statement tree. The reader is a recursive descent
// over the bytes that hands every byte it passes to some field of the tree, so
// the writer only has to concatenate fields in order.
#include "mif/mif_tree.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "mif/mif_utf8.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
// Ends a bare word; a quote mark does not, since words such as 1.5" carry one.
bool EndsWord(char c) { return IsBlank(c) || c == '<' || c == '>' || c == '`' || c == '\0'; }

// ---- Which statement lacks its '>' ----
//
// The host indents each statement, and the '>' that closes one on a line of
// its own, by one space a level (with exceptions: structure elements are
// indented by their own nesting, and some '>' stray a level). A statement
// that lacks its '>' takes its parent's '>' for its own, a '>' as indented
// as the parent and less than the statement; the parent then takes the
// grandparent's, and so on up to the statement left open at the end.
// Following that stair down from the open statement, through the last child
// of each step that is indented as a child, leads to the statement that
// lacks its '>'. This runs only once a file has failed: reading pays
// nothing for it.

// The indentation of what follows `lead` when it starts a line (spaces
// only), else -1.
int32_t IndentAfter(std::string_view lead) {
  size_t brk = lead.find_last_of("\r\n");
  if (brk == std::string_view::npos) return -1;
  std::string_view indent = lead.substr(brk + 1);
  return indent.find_first_not_of(' ') == std::string_view::npos
             ? static_cast<int32_t>(indent.size())
             : -1;
}

// The last statement of [begin, end), the children of a statement indented
// by `indent`, that is not indented as that statement's sibling would be
// (one it took in for lack of its '>').
template <typename Nodes>
const MifNode* LastChild(Nodes begin, Nodes end, int32_t indent) {
  for (Nodes k = end; k != begin;) {
    --k;
    if (k->kind != MIF_STATEMENT) continue;
    int32_t own = IndentAfter(k->lead.view());
    if (indent < 0 || own < 0 || own > indent) return &*k;
  }
  return nullptr;
}

// node: the statement open at the end; kids: its children read so far (null
// when it has none).
const MifNode* LikelyUnclosed(const MifNode& node, const std::deque<MifNode>* kids) {
  if (kids == nullptr) return nullptr;
  const MifNode* culprit = nullptr;
  int32_t indent = IndentAfter(node.lead.view());
  const MifNode* step = LastChild(kids->begin(), kids->end(), indent);
  while (step != nullptr) {
    int32_t above = indent;
    indent = IndentAfter(step->lead.view());
    int32_t close = IndentAfter(step->close());
    bool taken = indent >= 0 && close >= 0 && close < indent && (above < 0 || close == above);
    if (!taken) break;
    culprit = step;
    step = LastChild(step->children.begin(), step->children.end(), indent);
  }
  return culprit;
}

// The top level of a file past this many statements is a long list of short
// ones, which takes the room TopLevelGuess says at once.
constexpr size_t kLongTopLevel = 4096;

// A node keeps its line in 30 bits (signed), and a text has fewer lines
// than bytes.
constexpr size_t kMaxBytes = size_t{512} << 20;

struct Reader {
  std::string_view s;
  size_t pos = 0;
  int32_t line = 1;
  std::string file;
  MifEncoding encoding = MIF_UTF8;
  MifLimits limits;
  size_t nodes = 0;
  MifError* error = nullptr;
  bool failed = false;
  // Whether the nodes may point into s (which the tree keeps) or must copy.
  bool view = false;
  // The children read so far of each open statement, by depth: moved into
  // the statement at its '>', so that no list keeps room it does not use.
  // In blocks, which give back their room while they are moved: a file of
  // millions of short statements at one level would otherwise hold them
  // twice, and more while the list grew.
  std::vector<std::deque<MifNode>> pending;
  // Counts the statements without keeping any (see CountedWithinLimit).
  bool counting = false;
  // How many top-level statements the file seems to hold (TopLevelGuess):
  // their list takes that room once it is long, rather than doubling.
  size_t topGuess = 0;
  bool overLimit = false;

  bool AtEnd() const { return pos >= s.size(); }
  char Peek() const { return pos < s.size() ? s[pos] : '\0'; }
  bool AtLineStart() const { return pos == 0 || s[pos - 1] == '\n' || s[pos - 1] == '\r'; }

  MifText Text(std::string_view part) const {
    return view ? MifText::Viewing(part) : MifText(part);
  }
  MifText Since(size_t from) const { return Text(s.substr(from, pos - from)); }
  MifTail Tail(std::string_view first, std::string_view trail) const {
    return view ? MifTail::Viewing(first, trail) : MifTail(first, trail);
  }
  // What ends a node up to here, from `from` on, without a trail yet.
  MifTail TailSince(size_t from) const { return Tail(s.substr(from, pos - from), {}); }

  // Moves to `to`, counting the line breaks passed (CRLF counts once).
  std::string_view Take(size_t to) {
    std::string_view part = s.substr(pos, to - pos);
    for (size_t i = 0; i < part.size(); ++i) {
      if (part[i] == '\n') {
        ++line;
      } else if (part[i] == '\r' && (pos + i + 1 >= s.size() || s[pos + i + 1] != '\n')) {
        ++line;
      }
    }
    pos = to;
    return part;
  }

  bool Fail(int32_t at, const std::string& message) {
    if (!failed && error) {
      error->file = file;
      error->line = at;
      error->message = message;
    }
    failed = true;
    return false;
  }

  bool CountNode() {
    if (++nodes > limits.max_nodes) {
      overLimit = true;
      return Fail(line, "too many statements (limit " + std::to_string(limits.max_nodes) + ")");
    }
    return true;
  }

  size_t EndOfLine(size_t from) const {
    size_t e = from;
    while (e < s.size() && s[e] != '\n' && s[e] != '\r') ++e;
    return e;
  }

  void TakeBlanks() {
    size_t e = pos;
    while (e < s.size() && IsBlank(s[e])) ++e;
    Take(e);
  }

  // Blanks and whole comments, as found between the values of a statement.
  void TakeTrivia() {
    for (;;) {
      TakeBlanks();
      if (Peek() != '#') break;
      Take(EndOfLine(pos));
    }
  }

  // After '>': blanks on the same line and a comment ending that line.
  // It joins what the node's tail already holds.
  void TakeTrail(MifNode* node) {
    size_t e = pos;
    while (e < s.size() && (s[e] == ' ' || s[e] == '\t')) ++e;
    if (e < s.size() && s[e] == '#') e = EndOfLine(e);
    node->tail = Tail(node->tail.first(), Take(e));
  }

  std::string Describe(char c) const {
    if (c >= 0x21 && c < 0x7F) return std::string("'") + c + "'";
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02x", static_cast<unsigned char>(c));
    return buf;
  }

  // Whether only padding (NULs and blanks) is left from `from` on.
  bool OnlyPaddingFrom(size_t from) const {
    while (from < s.size() && (s[from] == '\0' || IsBlank(s[from]))) ++from;
    return from >= s.size();
  }

  // A long string (an equation's full form) is wrapped over several lines;
  // the line breaks are kept in the token. A string that was simply never
  // closed runs into the next statement's back-quote or a bare '>', which no
  // string holds unescaped, so that still names the line it started on.
  bool ReadString() {
    int32_t start_line = line;
    size_t e = pos + 1;  // past the opening back-quote
    bool wrapped = false;
    for (;;) {
      if (e >= s.size() || (s[e] == '\0' && OnlyPaddingFrom(e))) {
        return Fail(start_line, wrapped ? "string is not closed before the end of the line"
                                        : "string is not closed before the end of the file");
      }
      char c = s[e];
      if (c == '\'') {
        ++e;
        break;
      }
      if (c == '\n' || c == '\r') {
        wrapped = true;
        ++e;
        continue;
      }
      if (wrapped && (c == '`' || c == '>'))
        return Fail(start_line, "string is not closed before the end of the line");
      if (c == '\0') return Fail(start_line, "NUL byte inside a string");
      if (c != '\\') {
        ++e;
        continue;
      }
      char d = e + 1 < s.size() ? s[e + 1] : '\0';
      if (d == 't' || d == '>' || d == 'q' || d == 'Q' || d == '\\') {
        e += 2;
      } else if (d == 'x') {
        size_t h = e + 2;
        while (h < s.size() && h < e + 4 && IsHex(s[h])) ++h;
        if (h == e + 2) return Fail(start_line, "\\x in a string is not followed by hex digits");
        e = h;
      } else if (d == 'u') {
        size_t h = e + 2;
        while (h < s.size() && h < e + 6 && IsHex(s[h])) ++h;
        if (h != e + 6) return Fail(start_line, "\\u in a string needs four hex digits");
        e = h;
      } else {
        return Fail(start_line, "invalid escape \\" + std::string(d ? 1 : 0, d) +
                                    " in a string (\\t \\> \\q \\Q \\\\ \\xNN \\uNNNN are known)");
      }
    }
    std::string_view token = s.substr(pos, e - pos);
    if (token.size() > 2 && encoding == MIF_UTF8 &&
        !MifUtf8Valid(token.substr(1, token.size() - 2)))
      return Fail(start_line, "string is not valid UTF-8 (the file's version says UTF-8)");
    Take(e);
    return true;
  }

  void TakeWord() {
    size_t e = pos;
    while (e < s.size() && !EndsWord(s[e])) ++e;
    Take(e);
  }

  // =Name ... =EndInset, whole lines.
  bool ReadInset(MifNode* node) {
    int32_t start_line = line;
    size_t e = pos;
    for (;;) {
      size_t eol = EndOfLine(e);
      std::string_view text = s.substr(e, eol - e);
      if (e != pos && text.substr(0, 9) == "=EndInset") {
        node->tail = Tail(Take(eol), {});
        return true;
      }
      if (eol >= s.size())
        return Fail(start_line, "inset data has no =EndInset line before the end of the file");
      e = eol;
      if (s[e] == '\r' && e + 1 < s.size() && s[e + 1] == '\n') ++e;
      ++e;
    }
  }

  // define(...) and include(...) lines, up to the matching parenthesis.
  bool ReadMacro(MifNode* node) {
    int32_t start_line = line;
    size_t e = pos;
    int depth = 0;
    bool in_string = false;
    for (; e < s.size(); ++e) {
      char c = s[e];
      if (in_string) {
        if (c == '\\') ++e;
        else if (c == '\'') in_string = false;
      } else if (c == '`') {
        in_string = true;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        node->tail = Tail(Take(e + 1), {});
        return true;
      }
    }
    return Fail(start_line, "macro has no closing ')' before the end of the file");
  }

  static bool StartsMacro(std::string_view rest) {
    return rest.substr(0, 7) == "define(" || rest.substr(0, 8) == "include(";
  }

  bool ReadStatement(MifNode* node, int32_t depth) {
    if (depth > limits.max_depth)
      return Fail(line, "statements nested deeper than " + std::to_string(limits.max_depth));
    if (!CountNode()) return false;
    node->kind = MIF_STATEMENT;
    node->line = line;
    Take(pos + 1);  // '<'
    size_t e = pos;
    while (e < s.size() && !EndsWord(s[e])) ++e;
    std::string_view name = s.substr(pos, e - pos);
    if (name.empty()) {
      if (AtEnd()) return Fail(node->line, "file ends after '<'");
      return Fail(node->line, "expected a statement name after '<', found " + Describe(Peek()));
    }
    bool ok_name = IsLetter(name[0]);
    for (char c : name) ok_name = ok_name && (IsLetter(c) || IsDigit(c) || c == '_');
    if (!ok_name) return Fail(node->line, "invalid statement name '" + std::string(name) + "'");
    node->name = Text(Take(e));
    // The values run from here to the end of the last token; the trivia
    // after it belongs to the first child or to the '>'.
    size_t values_from = pos;
    size_t values_to = pos;
    auto values = [&]() { return Text(s.substr(values_from, values_to - values_from)); };
    for (;;) {
      size_t space_from = pos;
      TakeTrivia();
      if (AtEnd()) return Unclosed(*node, nullptr);
      char c = Peek();
      if (c == '>') {
        node->values.set_raw(values());
        node->tail = TailSince(space_from);
        Take(pos + 1);
        return true;
      }
      if (c == '<' || (c == '=' && AtLineStart())) {
        node->values.set_raw(values());
        return ReadItems(node, depth, space_from);
      }
      if (c == '\0') {
        if (OnlyPaddingFrom(pos)) return Unclosed(*node, nullptr);
        return Fail(line, "NUL byte inside <" + std::string(name) + ">");
      }
      if (c == '`') {
        if (!ReadString()) return false;
      } else {
        TakeWord();
      }
      values_to = pos;
    }
  }

  // node is the innermost statement open at the end; kids, its children
  // read so far (null when none).
  bool Unclosed(const MifNode& node, const std::deque<MifNode>* kids) {
    // Name the last line that has anything on it, not the empty one after it.
    int32_t at = line;
    if (pos > 0 && s[pos - 1] == '\n' && at > 1) --at;
    std::string message = "file ends inside <" + node.name.str() + "> opened at line " +
                          std::to_string(node.line) + " (missing '>'";
    const MifNode* culprit = LikelyUnclosed(node, kids);
    if (culprit != nullptr) {
      message += ", probably that of <" + culprit->name.str() + "> at line " +
                 std::to_string(culprit->line);
    }
    return Fail(at, message + ")");
  }

  // The children of parent (or the top level when parent->name is empty), up to
  // and including parent's '>'. The trivia in front of the first child starts
  // at lead_from.
  bool ReadItems(MifNode* parent, int32_t depth, size_t lead_from) {
    bool top = parent->name.empty();
    size_t level = static_cast<size_t>(depth);
    if (pending.size() <= level) pending.resize(level + 1);
    pending[level].clear();
    for (;;) {
      TakeBlanks();
      if (AtEnd()) {
        if (!top) return Unclosed(*parent, &pending[level]);
        parent->tail = TailSince(lead_from);
        return Adopt(parent, level);
      }
      char c = Peek();
      MifNode node;
      node.line = line;
      if (c == '>') {
        if (top) return Fail(line, "'>' with no statement open");
        parent->tail = TailSince(lead_from);
        Take(pos + 1);
        return Adopt(parent, level);
      } else if (c == '\0') {
        // Some writers pad the file with NULs; nothing may follow them.
        bool padding = OnlyPaddingFrom(pos);
        if (!top && padding) return Unclosed(*parent, &pending[level]);
        if (!padding) return Fail(line, "unexpected NUL byte");
        Take(s.size());
        parent->tail = TailSince(lead_from);
        return Adopt(parent, level);
      }
      node.lead = Since(lead_from);
      if (c == '<') {
        if (!ReadStatement(&node, depth + 1)) return false;
        TakeTrail(&node);
      } else {
        if (!CountNode()) return false;
        size_t from = pos;
        if (c == '#') {
          node.kind = MIF_COMMENT;
          node.tail = Tail(Take(EndOfLine(pos)), {});
        } else if (c == '=' && AtLineStart()) {
          node.kind = MIF_DATA;
          if (!ReadInset(&node)) return false;
        } else if (StartsMacro(s.substr(pos))) {
          node.kind = MIF_DATA;
          if (!ReadMacro(&node)) return false;
          TakeTrail(&node);
        } else if (c == '`') {
          if (!ReadString()) return false;
          node.kind = MIF_DATA;
          node.tail = TailSince(from);
          TakeTrail(&node);
        } else {
          TakeWord();
          node.kind = MIF_DATA;
          node.tail = TailSince(from);
          TakeTrail(&node);
        }
      }
      if (!counting && top) {
        // Straight into the tree: a file of millions of statements at the
        // top would otherwise hold them twice when they are moved there.
        MifNodeList& kids = parent->children;
        if (kids.size() == kLongTopLevel && topGuess > kids.size()) kids.reserve(topGuess);
        kids.push_back(std::move(node));
      } else if (!counting) {
        pending[level].push_back(std::move(node));
      }
      lead_from = pos;
    }
  }

  bool Adopt(MifNode* parent, size_t level) {
    if (counting) return true;
    std::deque<MifNode>& kids = pending[level];
    parent->children.reserve(parent->children.size() + kids.size());
    while (!kids.empty()) {
      parent->children.push_back(std::move(kids.front()));
      kids.pop_front();
    }
    return true;
  }
};

// The statements that start a line, from `from` on: those at the top level
// of a file written as the host writes it, where every other is indented.
size_t TopLevelGuess(std::string_view s, size_t from) {
  size_t count = from < s.size() && s[from] == '<' ? 1 : 0;
  for (size_t at = s.find('\n', from); at != std::string_view::npos; at = s.find('\n', at + 1)) {
    if (at + 1 < s.size() && s[at + 1] == '<') ++count;
  }
  return count;
}

// Whether the text from r's place holds no more statements than the limit,
// counted without keeping any, so that a file over the limit is refused
// before its tree takes the memory: a tree costs several times its text. A
// file of fewer bytes than the limit cannot be over it (every statement,
// comment and word takes a byte at least), and is not counted. Any other
// fault is left to the reading proper, which says it as it always has.
bool CountedWithinLimit(const Reader& r) {
  if (r.s.size() - r.pos <= r.limits.max_nodes) return true;
  Reader counter = r;
  MifError ignored;
  counter.error = &ignored;
  counter.counting = true;
  MifNode root;
  counter.ReadItems(&root, 0, counter.pos);
  if (!counter.overLimit) return true;
  if (r.error != nullptr) *r.error = ignored;
  return false;
}

// The first statement decides whether this is a file we can read at all and
// how its strings are encoded.
bool ReadHeader(Reader* r, MifTree* tree) {
  std::string_view s = r->s;
  if (s.size() >= 2 && ((s[0] == '\xFE' && s[1] == '\xFF') || (s[0] == '\xFF' && s[1] == '\xFE')))
    return r->Fail(1, "UTF-16 files are not supported; save the file as MIF text");
  size_t p = 0;
  if (s.substr(0, 3) == "\xEF\xBB\xBF") p = 3;
  int32_t line = 1;
  for (;;) {
    while (p < s.size() && IsBlank(s[p])) {
      // CR LF counts once, a lone CR as a line of its own.
      if (s[p] == '\n' || (s[p] == '\r' && (p + 1 >= s.size() || s[p + 1] != '\n'))) ++line;
      ++p;
    }
    if (p < s.size() && s[p] == '#') {
      while (p < s.size() && s[p] != '\n' && s[p] != '\r') ++p;
      continue;
    }
    break;
  }
  std::string_view rest = s.substr(p);
  std::string name;
  if (rest.substr(0, 8) == "<MIFFile") {
    name = "MIFFile";
  } else if (rest.substr(0, 5) == "<Book") {
    name = "Book";
  } else {
    if (s.empty()) return r->Fail(0, "empty file, not a MIF file");
    return r->Fail(line, "not a MIF file: expected <MIFFile version> or <Book version> first");
  }
  size_t v = name.size() + 1;
  if (v >= rest.size() || !IsBlank(rest[v]))
    return r->Fail(line, "not a MIF file: expected <MIFFile version> or <Book version> first");
  while (v < rest.size() && (rest[v] == ' ' || rest[v] == '\t')) ++v;
  size_t ve = v;
  while (ve < rest.size() && !EndsWord(rest[ve])) ++ve;
  std::string version(rest.substr(v, ve - v));
  bool numeric = !version.empty() && IsDigit(version[0]);
  int dots = 0;
  for (char c : version) {
    if (c == '.') ++dots;
    else if (!IsDigit(c)) numeric = false;
  }
  long major = numeric && dots <= 1 ? std::strtol(version.c_str(), nullptr, 10) : -1;
  // Numbered releases ran up to the teens, then releases took the year.
  if (!((major >= 1 && major <= 20) || (major >= 2000 && major <= 2100)))
    return r->Fail(line, "unknown MIF version '" + version + "'");
  tree->version = version;
  tree->is_book = name == "Book";
  tree->encoding = major < 8 ? MIF_ROMAN : MIF_UTF8;
  tree->bom = std::string(s.substr(0, p >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0));
  return true;
}

std::string DetectEol(std::string_view s) {
  size_t n = s.find_first_of("\r\n");
  if (n == std::string_view::npos || s[n] == '\n') return "\n";
  return n + 1 < s.size() && s[n + 1] == '\n' ? "\r\n" : "\r";
}

bool StartsWithBreak(std::string_view t) { return !t.empty() && (t[0] == '\n' || t[0] == '\r'); }

// Trivia holds only blanks and comments, so a '#' with no line break after it
// means the text ends inside a comment.
bool EndsInComment(std::string_view t) {
  size_t hash = t.rfind('#');
  return hash != std::string::npos && t.find_first_of("\r\n", hash) == std::string::npos;
}

bool IsStringToken(std::string_view t) { return !t.empty() && t[0] == '`'; }

// The next value of a statement's values text from *pos: trivia, then a
// token as the reader took it. The text was made by the reader or by
// MifValues::push_back, so it needs no checking here.
bool NextValue(std::string_view raw, size_t* pos, MifValue* value, size_t* start) {
  size_t p = *pos;
  const size_t n = raw.size();
  for (;;) {
    while (p < n && IsBlank(raw[p])) ++p;
    if (p >= n || raw[p] != '#') break;
    while (p < n && raw[p] != '\n' && raw[p] != '\r') ++p;
  }
  if (p >= n) return false;
  size_t token = p;
  if (raw[p] == '`') {
    for (++p; p < n;) {
      char c = raw[p];
      if (c == '\'') {
        ++p;
        break;
      }
      p += c == '\\' ? 2 : 1;
    }
    if (p > n) p = n;
  } else {
    while (p < n && !EndsWord(raw[p])) ++p;
  }
  if (start) *start = *pos;
  value->space = raw.substr(*pos, token - *pos);
  value->text = raw.substr(token, p - token);
  *pos = p;
  return true;
}

struct Writer {
  std::string out;
  bool line_taken = false;  // nothing more may go on the current line

  // Mostly the text read, give or take what was changed: one allocation
  // rather than a string that doubles its way up, which would at times hold
  // its old and new room at once (beside a tree being freed, whose small
  // blocks could take neither).
  void RoomFor(const MifTree& tree) {
    if (tree.source) out.reserve(tree.source->size() + tree.source->size() / 16);
  }

  // A comment runs to the end of its line, so anything written after one on
  // the same line would become part of it; trees built in memory may not
  // provide the line break.
  void Trivia(std::string_view t) {
    if (t.empty()) return;  // the next token makes the break, if one comes
    if (line_taken && !StartsWithBreak(t)) out += '\n';
    out += t;
    line_taken = EndsInComment(t);
  }
  void Token(std::string_view t) {
    if (line_taken) out += '\n';
    line_taken = false;
    out += t;
  }

  // N is MifNode for a tree the writer frees as it goes (MifWriteReleasing).
  template <typename N>
  void Node(N& n) {
    Trivia(n.lead);
    if (n.kind == MIF_COMMENT) {
      // On a line of its own, or it would read back as the previous statement's trail.
      if (n.lead.find_first_of("\r\n") == std::string::npos && !out.empty() && out.back() != '\n' &&
          out.back() != '\r')
        line_taken = true;
      Token(n.text());
      line_taken = true;
      return;
    }
    if (n.kind == MIF_DATA) {
      // Inset data (=Name to =EndInset, so always more than one line) is
      // recognised only at the start of a line, and its last line is its own.
      std::string_view text = n.text();
      bool inset = !text.empty() && text[0] == '=' &&
                   text.find_first_of("\r\n") != std::string::npos;
      if (inset && !out.empty() && out.back() != '\n' && out.back() != '\r') line_taken = true;
      Token(n.text());
      if (inset) {
        line_taken = true;
        return;
      }
      Trivia(n.trail());
      return;
    }
    Token("<");
    out += n.name;
    // The values text already holds what separates its tokens, and ends with
    // a token.
    out += n.values.raw();
    for (N& c : n.children) Node(c);
    if constexpr (!std::is_const<N>::value) n.children = MifNodeList();
    Trivia(n.close());
    Token(">");
    Trivia(n.trail());
  }
};

bool Guarded(MifError* error, const std::string& file, bool (*body)(void*), void* ctx) {
  try {
    return body(ctx);
  } catch (const std::bad_alloc&) {
    if (error) *error = MifError{file, 0, "out of memory"};
  } catch (...) {
    if (error) *error = MifError{file, 0, "internal error"};
  }
  return false;
}

}  // namespace

std::string MifErrorText(const MifError& e) {
  std::string out = e.file.empty() ? std::string("(MIF text)") : e.file;
  if (e.line > 0) out += ":" + std::to_string(e.line);
  return out + ": " + e.message;
}

bool MifParse(std::shared_ptr<const std::string> text, const std::string& file, MifTree* tree,
              MifError* error, const MifLimits* limits) {
  struct Ctx {
    std::shared_ptr<const std::string>& text;
    const std::string& file;
    MifTree* tree;
    MifError* error;
    const MifLimits* limits;
  } ctx{text, file, tree, error, limits};
  return Guarded(
      error, file,
      [](void* p) {
        Ctx& c = *static_cast<Ctx*>(p);
        Reader r;
        r.s = c.text ? std::string_view(*c.text) : std::string_view();
        r.file = c.file;
        r.error = c.error;
        r.view = true;
        if (c.limits) r.limits = *c.limits;
        r.limits.max_bytes = std::min(r.limits.max_bytes, kMaxBytes);
        if (r.s.size() > r.limits.max_bytes)
          return r.Fail(0, "file is larger than " + std::to_string(r.limits.max_bytes) + " bytes");
        MifTree t;
        t.file = c.file;
        if (!ReadHeader(&r, &t)) return false;
        r.encoding = t.encoding;
        r.Take(t.bom.size());
        t.eol = DetectEol(r.s);
        if (!CountedWithinLimit(r)) return false;
        r.topGuess = TopLevelGuess(r.s, r.pos);
        if (!r.ReadItems(&t.root, 0, r.pos)) return false;
        t.source = c.text;
        *c.tree = std::move(t);
        return true;
      },
      &ctx);
}

bool MifParse(std::string_view text, const std::string& file, MifTree* tree, MifError* error,
              const MifLimits* limits) {
  MifLimits given = limits ? *limits : MifLimits();
  if (text.size() > given.max_bytes) {
    if (error) {
      *error =
          MifError{file, 0, "file is larger than " + std::to_string(given.max_bytes) + " bytes"};
    }
    return false;
  }
  std::shared_ptr<const std::string> copy;
  try {
    copy = std::make_shared<const std::string>(text);
  } catch (...) {
    if (error) *error = MifError{file, 0, "out of memory"};
    return false;
  }
  return MifParse(std::move(copy), file, tree, error, limits);
}

bool MifParseFragment(std::string_view text, MifEncoding encoding, const std::string& file,
                      std::vector<MifNode>* nodes, MifError* error) {
  struct Ctx {
    std::string_view text;
    MifEncoding encoding;
    const std::string& file;
    std::vector<MifNode>* nodes;
    MifError* error;
  } ctx{text, encoding, file, nodes, error};
  return Guarded(
      error, file,
      [](void* p) {
        Ctx& c = *static_cast<Ctx*>(p);
        Reader r;
        r.s = c.text;
        r.file = c.file;
        r.error = c.error;
        r.encoding = c.encoding;
        if (c.text.size() > r.limits.max_bytes) return r.Fail(0, "text is too large");
        MifNode root;
        if (!r.ReadItems(&root, 0, 0)) return false;
        for (MifNode& n : root.children) c.nodes->push_back(std::move(n));
        return true;
      },
      &ctx);
}

bool MifReadFile(const std::string& path, MifTree* tree, MifError* error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (error) *error = MifError{path, 0, "cannot open the file for reading"};
    return false;
  }
  std::string data;
  bool ok = true;
  try {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
      data.append(buf, n);
      if (data.size() > MifLimits().max_bytes) break;
    }
    ok = !std::ferror(f);
  } catch (...) {
    std::fclose(f);
    if (error) *error = MifError{path, 0, "out of memory while reading the file"};
    return false;
  }
  std::fclose(f);
  if (!ok) {
    if (error) *error = MifError{path, 0, "read error"};
    return false;
  }
  std::shared_ptr<const std::string> text;
  try {
    text = std::make_shared<const std::string>(std::move(data));
  } catch (...) {
    if (error) *error = MifError{path, 0, "out of memory while reading the file"};
    return false;
  }
  return MifParse(std::move(text), path, tree, error);
}

std::string MifWriteNode(const MifNode& node) {
  Writer w;
  w.Node(node);
  return std::move(w.out);
}

std::string MifWrite(const MifTree& tree) {
  Writer w;
  w.RoomFor(tree);
  w.out += tree.bom;
  for (const MifNode& n : tree.root.children) w.Node(n);
  w.Trivia(tree.root.close());
  return std::move(w.out);
}

std::string MifWriteReleasing(MifTree* tree) {
  Writer w;
  w.RoomFor(*tree);
  w.out += tree->bom;
  for (MifNode& n : tree->root.children) w.Node(n);
  w.Trivia(tree->root.close());
  *tree = MifTree();
  // Callers keep the text (a book keeps every chapter it writes): a text
  // much shorter than the room it took is given just its own.
  if (w.out.capacity() - w.out.size() > w.out.size() / 8) w.out.shrink_to_fit();
  return std::move(w.out);
}

bool MifWriteFile(const std::string& path, const MifTree& tree, MifError* error) {
  std::string text;
  try {
    text = MifWrite(tree);
  } catch (...) {
    if (error) *error = MifError{path, 0, "out of memory"};
    return false;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    if (error) *error = MifError{path, 0, "cannot open the file for writing"};
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok && error) *error = MifError{path, 0, "write error"};
  return ok;
}

void MifLayout(MifNode* node, std::string_view indent, std::string_view eol) {
  if (node->kind != MIF_STATEMENT) return;
  bool unspaced = false;
  for (const MifValue& v : node->values) unspaced = unspaced || v.space.empty();
  if (unspaced) {
    std::vector<MifValue> spaced(node->values.begin(), node->values.end());
    for (MifValue& v : spaced)
      if (v.space.empty()) v.space = " ";
    node->values.assign(spaced);
  }
  std::string inner = std::string(eol) + std::string(indent) + " ";
  bool has_statement = false;
  for (MifNode& c : node->children) {
    if (c.lead.empty()) c.lead = inner;
    if (c.kind == MIF_STATEMENT) {
      has_statement = true;
      MifLayout(&c, inner.substr(eol.size()), eol);
    }
  }
  if (has_statement && node->close().empty())
    node->set_close(std::string(eol) + std::string(indent));
}

bool MifSameStatements(const MifNode& a, const MifNode& b, std::string* where) {
  auto differ = [&](const MifNode& n, const std::string& what) {
    if (where)
      *where = "<" + n.name + ">" + (n.line ? " at line " + std::to_string(n.line) : "") + ": " +
               what;
    return false;
  };
  if (a.kind != b.kind) return differ(a, "kind differs");
  if (a.kind != MIF_STATEMENT) {
    if (a.text() != b.text()) return differ(a, "data differs");
    return true;
  }
  if (a.name != b.name) return differ(a, "name differs from <" + b.name + ">");
  if (a.values.size() != b.values.size()) return differ(a, "number of values differs");
  size_t k = 0;
  for (auto va = a.values.begin(), vb = b.values.begin(); va != a.values.end(); ++va, ++vb, ++k)
    if (va->text != vb->text)
      return differ(a, "value " + std::to_string(k) + " differs: " + std::string(va->text) +
                           " vs " + std::string(vb->text));
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.children.size() && a.children[i].kind == MIF_COMMENT) ++i;
    while (j < b.children.size() && b.children[j].kind == MIF_COMMENT) ++j;
    if (i == a.children.size() || j == b.children.size()) break;
    if (!MifSameStatements(a.children[i], b.children[j], where)) return false;
    ++i;
    ++j;
  }
  if (i != a.children.size() || j != b.children.size())
    return differ(a, "number of children differs");
  return true;
}

// ---- Values ----

void MifValues::Iterator::Next() {
  size_t start = 0;
  if (NextValue(raw_, &pos_, &value_, &start)) {
    at_ = start + 1;
  } else {
    at_ = 0;
    value_ = MifValue();
  }
}

size_t MifValues::size() const {
  size_t n = 0;
  for (auto it = begin(); it != end(); ++it) ++n;
  return n;
}

MifValue MifValues::operator[](size_t index) const {
  for (auto it = begin(); it != end(); ++it)
    if (index-- == 0) return *it;
  return MifValue();
}

void MifValues::push_back(const MifValue& value) {
  bool after_word = true;  // the statement's name is a word
  for (const MifValue& v : *this) after_word = !IsStringToken(v.text);
  std::string raw(raw_.view());
  if (value.space.empty() && after_word && !IsStringToken(value.text)) raw += ' ';
  raw += value.space;
  if (EndsInComment(value.space)) raw += '\n';
  raw += value.text;
  raw_ = raw;
}

void MifValues::assign(const std::vector<MifValue>& values) {
  MifValues built;
  for (const MifValue& v : values) built.push_back(v);
  *this = std::move(built);
}
