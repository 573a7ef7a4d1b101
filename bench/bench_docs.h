// Documents for the benchmarks, built in the in-memory host, and the clock
// they are measured with.
#ifndef TAGSMITH_BENCH_BENCH_DOCS_H
#define TAGSMITH_BENCH_BENCH_DOCS_H

#include <time.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "memhost/doc_builder.h"

namespace bench {

// Processor time of this thread: other work on the machine does not count.
inline double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline std::string Numbered(const char* stem, int i) {
  char name[64];
  std::snprintf(name, sizeof name, "%s %03d", stem, i);
  return name;
}

// What the text of a document is made of.
struct TextShape {
  int64_t characters = 100000;  // at least this many, in paragraphs of ~1,000
  int plainOneIn = 3;           // one run in this many has no tag
  int overrideOneIn = 0;        // one run in this many is set by hand (0: none)
  uint32_t seed = 42;
};

// Fills the main flow of `b` with runs of 3 to 40 characters tagged at
// random with `tags`. Returns the characters written.
inline int64_t FillText(memhost::DocBuilder& b, const std::vector<std::string>& tags,
                        const TextShape& shape) {
  std::mt19937 random(shape.seed);
  std::uniform_int_distribution<int> length(3, 40);
  std::uniform_int_distribution<size_t> pick(0, tags.empty() ? 0 : tags.size() - 1);
  std::uniform_int_distribution<int> one(0, 1 << 20);
  const std::string filler = "The quick brown fox jumps over the lazy dog; pack my box.";
  int64_t characters = 0;
  while (characters < shape.characters) {
    std::vector<memhost::Run> runs;
    int32_t size = 0;
    while (size < 1000) {
      int n = length(random);
      std::string text = filler.substr(static_cast<size_t>(size) % 16, static_cast<size_t>(n));
      bool plain = tags.empty() || one(random) % shape.plainOneIn == 0;
      std::vector<std::pair<int32_t, int32_t>> overrides;
      if (shape.overrideOneIn > 0 && one(random) % shape.overrideOneIn == 0) {
        overrides.emplace_back(one(random) % 2 == 0 ? PROP_FONT_WEIGHT : PROP_FONT_ANGLE, 1);
      }
      runs.emplace_back(text, plain ? std::string() : tags[pick(random)], overrides);
      size += static_cast<int32_t>(text.size());
    }
    b.Para(runs);
    characters += size;
  }
  return characters;
}

// Runs of text in `doc` as the host sees them: stretches of characters with
// the same properties, counted per paragraph; only those whose tag starts
// with `tagPrefix` when one is given.
inline int64_t CountRuns(const memhost::DocStore& host, ObjHandle doc,
                         const std::string& tagPrefix = std::string()) {
  int64_t runs = 0;
  host.ForEachObject([&](const memhost::Obj& o) {
    if (o.type != memhost::T_PGF || o.doc != doc) return;
    for (size_t k = 0; k < o.charProps.size(); ++k) {
      if (k != 0 && o.charProps[k] == o.charProps[k - 1]) continue;
      if (tagPrefix.empty() ||
          host.PropsAt(o, static_cast<int32_t>(k)).tag.compare(0, tagPrefix.size(), tagPrefix) ==
              0) {
        ++runs;
      }
    }
  });
  return runs;
}

// Closes every document opened since `before` was taken: the output
// documents a command leaves open.
inline void CloseNewDocuments(memhost::DocStore& host, const std::set<ObjHandle>& before) {
  std::vector<ObjHandle> open = host.openDocs;
  for (ObjHandle doc : open) {
    if (before.count(doc) == 0) host.DestroyDocument(doc);
  }
}

}  // namespace bench

#endif
