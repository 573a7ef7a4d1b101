// The built library loaded as the host loads it: its exported entry gets the
// COM test host's object, and every callback goes through the callback
// object it registers. The COM host carries each operation to the
// in-memory host.
#include <sys/stat.h>

#include "comhost/com_host.h"
#include "comhost/module_loader.h"
#include "sim/tagsmith_run.h"
#include "sim/tagsmith_run_client.h"

namespace {
using EntryFn = int32_t (*)(void*, IUnknown*, IUnknown*, PropVals*);
}

struct ClientSession {
  comhost::ComHostC* com;
  void* module;
};

const char* ClientKind() { return "COM"; }

std::string ClientDefaultLibrary() { return RunBesideProgram(TAGSMITH_RUN_LIBRARY); }

ClientSession* ClientOpen(HostApi* host, const std::string& library, std::string* error) {
  // Loading reads the file: a FIFO or a device there would hold the run
  // forever. A name without a slash is looked for where the system keeps
  // libraries, not here.
  struct stat st {};
  if (library.find('/') != std::string::npos && stat(library.c_str(), &st) == 0 &&
      !S_ISREG(st.st_mode)) {
    *error = "the client library " + library + " is not a regular file" +
             (S_ISDIR(st.st_mode) ? " (a folder)" : " (a device, FIFO or socket)");
    return nullptr;
  }
  void* module = comhost::LoadModule(library.c_str());
  if (module == nullptr) {
    // The system's reason names what is wrong: not a library, another
    // machine's, a library it needs missing, or no memory to map it.
    std::string why = comhost::ModuleLoadError();
    if (why.compare(0, library.size() + 2, library + ": ") == 0) why.erase(0, library.size() + 2);
    *error = "cannot load the client library " + library + (why.empty() ? "" : ": " + why);
    return nullptr;
  }
  auto entry = reinterpret_cast<EntryFn>(comhost::ModuleSymbol(module, "F_ApiClientInit"));
  if (entry == nullptr) {
    comhost::UnloadModule(module);
    *error = library + " does not export F_ApiClientInit";
    return nullptr;
  }
  ClientSession* s = new ClientSession{new comhost::ComHostC(host), module};
  if (entry(module, s->com->Object(), nullptr, nullptr) != 0 || s->com->notifications0 == nullptr) {
    *error = "the client library declined to start (F_ApiClientInit failed)";
    ClientClose(s);
    return nullptr;
  }
  return s;
}

int32_t ClientInitialize(ClientSession* s, int32_t code) {
  return s->com->notifications0->Initialize(code) == S_OK ? 0 : -1;
}

int32_t ClientCommand(ClientSession* s, int32_t number) {
  return s->com->notifications0->Command(number) == S_OK ? 0 : -1;
}

void ClientNotify(ClientSession* s, int32_t note, const char* text) {
  s->com->notifications0->Notify(note, 0, text, 0);
}

void ClientClose(ClientSession* s) {
  if (s == nullptr) return;
  // The last reference to the callback object tears the client down.
  s->com->DropCallback();
  delete s->com;
  comhost::UnloadModule(s->module);
  delete s;
}
