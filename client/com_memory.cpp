#include "client/com_memory.h"

#include "client/com_types.h"
#include "client/host_numbers.h"

namespace {

template <typename T>
void Give(T** block) {
  if (*block != nullptr) CoTaskMemFree(*block);
  *block = nullptr;
}

void FreeStringArray(uint32_t* len, char*** val) {
  if (*val != nullptr) {
    for (uint32_t i = *len; i > 0; --i) TaskFreeString(&(*val)[i - 1]);
  }
  Give(val);
  *len = 0;
}

void FreeElems24(uint32_t count, TypedElem24* elems) {
  if (elems == nullptr) return;
  for (uint32_t i = 0; i < count; ++i) TaskFreeString(&elems[i].text);
}

}  // namespace

void TaskFreeString(char** s) { Give(s); }

void TaskFreeHostStrings(HostStrings* list) {
  if (list == nullptr) return;
  FreeStringArray(&list->len, &list->val);
}

void TaskFreeMetricList(MetricList* list) {
  if (list == nullptr) return;
  Give(&list->val);
  list->len = 0;
}

void TaskFreeTypedVal(TypedVal* value) {
  if (value == nullptr) return;
  auto& u = value->u;
  switch (value->valType) {
    case VT_STRING:
      TaskFreeString(&u.sval);
      break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS:
      Give(&u.ints.val);
      u.ints.len = 0;
      break;
    case VT_STRINGS:
      TaskFreeHostStrings(&u.ssval);
      break;
    case VT_POINTS:
    case VT_RANGES:
      Give(&u.wide.val);
      u.wide.len = 0;
      break;
    case VT_BYTES:
      Give(&u.bytes.val);
      u.bytes.len = 0;
      break;
    case VT_TABS:
      FreeElems24(u.elems24.len, u.elems24.val);
      Give(&u.elems24.val);
      u.elems24.len = 0;
      break;
    case VT_PAIRS:
      if (u.elems72.val != nullptr) {
        for (uint32_t i = 0; i < u.elems72.len; ++i) {
          TaskFreeString(&u.elems72.val[i].first);
          TaskFreeString(&u.elems72.val[i].second);
        }
      }
      Give(&u.elems72.val);
      u.elems72.len = 0;
      break;
    case VT_NESTED:
      if (u.elems32.val != nullptr) {
        for (uint32_t i = 0; i < u.elems32.len; ++i) {
          TaskFreeString(&u.elems32.val[i].text);
          Give(&u.elems32.val[i].values);
          u.elems32.val[i].count = 0;
        }
      }
      Give(&u.elems32.val);
      u.elems32.len = 0;
      break;
    case VT_RECORD:
      Give(&u.rec24);
      break;
    case VT_OWNING_RECORD:
      if (u.rec16 != nullptr) Give(&u.rec16->values);
      Give(&u.rec16);
      break;
    case VT_NESTED_WIDE:
      if (u.elems48.val != nullptr) {
        for (uint32_t i = 0; i < u.elems48.len; ++i) {
          TaskFreeString(&u.elems48.val[i].first);
          TaskFreeString(&u.elems48.val[i].second);
          TaskFreeHostStrings(&u.elems48.val[i].list);
        }
      }
      Give(&u.elems48.val);
      u.elems48.len = 0;
      break;
    case VT_STRUCTURED:
      if (u.structured != nullptr) {
        TaskFreeString(&u.structured->name);
        TaskFreeHostStrings(&u.structured->strings);
        FreeElems24(u.structured->count, u.structured->elems);
        Give(&u.structured->elems);
      }
      Give(&u.structured);
      break;
    default:
      break;  // the value lives in the payload itself
  }
}

void TaskFreePropVal(PropVal* value) {
  if (value == nullptr) return;
  if (value->propIdent.num == 0) TaskFreeString(&value->propIdent.name);
  value->propIdent.name = nullptr;
  TaskFreeTypedVal(&value->propVal);
}

void TaskFreePropVals(PropVals* list) {
  if (list == nullptr) return;
  if (list->val != nullptr) {
    for (uint32_t i = 0; i < list->len; ++i) TaskFreePropVal(&list->val[i]);
  }
  Give(&list->val);
  list->len = 0;
}

void TaskFreeTextItems(TextItems* items) {
  if (items == nullptr) return;
  if (items->val != nullptr) {
    for (uint32_t i = items->len; i > 0; --i) {
      TextItem& item = items->val[i - 1];
      if (item.dataType == ITEM_STRING) TaskFreeString(&item.u.sdata);
    }
  }
  Give(&items->val);
  items->len = 0;
}
