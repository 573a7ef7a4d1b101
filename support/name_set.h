// A hash set of names, compared exactly or ignoring case as StrEqualsNoCase
// does: the index that keeps a search of a long string list from running
// from the front every time.
#ifndef TAGSMITH_SUPPORT_NAME_SET_H
#define TAGSMITH_SUPPORT_NAME_SET_H

#include <cstdint>

#include "support/string_list.h"

struct NameSet {
  const char** slots;  // open addressing over a power-of-two table
  uint32_t capacity;
  uint32_t count;
  bool folded;
  bool owned;     // holds copies of its names, else points at a list's
  bool complete;  // false once a name could not be added: no longer the list's mirror
};

// An empty set; it allocates nothing until the first name.
NameSet NewNameSet(bool folded, bool owned);
// The set's own string equal to `name`, or null.
const char* NameSetFind(const NameSet* set, const char* name);
bool NameSetContains(const NameSet* set, const char* name);
// Adds `name` unless the set holds it; when memory runs out the set stays as
// it was and is marked incomplete, and takes no more names.
void NameSetAdd(NameSet* set, const char* name);
// Frees the table (and the names, when owned) and leaves an empty set.
void NameSetRelease(NameSet* set);
// A set of the names of a list, pointing at the list's own strings: valid
// while the list keeps them. Check `complete` before trusting an absence.
NameSet NameSetOfList(const StringList* list, bool folded);
// Whether `list` holds `name`: through `index` (the list's set) while it is
// complete, else by searching the list, ignoring case when the index folds.
// A null index searches the list exactly.
bool NameSetListHas(const StringList* list, const NameSet* index, const char* name);

#endif
