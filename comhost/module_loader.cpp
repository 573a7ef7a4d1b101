#include "comhost/module_loader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace comhost {

#ifdef _WIN32
void* LoadModule(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }
std::string ModuleLoadError() {
  DWORD code = GetLastError();
  return code == 0 ? std::string() : "Windows error " + std::to_string(code);
}
void* ModuleSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void UnloadModule(void* module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}
#else
void* LoadModule(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
std::string ModuleLoadError() {
  const char* why = dlerror();
  return why != nullptr ? why : std::string();
}
void* ModuleSymbol(void* module, const char* name) { return dlsym(module, name); }
void UnloadModule(void* module) {
  if (module != nullptr) dlclose(module);
}
#endif

}  // namespace comhost
