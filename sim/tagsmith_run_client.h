// How tagsmith-run reaches the client: a session that calls the client's
// Initialize, Command and Notify callbacks against the in-memory host. It
// loads the built library and goes through its exported entry and the COM
// callback object, as the host does.
#ifndef TAGSMITH_SIM_TAGSMITH_RUN_CLIENT_H
#define TAGSMITH_SIM_TAGSMITH_RUN_CLIENT_H

#include <cstdint>
#include <string>

#include "client/host_api.h"

struct ClientSession;

// How the client is reached, for --list: "COM".
const char* ClientKind();
// The library loaded when none is named.
std::string ClientDefaultLibrary();
// Starts the client against host (loaded from library); null with
// *error on failure. The host must outlive the session.
ClientSession* ClientOpen(HostApi* host, const std::string& library, std::string* error);
int32_t ClientInitialize(ClientSession* session, int32_t code);
int32_t ClientCommand(ClientSession* session, int32_t number);
void ClientNotify(ClientSession* session, int32_t note, const char* text);
void ClientClose(ClientSession* session);

#endif
