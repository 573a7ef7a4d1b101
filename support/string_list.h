// The one collection of the client's logic: an owning list of strings.
#ifndef TAGSMITH_SUPPORT_STRING_LIST_H
#define TAGSMITH_SUPPORT_STRING_LIST_H

#include <cstdint>

struct StringList {
  uint32_t capacity;
  uint32_t count;
  uint32_t growth;
  char** items;  // capacity + 1 slots
};

StringList* StringListCreate(uint32_t capacity, uint32_t growth);
void StringListDestroy(StringList* list);
int32_t StringListAdd(StringList* list, const char* s);
uint32_t StringListCount(const StringList* list);
const char* StringListAt(const StringList* list, uint32_t pos);
int32_t StringListIndexOf(const StringList* list, const char* s);
int32_t StringListIndexOfNoCase(const StringList* list, const char* s);
void StringListRemoveAt(StringList* list, uint32_t pos);
typedef int (*StringListCompareFn)(const void* a, const void* b);
void StringListSort(StringList* list, StringListCompareFn compare);
int StringListCompareExact(const void* a, const void* b);
int32_t StringListReserve(StringList* list, uint32_t needed);

#endif
