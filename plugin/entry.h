// The client's entry: F_ApiClientInit, which sets up the state the callbacks
// run on (plugin/client_runtime.h).
#ifndef TAGSMITH_PLUGIN_ENTRY_H
#define TAGSMITH_PLUGIN_ENTRY_H

#include "client/host_types.h"
#include "plugin/client_runtime.h"
#include "plugin/com_types.h"

#ifdef _WIN32
#define TAGSMITH_ENTRY_EXPORT __declspec(dllexport)
#else
#define TAGSMITH_ENTRY_EXPORT __attribute__((visibility("default")))
#endif

// The host's call into the library: module handle, host object, optional
// companion object, optional description (null: read from the module's
// version resource). 0 on success, -1 on failure.
extern "C" TAGSMITH_ENTRY_EXPORT int32_t F_ApiClientInit(void* module, IUnknown* host,
                                                         IUnknown* companion,
                                                         PropVals* description);

#endif
