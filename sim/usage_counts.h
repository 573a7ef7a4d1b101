// How much text carries each character tag, counted by the host from its
// document model at the positions the usage scan reads: every paragraph of
// every flow, table cell, table title and footnote, from offset 0 through the
// paragraph end. A run is a stretch of consecutive positions of one paragraph
// that carry the tag; its characters are those positions but the paragraph
// end (an anchor is a character, as it is a position of the text). Besides
// the text, the scan counts a tag as used when something else names it; the
// names found there are read too, so that a report can say why a tag that no
// text carries is listed as used.
#ifndef TAGSMITH_SIM_USAGE_COUNTS_H
#define TAGSMITH_SIM_USAGE_COUNTS_H

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "memhost/doc_store.h"

struct TagCount {
  int64_t runs = 0;
  int64_t characters = 0;
};

// Tag (the host's bytes) -> its count; tags that no text carries are absent.
using TagCounts = std::map<std::string, TagCount>;

// Every paragraph the usage scan probes, in its order: flows, then tables
// (cells, then titles), then footnotes.
void ForEachScannedParagraph(memhost::DocStore& host, ObjHandle doc,
                             const std::function<void(const memhost::Obj&)>& visit);

TagCounts CountTagUsage(memhost::DocStore& host, ObjHandle doc);

// Tags (the host's bytes) that the document names elsewhere than in its
// text, as the usage scan reads them: a character format written as a
// building block "<tag>" in a format definition's text or on a format page,
// and the names of the tag-naming document settings and objects (but those
// that begin with "Default").
std::set<std::string> TagsNamedBesideText(memhost::DocStore& host, ObjHandle doc);

// Adds `more` into `total`.
void AddCounts(const TagCounts& more, TagCounts* total);

#endif
