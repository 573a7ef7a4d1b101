// The one place where commands start: the menu's Command callback and the
// client-call strings both come here with a command number.
#ifndef TAGSMITH_COMMANDS_COMMAND_HANDLER_H
#define TAGSMITH_COMMANDS_COMMAND_HANDLER_H

#include "client/host_api.h"

// Runs the row of the command table (commands/command_table.h) that has
// the number; a number without a row does nothing.
int32_t CommandHandler(int32_t number);

#endif
