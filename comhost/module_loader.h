// Loading a client module the way the host does: LoadLibrary on Windows,
// dlopen elsewhere. The handle is what the client calls its module handle.
#ifndef TAGSMITH_COMHOST_MODULE_LOADER_H
#define TAGSMITH_COMHOST_MODULE_LOADER_H

#include <string>

namespace comhost {

void* LoadModule(const char* path);
// Why the last LoadModule failed, as the system says it; empty when it
// does not say.
std::string ModuleLoadError();
void* ModuleSymbol(void* module, const char* name);
void UnloadModule(void* module);

}  // namespace comhost

#endif
