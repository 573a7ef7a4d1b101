// Modules, their version information and resources through the system's
// module, resource and version services.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "plugin/version_info.h"

uint32_t ModuleFilePath(void* module, char* buf, uint32_t size) {
  if (size == 0) return 0;
  DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), buf, size);
  // A path that filled the buffer was cut short.
  if (n == 0 || n >= size) return 0;
  return n;
}

int32_t FileVersionInfo(const char* path, void* buf, uint32_t size) {
  return GetFileVersionInfoA(path, 0, size, buf) ? 1 : 0;
}

const char* VersionInfoValue(const void* buf, const char* query) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(buf, query, &value, &length) || value == nullptr) return nullptr;
  return length == 0 ? "" : static_cast<const char*>(value);
}

const void* ModuleResourceData(void* module, const char* name, uint16_t type, uint32_t* size) {
  HMODULE handle = static_cast<HMODULE>(module);
  HRSRC found = FindResourceA(handle, name, MAKEINTRESOURCEA(type));
  if (found == nullptr) return nullptr;
  DWORD bytes = SizeofResource(handle, found);
  HGLOBAL loaded = LoadResource(handle, found);
  if (loaded == nullptr) return nullptr;
  const void* data = LockResource(loaded);
  if (data == nullptr) return nullptr;
  *size = bytes;
  return data;
}
