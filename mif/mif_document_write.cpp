// Writing a document of the in-memory host as MIF: the file it was read
// from, changed where the model changed, or a new file.
#include <algorithm>
#include <map>
#include <set>

#include "mif/mif_document.h"
#include "mif/mif_document_internal.h"
#include "mif/mif_font.h"
#include "mif/mif_roman.h"

using memhost::CharProps;
using memhost::DocStore;
using memhost::Obj;

namespace {

using Path = std::vector<uint32_t>;

struct Writer {
  DocStore& host;
  ObjHandle doc;
  const MifDocument* src;
  MifTree* tree;
  MifEncoding enc;
  ObjHandle app;
  std::map<ObjHandle, int32_t> newTableIds;
  // Source paragraphs by the path of the statement that holds them.
  std::map<Path, std::vector<size_t>> parasByParent;  // node indexes
  // Formats of the file's catalog that the document no longer has: a font
  // change naming one leaned on its entry and must now say everything.
  std::set<std::string> gone;
  // Set when a link of the model named no live object: the write fails.
  bool broken = false;

  Writer(DocStore& h, ObjHandle d, const MifDocument* s, MifTree* t)
      : host(h), doc(d), src(s), tree(t), enc(t->encoding), app(MifApplication(h)) {}
};

Path ParentOf(const Path& p) { return Path(p.begin(), p.end() - (p.empty() ? 0 : 1)); }

// The object a link of the model names: a paragraph of a flow, cell, title or
// footnote, a row of a table, a cell of a row, a table or flow of a chain.
// Every link must name a live object; when one does not, the model is broken
// and a file written from it would silently lack text, so the writer is
// marked to fail and the caller skips the object (null).
const Obj* Linked(Writer& W, ObjHandle h) {
  const Obj* o = W.host.Find(h);
  if (o == nullptr) W.broken = true;
  return o;
}

// Gives a statement made here, once laid out, the look of the host's own:
// a blank after the name of a statement with statements inside, and
// "# end of" its name after its '>'. Only for new statements: what the file
// had keeps its look.
MifNode* HostStyle(MifNode* n) {
  if (n->kind != MIF_STATEMENT || n->children.empty()) return n;
  MifNode& first = n->children.front();
  if (!first.lead.empty() && (first.lead[0] == '\n' || first.lead[0] == '\r')) {
    first.lead.insert(0, " ");
  }
  if (n->trail.empty()) n->trail = " # end of " + n->name;
  for (MifNode& c : n->children) HostStyle(&c);
  return n;
}

// ---- Fonts ----

MifRunProps ParagraphFontOf(Writer& W, ObjHandle pgf) {
  MifRunProps f = MifNormalizeRun(W.host, W.host.ParagraphFont(pgf));
  f.props.tag.clear();
  return f;
}

// What text tagged `tag` has in paragraph font F before anything is set by
// hand: the properties the character format sets, over F.
MifRunProps FormatBase(Writer& W, const MifRunProps& F, const std::string& tag) {
  MifRunProps b = F;
  b.props.tag = tag;
  ObjHandle f = tag.empty() ? 0 : W.host.NamedObject(W.doc, memhost::T_CHAR_FMT, tag);
  if (f == 0) return b;
  for (const MifFontProp& p : MifFontProps()) {
    if (p.slot < 0) continue;
    bool used = p.useFlag != 0 ? W.host.IntProp(f, p.useFlag) != 0 : W.host.Prop(f, p.prop) != nullptr;
    if (!used) continue;
    int32_t v = W.host.IntProp(f, p.prop);
    if (p.kind == MIF_FONT_COLOR) {
      b.color = v != 0 ? W.host.StringProp(static_cast<ObjHandle>(v), PROP_NAME) : std::string();
    } else {
      b.props.ints[p.slot] = v;
    }
  }
  return b;
}

void AppendWord(MifNode* parent, const char* name, const char* word) {
  MifNode n = MifMakeStatement(name);
  MifSetWord(&n, word);
  MifAppend(parent, std::move(n));
}

// A font change to P in a paragraph whose font is F: the tag, then every
// property set by hand, as the host writes them.
MifNode BuildFont(Writer& W, const MifRunProps& P, const MifRunProps& F) {
  MifNode font = MifMakeStatement("Font");
  MifNode tag = MifMakeStatement("FTag");
  MifSetRoman(&tag, P.props.tag, W.enc);
  MifAppend(&font, std::move(tag));
  MifRunProps base = FormatBase(W, F, P.props.tag);
  for (const MifFontProp& p : MifFontProps()) {
    if (p.slot < 0) continue;
    if (p.kind == MIF_FONT_COLOR) {
      if (P.color != base.color) {
        MifAppend(&font, MifFontStatement(W.host, W.app, p, 0, P.color, W.enc));
      }
    } else if (P.props.ints[p.slot] != base.props.ints[p.slot]) {
      MifAppend(&font, MifFontStatement(W.host, W.app, p, P.props.ints[p.slot], "", W.enc));
    }
  }
  AppendWord(&font, "FLocked", "No");
  return font;
}

// A catalog entry for character format f: what it sets, nothing else.
MifNode BuildCatalogFont(Writer& W, ObjHandle f) {
  MifNode font = MifMakeStatement("Font");
  MifNode tag = MifMakeStatement("FTag");
  MifSetRoman(&tag, W.host.StringProp(f, PROP_NAME), W.enc);
  MifAppend(&font, std::move(tag));
  for (const MifFontProp& p : MifFontProps()) {
    bool used = p.useFlag != 0 ? W.host.IntProp(f, p.useFlag) != 0 : W.host.Prop(f, p.prop) != nullptr;
    if (!used) continue;
    int32_t v = W.host.IntProp(f, p.prop);
    std::string color;
    if (p.kind == MIF_FONT_COLOR && v != 0) {
      color = W.host.StringProp(static_cast<ObjHandle>(v), PROP_NAME);
    }
    MifAppend(&font, MifFontStatement(W.host, W.app, p, v, color, W.enc));
  }
  AppendWord(&font, "FLocked", "No");
  return font;
}

// ---- Paragraph text ----

int32_t AnchorId(Writer& W, const memhost::Marker& m) {
  ObjHandle target = static_cast<ObjHandle>(m.datum);
  auto it = W.newTableIds.find(target);
  if (it != W.newTableIds.end()) return it->second;
  const MifNodeRef* ref = MifRefOf(W.host, W.src, target);
  return ref != nullptr ? ref->id : 0;
}

// Appends the paragraph's text to a <ParaLine>: strings, special
// characters, font changes (one before an anchor that differs from the text
// before it, one at the end for the paragraph end) and the anchors of tables
// and footnotes.
void AppendLineContent(Writer& W, MifNode* line, const Obj& pgf) {
  MifRunProps F = ParagraphFontOf(W, pgf.h);
  MifRunProps state = F;
  std::string pending;  // Roman text not yet written
  auto flush = [&]() {
    if (pending.empty()) return;
    MifNode s = MifMakeStatement("String");
    MifSetRomanText(&s, pending, W.enc);
    MifAppend(line, std::move(s));
    pending.clear();
  };
  const size_t length = pgf.text.size();
  for (size_t k = 0; k <= length; ++k) {
    MifRunProps P = MifNormalizeRun(W.host, W.host.PropsAt(pgf, static_cast<int32_t>(k)));
    if (P != state) {
      flush();
      MifAppend(line, BuildFont(W, P, F));
      state = P;
    }
    if (k == length) break;
    if (pgf.text[k] == memhost::ANCHOR_BYTE) {
      // Only tables and footnotes are written anew; other anchors live in
      // the file's own lines.
      for (const memhost::Marker& m : pgf.markers) {
        if (m.offset != static_cast<int32_t>(k)) continue;
        if (m.kind != memhost::ITEM_TABLE_ANCHOR && m.kind != memhost::ITEM_FOOTNOTE_ANCHOR) continue;
        int32_t id = AnchorId(W, m);
        if (id == 0) continue;
        flush();
        MifNode a = MifMakeStatement(m.kind == memhost::ITEM_TABLE_ANCHOR ? "ATbl" : "FNote");
        MifSetInt(&a, id);
        MifAppend(line, std::move(a));
      }
      continue;
    }
    unsigned char c = static_cast<unsigned char>(pgf.text[k]);
    const char* special = MifSpecialCharName(c);
    if (special != nullptr) {
      flush();
      AppendWord(line, "Char", special);
    } else {
      pending += static_cast<char>(c);
    }
  }
  flush();
}

MifNode BuildPara(Writer& W, const Obj& pgf, int32_t textRectId) {
  MifNode para = MifMakeStatement("Para");
  MifNode tag = MifMakeStatement("PgfTag");
  MifSetRoman(&tag, W.host.StringProp(pgf.h, memhost::MEM_PROP_PGF_TAG), W.enc);
  MifAppend(&para, std::move(tag));
  MifNode line = MifMakeStatement("ParaLine");
  if (textRectId >= 0) {
    MifNode id = MifMakeStatement("TextRectID");
    MifSetInt(&id, textRectId);
    MifAppend(&line, std::move(id));
  }
  AppendLineContent(W, &line, pgf);
  MifAppend(&para, std::move(line));
  return para;
}

// ---- Changing a paragraph read from the file ----

// Characters of a text statement of a <ParaLine>, as the reader counted them.
int32_t UnitLength(Writer& W, const MifNode& c) {
  if (c.kind != MIF_STATEMENT) return 0;
  if (c.name == "String") {
    std::string bytes;
    if (c.values.empty() || !MifDecodeString(c.values[0].text, W.enc, &bytes, nullptr)) return 0;
    if (W.enc == MIF_ROMAN) return static_cast<int32_t>(bytes.size());
    std::string roman;
    MifUtf8ToRoman(bytes, &roman);
    return static_cast<int32_t>(roman.size());
  }
  if (c.name == "Char") {
    std::string name;
    unsigned char byte = 0;
    return MifGetWord(c, &name) && MifSpecialCharByte(name, &byte) ? 1 : 0;
  }
  if (c.name == "Variable" || MifIsAnchor(c)) return 1;
  return 0;
}

struct Unit {
  MifNode* line;
  size_t index;
  int32_t offset;
  int32_t length;
};

std::vector<Unit> TextUnits(Writer& W, MifNode* para) {
  std::vector<Unit> units;
  int32_t offset = 0;
  for (MifNode& line : para->children) {
    if (!MifIs(line, "ParaLine")) continue;
    for (size_t i = 0; i < line.children.size(); ++i) {
      int32_t n = UnitLength(W, line.children[i]);
      if (n > 0) units.push_back(Unit{&line, i, offset, n});
      offset += n;
    }
  }
  return units;
}

// What a lead holds before its first line break ends the line before it (the
// blank after "<ParaLine", say); it stays where it is when a node goes in
// ahead of the one that carries it.
void InsertKeepingLine(MifNode* line, size_t at, MifNode node) {
  std::string ending;
  if (at < line->children.size()) {
    MifText& next = line->children[at].lead;
    size_t br = next.find_first_of("\r\n");
    if (br != std::string::npos && br > 0) {
      ending = next.substr(0, br);
      next.erase(0, br);
    }
  }
  bool made = node.lead.empty();
  MifNode* placed = MifInsert(line, at, std::move(node));
  size_t br = placed->lead.find_first_of("\r\n");
  if (br != std::string::npos) placed->lead = ending + placed->lead.substr(br);
  if (made) HostStyle(placed);
}

// Puts node before the character at offset o of the paragraph, splitting the
// string that holds it; at the end of the last line when o is the end.
void InsertAt(Writer& W, MifNode* para, int32_t o, MifNode node) {
  std::vector<Unit> units = TextUnits(W, para);
  for (const Unit& u : units) {
    if (o < u.offset || o >= u.offset + u.length) continue;
    size_t at = u.index;
    if (o > u.offset) {
      MifNode& s = u.line->children[u.index];
      std::string bytes;
      MifDecodeString(s.values[0].text, W.enc, &bytes, nullptr);
      size_t k = static_cast<size_t>(o - u.offset);
      size_t cut = W.enc == MIF_UTF8 ? MifUtf8Offset(bytes, k) : std::min(k, bytes.size());
      MifNode second = MifMakeStatement("String");
      MifSetString(&second, std::string_view(bytes).substr(cut), W.enc);
      MifSetString(&s, std::string_view(bytes).substr(0, cut), W.enc);
      MifInsert(u.line, u.index + 1, std::move(second));
      at = u.index + 1;
    }
    InsertKeepingLine(u.line, at, std::move(node));
    return;
  }
  MifNode* last = nullptr;
  for (MifNode& line : para->children) {
    if (MifIs(line, "ParaLine")) last = &line;
  }
  if (last == nullptr) last = MifAppend(para, MifMakeStatement("ParaLine"));
  HostStyle(MifAppend(last, std::move(node)));
}

// The properties at ascending offsets of a paragraph, one step at a time.
struct RunCursor {
  const std::vector<MifRun>& runs;
  size_t next = 0;
  const MifRunProps* At(int32_t offset) {
    while (next < runs.size() && runs[next].offset <= offset) ++next;
    return next == 0 ? nullptr : &runs[next - 1].props;
  }
};

// Builds the children of one <ParaLine> anew, in order: what the file had,
// without its font changes, and the font changes placed in between. Each
// step costs the same however long the line, so a paragraph of many font
// changes is written in time proportional to its size.
struct LineRebuild {
  Writer& W;
  MifNode* line;
  std::string lead;     // from its line break: of the last statement that starts a line
  std::string removed;  // what a removed lead held before its line break

  LineRebuild(Writer& w, MifNode* l) : W(w), line(l), lead(MifLeadFor(*l, 0)) {}

  void Note(const MifNode& n) {
    size_t br = n.kind == MIF_STATEMENT ? n.lead.find_first_of("\r\n") : std::string::npos;
    if (br != std::string::npos) lead = n.lead.substr(br);
  }
  // A node of the file, kept as it was.
  void Keep(MifNode n) {
    if (!removed.empty()) n.lead.insert(0, removed);
    removed.clear();
    Note(n);
    line->children.push_back(std::move(n));
  }
  // A font change of the file dropped: its line keeps what ended the line before.
  void Drop(const MifNode& n) {
    size_t br = n.lead.find_first_of("\r\n");
    if (br != std::string::npos && br > 0) removed += n.lead.substr(0, br);
  }
  // A node made here, laid out as an insertion there would be.
  void Add(MifNode n) {
    MifNode* placed = MifInsertWithLead(line, line->children.size(), std::move(n), lead);
    Note(*placed);
  }
  // A font change before `next` (not yet kept): what the lead of `next` held
  // before its line break stays at the end of the line before.
  void AddBefore(MifNode* next, MifNode font) {
    next->lead.insert(0, removed);
    removed.clear();
    std::string ending;
    size_t br = next->lead.find_first_of("\r\n");
    if (br != std::string::npos && br > 0) {
      ending = next->lead.substr(0, br);
      next->lead.erase(0, br);
    }
    bool made = font.lead.empty();
    MifNode* placed = MifInsertWithLead(line, line->children.size(), std::move(font), lead);
    size_t at = placed->lead.find_first_of("\r\n");
    if (at != std::string::npos) placed->lead = ending + placed->lead.substr(at);
    if (made) HostStyle(placed);
    Note(*placed);
  }
  void Finish() {
    if (!removed.empty()) line->close.insert(0, removed);
  }
};

// Same text, new runs: the font changes of the paragraph are placed anew.
// A font change of the file that still says the same (it names its tag, so
// it does not depend on what came before) is kept as it was written.
void Refont(Writer& W, MifNode* para, const Obj& pgf, const MifParaState& old,
            const MifParaState& cur) {
  std::map<int32_t, MifNode> reusable;
  int32_t offset = 0;
  RunCursor before{old.runs};
  RunCursor after{cur.runs};
  for (const MifNode& line : para->children) {
    if (!MifIs(line, "ParaLine")) continue;
    for (const MifNode& c : line.children) {
      if (MifIs(c, "Font") && MifFind(c, "FTag") != nullptr) {
        const MifRunProps* b = before.At(offset);
        const MifRunProps* a = after.At(offset);
        if (b != nullptr && a != nullptr && *b == *a && W.gone.count(a->props.tag) == 0) {
          reusable[offset] = c;
        } else {
          reusable.erase(offset);
        }
      }
      offset += UnitLength(W, c);
    }
  }
  MifRunProps F = ParagraphFontOf(W, pgf.h);
  std::vector<std::pair<int32_t, MifNode>> changes;
  const MifRunProps* state = &F;
  for (const MifRun& r : cur.runs) {
    if (r.props != *state) {
      auto reuse = reusable.find(r.offset);
      changes.emplace_back(r.offset, reuse != reusable.end() ? std::move(reuse->second)
                                                             : BuildFont(W, r.props, F));
    }
    state = &r.props;
  }
  size_t next = 0;
  offset = 0;
  for (MifNode& line : para->children) {
    if (!MifIs(line, "ParaLine")) continue;
    LineRebuild R(W, &line);
    MifNodeList was = std::move(line.children);
    line.children.clear();
    line.children.reserve(was.size() + changes.size() - next);
    for (MifNode& c : was) {
      if (MifIs(c, "Font")) {
        R.Drop(c);
        continue;
      }
      int32_t n = UnitLength(W, c);
      if (next >= changes.size() || changes[next].first >= offset + n) {
        R.Keep(std::move(c));
        offset += n;
        continue;
      }
      // Font changes inside this piece of text split its string.
      std::string bytes;
      bool text = MifIs(c, "String") && MifDecodeString(c.values[0].text, W.enc, &bytes, nullptr);
      MifNode piece = std::move(c);
      bool fromFile = true;
      int32_t done = offset;  // the first character of `piece`
      for (; next < changes.size() && changes[next].first < offset + n; ++next) {
        int32_t o = changes[next].first;
        if (o > done && text) {
          size_t k = static_cast<size_t>(o - done);
          size_t cut = W.enc == MIF_UTF8 ? MifUtf8Offset(bytes, k) : std::min(k, bytes.size());
          MifSetString(&piece, std::string_view(bytes).substr(0, cut), W.enc);
          if (fromFile) {
            R.Keep(std::move(piece));
          } else {
            R.Add(std::move(piece));
          }
          bytes.erase(0, cut);
          piece = MifMakeStatement("String");
          MifSetString(&piece, bytes, W.enc);
          fromFile = false;
          done = o;
        }
        R.AddBefore(&piece, std::move(changes[next].second));
      }
      if (fromFile) {
        R.Keep(std::move(piece));
      } else {
        R.Add(std::move(piece));
      }
      offset += n;
    }
    R.Finish();
  }
  // What lies past the text (there is none in a paragraph the reader made).
  for (; next < changes.size(); ++next) {
    InsertAt(W, para, changes[next].first, std::move(changes[next].second));
  }
}

bool HasAnchor(const std::vector<MifAnchor>& list, int32_t kind, int32_t id) {
  for (const MifAnchor& a : list) {
    if (a.kind == kind && a.id == id) return true;
  }
  return false;
}

// Same text, anchors added or gone (a table made at the insertion point).
void SyncAnchors(Writer& W, MifNode* para, const MifParaState& old, const MifParaState& cur) {
  for (MifNode& line : para->children) {
    if (!MifIs(line, "ParaLine")) continue;
    for (size_t i = line.children.size(); i-- > 0;) {
      const MifNode& c = line.children[i];
      int32_t id = 0;
      bool table = MifIs(c, "ATbl");
      if ((!table && !MifIs(c, "FNote")) || !c.children.empty() || !MifGetInt(c, &id)) continue;
      int32_t kind = table ? memhost::ITEM_TABLE_ANCHOR : memhost::ITEM_FOOTNOTE_ANCHOR;
      if (HasAnchor(old.anchors, kind, id) && !HasAnchor(cur.anchors, kind, id)) MifRemove(&line, i);
    }
  }
  // In order: an anchor takes a position, so each one placed makes the
  // file's positions up to the next one those of the model.
  for (const MifAnchor& a : cur.anchors) {
    if (a.id == 0 || HasAnchor(old.anchors, a.kind, a.id)) continue;
    MifNode n = MifMakeStatement(a.kind == memhost::ITEM_TABLE_ANCHOR ? "ATbl" : "FNote");
    MifSetInt(&n, a.id);
    InsertAt(W, para, a.offset, std::move(n));
  }
}

// New text: the lines of the paragraph are written anew from the model (in
// one <ParaLine> in the frame the first one named). A new format replaces
// the paragraph's own <Pgf>.
void Rebuild(Writer& W, MifNode* para, const Obj& pgf, const MifParaState& old,
             const MifParaState& cur) {
  int32_t rect = -1;
  size_t at = para->children.size();
  for (size_t i = para->children.size(); i-- > 0;) {
    MifNode& c = para->children[i];
    if (!MifIs(c, "ParaLine")) continue;
    int32_t id = 0;
    if (MifChildInt(c, "TextRectID", &id)) rect = id;
    MifRemove(para, i);
    at = i;
  }
  if (cur.format != old.format) {
    for (size_t i = para->children.size(); i-- > 0;) {
      if (MifIs(para->children[i], "Pgf") || MifIs(para->children[i], "PgfTag")) {
        MifRemove(para, i);
        if (i < at) --at;
      }
    }
    MifNode tag = MifMakeStatement("PgfTag");
    MifSetRoman(&tag, cur.format, W.enc);
    size_t place = !para->children.empty() && MifIs(para->children[0], "Unique") ? 1 : 0;
    MifInsert(para, place, std::move(tag));
    if (place <= at) ++at;
  }
  MifNode line = MifMakeStatement("ParaLine");
  if (rect >= 0) {
    MifNode id = MifMakeStatement("TextRectID");
    MifSetInt(&id, rect);
    MifAppend(&line, std::move(id));
  }
  AppendLineContent(W, &line, pgf);
  HostStyle(MifInsert(para, std::min(at, para->children.size()), std::move(line)));
}

// The runs of `old` on the positions of `cur`, whose text differs only by
// anchors added or gone. A new anchor has the properties of what follows it,
// as a font change written before it governs both.
std::vector<MifRun> RunsOnNewPositions(const MifParaState& old, const MifParaState& cur) {
  auto anchorAt = [](const MifParaState& s, size_t k) -> const MifAnchor* {
    for (const MifAnchor& a : s.anchors) {
      if (a.offset == static_cast<int32_t>(k)) return &a;
    }
    return nullptr;
  };
  const size_t n = cur.text.size();
  std::vector<int64_t> from(n + 1, -1);
  size_t i = 0;
  for (size_t j = 0; j < n; ++j) {
    const MifAnchor* added = anchorAt(cur, j);
    if (added != nullptr && !HasAnchor(old.anchors, added->kind, added->id)) continue;
    for (const MifAnchor* gone = anchorAt(old, i);
         i < old.text.size() && gone != nullptr && !HasAnchor(cur.anchors, gone->kind, gone->id);
         gone = anchorAt(old, i)) {
      ++i;
    }
    from[j] = static_cast<int64_t>(i++);
  }
  from[n] = static_cast<int64_t>(old.text.size());
  for (size_t j = n; j-- > 0;) {
    if (from[j] < 0) from[j] = from[j + 1];
  }
  std::vector<MifRun> runs;
  RunCursor cursor{old.runs};  // from[] never goes back
  for (size_t j = 0; j <= n; ++j) {
    const MifRunProps* p = cursor.At(static_cast<int32_t>(from[j]));
    if (p == nullptr || (!runs.empty() && runs.back().props == *p)) continue;
    runs.push_back(MifRun{static_cast<int32_t>(j), *p});
  }
  return runs;
}

bool LeansOnGoneFormat(const Writer& W, const MifParaState& s) {
  if (W.gone.empty()) return false;
  for (const MifRun& r : s.runs) {
    if (W.gone.count(r.props.props.tag) != 0) return true;
  }
  return false;
}

void UpdatePara(Writer& W, MifNode* para, const Obj& pgf, size_t sourcePara) {
  const MifParaState old = MifParaAsRead(*W.src, sourcePara);
  MifParaState cur = MifModelParaState(W.host, W.src, pgf);
  // Tables a command made have IDs only now.
  size_t k = 0;
  for (const memhost::Marker& m : pgf.markers) {
    if (m.kind != memhost::ITEM_TABLE_ANCHOR && m.kind != memhost::ITEM_FOOTNOTE_ANCHOR) continue;
    if (k < cur.anchors.size()) cur.anchors[k++].id = AnchorId(W, m);
  }
  if (memhost::VisibleText(cur.text) != memhost::VisibleText(old.text) || cur.format != old.format) {
    Rebuild(W, para, pgf, old, cur);
    return;
  }
  if (cur.anchors == old.anchors) {
    if (!(cur.runs == old.runs) || LeansOnGoneFormat(W, cur)) Refont(W, para, pgf, old, cur);
    return;
  }
  SyncAnchors(W, para, old, cur);
  MifParaState before = old;
  before.runs = RunsOnNewPositions(old, cur);
  if (!(cur.runs == before.runs) || LeansOnGoneFormat(W, cur)) Refont(W, para, pgf, before, cur);
}

// ---- Containers ----

// Brings the <Para> children of the statement at parentPath in line with the
// model's paragraphs of that container, in their order.
void SyncContainer(Writer& W, const Path& parentPath, const std::vector<ObjHandle>& pgfs) {
  MifNode* parent = MifNodeAt(&W.tree->root, parentPath);
  if (parent == nullptr) return;
  // Which model paragraph stands for each paragraph of the file. When a
  // paragraph was split, the part that still has the file's text keeps it.
  std::map<uint32_t, ObjHandle> keeper;  // child index -> paragraph
  for (ObjHandle p : pgfs) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, p);
    if (ref == nullptr || ref->kind != MIF_NODE_PARA || ParentOf(ref->path) != parentPath) continue;
    uint32_t child = ref->path.back();
    auto it = keeper.find(child);
    const Obj* o = Linked(W, p);
    if (o == nullptr) continue;
    if (it == keeper.end()) {
      keeper[child] = p;
    } else if (o->text == W.src->paras[ref->para].text &&
               Linked(W, it->second)->text != o->text) {  // kept ones are live
      it->second = p;
    }
  }
  std::map<ObjHandle, uint32_t> keptChild;
  for (const auto& k : keeper) keptChild[k.second] = k.first;

  // Paragraphs of the file the model no longer has.
  std::vector<uint32_t> dropped;
  auto known = W.parasByParent.find(parentPath);
  if (known != W.parasByParent.end()) {
    for (size_t node : known->second) {
      uint32_t child = W.src->nodes[node].path.back();
      if (keeper.count(child) == 0) dropped.push_back(child);
    }
  }
  std::sort(dropped.begin(), dropped.end());
  for (size_t i = dropped.size(); i-- > 0;) MifRemove(parent, dropped[i]);
  auto shifted = [&](uint32_t child) {
    return child - static_cast<uint32_t>(std::lower_bound(dropped.begin(), dropped.end(), child) -
                                         dropped.begin());
  };

  // New paragraphs go after the model paragraph before them, or before the
  // file's first paragraph of the container.
  size_t pos = parent->children.size();
  for (size_t i = 0; i < parent->children.size(); ++i) {
    if (MifIs(parent->children[i], "Para")) {
      pos = i;
      break;
    }
  }
  std::vector<std::pair<size_t, ObjHandle>> inserts;
  std::vector<std::pair<size_t, ObjHandle>> updates;
  for (ObjHandle p : pgfs) {
    auto kept = keptChild.find(p);
    if (kept != keptChild.end()) {
      size_t index = shifted(kept->second) + inserts.size();
      updates.emplace_back(index, p);
      pos = std::max(pos, index + 1);
    } else {
      inserts.emplace_back(pos++, p);
    }
  }
  for (const auto& ins : inserts) {
    const Obj* o = Linked(W, ins.second);
    if (o != nullptr) HostStyle(MifInsert(parent, ins.first, BuildPara(W, *o, -1)));
  }
  for (const auto& up : updates) {
    const Obj* o = Linked(W, up.second);
    const MifNodeRef* ref = MifRefOf(W.host, W.src, up.second);
    if (o != nullptr && ref != nullptr && up.first < parent->children.size()) {
      UpdatePara(W, &parent->children[up.first], *o, ref->para);
    }
  }
}

std::vector<ObjHandle> FlowParagraphs(Writer& W, ObjHandle flow) {
  std::vector<ObjHandle> out;
  for (ObjHandle p = W.host.FirstPgfOf(flow); p != 0; p = W.host.NextPgf(p)) out.push_back(p);
  return out;
}

// Index of the first child of node named `name`, or -1.
int64_t ChildIndex(const MifNode& node, const char* name) {
  for (size_t i = 0; i < node.children.size(); ++i) {
    if (MifIs(node.children[i], name)) return static_cast<int64_t>(i);
  }
  return -1;
}

struct Container {
  Path path;
  std::vector<ObjHandle> pgfs;
};

void AddContainer(std::vector<Container>* out, Path path, std::vector<ObjHandle> pgfs) {
  out->push_back(Container{std::move(path), std::move(pgfs)});
}

// The statement holding the paragraphs of a cell or table title, found below
// `path` by the names on the way; empty when the file has none.
Path Below(Writer& W, const Path& path, std::initializer_list<const char*> names) {
  MifNode* n = MifNodeAt(&W.tree->root, path);
  Path out = path;
  for (const char* name : names) {
    if (n == nullptr) return Path();
    int64_t i = ChildIndex(*n, name);
    if (i < 0) return Path();
    out.push_back(static_cast<uint32_t>(i));
    n = &n->children[static_cast<size_t>(i)];
  }
  return out;
}

// ---- New tables and flows ----

MifNode BuildRow(Writer& W, ObjHandle row) {
  MifNode r = MifMakeStatement("Row");
  const Obj* ro = Linked(W, row);
  if (ro == nullptr) return r;
  for (ObjHandle cell : ro->kids) {
    MifNode c = MifMakeStatement("Cell");
    MifNode content = MifMakeStatement("CellContent");
    const Obj* co = Linked(W, cell);
    if (co == nullptr) continue;
    for (ObjHandle p : co->kids) {
      const Obj* po = Linked(W, p);
      if (po != nullptr) MifAppend(&content, BuildPara(W, *po, -1));
    }
    MifAppend(&c, std::move(content));
    MifAppend(&r, std::move(c));
  }
  return r;
}

MifNode BuildTable(Writer& W, ObjHandle table, int32_t id) {
  MifNode tbl = MifMakeStatement("Tbl");
  const Obj* t = Linked(W, table);
  if (t == nullptr) return tbl;
  MifNode tid = MifMakeStatement("TblID");
  MifSetInt(&tid, id);
  MifAppend(&tbl, std::move(tid));
  MifNode tag = MifMakeStatement("TblTag");
  MifSetRoman(&tag, W.host.StringProp(table, memhost::MEM_PROP_TBL_TAG), W.enc);
  MifAppend(&tbl, std::move(tag));
  size_t columns = 0;
  for (ObjHandle row : t->kids) {
    const Obj* r = Linked(W, row);
    if (r != nullptr) columns = std::max(columns, r->kids.size());
  }
  MifNode n = MifMakeStatement("TblNumColumns");
  MifSetInt(&n, static_cast<int64_t>(columns));
  MifAppend(&tbl, std::move(n));
  const memhost::Value* widths = W.host.Prop(table, PROP_TBL_COL_WIDTHS);
  if (widths != nullptr) {
    for (int32_t w : widths->list) {
      MifNode cw = MifMakeStatement("TblColumnWidth");
      MifSetMetric(&cw, w, MIF_PT);
      MifAppend(&tbl, std::move(cw));
    }
  }
  if (!t->titlePgfs.empty()) {
    MifNode title = MifMakeStatement("TblTitle");
    MifNode content = MifMakeStatement("TblTitleContent");
    for (ObjHandle p : t->titlePgfs) {
      const Obj* o = Linked(W, p);
      if (o != nullptr) MifAppend(&content, BuildPara(W, *o, -1));
    }
    MifAppend(&title, std::move(content));
    MifAppend(&tbl, std::move(title));
  }
  const char* groups[] = {"TblH", "TblBody", "TblF"};
  for (int32_t kind = 0; kind < 3; ++kind) {
    MifNode group = MifMakeStatement(groups[kind]);
    for (ObjHandle row : t->kids) {
      if (W.host.IntProp(row, memhost::MEM_PROP_ROW_KIND) == kind) MifAppend(&group, BuildRow(W, row));
    }
    if (!group.children.empty()) MifAppend(&tbl, std::move(group));
  }
  return tbl;
}

// Where a new top-level statement goes: before the first of `before`, else
// before the closing comment, else at the end.
size_t TopLevelPlace(const MifNode& root, std::initializer_list<const char*> before) {
  for (size_t i = 0; i < root.children.size(); ++i) {
    for (const char* name : before) {
      if (MifIs(root.children[i], name)) return i;
    }
  }
  size_t n = root.children.size();
  while (n > 0 && root.children[n - 1].kind == MIF_COMMENT) --n;
  return n;
}

bool HasContent(Writer& W, const std::vector<ObjHandle>& pgfs) {
  for (ObjHandle p : pgfs) {
    const Obj* o = Linked(W, p);
    if (o != nullptr && (!o->text.empty() || !o->markers.empty())) return true;
  }
  return false;
}

MifNode BuildFlow(Writer& W, ObjHandle flow, int32_t textRectId) {
  MifNode tf = MifMakeStatement("TextFlow");
  MifNode tag = MifMakeStatement("TFTag");
  MifSetRoman(&tag, W.host.StringProp(flow, PROP_NAME), W.enc);
  MifAppend(&tf, std::move(tag));
  AppendWord(&tf, "TFAutoConnect", "Yes");
  bool first = true;
  for (ObjHandle p : FlowParagraphs(W, flow)) {
    const Obj* o = Linked(W, p);
    if (o == nullptr) continue;
    MifAppend(&tf, BuildPara(W, *o, first ? textRectId : -1));
    first = false;
  }
  return tf;
}

// ---- The character catalog ----

// The tag a catalog entry names, taken as the reader takes it: the last
// <FTag> that reads.
bool CatalogTag(const Writer& W, const MifNode& font, std::string* name) {
  bool found = false;
  for (const MifNode& c : font.children) {
    std::string tag;
    if (MifIs(c, "FTag") && MifGetRoman(c, W.enc, &tag)) {
      *name = tag;
      found = true;
    }
  }
  return found;
}

// Removes the entries of gone formats (FindGoneFormats has run) and adds the
// document's formats the file lacks.
void SyncFontCatalog(Writer& W) {
  MifNode& root = W.tree->root;
  std::set<std::string> inFile;
  int64_t at = ChildIndex(root, "FontCatalog");
  // The reader takes the entries of every catalog; a new one goes in the first.
  for (MifNode& catalog : root.children) {
    if (!MifIs(catalog, "FontCatalog")) continue;
    MifRemoveIf(&catalog, [&](const MifNode& f) {
      std::string name;
      if (!MifIs(f, "Font") || !CatalogTag(W, f, &name)) return false;
      inFile.insert(name);
      return W.gone.count(name) != 0;
    });
  }
  std::vector<ObjHandle> added;
  for (ObjHandle f : W.host.Chain(W.doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    if (inFile.count(W.host.StringProp(f, PROP_NAME)) == 0) added.push_back(f);
  }
  if (added.empty()) return;
  bool made = at < 0;
  if (made) {
    size_t place = TopLevelPlace(root, {"ElementDefCatalog", "FmtChangeListCatalog", "RulingCatalog",
                                        "TblCatalog", "Views", "VariableFormats", "Document", "Tbls",
                                        "Page", "TextFlow"});
    MifInsert(&root, place, MifMakeStatement("FontCatalog"));
    at = static_cast<int64_t>(place);
  }
  MifNode& catalog = root.children[static_cast<size_t>(at)];
  for (ObjHandle f : added) {
    MifNode* font = MifAppend(&catalog, BuildCatalogFont(W, f));
    if (!made) HostStyle(font);
  }
  if (made) HostStyle(&catalog);
}

// The catalog entries whose formats the document no longer has. The reader
// skips an entry without a name; so must the writer.
void FindGoneFormats(Writer& W) {
  for (const MifNode& catalog : W.tree->root.children) {
    if (!MifIs(catalog, "FontCatalog")) continue;
    for (const MifNode& f : catalog.children) {
      std::string name;
      if (MifIs(f, "Font") && CatalogTag(W, f, &name) && !name.empty() &&
          W.host.NamedObject(W.doc, memhost::T_CHAR_FMT, name) == 0) {
        W.gone.insert(name);
      }
    }
  }
}

bool WriteChanged(Writer& W) {
  FindGoneFormats(W);
  // The paragraphs the file has, by the statement holding them.
  for (size_t i = 0; i < W.src->nodes.size(); ++i) {
    const MifNodeRef& ref = W.src->nodes[i];
    if (ref.kind == MIF_NODE_PARA) W.parasByParent[ParentOf(ref.path)].push_back(i);
  }
  // IDs for tables a command made.
  int32_t nextId = 1;
  for (const MifNodeRef& ref : W.src->nodes) {
    if (ref.kind == MIF_NODE_TABLE) nextId = std::max(nextId, ref.id + 1);
  }
  std::vector<ObjHandle> newTables;
  for (ObjHandle t : W.host.Chain(W.doc, PROP_FIRST_TBL_IN_DOC)) {
    if (MifRefOf(W.host, W.src, t) == nullptr) {
      W.newTableIds[t] = nextId++;
      newTables.push_back(t);
    }
  }

  std::vector<Container> containers;
  std::vector<ObjHandle> newFlows;
  for (ObjHandle flow : W.host.Chain(W.doc, PROP_FIRST_FLOW_IN_DOC)) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, flow);
    if (ref == nullptr) {
      newFlows.push_back(flow);
    } else {
      AddContainer(&containers, ref->path, FlowParagraphs(W, flow));
    }
  }
  for (ObjHandle t : W.host.Chain(W.doc, PROP_FIRST_TBL_IN_DOC)) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, t);
    if (ref == nullptr) continue;
    const Obj* to = Linked(W, t);
    if (to == nullptr) continue;
    Path title = Below(W, ref->path, {"TblTitle", "TblTitleContent"});
    if (!title.empty()) AddContainer(&containers, title, to->titlePgfs);
    for (ObjHandle row : to->kids) {
      const Obj* ro = Linked(W, row);
      if (ro == nullptr) continue;
      for (ObjHandle cell : ro->kids) {
        const MifNodeRef* cref = MifRefOf(W.host, W.src, cell);
        const Obj* co = Linked(W, cell);
        if (cref == nullptr || co == nullptr) continue;
        Path content = Below(W, cref->path, {"CellContent"});
        if (!content.empty()) AddContainer(&containers, content, co->kids);
      }
    }
  }
  for (ObjHandle fn : W.host.Chain(W.doc, PROP_FIRST_FN_IN_DOC)) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, fn);
    if (ref == nullptr) continue;
    const Obj* fo = Linked(W, fn);
    if (fo != nullptr) AddContainer(&containers, ref->path, fo->kids);
  }
  // Deepest first: a change below a statement never moves the statements
  // on the way to another container that is still to come.
  std::stable_sort(containers.begin(), containers.end(),
                   [](const Container& a, const Container& b) { return a.path.size() > b.path.size(); });
  for (const Container& c : containers) SyncContainer(W, c.path, c.pgfs);

  // Top-level additions come last; they move the statements after them.
  SyncFontCatalog(W);
  MifNode& root = W.tree->root;
  if (!newTables.empty()) {
    int64_t at = ChildIndex(root, "Tbls");
    bool made = at < 0;
    if (made) {
      size_t place = TopLevelPlace(root, {"Page", "TextFlow"});
      MifInsert(&root, place, MifMakeStatement("Tbls"));
      at = static_cast<int64_t>(place);
    }
    MifNode& tbls = root.children[static_cast<size_t>(at)];
    for (ObjHandle t : newTables) {
      MifNode* tbl = MifAppend(&tbls, BuildTable(W, t, W.newTableIds[t]));
      if (!made) HostStyle(tbl);
    }
    if (made) HostStyle(&tbls);
  }
  for (ObjHandle flow : newFlows) {
    std::vector<ObjHandle> pgfs = FlowParagraphs(W, flow);
    if (!HasContent(W, pgfs)) continue;
    HostStyle(MifInsert(&root, TopLevelPlace(root, {}), BuildFlow(W, flow, -1)));
  }
  return !W.broken;
}

// ---- A new file ----

MifNode Statement(const char* name, const std::string& word) {
  MifNode n = MifMakeStatement(name);
  MifSetWord(&n, word);
  return n;
}

MifNode MetricStatement(const char* name, std::initializer_list<int32_t> values) {
  MifNode n = MifMakeStatement(name);
  for (int32_t v : values) {
    MifNode one = MifMakeStatement(name);
    MifSetMetric(&one, v, MIF_IN);
    for (const MifValue& x : one.values) n.values.push_back(x);
  }
  return n;
}

bool WriteNew(Writer& W) {
  MifTree& tree = *W.tree;
  tree.encoding = MIF_UTF8;
  tree.version = "2015";
  tree.eol = "\n";
  W.enc = MIF_UTF8;
  std::vector<MifNode> top;
  MifNode header = Statement("MIFFile", "2015");
  header.trail = " # Generated by tagsmith-run";
  top.push_back(std::move(header));
  top.push_back(Statement("Units", "Uin"));

  std::vector<ObjHandle> colors;
  W.host.ForEachObject([&](const Obj& o) {
    if (o.doc == W.doc && o.type == memhost::T_COLOR) colors.push_back(o.h);
  });
  if (!colors.empty()) {
    MifNode catalog = MifMakeStatement("ColorCatalog");
    for (ObjHandle c : colors) {
      MifNode color = MifMakeStatement("Color");
      MifNode tag = MifMakeStatement("ColorTag");
      MifSetRoman(&tag, W.host.StringProp(c, PROP_NAME), W.enc);
      MifAppend(&color, std::move(tag));
      MifAppend(&catalog, std::move(color));
    }
    top.push_back(std::move(catalog));
  }

  MifRunProps defaults = MifNormalizeRun(W.host, memhost::DefaultCharProps());
  MifNode pgfCatalog = MifMakeStatement("PgfCatalog");
  for (ObjHandle f : W.host.Data(W.doc)->pgfFmts) {
    MifNode pgf = MifMakeStatement("Pgf");
    MifNode tag = MifMakeStatement("PgfTag");
    MifSetRoman(&tag, W.host.StringProp(f, PROP_NAME), W.enc);
    MifAppend(&pgf, std::move(tag));
    MifRunProps font = MifNormalizeRun(W.host, W.host.ParagraphFont(f));
    MifNode pf = MifMakeStatement("PgfFont");
    MifNode ftag = MifMakeStatement("FTag");
    MifSetRoman(&ftag, "", W.enc);
    MifAppend(&pf, std::move(ftag));
    for (const MifFontProp& p : MifFontProps()) {
      if (p.slot < 0) continue;
      if (p.kind == MIF_FONT_COLOR) {
        if (font.color != defaults.color) {
          MifAppend(&pf, MifFontStatement(W.host, W.app, p, 0, font.color, W.enc));
        }
      } else if (font.props.ints[p.slot] != defaults.props.ints[p.slot]) {
        MifAppend(&pf, MifFontStatement(W.host, W.app, p, font.props.ints[p.slot], "", W.enc));
      }
    }
    MifAppend(&pgf, std::move(pf));
    MifAppend(&pgfCatalog, std::move(pgf));
  }
  top.push_back(std::move(pgfCatalog));

  const std::vector<ObjHandle>& formats = W.host.Chain(W.doc, PROP_FIRST_CHAR_FMT_IN_DOC);
  if (!formats.empty()) {
    MifNode catalog = MifMakeStatement("FontCatalog");
    for (ObjHandle f : formats) MifAppend(&catalog, BuildCatalogFont(W, f));
    top.push_back(std::move(catalog));
  }

  int32_t nextId = 1;
  std::vector<ObjHandle> tables = W.host.Chain(W.doc, PROP_FIRST_TBL_IN_DOC);
  for (ObjHandle t : tables) W.newTableIds[t] = nextId++;
  if (!tables.empty()) {
    MifNode tbls = MifMakeStatement("Tbls");
    for (ObjHandle t : tables) MifAppend(&tbls, BuildTable(W, t, W.newTableIds[t]));
    top.push_back(std::move(tbls));
  }

  // One body page with one text frame inside the margins.
  int32_t width = W.host.IntProp(W.doc, memhost::MEM_PROP_PAGE_WIDTH);
  int32_t height = W.host.IntProp(W.doc, memhost::MEM_PROP_PAGE_HEIGHT);
  if (width <= 0) width = OUTPUT_PAGE_WIDTH;
  if (height <= 0) height = OUTPUT_PAGE_HEIGHT;
  std::vector<int32_t> margins(4, OUTPUT_MARGIN);
  const memhost::Value* m = W.host.Prop(W.doc, memhost::MEM_PROP_MARGINS);
  if (m != nullptr && m->list.size() == 4) margins = m->list;
  MifNode page = MifMakeStatement("Page");
  page.children.push_back(Statement("PageType", "BodyPage"));
  page.children.push_back(MetricStatement("PageSize", {width, height}));
  MifNode rect = MifMakeStatement("TextRect");
  MifNode id = MifMakeStatement("ID");
  MifSetInt(&id, 1);
  rect.children.push_back(std::move(id));
  rect.children.push_back(MetricStatement(
      "ShapeRect", {margins[2], margins[0], width - margins[2] - margins[3],
                    height - margins[0] - margins[1]}));
  MifNode columns = MifMakeStatement("TRNumColumns");
  MifSetInt(&columns, std::max(1, W.host.IntProp(W.doc, memhost::MEM_PROP_COLUMNS)));
  rect.children.push_back(std::move(columns));
  page.children.push_back(std::move(rect));
  top.push_back(std::move(page));

  ObjHandle main = static_cast<ObjHandle>(W.host.IntProp(W.doc, PROP_MAIN_FLOW_IN_DOC));
  if (main != 0) top.push_back(BuildFlow(W, main, 1));

  MifNode end;
  end.kind = MIF_COMMENT;
  end.text = "# End of MIFFile";
  top.push_back(std::move(end));

  bool first = true;
  for (MifNode& n : top) {
    n.lead = first ? "" : "\n";
    first = false;
    MifLayout(&n, "", "\n");
    HostStyle(&n);
    tree.root.children.push_back(std::move(n));
  }
  tree.root.close = "\n";
  return !W.broken;
}

// Writes doc into *tree, which starts as source's tree (or empty).
bool WriteInto(DocStore& host, ObjHandle doc, const MifDocument* source, MifTree* tree,
               std::string* text, MifError* error) {
  if (host.Find(doc) == nullptr) {
    if (error != nullptr) *error = MifError{source != nullptr ? source->file : "", 0, "no such document"};
    return false;
  }
  Writer W(host, doc, source, tree);
  bool ok = source != nullptr ? WriteChanged(W) : WriteNew(W);
  if (!ok) {
    if (error != nullptr) {
      *error = MifError{source != nullptr ? source->file : "", 0,
                        "the document links an object that does not exist"};
    }
    return false;
  }
  *text = MifWriteReleasing(tree);
  return true;
}

}  // namespace

bool MifWriteDocument(DocStore& host, ObjHandle doc, const MifDocument* source, std::string* text,
                      MifError* error) {
  MifTree tree;
  if (source != nullptr) tree = source->tree;
  return WriteInto(host, doc, source, &tree, text, error);
}

bool MifWriteDocumentInPlace(DocStore& host, ObjHandle doc, MifDocument* source, std::string* text,
                             MifError* error) {
  return WriteInto(host, doc, source, &source->tree, text, error);
}
