#include "sim/usage_counts.h"

namespace {

void VisitChain(memhost::DocStore& host, ObjHandle first,
                const std::function<void(const memhost::Obj&)>& visit) {
  for (ObjHandle p = first; p != 0; p = host.NextPgf(p)) {
    const memhost::Obj* pgf = host.Find(p);
    if (pgf == nullptr) return;
    visit(*pgf);
  }
}

}  // namespace

void ForEachScannedParagraph(memhost::DocStore& host, ObjHandle doc,
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

TagCounts CountTagUsage(memhost::DocStore& host, ObjHandle doc) {
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

std::set<std::string> TagsNamedBesideText(memhost::DocStore& host, ObjHandle doc) {
  std::set<std::string> named;
  std::vector<std::string> formats;
  for (ObjHandle fmt : host.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    formats.push_back(host.StringProp(fmt, PROP_CHAR_TAG));
  }
  // A building block is found only by its exact spelling.
  auto blocks = [&](const std::string& text) {
    for (const std::string& tag : formats) {
      if (!text.empty() && text.find("<" + tag + ">") != std::string::npos) named.insert(tag);
    }
  };
  const std::pair<int32_t, int32_t> families[] = {{PROP_FIRST_FMT_DEF_A, PROP_FMT_DEF_A_TEXT},
                                                  {PROP_FIRST_FMT_DEF_B, PROP_FMT_DEF_TEXT},
                                                  {PROP_FIRST_FMT_DEF_C, PROP_FMT_DEF_TEXT}};
  for (const auto& family : families) {
    const std::vector<ObjHandle> defs = host.Chain(doc, family.first);
    for (ObjHandle def : defs) blocks(host.StringProp(def, family.second));
  }
  auto setting = [&](const std::string& name) {
    if (!name.empty() && name.compare(0, 7, "Default") != 0) named.insert(name);
  };
  for (int32_t prop : {PROP_DOC_CHAR_TAG_339, PROP_DOC_CHAR_TAG_338, PROP_DOC_CHAR_TAG_337,
                       PROP_DOC_CHAR_TAG_334, PROP_DOC_CHAR_TAG_336}) {
    setting(host.StringProp(doc, prop));
  }
  const std::vector<ObjHandle> refs = host.Chain(doc, PROP_FIRST_TAG_REF_OBJ);
  for (ObjHandle ref : refs) setting(host.StringProp(ref, PROP_TAG_REF));
  const std::vector<ObjHandle> pages = host.Chain(doc, PROP_FIRST_FORMAT_PAGE);
  for (ObjHandle page : pages) {
    auto frame = static_cast<ObjHandle>(host.IntProp(page, PROP_PAGE_FRAME));
    auto graphic = static_cast<ObjHandle>(host.IntProp(frame, PROP_FIRST_GRAPHIC_IN_FRAME));
    for (ObjHandle p = host.FirstPgfOf(graphic); p != 0; p = host.NextPgf(p)) {
      const memhost::Obj* pgf = host.Find(p);
      if (pgf == nullptr) break;
      blocks(memhost::VisibleText(pgf->text));
    }
  }
  return named;
}
