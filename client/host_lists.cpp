#include "client/host_lists.h"

#include <cstring>

#include "client/typed_parts.h"
#include "support/encoding.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

constexpr int32_t kOpenParamQuiet = 29;  // the one open parameter of the simple open

// A zeroed array of count elements of the given size; null for count 0 or on
// failure (*failed tells which).
template <typename T>
T* NewArray(uint32_t count, bool* failed) {
  if (count == 0) return nullptr;
  T* array = static_cast<T*>(MemAllocateZeroed(count, sizeof(T), 0));
  if (array == nullptr) *failed = true;
  return array;
}

// A copy of a string that reports failure only for a non-null source.
char* CopyString(const char* s, bool* failed) {
  if (s == nullptr) return nullptr;
  char* copy = StrDuplicate(s);
  if (copy == nullptr) *failed = true;
  return copy;
}

void FreeStrings(HostStrings* s) {
  if (s == nullptr) return;
  if (s->val != nullptr) {
    for (uint32_t i = s->len; i > 0; --i) MemRelease(s->val[i - 1]);
  }
  MemRelease(s->val);
  s->val = nullptr;
  s->len = 0;
}

void CopyStrings(HostStrings* dst, const HostStrings* src, bool* failed) {
  dst->len = 0;
  dst->val = nullptr;
  if (src == nullptr || src->val == nullptr || src->len == 0) return;
  dst->val = NewArray<char*>(src->len, failed);
  if (dst->val == nullptr) return;
  dst->len = src->len;
  for (uint32_t i = 0; i < src->len; ++i) dst->val[i] = CopyString(src->val[i], failed);
}

void* ClientAllocate(void*, uint32_t count, uint32_t size) {
  return MemAllocateZeroed(count, size, 0);
}
void ClientRelease(void*, void* block) { MemRelease(block); }
const BlockHeap kClientHeap{nullptr, ClientAllocate, ClientRelease};

// The capacity of a PropVals array that must hold `needed` entries: 8, then
// the smallest 8 * 2^k above the entries already there.
uint32_t PropValsCapacity(uint32_t count) {
  if (count < 8) return 8;
  uint64_t capacity = 8;
  while (capacity <= count) capacity *= 2;
  return capacity > UINT32_MAX ? 0 : static_cast<uint32_t>(capacity);
}

}  // namespace

int32_t TypedValCopy(TypedVal* dst, const TypedVal* src) {
  if (dst == nullptr) return -1;
  std::memset(dst, 0, sizeof *dst);
  if (src == nullptr) return 0;
  TypedVal copy;
  if (!TypedPartsCopy(&copy, src, kClientHeap)) {
    TypedPartsFree(&copy, kClientHeap);
    return -1;
  }
  *dst = copy;
  return 0;
}

void TypedValFree(TypedVal* value) {
  if (value != nullptr) TypedPartsFree(value, kClientHeap);
}

int32_t PropValCopy(PropVal* dst, const PropVal* src) {
  if (dst == nullptr) return -1;
  return PropValPartsCopy(dst, src, kClientHeap) ? 0 : -1;
}

int32_t PropValsCopy(PropVals* dst, const PropVals* src) {
  if (dst == nullptr) return -1;
  return PropValsPartsCopy(dst, src, kClientHeap) ? 0 : -1;
}

int32_t TextItemsCopy(TextItems* dst, const TextItems* src) {
  if (dst == nullptr) return -1;
  return TextItemsPartsCopy(dst, src, kClientHeap) ? 0 : -1;
}

int32_t HostStringsCopy(HostStrings* dst, const HostStrings* src) {
  if (dst == nullptr) return -1;
  bool failed = false;
  CopyStrings(dst, src, &failed);
  if (failed) {
    FreeStrings(dst);
    return -1;
  }
  return 0;
}

PropVals PropValsAllocate(uint32_t count) {
  bool failed = false;
  PropVal* entries = NewArray<PropVal>(count, &failed);
  if (entries == nullptr) return PropVals{0, nullptr};
  return PropVals{count, entries};
}

void PropValsSet(PropVals* list, int32_t number, const TypedVal* value) {
  if (list == nullptr) return;
  // The copy is made first: `value` may live inside this very list, in the
  // entry about to be freed or in the array about to move.
  TypedVal copy;
  if (TypedValCopy(&copy, value) != 0) return;

  for (uint32_t i = 0; i < list->len && list->val != nullptr; ++i) {
    PropVal& entry = list->val[i];
    if (entry.propIdent.num != number) continue;
    if (entry.propIdent.num == 0) MemRelease(entry.propIdent.name);
    TypedValFree(&entry.propVal);
    entry.propIdent.num = number;
    entry.propIdent.name = nullptr;
    entry.propVal = copy;
    return;
  }

  uint64_t bytes = uint64_t{PropValsCapacity(list->len)} * sizeof(PropVal);
  PropVal* grown = nullptr;
  if (bytes != 0 && bytes <= UINT32_MAX) {
    grown = static_cast<PropVal*>(MemResize(list->val, static_cast<uint32_t>(bytes), 0));
  }
  if (grown == nullptr) {
    TypedValFree(&copy);
    return;
  }
  list->val = grown;
  PropVal& entry = list->val[list->len++];
  entry.propIdent.num = number;
  entry.propIdent.name = nullptr;
  entry.propVal = copy;
}

void PropValsSetString(PropVals* list, int32_t number, const char* value) {
  TypedVal v;
  std::memset(&v, 0, sizeof v);
  v.valType = VT_STRING;
  v.u.sval = const_cast<char*>(value);  // only read: PropValsSet copies it
  PropValsSet(list, number, &v);
}

void PropValFree(PropVal* value) { PropValPartsFree(value, kClientHeap); }

void PropValsFree(PropVals* list) { PropValsPartsFree(list, kClientHeap); }

void TextItemsFree(TextItems* items) { TextItemsPartsFree(items, kClientHeap); }

void HostStringsFree(HostStrings* strings) { FreeStrings(strings); }

ObjHandle HostOpenDocumentSimple(const char* path, int32_t /*interactive*/) {
  PropVals params = PropValsAllocate(1);
  if (params.len == 0) {
    HostErrno = ERR_NO_PARAM_LIST;
    return 0;
  }
  params.val[0].propIdent.num = kOpenParamQuiet;
  params.val[0].propVal.valType = VT_INT;
  params.val[0].propVal.u.ival = 1;

  PropVals* returned = nullptr;
  ObjHandle doc = HostOpenDocument(path, &params, &returned);
  PropValsFree(&params);
  PropValsFree(returned);
  return doc;
}

ObjHandle HostSaveDocumentSimple(ObjHandle doc, const char* path, int32_t /*interactive*/) {
  PropVals params{0, nullptr};
  // The host's save takes its file name in UTF-8; its open does not.
  char* converted = nullptr;
  const char* name = path;
  if (ClientEncoding() != ENC_UTF8) {
    converted = ClientTextToUtf8(path);
    name = converted;
  }
  PropVals* returned = nullptr;
  ObjHandle saved = HostSaveDocument(doc, name, &params, &returned);
  PropValsFree(&params);
  PropValsFree(returned);
  MemRelease(converted);
  return saved;
}
