// The structural identifiers as one table: for each property, the object
// types it is worked out for and how. A property asked of a type the table
// does not give it is read from what is stored.
#include "memhost/structural_ids.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace memhost {

namespace {

using Rule = ObjHandle (*)(DocStore& s, const Obj& o, ObjHandle doc, int32_t prop);

struct Row {
  int32_t prop;
  // The object types it is worked out for; none listed: every type.
  int32_t types[4];
  Rule rule;
};

ObjHandle NextIn(const std::vector<ObjHandle>& list, ObjHandle h) {
  auto it = std::find(list.begin(), list.end(), h);
  return (it == list.end() || it + 1 == list.end()) ? 0 : *(it + 1);
}

ObjHandle FirstKid(DocStore&, const Obj& o, ObjHandle, int32_t) {
  return o.kids.empty() ? 0 : o.kids.front();
}

ObjHandle LastKid(DocStore&, const Obj& o, ObjHandle, int32_t) {
  return o.kids.empty() ? 0 : o.kids.back();
}

ObjHandle Parent(DocStore&, const Obj& o, ObjHandle, int32_t) { return o.parent; }

// The next of the parent's kids. Without a parent (its table deleted) the
// row or cell has only what was stored.
ObjHandle NextSibling(DocStore& s, const Obj& o, ObjHandle, int32_t prop) {
  const Obj* parent = s.Find(o.parent);
  if (parent == nullptr) return static_cast<ObjHandle>(s.IntProp(o.h, prop));
  return o.index + 1 < parent->kids.size() ? parent->kids[o.index + 1] : 0;
}

ObjHandle ActiveDoc(DocStore& s, const Obj&, ObjHandle, int32_t) { return s.activeDoc; }
ObjHandle ActiveBook(DocStore& s, const Obj&, ObjHandle, int32_t) { return s.activeBook; }

ObjHandle FirstOpenDoc(DocStore& s, const Obj&, ObjHandle, int32_t) {
  return s.openDocs.empty() ? 0 : s.openDocs[0];
}

ObjHandle NextOpenDoc(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  return NextIn(s.openDocs, o.h);
}

ObjHandle ChainFirst(DocStore& s, const Obj& o, ObjHandle, int32_t prop) {
  return s.ChainFirst(o.h, prop);
}

// Next-member properties: the chain each walks, as its first-member property.
int32_t ChainOfNextProp(int32_t prop) {
  switch (prop) {
    case PROP_NEXT_FLOW_IN_DOC: return PROP_FIRST_FLOW_IN_DOC;
    case PROP_NEXT_TBL_IN_DOC: return PROP_FIRST_TBL_IN_DOC;
    case PROP_NEXT_FN_IN_DOC: return PROP_FIRST_FN_IN_DOC;
    case PROP_NEXT_FMT_DEF_A: return PROP_FIRST_FMT_DEF_A;
    case PROP_NEXT_FMT_DEF_B: return PROP_FIRST_FMT_DEF_B;
    case PROP_NEXT_FMT_DEF_C: return PROP_FIRST_FMT_DEF_C;
    case PROP_NEXT_TAG_REF_OBJ: return PROP_FIRST_TAG_REF_OBJ;
    case PROP_NEXT_FORMAT_PAGE: return PROP_FIRST_FORMAT_PAGE;
    case PROP_NEXT_CHAR_FMT_IN_DOC: return PROP_FIRST_CHAR_FMT_IN_DOC;
    default: return 0;
  }
}

ObjHandle ChainNext(DocStore&, const Obj& o, ObjHandle, int32_t prop) {
  return o.link.get().chain == ChainOfNextProp(prop) ? o.link.get().next : 0;
}

// The table the selection starts in: directly (a title) or in a cell.
ObjHandle SelectedTable(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  const Value* sel = s.Prop(o.h, PROP_TEXT_SELECTION);
  const Obj* p = sel == nullptr ? nullptr : s.Find(sel->range().beg.obj);
  const Obj* c = p == nullptr ? nullptr : s.Find(p->parent);
  if (c != nullptr && c->type == T_TABLE) return c->h;
  if (c != nullptr && c->type == T_CELL) {
    const Obj* row = s.Find(c->parent);
    return row == nullptr ? 0 : row->parent;
  }
  return 0;
}

void CollectFootnotes(DocStore& s, ObjHandle pgf, std::vector<ObjHandle>* out, int depth) {
  const Obj* p = s.Find(pgf);
  if (p == nullptr || depth > 16) return;
  for (const Marker& m : p->markers) {
    ObjHandle target = static_cast<ObjHandle>(m.datum);
    if (m.kind == ITEM_FOOTNOTE_ANCHOR && s.Find(target) != nullptr) {
      if (std::find(out->begin(), out->end(), target) == out->end()) out->push_back(target);
    } else if (m.kind == ITEM_TABLE_ANCHOR) {
      const Obj* t = s.Find(target);
      if (t == nullptr || t->type != T_TABLE) continue;
      for (ObjHandle title : t->titlePgfs) CollectFootnotes(s, title, out, depth + 1);
      for (ObjHandle row : t->kids) {
        const Obj* r = s.Find(row);
        if (r == nullptr) continue;
        for (ObjHandle cell : r->kids) {
          const Obj* c = s.Find(cell);
          if (c == nullptr) continue;
          for (ObjHandle cp : c->kids) CollectFootnotes(s, cp, out, depth + 1);
        }
      }
    }
  }
}

// The footnotes of a document in the order of their anchors: the flows in
// turn, a table's footnotes where the table stands; footnotes whose anchor
// is nowhere in the text come last, in the document's order.
std::vector<ObjHandle> FootnotesInTextOrder(DocStore& s, ObjHandle doc) {
  std::vector<ObjHandle> out;
  for (ObjHandle flow : s.Chain(doc, PROP_FIRST_FLOW_IN_DOC)) {
    for (ObjHandle p = s.FirstPgfOf(flow); p != 0; p = s.NextPgf(p)) {
      CollectFootnotes(s, p, &out, 0);
    }
  }
  for (ObjHandle fn : s.Chain(doc, PROP_FIRST_FN_IN_DOC)) {
    if (std::find(out.begin(), out.end(), fn) == out.end()) out.push_back(fn);
  }
  return out;
}

// Not the document's list of footnotes but the order the text gives them,
// which the list need not follow; nothing for an object of another type.
ObjHandle NextFootnote(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  if (o.type != T_FOOTNOTE) return 0;
  return NextIn(FootnotesInTextOrder(s, o.doc), o.h);
}

ObjHandle NextFrameInFlow(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  const Obj* parent = s.Find(o.parent);
  if (o.type != T_TEXT_FRAME || parent == nullptr || parent->type != T_FLOW) return 0;
  return o.index + 1 < parent->kids.size() ? parent->kids[o.index + 1] : 0;
}

ObjHandle FlowOfFrame(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  const Obj* parent = s.Find(o.parent);
  return parent != nullptr && parent->type == T_FLOW ? parent->h : 0;
}

ObjHandle FirstPgf(DocStore& s, const Obj& o, ObjHandle, int32_t) { return s.FirstPgfOf(o.h); }
ObjHandle NextPgf(DocStore& s, const Obj& o, ObjHandle, int32_t) { return s.NextPgf(o.h); }

// The text frame a paragraph stands in, through the anchors of the tables
// and footnotes that hold it.
ObjHandle InTextFrame(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  const Obj* c = s.Find(o.parent);
  for (int depth = 0; c != nullptr && depth < 64; ++depth) {
    if (c->type == T_TEXT_FRAME) return c->h;
    const Obj* holder = c;
    if (c->type == T_CELL) {
      const Obj* row = s.Find(c->parent);
      holder = row == nullptr ? nullptr : s.Find(row->parent);
    }
    if (holder == nullptr) return 0;
    const Value* anchor = s.Prop(holder->h, MEM_PROP_ANCHOR_PGF);
    const Obj* ap = anchor == nullptr ? nullptr : s.Find(static_cast<ObjHandle>(anchor->i));
    c = ap == nullptr ? nullptr : s.Find(ap->parent);
  }
  return 0;
}

ObjHandle ParentComponent(DocStore& s, const Obj& o, ObjHandle, int32_t) {
  const Obj* parent = s.Find(o.parent);
  return parent != nullptr && parent->type == T_COMPONENT ? parent->h : 0;
}

// An item may stand in several menus: its next is the one in the menu the
// call names as its document.
ObjHandle NextMenuItem(DocStore& s, const Obj& o, ObjHandle menu, int32_t) {
  const Obj* m = s.Find(menu);
  if (m == nullptr || m->type != T_MENU) return 0;
  return NextIn(m->kids.View(), o.h);
}

const Row kRows[] = {
    {PROP_ACTIVE_DOC, {T_APPLICATION}, ActiveDoc},
    {PROP_ACTIVE_BOOK, {T_APPLICATION}, ActiveBook},
    {PROP_FIRST_OPEN_DOC, {T_APPLICATION}, FirstOpenDoc},
    {PROP_NEXT_OPEN_DOC, {T_DOC, T_BOOK}, NextOpenDoc},
    {PROP_FIRST_FLOW_IN_DOC, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_TBL_IN_DOC, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_FN_IN_DOC, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_FMT_DEF_A, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_FMT_DEF_B, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_FMT_DEF_C, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_TAG_REF_OBJ, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_FORMAT_PAGE, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_FIRST_CHAR_FMT_IN_DOC, {T_DOC, T_BOOK}, ChainFirst},
    {PROP_SELECTED_TBL, {T_DOC, T_BOOK}, SelectedTable},
    {PROP_FIRST_COMPONENT_IN_BOOK, {T_BOOK}, FirstKid},
    {PROP_NEXT_FN, {}, NextFootnote},
    {PROP_NEXT_FLOW_IN_DOC, {}, ChainNext},
    {PROP_NEXT_TBL_IN_DOC, {}, ChainNext},
    {PROP_NEXT_FN_IN_DOC, {}, ChainNext},
    {PROP_NEXT_FMT_DEF_A, {}, ChainNext},
    {PROP_NEXT_FMT_DEF_B, {}, ChainNext},
    {PROP_NEXT_FMT_DEF_C, {}, ChainNext},
    {PROP_NEXT_TAG_REF_OBJ, {}, ChainNext},
    {PROP_NEXT_FORMAT_PAGE, {}, ChainNext},
    {PROP_NEXT_CHAR_FMT_IN_DOC, {}, ChainNext},
    {PROP_FIRST_FRAME_IN_FLOW, {T_FLOW}, FirstKid},
    {PROP_LAST_FRAME_IN_FLOW, {T_FLOW}, LastKid},
    {PROP_NEXT_FRAME_IN_FLOW, {}, NextFrameInFlow},
    {PROP_FLOW_OF_FRAME, {T_TEXT_FRAME}, FlowOfFrame},
    {PROP_FIRST_PGF, {T_TEXT_FRAME, T_CELL, T_FOOTNOTE, T_TABLE}, FirstPgf},
    {PROP_LAST_PGF, {T_TEXT_FRAME, T_CELL, T_FOOTNOTE}, LastKid},
    {PROP_NEXT_PGF, {T_PGF}, NextPgf},
    {PROP_IN_TEXT_OBJ, {T_PGF}, Parent},
    {PROP_IN_TEXT_FRAME, {T_PGF}, InTextFrame},
    {PROP_FIRST_ROW, {T_TABLE}, FirstKid},
    {PROP_NEXT_ROW, {T_ROW}, NextSibling},
    {PROP_FIRST_CELL, {T_ROW}, FirstKid},
    {PROP_NEXT_CELL, {T_CELL}, NextSibling},
    {PROP_CELL_ROW, {T_CELL}, Parent},
    {PROP_NEXT_COMPONENT, {T_COMPONENT}, NextSibling},
    {PROP_FIRST_CHILD_COMPONENT, {T_COMPONENT}, FirstKid},
    {PROP_PARENT_COMPONENT, {T_COMPONENT}, ParentComponent},
    {PROP_FIRST_MENU_ITEM, {T_MENU}, FirstKid},
    {PROP_NEXT_MENU_ITEM, {}, NextMenuItem},
};

bool ForType(const Row& row, int32_t type) {
  if (row.types[0] == 0) return true;
  for (int32_t t : row.types) {
    if (t == type) return true;
  }
  return false;
}

// The rows ordered by property, and where each small property number's
// rows start: asked on every property read, most often for a property that
// has none.
struct RowIndex {
  static constexpr int32_t kDirect = 4096;
  std::vector<const Row*> rows;
  int16_t first[kDirect];

  RowIndex() {
    for (const Row& r : kRows) rows.push_back(&r);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row* a, const Row* b) { return a->prop < b->prop; });
    std::fill(std::begin(first), std::end(first), static_cast<int16_t>(-1));
    for (size_t i = rows.size(); i-- > 0;) {
      int32_t prop = rows[i]->prop;
      if (prop >= 0 && prop < kDirect) first[prop] = static_cast<int16_t>(i);
    }
  }

  std::vector<const Row*>::const_iterator Find(int32_t prop) const {
    if (prop >= 0 && prop < kDirect) {
      return first[prop] < 0 ? rows.end() : rows.begin() + first[prop];
    }
    return std::lower_bound(rows.begin(), rows.end(), prop,
                            [](const Row* r, int32_t p) { return r->prop < p; });
  }
};

}  // namespace

bool StructuralId(DocStore& store, const Obj& o, ObjHandle doc, int32_t prop, ObjHandle* id) {
  static const RowIndex index;
  for (auto it = index.Find(prop); it != index.rows.end() && (*it)->prop == prop; ++it) {
    if (!ForType(**it, o.type)) continue;
    *id = (*it)->rule(store, o, doc, prop);
    return true;
  }
  return false;
}

bool StructuralInt(const Obj& o, int32_t prop, int32_t* value) {
  if (prop == PROP_CELL_COL_NUM && o.type == T_CELL) {
    *value = static_cast<int32_t>(o.index);
    return true;
  }
  return false;
}

}  // namespace memhost
