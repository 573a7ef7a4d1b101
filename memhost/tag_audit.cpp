#include "memhost/tag_audit.h"

namespace memhost {

namespace {

// Every document object with its name and the names of its formats.
struct Documents {
  std::map<ObjHandle, std::string> names;
  std::map<ObjHandle, std::set<std::string>> defined;
};

Documents Collect(const DocStore& store) {
  Documents d;
  store.ForEachObject([&](const Obj& o) {
    if (o.type == T_DOC) d.names[o.h] = store.StringProp(o.h, PROP_NAME);
    if (o.type == T_CHAR_FMT) d.defined[o.doc].insert(store.StringProp(o.h, PROP_NAME));
  });
  return d;
}

}  // namespace

UsedTags UsedDefinedTags(const DocStore& store) {
  Documents d = Collect(store);
  std::map<ObjHandle, std::set<std::string>> used;
  store.ForEachObject([&](const Obj& o) {
    if (o.type != T_PGF) return;
    // Every position, anchors and the paragraph end included.
    for (int32_t k = 0; k <= static_cast<int32_t>(o.text.size()); ++k) {
      const std::string& tag = store.PropsAt(o, k).tag;
      if (!tag.empty()) used[o.doc].insert(tag);
    }
  });
  UsedTags out;
  for (const auto& kv : d.names) {
    if (kv.second.empty()) continue;
    for (const std::string& tag : used[kv.first]) {
      if (d.defined[kv.first].count(tag) != 0) out[kv.second].insert(tag);
    }
  }
  return out;
}

std::vector<std::string> DeletedUsedTags(const DocStore& store, const UsedTags& before) {
  Documents d = Collect(store);
  std::vector<std::string> out;
  for (const auto& kv : d.names) {
    auto it = before.find(kv.second);
    if (it == before.end()) continue;
    for (const std::string& tag : it->second) {
      if (d.defined[kv.first].count(tag) == 0) out.push_back(kv.second + ": " + tag);
    }
  }
  return out;
}

size_t CopiesOf(const DocStore& store, const std::string& name) {
  size_t n = 0;
  store.ForEachObject([&](const Obj& o) {
    if (o.type == T_DOC && store.StringProp(o.h, PROP_NAME) == name) ++n;
  });
  return n;
}

}  // namespace memhost
