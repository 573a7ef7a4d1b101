#include "plugin/com_memory.h"

#include <cstring>

#include "plugin/com_types.h"
#include "client/typed_parts.h"

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

void* TaskAllocate(void*, uint32_t count, uint32_t size) {
  size_t bytes = static_cast<size_t>(count) * size;
  void* block = bytes == 0 ? nullptr : CoTaskMemAlloc(bytes);
  if (block != nullptr) std::memset(block, 0, bytes);
  return block;
}
void TaskRelease(void*, void* block) { CoTaskMemFree(block); }
const BlockHeap kTaskHeap{nullptr, TaskAllocate, TaskRelease};

}  // namespace

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
  if (value != nullptr) TypedPartsFree(value, kTaskHeap);
}

void TaskFreePropVal(PropVal* value) { PropValPartsFree(value, kTaskHeap); }

void TaskFreePropVals(PropVals* list) { PropValsPartsFree(list, kTaskHeap); }

void TaskFreeTextItems(TextItems* items) { TextItemsPartsFree(items, kTaskHeap); }
