// Statements made from the model alone: a paragraph's text, tables and text
// flows, for a new file and for what a command added to a file it read.
#include "mif/mif_writer.h"

#include <algorithm>

#include "mif/mif_document_internal.h"

using memhost::Obj;

namespace mifwrite {

namespace {

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

}  // namespace

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
    if (pgf.text[k] == memhost::kAnchorByte) {
      // Only tables and footnotes are written anew; other anchors live in
      // the file's own lines.
      for (const memhost::Marker& m : pgf.markers) {
        if (m.offset != static_cast<int32_t>(k)) continue;
        if (m.kind != memhost::ITEM_TABLE_ANCHOR && m.kind != memhost::ITEM_FOOTNOTE_ANCHOR)
          continue;
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
    for (int32_t w : widths->list()) {
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
      if (W.host.IntProp(row, memhost::MEM_PROP_ROW_KIND) == kind)
        MifAppend(&group, BuildRow(W, row));
    }
    if (!group.children.empty()) MifAppend(&tbl, std::move(group));
  }
  return tbl;
}

std::vector<ObjHandle> FlowParagraphs(Writer& W, ObjHandle flow) {
  std::vector<ObjHandle> out;
  for (ObjHandle p = W.host.FirstPgfOf(flow); p != 0; p = W.host.NextPgf(p)) out.push_back(p);
  return out;
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

}  // namespace mifwrite
