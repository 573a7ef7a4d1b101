// Commands started by other clients through the client-call notification.
#ifndef TAGSMITH_COMMANDS_CLIENT_CALLS_H
#define TAGSMITH_COMMANDS_CLIENT_CALLS_H

#include "client/host_api.h"

// Called by the Notify callback for every notification; acts on
// NOTE_CLIENT_CALL only, running the command whose client-call string
// (commands/command_table.h) is exactly `s`. For notification 75 `s`
// points at the unpacked record instead of a string.
void NotifyHandler(int32_t note, ObjHandle doc, const char* s, int32_t n);

#endif
