// What tests and fuzz targets check after a command: that no character
// format which text uses was deleted from any copy of a document.
#ifndef TAGSMITH_MEMHOST_TAG_AUDIT_H
#define TAGSMITH_MEMHOST_TAG_AUDIT_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "memhost/doc_store.h"

namespace memhost {

// Document name -> tags that its text uses and that it defines, over open
// documents and saved copies alike. Untitled documents cannot be told apart
// and are left out.
using UsedTags = std::map<std::string, std::set<std::string>>;
UsedTags UsedDefinedTags(const DocStore& store);

// "name: tag" for every tag of `before` that a copy of its document (open or
// saved) no longer defines; empty when every copy keeps them all.
std::vector<std::string> DeletedUsedTags(const DocStore& store, const UsedTags& before);

// How many documents (open or saved) exist under `name`.
size_t CopiesOf(const DocStore& store, const std::string& name);

}  // namespace memhost

#endif
