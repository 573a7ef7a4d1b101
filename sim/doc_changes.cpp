#include "sim/doc_changes.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "sim/usage_counts.h"

namespace {

std::vector<std::string> FormatNames(memhost::DocStore& host, ObjHandle doc) {
  std::vector<std::string> names;
  for (ObjHandle f : host.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    names.push_back(host.StringProp(f, PROP_NAME));
  }
  return names;
}

std::vector<const memhost::Obj*> Paragraphs(memhost::DocStore& host, ObjHandle doc) {
  std::vector<const memhost::Obj*> out;
  ForEachScannedParagraph(host, doc, [&](const memhost::Obj& p) { out.push_back(&p); });
  return out;
}

using RunKey = std::pair<std::string, std::string>;

// Text names its colour by the handle of a colour object of its own
// document: colours of two documents are the same when their names are.
bool SameProps(const memhost::DocStore& host, const memhost::CharProps& a,
               const memhost::CharProps& b) {
  static const int colorSlot = memhost::CharIntIndex(PROP_COLOR);
  for (int i = 0; i < memhost::kCharIntCount; ++i) {
    if (i == colorSlot) {
      if (host.StringProp(static_cast<ObjHandle>(a.ints[i]), PROP_NAME) !=
          host.StringProp(static_cast<ObjHandle>(b.ints[i]), PROP_NAME)) {
        return false;
      }
    } else if (a.ints[i] != b.ints[i]) {
      return false;
    }
  }
  return a.tag == b.tag && a.strs[0] == b.strs[0] && a.strs[1] == b.strs[1];
}

// Adds the changed runs of one paragraph, whose text is the same before and
// after.
void CompareParagraph(const memhost::DocStore& host, const memhost::Obj& a, const memhost::Obj& b,
                      std::map<RunKey, RunChange>* runs) {
  const int32_t end = static_cast<int32_t>(a.text.size());
  RunKey current;
  bool inRun = false;
  for (int32_t k = 0; k <= end; ++k) {
    // A copy: the paragraph end of either may be the host's one scratch value.
    const memhost::CharProps was = host.PropsAt(a, k);
    const memhost::CharProps& is = host.PropsAt(b, k);
    if (SameProps(host, was, is)) {
      inRun = false;
      continue;
    }
    RunKey key{was.tag, is.tag};
    RunChange& c = (*runs)[key];
    if (!inRun || key != current) ++c.runs;
    if (k < end) ++c.characters;
    current = key;
    inRun = true;
  }
}

}  // namespace

DocChanges CompareDocuments(memhost::DocStore& host, ObjHandle before, ObjHandle after) {
  DocChanges out;
  std::vector<std::string> kept = FormatNames(host, after);
  std::set<std::string> keptSet(kept.begin(), kept.end());
  for (const std::string& name : FormatNames(host, before)) {
    if (keptSet.count(name) == 0) out.formatsDeleted.push_back(name);
  }

  std::vector<const memhost::Obj*> was = Paragraphs(host, before);
  std::vector<const memhost::Obj*> is = Paragraphs(host, after);
  std::map<RunKey, RunChange> runs;
  size_t n = std::min(was.size(), is.size());
  out.paragraphsNotCompared = static_cast<int64_t>(std::max(was.size(), is.size()) - n);
  for (size_t i = 0; i < n; ++i) {
    if (was[i]->text != is[i]->text) {
      ++out.paragraphsNotCompared;
      continue;
    }
    CompareParagraph(host, *was[i], *is[i], &runs);
  }
  for (auto& kv : runs) {
    kv.second.from = kv.first.first;
    kv.second.to = kv.first.second;
    (kv.first.first == kv.first.second ? out.repaired : out.converted).push_back(kv.second);
  }
  return out;
}
