// Reading and writing the statement tree. The reader is a recursive descent
// over the bytes that hands every byte it passes to some field of the tree, so
// the writer only has to concatenate fields in order.
#include "mif/mif_tree.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "mif/mif_utf8.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
// Ends a bare word; a quote mark does not, since words such as 1.5" carry one.
bool EndsWord(char c) { return IsBlank(c) || c == '<' || c == '>' || c == '`' || c == '\0'; }

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

  bool AtEnd() const { return pos >= s.size(); }
  char Peek() const { return pos < s.size() ? s[pos] : '\0'; }
  bool AtLineStart() const { return pos == 0 || s[pos - 1] == '\n' || s[pos - 1] == '\r'; }

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
    if (++nodes > limits.max_nodes) return Fail(line, "too many statements (limit " +
                                                          std::to_string(limits.max_nodes) + ")");
    return true;
  }

  size_t EndOfLine(size_t from) const {
    size_t e = from;
    while (e < s.size() && s[e] != '\n' && s[e] != '\r') ++e;
    return e;
  }

  std::string_view TakeBlanks() {
    size_t e = pos;
    while (e < s.size() && IsBlank(s[e])) ++e;
    return Take(e);
  }

  // Blanks and whole comments, as found between the values of a statement.
  std::string TakeTrivia() {
    std::string out;
    for (;;) {
      out += TakeBlanks();
      if (Peek() != '#') break;
      out += Take(EndOfLine(pos));
    }
    return out;
  }

  // After '>': blanks on the same line and a comment ending that line.
  std::string TakeTrail() {
    size_t e = pos;
    while (e < s.size() && (s[e] == ' ' || s[e] == '\t')) ++e;
    if (e < s.size() && s[e] == '#') e = EndOfLine(e);
    return std::string(Take(e));
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
  bool ReadString(MifValue* value) {
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
    value->text = std::string(Take(e));
    return true;
  }

  std::string TakeWord() {
    size_t e = pos;
    while (e < s.size() && !EndsWord(s[e])) ++e;
    return std::string(Take(e));
  }

  // =Name ... =EndInset, whole lines.
  bool ReadInset(MifNode* node) {
    int32_t start_line = line;
    size_t e = pos;
    for (;;) {
      size_t eol = EndOfLine(e);
      std::string_view text = s.substr(e, eol - e);
      if (e != pos && text.substr(0, 9) == "=EndInset") {
        node->text = std::string(Take(eol));
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
        node->text = std::string(Take(e + 1));
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
    node->name = std::string(Take(e));
    for (;;) {
      std::string space = TakeTrivia();
      if (AtEnd()) return Unclosed(*node);
      char c = Peek();
      if (c == '>') {
        node->close = std::move(space);
        Take(pos + 1);
        return true;
      }
      if (c == '<' || (c == '=' && AtLineStart())) return ReadItems(node, depth, std::move(space));
      if (c == '\0') {
        if (OnlyPaddingFrom(pos)) return Unclosed(*node);
        return Fail(line, "NUL byte inside <" + node->name + ">");
      }
      MifValue value;
      value.space = std::move(space);
      if (c == '`') {
        if (!ReadString(&value)) return false;
      } else {
        value.text = TakeWord();
      }
      node->values.push_back(std::move(value));
    }
  }

  bool Unclosed(const MifNode& node) {
    // Name the last line that has anything on it, not the empty one after it.
    int32_t at = line;
    if (pos > 0 && s[pos - 1] == '\n' && at > 1) --at;
    return Fail(at, "file ends inside <" + node.name + "> opened at line " +
                          std::to_string(node.line) + " (missing '>')");
  }

  // The children of parent (or the top level when parent->name is empty), up to
  // and including parent's '>'. pending is trivia already taken in front of
  // the first child.
  bool ReadItems(MifNode* parent, int32_t depth, std::string pending) {
    bool top = parent->name.empty();
    for (;;) {
      std::string lead = std::move(pending);
      pending.clear();
      lead += TakeBlanks();
      if (AtEnd()) {
        if (!top) return Unclosed(*parent);
        parent->close = std::move(lead);
        return true;
      }
      char c = Peek();
      MifNode node;
      node.line = line;
      if (c == '>') {
        if (top) return Fail(line, "'>' with no statement open");
        parent->close = std::move(lead);
        Take(pos + 1);
        return true;
      } else if (c == '\0') {
        // Some writers pad the file with NULs; nothing may follow them.
        bool padding = OnlyPaddingFrom(pos);
        if (!top && padding) return Unclosed(*parent);
        if (!padding) return Fail(line, "unexpected NUL byte");
        parent->close = lead + std::string(Take(s.size()));
        return true;
      } else if (c == '<') {
        if (!ReadStatement(&node, depth + 1)) return false;
        node.trail = TakeTrail();
      } else {
        if (!CountNode()) return false;
        if (c == '#') {
          node.kind = MIF_COMMENT;
          node.text = std::string(Take(EndOfLine(pos)));
        } else if (c == '=' && AtLineStart()) {
          node.kind = MIF_DATA;
          if (!ReadInset(&node)) return false;
        } else if (StartsMacro(s.substr(pos))) {
          node.kind = MIF_DATA;
          if (!ReadMacro(&node)) return false;
          node.trail = TakeTrail();
        } else if (c == '`') {
          MifValue v;
          if (!ReadString(&v)) return false;
          node.kind = MIF_DATA;
          node.text = std::move(v.text);
          node.trail = TakeTrail();
        } else {
          node.kind = MIF_DATA;
          node.text = TakeWord();
          node.trail = TakeTrail();
        }
      }
      node.lead = std::move(lead);
      parent->children.push_back(std::move(node));
    }
  }
};

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

bool StartsWithBreak(const std::string& t) { return !t.empty() && (t[0] == '\n' || t[0] == '\r'); }

// Trivia holds only blanks and comments, so a '#' with no line break after it
// means the text ends inside a comment.
bool EndsInComment(const std::string& t) {
  size_t hash = t.rfind('#');
  return hash != std::string::npos && t.find_first_of("\r\n", hash) == std::string::npos;
}

struct Writer {
  std::string out;
  bool line_taken = false;  // nothing more may go on the current line

  // A comment runs to the end of its line, so anything written after one on
  // the same line would become part of it; trees built in memory may not
  // provide the line break.
  void Trivia(const std::string& t) {
    if (t.empty()) return;  // the next token makes the break, if one comes
    if (line_taken && !StartsWithBreak(t)) out += '\n';
    out += t;
    line_taken = EndsInComment(t);
  }
  void Token(const std::string& t) {
    if (line_taken) out += '\n';
    line_taken = false;
    out += t;
  }

  void Node(const MifNode& n) {
    Trivia(n.lead);
    if (n.kind == MIF_COMMENT) {
      // On a line of its own, or it would read back as the previous statement's trail.
      if (n.lead.find_first_of("\r\n") == std::string::npos && !out.empty() &&
          out.back() != '\n' && out.back() != '\r')
        line_taken = true;
      Token(n.text);
      line_taken = true;
      return;
    }
    if (n.kind == MIF_DATA) {
      // Inset data (=Name to =EndInset, so always more than one line) is
      // recognised only at the start of a line, and its last line is its own.
      bool inset = !n.text.empty() && n.text[0] == '=' &&
                   n.text.find_first_of("\r\n") != std::string::npos;
      if (inset && !out.empty() && out.back() != '\n' && out.back() != '\r') line_taken = true;
      Token(n.text);
      if (inset) {
        line_taken = true;
        return;
      }
      Trivia(n.trail);
      return;
    }
    Token("<" + n.name);
    bool after_word = true;
    for (const MifValue& v : n.values) {
      bool is_string = !v.text.empty() && v.text[0] == '`';
      if (v.space.empty() && after_word && !is_string && !line_taken) out += ' ';
      Trivia(v.space);
      Token(v.text);
      after_word = !is_string;
    }
    for (const MifNode& c : n.children) Node(c);
    Trivia(n.close);
    Token(">");
    Trivia(n.trail);
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

bool MifParse(std::string_view text, const std::string& file, MifTree* tree, MifError* error,
              const MifLimits* limits) {
  struct Ctx {
    std::string_view text;
    const std::string& file;
    MifTree* tree;
    MifError* error;
    const MifLimits* limits;
  } ctx{text, file, tree, error, limits};
  return Guarded(error, file, [](void* p) {
    Ctx& c = *static_cast<Ctx*>(p);
    Reader r;
    r.s = c.text;
    r.file = c.file;
    r.error = c.error;
    if (c.limits) r.limits = *c.limits;
    if (c.text.size() > r.limits.max_bytes)
      return r.Fail(0, "file is larger than " + std::to_string(r.limits.max_bytes) + " bytes");
    MifTree t;
    t.file = c.file;
    if (!ReadHeader(&r, &t)) return false;
    r.encoding = t.encoding;
    r.Take(t.bom.size());
    t.eol = DetectEol(c.text);
    if (!r.ReadItems(&t.root, 0, std::string())) return false;
    *c.tree = std::move(t);
    return true;
  }, &ctx);
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
  return Guarded(error, file, [](void* p) {
    Ctx& c = *static_cast<Ctx*>(p);
    Reader r;
    r.s = c.text;
    r.file = c.file;
    r.error = c.error;
    r.encoding = c.encoding;
    if (c.text.size() > r.limits.max_bytes) return r.Fail(0, "text is too large");
    MifNode root;
    if (!r.ReadItems(&root, 0, std::string())) return false;
    for (MifNode& n : root.children) c.nodes->push_back(std::move(n));
    return true;
  }, &ctx);
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
  return MifParse(data, path, tree, error);
}

std::string MifWriteNode(const MifNode& node) {
  Writer w;
  w.Node(node);
  return std::move(w.out);
}

std::string MifWrite(const MifTree& tree) {
  Writer w;
  w.out = tree.bom;
  for (const MifNode& n : tree.root.children) w.Node(n);
  w.Trivia(tree.root.close);
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
  for (MifValue& v : node->values)
    if (v.space.empty()) v.space = " ";
  std::string inner = std::string(eol) + std::string(indent) + " ";
  bool has_statement = false;
  for (MifNode& c : node->children) {
    if (c.lead.empty()) c.lead = inner;
    if (c.kind == MIF_STATEMENT) {
      has_statement = true;
      MifLayout(&c, inner.substr(eol.size()), eol);
    }
  }
  if (has_statement && node->close.empty()) node->close = std::string(eol) + std::string(indent);
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
    if (a.text != b.text) return differ(a, "data differs");
    return true;
  }
  if (a.name != b.name) return differ(a, "name differs from <" + b.name + ">");
  if (a.values.size() != b.values.size()) return differ(a, "number of values differs");
  for (size_t i = 0; i < a.values.size(); ++i)
    if (a.values[i].text != b.values[i].text)
      return differ(a, "value " + std::to_string(i) + " differs: " + a.values[i].text + " vs " +
                           b.values[i].text);
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.children.size() && a.children[i].kind == MIF_COMMENT) ++i;
    while (j < b.children.size() && b.children[j].kind == MIF_COMMENT) ++j;
    if (i == a.children.size() || j == b.children.size()) break;
    if (!MifSameStatements(a.children[i], b.children[j], where)) return false;
    ++i;
    ++j;
  }
  if (i != a.children.size() || j != b.children.size()) return differ(a, "number of children differs");
  return true;
}
