// Commands started by other clients through the client-call notification.
#ifndef TAGSMITH_COMMANDS_CLIENT_CALLS_H
#define TAGSMITH_COMMANDS_CLIENT_CALLS_H

#include <cstddef>

#include "client/host_api.h"

// A string other clients send and the command it runs.
struct ClientCall {
  const char* text;
  int32_t command;
};
// Every client-call string, in the order they are tested.
extern const ClientCall kClientCalls[];
extern const size_t kClientCallCount;

// Called by the Notify callback for every notification; acts on
// NOTE_CLIENT_CALL only. For notification 75 `s` points at the unpacked
// record instead of a string.
void NotifyHandler(int32_t note, ObjHandle doc, const char* s, int32_t n);

#endif
