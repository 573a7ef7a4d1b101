// Writing a document into the tree of the file it was read from: each
// statement that holds paragraphs brought in line with the model, deepest
// first, then the catalog and the tables and flows a command made.
#include "mif/mif_writer.h"

#include <algorithm>
#include <utility>

#include "mif/mif_document_internal.h"

using memhost::Obj;

namespace mifwrite {

namespace {

// Brings the <Para> children of the statement at parentPath in line with the
// model's paragraphs of that container, in their order.
void SyncContainer(Writer& W, const Path& parentPath, const std::vector<ObjHandle>& pgfs) {
  MifNode* parent = MifNodeAt(&W.tree->root, parentPath);
  if (parent == nullptr) return;
  // Which model paragraph stands for each paragraph of the file. When a
  // paragraph was split, the part that still has the file's text keeps it.
  // Sorted arrays rather than maps: a flow may hold hundreds of thousands of
  // paragraphs, and a map would cost each of them two nodes.
  struct Claim {
    uint32_t child;  // the file's paragraph, by its index in the container
    uint32_t order;  // the model's, by its index in pgfs
  };
  std::vector<Claim> claims;
  for (size_t i = 0; i < pgfs.size(); ++i) {
    ObjHandle p = pgfs[i];
    const MifNodeRef* ref = MifRefOf(W.host, W.src, p);
    if (ref == nullptr || ref->kind != MIF_NODE_PARA ||
        ParentOf(MifRefPath(*W.src, *ref)) != parentPath)
      continue;
    if (Linked(W, p) == nullptr) continue;
    claims.push_back(Claim{MifRefChild(*W.src, *ref), static_cast<uint32_t>(i)});
  }
  // In the model's order among the claims on one paragraph of the file.
  std::stable_sort(claims.begin(), claims.end(),
                   [](const Claim& a, const Claim& b) { return a.child < b.child; });
  std::vector<uint32_t> kept;                       // the file's paragraphs kept, ascending
  std::vector<int64_t> keptChild(pgfs.size(), -1);  // by index in pgfs
  for (size_t k = 0; k < claims.size();) {
    uint32_t keeper = claims[k].order;
    size_t next = k + 1;
    for (; next < claims.size() && claims[next].child == claims[k].child; ++next) {
      ObjHandle p = pgfs[claims[next].order];
      const Obj* o = W.host.Find(p);
      const MifNodeRef* ref = MifRefOf(W.host, W.src, p);
      if (o->text == MifRecordText(*W.src, W.src->paras[ref->para]) &&
          W.host.Find(pgfs[keeper])->text != o->text) {
        keeper = claims[next].order;
      }
    }
    kept.push_back(claims[k].child);
    keptChild[keeper] = claims[k].child;
    k = next;
  }
  claims = std::vector<Claim>();

  // Paragraphs of the file the model no longer has.
  std::vector<uint32_t> dropped;
  auto known = W.parasByParent.find(parentPath);
  if (known != W.parasByParent.end()) {
    for (size_t node : known->second) {
      uint32_t child = MifRefChild(*W.src, W.src->nodes[node]);
      if (!std::binary_search(kept.begin(), kept.end(), child)) dropped.push_back(child);
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
  for (size_t i = 0; i < pgfs.size(); ++i) {
    ObjHandle p = pgfs[i];
    if (keptChild[i] >= 0) {
      size_t index = shifted(static_cast<uint32_t>(keptChild[i])) + inserts.size();
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

bool HasContent(Writer& W, const std::vector<ObjHandle>& pgfs) {
  for (ObjHandle p : pgfs) {
    const Obj* o = Linked(W, p);
    if (o != nullptr && (!o->text.empty() || !o->markers.empty())) return true;
  }
  return false;
}

// IDs for the tables a command made, after the highest of the file; those
// tables, in the document's order.
std::vector<ObjHandle> NumberNewTables(Writer& W) {
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
  return newTables;
}

// The statements of the file that hold paragraphs of the model: the flows,
// the titles and cells of tables, the footnotes; the flows the file lacks
// into *newFlows.
std::vector<Container> Containers(Writer& W, std::vector<ObjHandle>* newFlows) {
  std::vector<Container> containers;
  for (ObjHandle flow : W.host.Chain(W.doc, PROP_FIRST_FLOW_IN_DOC)) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, flow);
    if (ref == nullptr) {
      newFlows->push_back(flow);
    } else {
      AddContainer(&containers, MifRefPath(*W.src, *ref), FlowParagraphs(W, flow));
    }
  }
  for (ObjHandle t : W.host.Chain(W.doc, PROP_FIRST_TBL_IN_DOC)) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, t);
    if (ref == nullptr) continue;
    const Obj* to = Linked(W, t);
    if (to == nullptr) continue;
    Path title = Below(W, MifRefPath(*W.src, *ref), {"TblTitle", "TblTitleContent"});
    if (!title.empty()) AddContainer(&containers, title, to->titlePgfs.View());
    for (ObjHandle row : to->kids) {
      const Obj* ro = Linked(W, row);
      if (ro == nullptr) continue;
      for (ObjHandle cell : ro->kids) {
        const MifNodeRef* cref = MifRefOf(W.host, W.src, cell);
        const Obj* co = Linked(W, cell);
        if (cref == nullptr || co == nullptr) continue;
        Path content = Below(W, MifRefPath(*W.src, *cref), {"CellContent"});
        if (!content.empty()) AddContainer(&containers, content, co->kids.View());
      }
    }
  }
  for (ObjHandle fn : W.host.Chain(W.doc, PROP_FIRST_FN_IN_DOC)) {
    const MifNodeRef* ref = MifRefOf(W.host, W.src, fn);
    if (ref == nullptr) continue;
    const Obj* fo = Linked(W, fn);
    if (fo != nullptr) AddContainer(&containers, MifRefPath(*W.src, *ref), fo->kids.View());
  }
  return containers;
}

// The tables a command made, into the file's <Tbls> (made when it has none).
void AddNewTables(Writer& W, const std::vector<ObjHandle>& newTables) {
  if (newTables.empty()) return;
  MifNode& root = W.tree->root;
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

// The flows a command made that have text, at the end of the file.
void AddNewFlows(Writer& W, const std::vector<ObjHandle>& newFlows) {
  MifNode& root = W.tree->root;
  for (ObjHandle flow : newFlows) {
    std::vector<ObjHandle> pgfs = FlowParagraphs(W, flow);
    if (!HasContent(W, pgfs)) continue;
    HostStyle(MifInsert(&root, TopLevelPlace(root, {}), BuildFlow(W, flow, -1)));
  }
}

}  // namespace

bool WriteChanged(Writer& W) {
  FindGoneFormats(W);
  // The paragraphs the file has, by the statement holding them.
  for (size_t i = 0; i < W.src->nodes.size(); ++i) {
    const MifNodeRef& ref = W.src->nodes[i];
    if (ref.kind == MIF_NODE_PARA) W.parasByParent[ParentOf(MifRefPath(*W.src, ref))].push_back(i);
  }
  std::vector<ObjHandle> newTables = NumberNewTables(W);
  std::vector<ObjHandle> newFlows;
  std::vector<Container> containers = Containers(W, &newFlows);
  // Deepest first: a change below a statement never moves the statements
  // on the way to another container that is still to come.
  std::stable_sort(
      containers.begin(), containers.end(),
      [](const Container& a, const Container& b) { return a.path.size() > b.path.size(); });
  for (const Container& c : containers) SyncContainer(W, c.path, c.pgfs);

  // Top-level additions come last; they move the statements after them.
  SyncFontCatalog(W);
  AddNewTables(W, newTables);
  AddNewFlows(W, newFlows);
  return !W.broken;
}

}  // namespace mifwrite
