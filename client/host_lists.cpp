#include "client/host_lists.h"

#include <cstring>

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

// Plain elements copied bytewise; a null source array gives an empty copy.
template <typename T>
void CopyPlain(uint32_t* dstLen, T** dst, uint32_t srcLen, const T* src, bool* failed) {
  *dstLen = 0;
  *dst = nullptr;
  if (src == nullptr || srcLen == 0) return;
  *dst = NewArray<T>(srcLen, failed);
  if (*dst == nullptr) return;
  std::memcpy(*dst, src, srcLen * sizeof(T));
  *dstLen = srcLen;
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

void FreeElems24(uint32_t len, TypedElem24* elems) {
  if (elems == nullptr) return;
  for (uint32_t i = 0; i < len; ++i) MemRelease(elems[i].text);
  MemRelease(elems);
}

TypedElem24* CopyElems24(uint32_t len, const TypedElem24* src, bool* failed) {
  if (src == nullptr || len == 0) return nullptr;
  TypedElem24* dst = NewArray<TypedElem24>(len, failed);
  if (dst == nullptr) return nullptr;
  for (uint32_t i = 0; i < len; ++i) {
    dst[i] = src[i];
    dst[i].text = CopyString(src[i].text, failed);
  }
  return dst;
}

// The owned parts of a value, by its code. Everything freed is set null and
// every count 0, so a second free does nothing.
void FreePayload(TypedVal* v) {
  switch (v->valType) {
    case VT_STRING: MemRelease(v->u.sval); break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS: MemRelease(v->u.ints.val); break;
    case VT_POINTS:
    case VT_RANGES: MemRelease(v->u.wide.val); break;
    case VT_BYTES: MemRelease(v->u.bytes.val); break;
    case VT_STRINGS: FreeStrings(&v->u.ssval); break;
    case VT_TABS: FreeElems24(v->u.elems24.len, v->u.elems24.val); break;
    case VT_PAIRS:
      if (v->u.elems72.val != nullptr) {
        for (uint32_t i = 0; i < v->u.elems72.len; ++i) {
          MemRelease(v->u.elems72.val[i].first);
          MemRelease(v->u.elems72.val[i].second);
        }
      }
      MemRelease(v->u.elems72.val);
      break;
    case VT_NESTED:
      if (v->u.elems32.val != nullptr) {
        for (uint32_t i = 0; i < v->u.elems32.len; ++i) {
          MemRelease(v->u.elems32.val[i].text);
          MemRelease(v->u.elems32.val[i].values);
        }
      }
      MemRelease(v->u.elems32.val);
      break;
    case VT_NESTED_WIDE:
      if (v->u.elems48.val != nullptr) {
        for (uint32_t i = 0; i < v->u.elems48.len; ++i) {
          MemRelease(v->u.elems48.val[i].first);
          MemRelease(v->u.elems48.val[i].second);
          FreeStrings(&v->u.elems48.val[i].list);
        }
      }
      MemRelease(v->u.elems48.val);
      break;
    case VT_RECORD: MemRelease(v->u.rec24); break;
    case VT_OWNING_RECORD:
      if (v->u.rec16 != nullptr) MemRelease(v->u.rec16->values);
      MemRelease(v->u.rec16);
      break;
    case VT_STRUCTURED:
      if (v->u.structured != nullptr) {
        MemRelease(v->u.structured->name);
        FreeStrings(&v->u.structured->strings);
        FreeElems24(v->u.structured->count, v->u.structured->elems);
      }
      MemRelease(v->u.structured);
      break;
    default: return;  // plain payloads own nothing and stay as they are
  }
  std::memset(&v->u, 0, sizeof v->u);
}

// Fills dst (whose payload is zero) with a deep copy of src's payload.
void CopyPayload(TypedVal* dst, const TypedVal* src, bool* failed) {
  const auto& s = src->u;
  auto& d = dst->u;
  switch (src->valType) {
    case VT_INT:
    case VT_METRIC:
    case VT_ID: d.ival = s.ival; break;
    case VT_TEXTLOC: std::memcpy(d.raw, s.raw, 8); break;
    case VT_TEXTRANGE: std::memcpy(d.raw, s.raw, 16); break;
    case VT_STRING: d.sval = CopyString(s.sval, failed); break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS: CopyPlain(&d.ints.len, &d.ints.val, s.ints.len, s.ints.val, failed); break;
    case VT_POINTS:
    case VT_RANGES: CopyPlain(&d.wide.len, &d.wide.val, s.wide.len, s.wide.val, failed); break;
    case VT_BYTES: CopyPlain(&d.bytes.len, &d.bytes.val, s.bytes.len, s.bytes.val, failed); break;
    case VT_STRINGS: CopyStrings(&d.ssval, &s.ssval, failed); break;
    case VT_TABS:
      d.elems24.val = CopyElems24(s.elems24.len, s.elems24.val, failed);
      d.elems24.len = d.elems24.val != nullptr ? s.elems24.len : 0;
      break;
    case VT_PAIRS:
      if (s.elems72.val == nullptr || s.elems72.len == 0) break;
      d.elems72.val = NewArray<TypedElem72>(s.elems72.len, failed);
      if (d.elems72.val == nullptr) break;
      d.elems72.len = s.elems72.len;
      for (uint32_t i = 0; i < s.elems72.len; ++i) {
        d.elems72.val[i] = s.elems72.val[i];
        d.elems72.val[i].first = CopyString(s.elems72.val[i].first, failed);
        d.elems72.val[i].second = CopyString(s.elems72.val[i].second, failed);
      }
      break;
    case VT_NESTED:
      if (s.elems32.val == nullptr || s.elems32.len == 0) break;
      d.elems32.val = NewArray<TypedElem32>(s.elems32.len, failed);
      if (d.elems32.val == nullptr) break;
      d.elems32.len = s.elems32.len;
      for (uint32_t i = 0; i < s.elems32.len; ++i) {
        const TypedElem32& from = s.elems32.val[i];
        TypedElem32& to = d.elems32.val[i];
        to = from;
        to.text = CopyString(from.text, failed);
        CopyPlain(&to.count, &to.values, from.count, from.values, failed);
      }
      break;
    case VT_NESTED_WIDE:
      if (s.elems48.val == nullptr || s.elems48.len == 0) break;
      d.elems48.val = NewArray<TypedElem48>(s.elems48.len, failed);
      if (d.elems48.val == nullptr) break;
      d.elems48.len = s.elems48.len;
      for (uint32_t i = 0; i < s.elems48.len; ++i) {
        const TypedElem48& from = s.elems48.val[i];
        TypedElem48& to = d.elems48.val[i];
        to = from;
        to.first = CopyString(from.first, failed);
        to.second = CopyString(from.second, failed);
        CopyStrings(&to.list, &from.list, failed);
      }
      break;
    case VT_RECORD:
      if (s.rec24 == nullptr) break;
      d.rec24 = NewArray<TypedRecord24>(1, failed);
      if (d.rec24 != nullptr) *d.rec24 = *s.rec24;
      break;
    case VT_OWNING_RECORD:
      if (s.rec16 == nullptr) break;
      d.rec16 = NewArray<TypedRecord16>(1, failed);
      if (d.rec16 == nullptr) break;
      CopyPlain(&d.rec16->count, &d.rec16->values, s.rec16->count, s.rec16->values, failed);
      break;
    case VT_STRUCTURED:
      if (s.structured == nullptr) break;
      d.structured = NewArray<TypedStructured>(1, failed);
      if (d.structured == nullptr) break;
      d.structured->name = CopyString(s.structured->name, failed);
      CopyStrings(&d.structured->strings, &s.structured->strings, failed);
      d.structured->elems = CopyElems24(s.structured->count, s.structured->elems, failed);
      d.structured->count = d.structured->elems != nullptr ? s.structured->count : 0;
      break;
    default: break;  // unknown codes carry nothing the client can copy
  }
}

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
  std::memset(&copy, 0, sizeof copy);
  copy.valType = src->valType;
  bool failed = false;
  CopyPayload(&copy, src, &failed);
  if (failed) {
    FreePayload(&copy);
    return -1;
  }
  *dst = copy;
  return 0;
}

void TypedValFree(TypedVal* value) {
  if (value != nullptr) FreePayload(value);
}

int32_t PropValCopy(PropVal* dst, const PropVal* src) {
  if (dst == nullptr) return -1;
  std::memset(dst, 0, sizeof *dst);
  if (src == nullptr) return 0;
  PropVal copy;
  std::memset(&copy, 0, sizeof copy);
  copy.propIdent.num = src->propIdent.num;
  bool failed = false;
  if (src->propIdent.num == 0) copy.propIdent.name = CopyString(src->propIdent.name, &failed);
  if (failed || TypedValCopy(&copy.propVal, &src->propVal) != 0) {
    MemRelease(copy.propIdent.name);
    return -1;
  }
  *dst = copy;
  return 0;
}

int32_t PropValsCopy(PropVals* dst, const PropVals* src) {
  if (dst == nullptr) return -1;
  dst->len = 0;
  dst->val = nullptr;
  if (src == nullptr || src->val == nullptr || src->len == 0) return 0;
  bool failed = false;
  PropVals copy{src->len, NewArray<PropVal>(src->len, &failed)};
  if (copy.val == nullptr) return -1;
  for (uint32_t i = 0; i < src->len; ++i) {
    if (PropValCopy(&copy.val[i], &src->val[i]) != 0) {
      PropValsFree(&copy);
      return -1;
    }
  }
  *dst = copy;
  return 0;
}

int32_t TextItemsCopy(TextItems* dst, const TextItems* src) {
  if (dst == nullptr) return -1;
  dst->len = 0;
  dst->val = nullptr;
  if (src == nullptr || src->val == nullptr || src->len == 0) return 0;
  bool failed = false;
  TextItems copy{src->len, NewArray<TextItem>(src->len, &failed)};
  if (copy.val == nullptr) return -1;
  for (uint32_t i = 0; i < src->len; ++i) {
    copy.val[i] = src->val[i];
    if (src->val[i].dataType == ITEM_STRING) {
      copy.val[i].u.sdata = CopyString(src->val[i].u.sdata, &failed);
    }
  }
  if (failed) {
    TextItemsFree(&copy);
    return -1;
  }
  *dst = copy;
  return 0;
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

void PropValFree(PropVal* value) {
  if (value == nullptr) return;
  if (value->propIdent.num == 0) {
    MemRelease(value->propIdent.name);
    value->propIdent.name = nullptr;
  }
  TypedValFree(&value->propVal);
}

void PropValsFree(PropVals* list) {
  if (list == nullptr) return;
  if (list->val != nullptr) {
    for (uint32_t i = 0; i < list->len; ++i) PropValFree(&list->val[i]);
  }
  MemRelease(list->val);
  list->val = nullptr;
  list->len = 0;
}

void TextItemsFree(TextItems* items) {
  if (items == nullptr) return;
  if (items->val != nullptr) {
    for (uint32_t i = items->len; i > 0; --i) {
      TextItem& item = items->val[i - 1];
      if (item.dataType == ITEM_STRING) {
        MemRelease(item.u.sdata);
        item.u.sdata = nullptr;
      }
    }
  }
  MemRelease(items->val);
  items->val = nullptr;
  items->len = 0;
}

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
