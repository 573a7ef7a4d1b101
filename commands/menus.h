// The client's menus in the host: the "Characters" submenus of the document
// and book "Tools" menus, and one host command per operation, each placed
// as the command table says (commands/command_table.h).
#ifndef TAGSMITH_COMMANDS_MENUS_H
#define TAGSMITH_COMMANDS_MENUS_H

#include "client/host_api.h"

// Called by the Initialize callback. Code 1 builds the menus; every code asks
// for the client-call notification, whose status is returned.
int32_t InitializeHandler(int32_t code);

// Moves `submenu`, just appended to `parent`, before the first item whose
// label is not less than "Characters" ignoring case.
void PlaceMenuByLabel(ObjHandle parent, ObjHandle submenu);

#endif
