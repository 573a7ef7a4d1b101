// The phase of a run that starts the client, finds among the menus it
// defined the command the options name, and runs it: what the host sees of
// the client, its menus and client-call strings, nothing of its code.
#ifndef TAGSMITH_SIM_RUN_COMMAND_H
#define TAGSMITH_SIM_RUN_COMMAND_H

#include <cstdint>
#include <string>
#include <vector>

#include "memhost/doc_store.h"
#include "sim/client_commands.h"
#include "sim/run_dialogs.h"
#include "sim/run_host.h"
#include "sim/run_options.h"
#include "sim/tagsmith_run_client.h"

// Starts the client from o.library over H's calls and initializes it; null,
// said, when it cannot be loaded.
ClientSession* StartClient(RunHost& H, const RunOptions& o);

// The client's commands as its menus show them (after Initialize).
std::vector<MenuEntry> MenuEntries(const memhost::DocStore& host);

// The client's menus, read from a client started for that alone over a host
// of its own; false, with *error, when it cannot be loaded.
bool ClientMenus(const RunOptions& o, std::vector<MenuEntry>* menu, std::string* error);

// Whether command is a label or tag of menu at all, whatever the files;
// *error says why not.
bool IsMenuCommand(const std::vector<MenuEntry>& menu, const std::string& command,
                   std::string* error);

// The number of the menu command a known call runs; 0 when the menus hold
// none.
int32_t NumberOfCall(const std::vector<MenuEntry>& menu, const KnownCall* call);

// Skip Master Pages starts switched on; choosing it from the menu turns it
// off.
void ToggleSkipMasterPages(ClientSession* client, const std::vector<MenuEntry>& menu);

// The command the options name.
struct ChosenCommand {
  const KnownCall* call = nullptr;  // named by its client-call string
  int32_t number = 0;               // 0: none that can run
  std::string error;                // then why, to be said after "tagsmith-run: "
};

// o.command among menu: a client-call string or a menu label. None when
// the menus hold no such command, when a book's command has no book
// (haveBook), or when --html is asked of a command it does not picture.
ChosenCommand ChooseCommand(const RunOptions& o, const std::vector<MenuEntry>& menu, bool haveBook);

// What the host sees of a command as it starts, to tell afterwards how it
// ended.
struct CommandStart {
  size_t dialogs;
  bool document;  // a document was active
};

CommandStart Starting(const RunHost& H);

// A command of the document menu that finds no document open says so in
// one notice and ends there: D is marked failed, with no document, when
// that is what the host saw.
void NoteNoDocument(RunDialogs& D, const RunHost& H, const std::vector<MenuEntry>& menu,
                    int32_t number, const CommandStart& start);

// Runs the chosen command, by its client-call string when it was named so,
// and notes in D how it ended.
void RunChosen(ClientSession* client, const ChosenCommand& chosen,
               const std::vector<MenuEntry>& menu, const RunHost& H, RunDialogs& D);

#endif
