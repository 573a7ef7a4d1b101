// The client's handlers linked into tagsmith-run and called directly, with
// the in-memory host installed as the host interface.
#include "commands/client_calls.h"
#include "commands/command_handler.h"
#include "commands/menus.h"
#include "support/format.h"
#include "sim/tagsmith_run_client.h"

struct ClientSession {
  memhost::MemHost* host;
  HostApi* previous;
};

const char* ClientKind() { return "in-process"; }

std::string ClientDefaultLibrary() { return std::string(); }

ClientSession* ClientOpen(memhost::MemHost* host, const std::string&, std::string*) {
  ClientSession* s = new ClientSession{host, HostInstall(host)};
  // What the entry sets up when the host loads the library.
  SetConsoleSink(HostPrintConsole);
  HostExitFlag = 0;
  return s;
}

int32_t ClientInitialize(ClientSession*, int32_t code) { return InitializeHandler(code); }

int32_t ClientCommand(ClientSession*, int32_t number) { return CommandHandler(number); }

void ClientNotify(ClientSession*, int32_t note, const char* text) {
  NotifyHandler(note, 0, text, 0);
}

void ClientClose(ClientSession* session) {
  if (session == nullptr) return;
  SetConsoleSink(nullptr);
  HostInstall(session->previous);
  delete session;
}
