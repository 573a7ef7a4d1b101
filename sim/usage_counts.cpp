#include "sim/usage_counts.h"

namespace {

void VisitChain(memhost::MemHost& host, ObjHandle first,
                const std::function<void(const memhost::Obj&)>& visit) {
  for (ObjHandle p = first; p != 0; p = host.NextPgf(p)) {
    const memhost::Obj* pgf = host.Find(p);
    if (pgf == nullptr) return;
    visit(*pgf);
  }
}

}  // namespace

void ForEachScannedParagraph(memhost::MemHost& host, ObjHandle doc,
                             const std::function<void(const memhost::Obj&)>& visit) {
  // Copies of the chains: a visitor may not change them, but the host hands
  // out references into its own store.
  const std::vector<ObjHandle> flows = host.Chain(doc, PROP_FIRST_FLOW_IN_DOC);
  for (ObjHandle flow : flows) VisitChain(host, host.FirstPgfOf(flow), visit);
  const std::vector<ObjHandle> tables = host.Chain(doc, PROP_FIRST_TBL_IN_DOC);
  for (ObjHandle table : tables) {
    const memhost::Obj* t = host.Find(table);
    if (t == nullptr) continue;
    for (ObjHandle row : t->kids) {
      const memhost::Obj* r = host.Find(row);
      if (r == nullptr) continue;
      for (ObjHandle cell : r->kids) VisitChain(host, host.FirstPgfOf(cell), visit);
    }
    VisitChain(host, host.FirstPgfOf(table), visit);
  }
  const std::vector<ObjHandle> notes = host.Chain(doc, PROP_FIRST_FN_IN_DOC);
  for (ObjHandle note : notes) VisitChain(host, host.FirstPgfOf(note), visit);
}

TagCounts CountTagUsage(memhost::MemHost& host, ObjHandle doc) {
  TagCounts counts;
  ForEachScannedParagraph(host, doc, [&](const memhost::Obj& pgf) {
    const int32_t end = static_cast<int32_t>(pgf.text.size());
    const std::string* previous = nullptr;
    for (int32_t k = 0; k <= end; ++k) {
      const std::string& tag = host.PropsAt(pgf, k).tag;
      if (tag.empty()) {
        previous = nullptr;
        continue;
      }
      TagCount& c = counts[tag];
      if (previous == nullptr || *previous != tag) ++c.runs;
      if (k < end) ++c.characters;
      previous = &counts.find(tag)->first;
    }
  });
  return counts;
}

void AddCounts(const TagCounts& more, TagCounts* total) {
  for (const auto& kv : more) {
    TagCount& t = (*total)[kv.first];
    t.runs += kv.second.runs;
    t.characters += kv.second.characters;
  }
}
