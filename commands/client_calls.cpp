// Placeholder until the client-call strings are built.
#include "commands/client_calls.h"

void NotifyHandler(int32_t, ObjHandle, const char*, int32_t) {}
