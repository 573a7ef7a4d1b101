#include "support/string_list.h"

#include <cstdlib>
#include <cstring>

#include "support/case_fold.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

// Bytes for `slots` item pointers, or 0 when that does not fit the
// allocator's 32-bit size.
uint32_t SlotBytes(uint64_t slots) {
  uint64_t bytes = slots * sizeof(char*);
  return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

}  // namespace

StringList* StringListCreate(uint32_t capacity, uint32_t growth) {
  if (SlotBytes(uint64_t{capacity} + 1) == 0) return nullptr;
  StringList* list = static_cast<StringList*>(MemAllocateZeroed(1, sizeof(StringList), 0));
  if (list == nullptr) return nullptr;
  list->items = static_cast<char**>(MemAllocateZeroed(capacity + 1, sizeof(char*), MEM_FATAL));
  if (list->items == nullptr) {
    // Only reached when the fatal stop was resumed: a list without an item
    // array would fail on first use, so none is handed out.
    MemRelease(list);
    return nullptr;
  }
  list->capacity = capacity;
  list->growth = growth;
  return list;
}

void StringListDestroy(StringList* list) {
  if (list == nullptr) return;
  for (uint32_t i = 0; i < list->count; ++i) MemRelease(list->items[i]);
  MemRelease(list->items);
  MemRelease(list);
}

int32_t StringListReserve(StringList* list, uint32_t needed) {
  if (list == nullptr) return -1;
  if (needed <= list->capacity) return 0;
  uint32_t capacity = list->capacity + list->growth;
  if (needed > capacity) capacity = needed;
  uint32_t bytes = SlotBytes(uint64_t{capacity} + 1);
  if (bytes == 0) return -1;
  char** items = static_cast<char**>(MemResize(list->items, bytes, 0));
  if (items == nullptr) return -1;
  if (list->count <= capacity) {
    for (uint32_t i = list->count; i <= capacity; ++i) items[i] = nullptr;
  }
  list->capacity = capacity;
  list->items = items;
  return 0;
}

int32_t StringListAdd(StringList* list, const char* s) {
  if (list == nullptr || s == nullptr) return -1;
  if (list->count == UINT32_MAX) return -1;
  if (StringListReserve(list, list->count + 1) != 0) return -1;
  char* copy = StrDuplicate(s);
  if (copy == nullptr) return -1;
  list->items[list->count++] = copy;
  return 0;
}

uint32_t StringListCount(const StringList* list) { return list != nullptr ? list->count : 0; }

const char* StringListAt(const StringList* list, uint32_t pos) {
  if (list == nullptr || pos >= list->count) return nullptr;
  return list->items[pos];
}

int32_t StringListIndexOf(const StringList* list, const char* s) {
  if (list == nullptr) return -1;
  for (uint32_t i = 0; i < list->count; ++i) {
    if (StrEquals(list->items[i], s)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t StringListIndexOfNoCase(const StringList* list, const char* s) {
  if (list == nullptr) return -1;
  for (uint32_t i = 0; i < list->count; ++i) {
    if (StrEqualsNoCase(list->items[i], s)) return static_cast<int32_t>(i);
  }
  return -1;
}

void StringListRemoveAt(StringList* list, uint32_t pos) {
  if (list == nullptr || pos >= list->count) return;
  MemRelease(list->items[pos]);
  std::memmove(list->items + pos, list->items + pos + 1, (list->count - pos - 1) * sizeof(char*));
  --list->count;
  // Keeps the slot past the last item null, as after a growth, instead of
  // leaving a second pointer to the last string there.
  list->items[list->count] = nullptr;
}

void StringListRemoveIf(StringList* list, StringListPredicate drop, void* context) {
  if (list == nullptr || drop == nullptr) return;
  // Nothing is freed before every item has been judged: a predicate may
  // look at items already dropped, for instance through a set that points
  // into this list. Swapping keeps the order of the items kept.
  uint32_t kept = 0;
  for (uint32_t i = 0; i < list->count; ++i) {
    if (drop(list->items[i], context)) continue;
    char* item = list->items[i];
    list->items[i] = list->items[kept];
    list->items[kept++] = item;
  }
  for (uint32_t i = kept; i < list->count; ++i) {
    MemRelease(list->items[i]);
    list->items[i] = nullptr;
  }
  list->count = kept;
}

void StringListSort(StringList* list, StringListCompareFn compare) {
  if (list == nullptr || list->count < 2 || compare == nullptr) return;
  std::qsort(list->items, list->count, sizeof(char*), compare);
}

int StringListCompareExact(const void* a, const void* b) {
  return StrCompare(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}
