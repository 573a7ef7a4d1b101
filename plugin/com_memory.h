// Freeing what the host hands back. The host allocates every block of a
// result with the task allocator; these walk a result the way the client's
// own free routines do, but give each block back with CoTaskMemFree. Each
// leaves the record empty, so a second call frees nothing.
#ifndef TAGSMITH_PLUGIN_COM_MEMORY_H
#define TAGSMITH_PLUGIN_COM_MEMORY_H

#include "client/host_types.h"
#include "plugin/com_types.h"

// Inline: the text walks give one string back per character.
inline void TaskFreeString(char** s) {
  if (*s != nullptr) CoTaskMemFree(*s);
  *s = nullptr;
}
void TaskFreeTypedVal(TypedVal* value);
void TaskFreePropVal(PropVal* value);
void TaskFreePropVals(PropVals* list);
void TaskFreeHostStrings(HostStrings* list);
void TaskFreeTextItems(TextItems* items);
void TaskFreeMetricList(MetricList* list);

#endif
