#include "support/name_set.h"

#include <cstring>

#include "support/case_fold.h"
#include "support/memory.h"
#include "support/strings.h"

// The fold keeps lengths and maps no byte to 0, so equal folded bytes mean
// equal ignoring case, and a folded hash agrees with StrEqualsNoCase.

NameSet NewNameSet(bool folded, bool owned) { return NameSet{nullptr, 0, 0, folded, owned, true}; }

static uint32_t NameHash(const char* s, bool folded) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; ++p) {
    h = (h ^ (folded ? CaseFoldTable[*p] : *p)) * 16777619u;
  }
  return h;
}

// The slot holding `name`, or the empty slot where it would go.
static uint32_t NameSlot(const char* const* slots, uint32_t capacity, const char* name,
                         bool folded) {
  uint32_t mask = capacity - 1;
  uint32_t i = NameHash(name, folded) & mask;
  while (slots[i] != nullptr &&
         (folded ? !StrEqualsNoCase(slots[i], name) : std::strcmp(slots[i], name) != 0)) {
    i = (i + 1) & mask;
  }
  return i;
}

const char* NameSetFind(const NameSet* set, const char* name) {
  if (set->count == 0) return nullptr;
  return set->slots[NameSlot(set->slots, set->capacity, name, set->folded)];
}

bool NameSetContains(const NameSet* set, const char* name) {
  return NameSetFind(set, name) != nullptr;
}

static bool NameSetGrow(NameSet* set) {
  uint32_t capacity = set->capacity == 0 ? 64 : set->capacity * 2;
  if (capacity < set->capacity || capacity > UINT32_MAX / sizeof(char*)) return false;
  const char** slots = static_cast<const char**>(MemAllocateZeroed(capacity, sizeof(char*), 0));
  if (slots == nullptr) return false;
  for (uint32_t i = 0; i < set->capacity; ++i) {
    const char* name = set->slots[i];
    if (name != nullptr) slots[NameSlot(slots, capacity, name, set->folded)] = name;
  }
  MemRelease(const_cast<char**>(set->slots));
  set->slots = slots;
  set->capacity = capacity;
  return true;
}

void NameSetAdd(NameSet* set, const char* name) {
  if (!set->complete) return;
  if ((set->count + 1) * 2 > set->capacity && !NameSetGrow(set)) {
    set->complete = false;
    return;
  }
  uint32_t i = NameSlot(set->slots, set->capacity, name, set->folded);
  if (set->slots[i] != nullptr) return;
  const char* kept = set->owned ? StrDuplicate(name) : name;
  if (kept == nullptr) {
    set->complete = false;
    return;
  }
  set->slots[i] = kept;
  ++set->count;
}

void NameSetRelease(NameSet* set) {
  for (uint32_t i = 0; set->owned && i < set->capacity; ++i) {
    MemRelease(const_cast<char*>(set->slots[i]));
  }
  MemRelease(const_cast<char**>(set->slots));
  *set = NewNameSet(set->folded, set->owned);
}

NameSet NameSetOfList(const StringList* list, bool folded) {
  NameSet set = NewNameSet(folded, false);
  for (uint32_t i = 0; i < StringListCount(list); ++i) NameSetAdd(&set, StringListAt(list, i));
  return set;
}

bool NameSetListHas(const StringList* list, const NameSet* index, const char* name) {
  if (index != nullptr && index->complete) return NameSetContains(index, name);
  return (index != nullptr && index->folded ? StringListIndexOfNoCase(list, name)
                                            : StringListIndexOf(list, name)) >= 0;
}
