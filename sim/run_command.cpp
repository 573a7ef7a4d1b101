#include "sim/run_command.h"

#include <cstring>

#include "sim/run_names.h"
#include "sim/run_say.h"

namespace {

void CollectMenu(const memhost::DocStore& host, ObjHandle menu, bool book,
                 const std::string& prefix, std::vector<MenuEntry>* out) {
  const memhost::Obj* m = host.Find(menu);
  if (m == nullptr) return;
  for (ObjHandle item : m->kids) {
    const memhost::Obj* o = host.Find(item);
    if (o == nullptr) continue;
    std::string label = host.StringProp(item, PROP_LABEL);
    if (o->type == memhost::T_COMMAND) {
      out->push_back(MenuEntry{book, prefix + label, host.StringProp(item, PROP_NAME),
                               host.CommandNumberOf(item)});
    } else if (o->type == memhost::T_MENU) {
      CollectMenu(host, item, book, prefix + label + " > ", out);
    }
  }
}

// A menu label (or command tag) to a command number; 0 when none matches.
int32_t ResolveLabel(const std::vector<MenuEntry>& menu, std::string command, bool haveBook,
                     std::string* message) {
  int menuWanted = -1;  // -1 either, 0 document, 1 book
  std::string key = LabelKey(command);
  for (const char* p : {"doc:", "document:", "book:"}) {
    size_t n = std::strlen(p);
    if (key.compare(0, n, p) == 0) {
      menuWanted = p[0] == 'b' ? 1 : 0;
      key = LabelKey(key.substr(n));
    }
  }
  std::vector<const MenuEntry*> found;
  for (const MenuEntry& e : menu) {
    if (e.callOnly) continue;  // run by its string only
    if (menuWanted >= 0 && e.book != (menuWanted == 1)) continue;
    std::string full = LabelKey(e.label);
    size_t gt = full.rfind("> ");
    std::string last = gt == std::string::npos ? full : full.substr(gt + 2);
    if (key == full || key == last || key == Lower(e.tag)) found.push_back(&e);
  }
  if (found.empty()) {
    *message = "unknown command \"" + command + "\" (tagsmith-run --list shows them)";
    return 0;
  }
  if (found.size() > 1) {
    // The same label on both menus: the book's when a book is given.
    for (const MenuEntry* e : found) {
      if (e->book == haveBook) return e->number;
    }
  }
  return found[0]->number;
}

}  // namespace

ClientSession* StartClient(RunHost& H, const RunOptions& o) {
  std::string error;
  ClientSession* client = ClientOpen(&H.calls, o.library, &error);
  if (client == nullptr) {
    Say("tagsmith-run: " + error + "\n");
    return nullptr;
  }
  ClientInitialize(client, 1);
  return client;
}

bool ClientMenus(const RunOptions& o, std::vector<MenuEntry>* menu, std::string* error) {
  memhost::DocStore host;
  memhost::MemHost api(&host);
  ClientSession* client = ClientOpen(&api, o.library, error);
  if (client == nullptr) return false;
  ClientInitialize(client, 1);
  *menu = MenuEntries(host);
  ClientClose(client);
  return true;
}

bool IsMenuCommand(const std::vector<MenuEntry>& menu, const std::string& command,
                   std::string* error) {
  return ResolveLabel(menu, command, false, error) != 0;
}

std::vector<MenuEntry> MenuEntries(const memhost::DocStore& host) {
  std::vector<MenuEntry> out;
  CollectMenu(host, host.NamedObject(0, OBJ_MENU, "Tagsmith"), false, "", &out);
  CollectMenu(host, host.NamedObject(0, OBJ_MENU, "TagsmithBook"), true, "", &out);
  return out;
}

int32_t NumberOfCall(const std::vector<MenuEntry>& menu, const KnownCall* call) {
  const MenuEntry* entry = call != nullptr ? MenuCommandTagged(menu, call->tag) : nullptr;
  return entry != nullptr ? entry->number : 0;
}

void ToggleSkipMasterPages(ClientSession* client, const std::vector<MenuEntry>& menu) {
  const MenuEntry* skip = MenuCommandTagged(menu, kSkipMasterPagesTag);
  if (skip != nullptr) ClientCommand(client, skip->number);
}

ChosenCommand ChooseCommand(const RunOptions& o, const std::vector<MenuEntry>& menu,
                            bool haveBook) {
  ChosenCommand chosen;
  std::string& error = chosen.error;
  const KnownCall* call = chosen.call = KnownCallOf(o.command);
  int32_t number = call != nullptr ? NumberOfCall(menu, call)
                                   : ResolveLabel(menu, o.command, haveBook, &error);
  if (call != nullptr && number == 0) {
    error = "the client's menus hold no command for \"" + o.command + "\"";
  }
  if (number == 0) return chosen;
  if (IsBookOnly(menu, number) && !haveBook) {
    error = o.command + " works on a book: name a MIF book among the files";
    return chosen;
  }
  if (o.each && !IsDocumentOnly(menu, number)) {
    error = "--each runs a document command on each document; " + o.command + " is not one";
    return chosen;
  }
  if (!o.html.empty() && !IsBookOnly(menu, number) &&
      number != NumberOfCall(menu, KnownCallOf(kListUsageCall))) {
    error = "--html pictures the book commands and List Character Usage only";
    return chosen;
  }
  chosen.number = number;
  return chosen;
}

CommandStart Starting(const RunHost& H) {
  return CommandStart{H.user.dialogs.size(), H.host.activeDoc != 0};
}

// That is what the host sees of a command that found no document: with no
// document active, its only dialog was a notice, and no call followed.
void NoteNoDocument(RunDialogs& D, const RunHost& H, const std::vector<MenuEntry>& menu,
                    int32_t number, const CommandStart& start) {
  if (start.document || !IsDocumentOnly(menu, number)) return;
  if (H.user.dialogs.size() != start.dialogs + 1) return;
  const memhost::DialogRecord& d = H.user.dialogs.back();
  if (d.kind != memhost::DialogRecord::ALERT || d.alertType != kAlertNotice) return;
  if (H.calls.callCount != D.noticeCall) return;
  D.failed = true;
  D.noDocument = true;
}

void RunChosen(ClientSession* client, const ChosenCommand& chosen,
               const std::vector<MenuEntry>& menu, const RunHost& H, RunDialogs& D) {
  CommandStart start = Starting(H);
  if (chosen.call != nullptr) {
    ClientNotify(client, NOTE_CLIENT_CALL, chosen.call->text);
  } else {
    ClientCommand(client, chosen.number);
  }
  NoteNoDocument(D, H, menu, chosen.number, start);
}
