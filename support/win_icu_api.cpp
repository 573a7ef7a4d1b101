// ICU on Windows: the client links no ICU of its own. It binds at run time to
// the ICU the host process provides: the host's own common library (icuuc*.dll,
// already loaded or beside the host) or the system's combined icu.dll. Entry
// points carry the library's version suffix (ucnv_open_72) unless the library
// was built without renaming, so both spellings are tried.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <psapi.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include <unicode/ucnv_err.h>

#include "support/icu_api.h"

namespace {

typedef void (*SetToUCallBackFn)(UConverter* converter, UConverterToUCallback action,
                                 const void* context, UConverterToUCallback* oldAction,
                                 const void** oldContext, UErrorCode* err);

// The bound functions. Filled once; `bound` says whether every one was found.
struct Bound {
  IcuApi api;
  SetToUCallBackFn setToUCallBack;
  UConverterToUCallback escape;
  bool bound;
};

Bound g_icu = {};

void SetToUEscape(UConverter* converter, UErrorCode* err) {
  g_icu.setToUCallBack(converter, g_icu.escape, nullptr, nullptr, nullptr, err);
}

// The entry point under its plain name or with the suffix.
FARPROC Find(HMODULE module, const char* name, const char* suffix) {
  FARPROC f = GetProcAddress(module, name);
  if (f != nullptr || suffix[0] == '\0') return f;
  char full[96];
  int n = std::snprintf(full, sizeof full, "%s%s", name, suffix);
  if (n < 0 || n >= static_cast<int>(sizeof full)) return nullptr;
  return GetProcAddress(module, full);
}

template <typename T>
bool Take(HMODULE module, const char* name, const char* suffix, T* out) {
  FARPROC f = Find(module, name, suffix);
  if (f == nullptr) return false;
  *out = reinterpret_cast<T>(reinterpret_cast<void*>(f));
  return true;
}

bool BindWithSuffix(HMODULE module, const char* suffix, Bound* b) {
  return Take(module, "ucnv_open", suffix, &b->api.open) &&
         Take(module, "ucnv_close", suffix, &b->api.close) &&
         Take(module, "ucnv_setFallback", suffix, &b->api.setFallback) &&
         Take(module, "ucnv_setToUCallBack", suffix, &b->setToUCallBack) &&
         Take(module, "UCNV_TO_U_CALLBACK_ESCAPE", suffix, &b->escape) &&
         Take(module, "ucnv_toUChars", suffix, &b->api.toUChars) &&
         Take(module, "ucnv_fromUChars", suffix, &b->api.fromUChars) &&
         Take(module, "u_strlen", suffix, &b->api.strlen) &&
         Take(module, "u_setDataDirectory", suffix, &b->api.setDataDirectory) &&
         Take(module, "u_getDataDirectory", suffix, &b->api.getDataDirectory);
}

// The version suffix: from the digits of the library's file name
// (icuuc72.dll gives "_72"), else the first one a probe finds.
bool Bind(HMODULE module, Bound* b) {
  if (BindWithSuffix(module, "", b)) return true;
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(module, path, sizeof path);
  if (n > 0 && n < sizeof path) {
    const char* base = std::strrchr(path, '\\');
    base = base != nullptr ? base + 1 : path;
    char digits[8] = {};
    size_t k = 0;
    for (const char* p = base; *p != '\0' && *p != '.' && k + 1 < sizeof digits; ++p) {
      if (std::isdigit(static_cast<unsigned char>(*p))) digits[k++] = *p;
    }
    if (k > 0) {
      char suffix[12];
      std::snprintf(suffix, sizeof suffix, "_%s", digits);
      if (BindWithSuffix(module, suffix, b)) return true;
    }
  }
  for (int version = 99; version >= 40; --version) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "_%d", version);
    char probe[24];
    std::snprintf(probe, sizeof probe, "ucnv_open%s", suffix);
    if (GetProcAddress(module, probe) != nullptr && BindWithSuffix(module, suffix, b)) return true;
  }
  return false;
}

bool NameStartsWith(const char* base, const char* prefix) {
  return _strnicmp(base, prefix, std::strlen(prefix)) == 0;
}

// A module of this process whose file name begins with "icuuc", or is
// "icu.dll": the host's own ICU comes first.
HMODULE LoadedIcu() {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &needed)) return nullptr;
  DWORD count = needed / sizeof(HMODULE);
  if (count > 512) count = 512;
  HMODULE system = nullptr;
  for (DWORD i = 0; i < count; ++i) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(modules[i], path, sizeof path);
    if (n == 0 || n >= sizeof path) continue;
    const char* base = std::strrchr(path, '\\');
    base = base != nullptr ? base + 1 : path;
    if (NameStartsWith(base, "icuuc")) return modules[i];
    if (_stricmp(base, "icu.dll") == 0) system = modules[i];
  }
  return system;
}

HMODULE FindIcuModule() {
  if (HMODULE loaded = LoadedIcu()) return loaded;
  // Beside the host program, then the system's own.
  if (HMODULE common = LoadLibraryA("icuuc.dll")) return common;
  return LoadLibraryExA("icu.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

const IcuApi* IcuGet() {
  static bool tried = false;
  if (!tried) {
    tried = true;
    HMODULE module = FindIcuModule();
    Bound b = {};
    if (module != nullptr && Bind(module, &b)) {
      b.api.setToUEscape = SetToUEscape;
      b.bound = true;
      g_icu = b;
    }
  }
  return g_icu.bound ? &g_icu.api : nullptr;
}
