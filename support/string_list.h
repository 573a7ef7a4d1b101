// The one collection of the client's logic: an owning list of strings.
#ifndef TAGSMITH_SUPPORT_STRING_LIST_H
#define TAGSMITH_SUPPORT_STRING_LIST_H

#include <cstdint>

// Every operation accepts a null list: queries answer 0, null or -1, changes
// do nothing or fail with -1. Status results are 0 on success, -1 on failure
// (the list is unchanged then).
struct StringList {
  uint32_t capacity;  // items that fit before the array must grow
  uint32_t count;
  // Slots added at least when the array grows; a larger need grows it to
  // exactly the need. 0 means "grow only as far as needed".
  uint32_t growth;
  char** items;  // capacity + 1 slots; those from count on are null
};

// An empty list; null when memory runs out. Free with StringListDestroy.
StringList* StringListCreate(uint32_t capacity, uint32_t growth);
// Frees the list and every string in it.
void StringListDestroy(StringList* list);
// Appends a copy of s (the list owns the copy); -1 for a null s.
int32_t StringListAdd(StringList* list, const char* s);
uint32_t StringListCount(const StringList* list);
// The list's own string (not a copy); null past the end.
const char* StringListAt(const StringList* list, uint32_t pos);
// The first position whose string equals s (exactly or case-folded); -1 when
// none.
int32_t StringListIndexOf(const StringList* list, const char* s);
int32_t StringListIndexOfNoCase(const StringList* list, const char* s);
// Frees the string at pos and closes the gap; nothing past the end.
void StringListRemoveAt(StringList* list, uint32_t pos);
// Frees every string that `drop` accepts, once every item has been judged,
// and closes the gaps in one pass, the others keeping their order: removing
// many costs no more than one.
typedef bool (*StringListPredicate)(const char* s, void* context);
void StringListRemoveIf(StringList* list, StringListPredicate drop, void* context);
// qsort over the items: compare receives pointers to char* slots.
typedef int (*StringListCompareFn)(const void* a, const void* b);
void StringListSort(StringList* list, StringListCompareFn compare);
// A StringListCompareFn ordering by StrCompare.
int StringListCompareExact(const void* a, const void* b);
// Makes room for `needed` items in all, by at least `growth`.
int32_t StringListReserve(StringList* list, uint32_t needed);

#endif
