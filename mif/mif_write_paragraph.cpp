// A paragraph read from the file, brought in line with the model: new text
// rewrites its lines, anchors added or gone are placed, changed runs have
// their font changes placed anew (mif_write_refont.cpp); the rest of what the
// file wrote stays as it was.
#include "mif/mif_writer.h"

#include <algorithm>
#include <string_view>

#include "mif/mif_document_internal.h"
#include "mif/mif_roman.h"

using memhost::Obj;

namespace mifwrite {

namespace {

// A statement of a <ParaLine> that takes positions of the text: where it is,
// and the positions it takes.
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
      if (HasAnchor(old.anchors, kind, id) && !HasAnchor(cur.anchors, kind, id))
        MifRemove(&line, i);
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

bool LeansOnGoneFormat(const Writer& W, const MifParaState& s) {
  if (W.gone.empty()) return false;
  for (const MifRun& r : s.runs) {
    if (W.gone.count(r.props.props.tag) != 0) return true;
  }
  return false;
}

}  // namespace

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

bool HasAnchor(const std::vector<MifAnchor>& list, int32_t kind, int32_t id) {
  for (const MifAnchor& a : list) {
    if (a.kind == kind && a.id == id) return true;
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
  if (memhost::VisibleText(cur.text) != memhost::VisibleText(old.text) ||
      cur.format != old.format) {
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

}  // namespace mifwrite
