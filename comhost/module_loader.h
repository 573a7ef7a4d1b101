// Loading a client module the way the host does: LoadLibrary on Windows,
// dlopen elsewhere. The handle is what the client calls its module handle.
#ifndef TAGSMITH_COMHOST_MODULE_LOADER_H
#define TAGSMITH_COMHOST_MODULE_LOADER_H

namespace comhost {

void* LoadModule(const char* path);
void* ModuleSymbol(void* module, const char* name);
void UnloadModule(void* module);

}  // namespace comhost

#endif
