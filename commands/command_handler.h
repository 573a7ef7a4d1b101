// The one place where commands start: the menu's Command callback and the
// client-call strings both come here with a command number.
#ifndef TAGSMITH_COMMANDS_COMMAND_HANDLER_H
#define TAGSMITH_COMMANDS_COMMAND_HANDLER_H

#include "client/host_api.h"

int32_t CommandHandler(int32_t number);

// Whether the command works on the active book rather than the document.
bool IsBookCommand(int32_t number);

// What a document command tells the user when no document is open.
extern const char kNoDocumentMessage[];

#endif
