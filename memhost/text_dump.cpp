#include "memhost/text_dump.h"

namespace memhost {

namespace {

void DumpTable(const DocStore& store, ObjHandle table, std::string* out) {
  const Obj* t = store.Find(table);
  if (t == nullptr) return;
  for (ObjHandle title : t->titlePgfs) *out += VisibleText(store.Find(title)->text) + "\n";
  for (ObjHandle row : t->kids) {
    const Obj* r = store.Find(row);
    std::string line = "|";
    for (ObjHandle cell : r->kids) {
      const Obj* c = store.Find(cell);
      std::string text;
      for (size_t i = 0; i < c->kids.size(); ++i) {
        if (i > 0) text += " / ";
        text += VisibleText(store.Find(c->kids[i])->text);
      }
      line += " " + text + " |";
    }
    *out += line + "\n";
    if (store.IntProp(row, MEM_PROP_ROW_KIND) == 0) {
      std::string rule = "|";
      for (size_t i = 0; i < r->kids.size(); ++i) rule += "---|";
      *out += rule + "\n";
    }
  }
}

std::string Dump(const DocStore& store, ObjHandle doc, bool withFormats) {
  std::string out;
  const Value* flow = store.Prop(doc, PROP_MAIN_FLOW_IN_DOC);
  if (flow == nullptr) return out;
  for (ObjHandle p = store.FirstPgfOf(static_cast<ObjHandle>(flow->i)); p != 0;
       p = store.NextPgf(p)) {
    const Obj* pgf = store.Find(p);
    std::string format = store.StringProp(p, MEM_PROP_PGF_TAG);
    std::string text = VisibleText(pgf->text);
    if (withFormats) {
      out += format + ": " + text + "\n";
    } else if (format == "Heading1") {
      out += "# " + text + "\n";
    } else if (format == "Heading2") {
      out += "## " + text + "\n";
    } else if (!text.empty() || pgf->markers.empty()) {
      out += text + "\n";
    }
    for (const Marker& m : pgf->markers) {
      if (m.kind == ITEM_TABLE_ANCHOR) DumpTable(store, static_cast<ObjHandle>(m.datum), &out);
    }
  }
  return out;
}

}  // namespace

std::string DumpDocument(const DocStore& store, ObjHandle doc) { return Dump(store, doc, false); }

std::string DumpDocumentWithFormats(const DocStore& store, ObjHandle doc) {
  return Dump(store, doc, true);
}

}  // namespace memhost
