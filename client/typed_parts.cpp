#include "client/typed_parts.h"

#include <cstring>
#include <type_traits>

#include "client/host_numbers.h"

namespace {

// The walk: visit.Block(&pointer, &count or null, count) before a block's own
// parts (it answers whether the block is there to walk into), visit.Done
// (&pointer) after them, visit.String(&s) for each string. Records without a
// count field pass null and a count of one. False for a code that owns
// nothing.
template <typename Visit, typename T>
void Plain(Visit& visit, T** block, uint32_t* len, uint32_t count) {
  visit.Block(block, len, count);
  visit.Done(block);
}

template <typename Visit>
void WalkStrings(Visit& visit, HostStrings* s) {
  if (visit.Block(&s->val, &s->len, s->len)) {
    for (uint32_t i = 0; i < s->len; ++i) visit.String(&s->val[i]);
  }
  visit.Done(&s->val);
}

template <typename Visit>
void WalkTabs(Visit& visit, TypedTab** elems, uint32_t* len) {
  if (visit.Block(elems, len, *len)) {
    for (uint32_t i = 0; i < *len; ++i) visit.String(&(*elems)[i].text);
  }
  visit.Done(elems);
}

template <typename Visit>
bool WalkOwnedParts(Visit& visit, TypedVal* v) {
  auto& u = v->u;
  switch (v->valType) {
    case VT_STRING: visit.String(&u.sval); break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS: Plain(visit, &u.ints.val, &u.ints.len, u.ints.len); break;
    case VT_POINTS:
    case VT_RANGES: Plain(visit, &u.wide.val, &u.wide.len, u.wide.len); break;
    case VT_BYTES: Plain(visit, &u.bytes.val, &u.bytes.len, u.bytes.len); break;
    case VT_STRINGS: WalkStrings(visit, &u.ssval); break;
    case VT_TABS: WalkTabs(visit, &u.tabs.val, &u.tabs.len); break;
    case VT_PAIRS:
      if (visit.Block(&u.pairs.val, &u.pairs.len, u.pairs.len)) {
        for (uint32_t i = 0; i < u.pairs.len; ++i) {
          visit.String(&u.pairs.val[i].first);
          visit.String(&u.pairs.val[i].second);
        }
      }
      visit.Done(&u.pairs.val);
      break;
    case VT_NESTED:
      if (visit.Block(&u.nested.val, &u.nested.len, u.nested.len)) {
        for (uint32_t i = 0; i < u.nested.len; ++i) {
          TypedNested& e = u.nested.val[i];
          visit.String(&e.text);
          Plain(visit, &e.values, &e.count, e.count);
        }
      }
      visit.Done(&u.nested.val);
      break;
    case VT_NESTED_WIDE:
      if (visit.Block(&u.nestedWide.val, &u.nestedWide.len, u.nestedWide.len)) {
        for (uint32_t i = 0; i < u.nestedWide.len; ++i) {
          TypedNestedWide& e = u.nestedWide.val[i];
          visit.String(&e.first);
          visit.String(&e.second);
          WalkStrings(visit, &e.list);
        }
      }
      visit.Done(&u.nestedWide.val);
      break;
    case VT_RECORD: Plain(visit, &u.record, nullptr, 1); break;
    case VT_OWNING_RECORD:
      if (visit.Block(&u.owningRecord, nullptr, 1)) {
        Plain(visit, &u.owningRecord->values, &u.owningRecord->count, u.owningRecord->count);
      }
      visit.Done(&u.owningRecord);
      break;
    case VT_STRUCTURED:
      if (visit.Block(&u.structured, nullptr, 1)) {
        TypedStructured& s = *u.structured;
        visit.String(&s.name);
        WalkStrings(visit, &s.strings);
        WalkTabs(visit, &s.elems, &s.count);
      }
      visit.Done(&u.structured);
      break;
    default: return false;
  }
  return true;
}

// A copy of a string from heap into *out, null for null; false when it
// cannot be had (*out is then null).
bool CopyString(char** out, const char* from, const BlockHeap& heap) {
  *out = nullptr;
  if (from == nullptr) return true;
  size_t length = std::strlen(from);
  if (length < UINT32_MAX) {
    *out = static_cast<char*>(heap.allocate(heap.context, static_cast<uint32_t>(length) + 1, 1));
  }
  if (*out == nullptr) return false;
  std::memcpy(*out, from, length);
  return true;
}

// Runs over a payload copied bytewise from the source: every pointer still
// names the source's block and is replaced by a copy of it, or by null (and
// its count by 0) when there is nothing to copy or no memory.
struct Copier {
  const BlockHeap& heap;
  bool failed;

  template <typename T>
  bool Block(T** block, uint32_t* len, uint32_t count) {
    const T* from = *block;
    *block = nullptr;
    if (from != nullptr && count != 0) {
      *block = static_cast<T*>(heap.allocate(heap.context, count, sizeof(T)));
      if (*block == nullptr) failed = true;
    }
    if (*block == nullptr) {
      if (len != nullptr) *len = 0;
      return false;
    }
    std::memcpy(static_cast<void*>(*block), from, static_cast<size_t>(count) * sizeof(T));
    return true;
  }
  template <typename T>
  void Done(T**) {}
  void String(char** s) {
    if (!CopyString(s, *s, heap)) failed = true;
  }
};

struct Releaser {
  const BlockHeap& heap;

  template <typename T>
  bool Block(T** block, uint32_t*, uint32_t) {
    return *block != nullptr;
  }
  template <typename T>
  void Done(T** block) {
    if (*block != nullptr) heap.release(heap.context, *block);
    *block = nullptr;
  }
  void String(char** s) { Done(s); }
};

// The copy of a list of len entries at val: a zeroed array from heap, then
// each entry by copyEntry (which leaves a failed entry owning nothing);
// freeList gives back a partial copy.
template <typename List, typename CopyEntry, typename FreeList>
bool ListPartsCopy(List* dst, const List* src, const BlockHeap& heap, CopyEntry copyEntry,
                   FreeList freeList) {
  using Entry = std::remove_pointer_t<decltype(src->val)>;
  dst->len = 0;
  dst->val = nullptr;
  if (src == nullptr || src->val == nullptr || src->len == 0) return true;
  List copy{src->len, static_cast<Entry*>(heap.allocate(heap.context, src->len, sizeof(Entry)))};
  if (copy.val == nullptr) return false;
  for (uint32_t i = 0; i < src->len; ++i) {
    if (!copyEntry(&copy.val[i], &src->val[i], heap)) {
      freeList(&copy, heap);
      return false;
    }
  }
  *dst = copy;
  return true;
}

bool TextItemCopy(TextItem* dst, const TextItem* src, const BlockHeap& heap) {
  *dst = *src;
  return src->dataType != ITEM_STRING || CopyString(&dst->u.sdata, src->u.sdata, heap);
}

}  // namespace

bool TypedPartsCopy(TypedVal* dst, const TypedVal* src, const BlockHeap& heap) {
  auto& d = dst->u;
  const auto& s = src->u;
  dst->valType = src->valType;
  std::memset(&d, 0, sizeof d);
  switch (src->valType) {
    case VT_INT:
    case VT_METRIC:
    case VT_ID: d.ival = s.ival; return true;
    case VT_TEXTLOC: std::memcpy(d.raw, s.raw, 8); return true;
    case VT_TEXTRANGE: std::memcpy(d.raw, s.raw, 16); return true;
    default: break;
  }
  d = s;
  Copier copier{heap, false};
  if (!WalkOwnedParts(copier, dst)) std::memset(&d, 0, sizeof d);
  return !copier.failed;
}

void TypedPartsFree(TypedVal* value, const BlockHeap& heap) {
  // A text property read a character at a time frees one string a call.
  if (value->valType == VT_STRING) {
    if (value->u.sval != nullptr) heap.release(heap.context, value->u.sval);
    std::memset(&value->u, 0, sizeof value->u);
    return;
  }
  Releaser releaser{heap};
  if (WalkOwnedParts(releaser, value)) std::memset(&value->u, 0, sizeof value->u);
}

void PropValPartsFree(PropVal* value, const BlockHeap& heap) {
  if (value == nullptr) return;
  if (value->propIdent.num == 0 && value->propIdent.name != nullptr) {
    heap.release(heap.context, value->propIdent.name);
  }
  value->propIdent.name = nullptr;
  TypedPartsFree(&value->propVal, heap);
}

void PropValsPartsFree(PropVals* list, const BlockHeap& heap) {
  if (list == nullptr) return;
  if (list->val != nullptr) {
    for (uint32_t i = 0; i < list->len; ++i) PropValPartsFree(&list->val[i], heap);
    heap.release(heap.context, list->val);
  }
  list->val = nullptr;
  list->len = 0;
}

void TextItemsPartsFree(TextItems* items, const BlockHeap& heap) {
  if (items == nullptr) return;
  if (items->val != nullptr) {
    for (uint32_t i = items->len; i > 0; --i) {
      TextItem& item = items->val[i - 1];
      if (item.dataType == ITEM_STRING && item.u.sdata != nullptr) {
        heap.release(heap.context, item.u.sdata);
        item.u.sdata = nullptr;
      }
    }
    heap.release(heap.context, items->val);
  }
  items->val = nullptr;
  items->len = 0;
}

bool PropValPartsCopy(PropVal* dst, const PropVal* src, const BlockHeap& heap) {
  *dst = PropVal{};
  if (src == nullptr) return true;
  PropVal copy{};
  copy.propIdent.num = src->propIdent.num;
  if (src->propIdent.num == 0 && !CopyString(&copy.propIdent.name, src->propIdent.name, heap)) {
    return false;
  }
  if (!TypedPartsCopy(&copy.propVal, &src->propVal, heap)) {
    PropValPartsFree(&copy, heap);
    return false;
  }
  *dst = copy;
  return true;
}

bool PropValsPartsCopy(PropVals* dst, const PropVals* src, const BlockHeap& heap) {
  return ListPartsCopy(dst, src, heap, PropValPartsCopy, PropValsPartsFree);
}

bool TextItemsPartsCopy(TextItems* dst, const TextItems* src, const BlockHeap& heap) {
  return ListPartsCopy(dst, src, heap, TextItemCopy, TextItemsPartsFree);
}
