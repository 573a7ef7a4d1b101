// The task allocator where the system has none. Built as its own shared
// library so that the host program and every client module loaded into it
// share one allocator and one registered spy, as they do on Windows.
#ifndef _WIN32

#include <cstdlib>

#include "plugin/com_types.h"

namespace {
IMallocSpy* g_spy = nullptr;
}

void* CoTaskMemAlloc(SIZE_T size) {
  if (g_spy != nullptr) size = g_spy->PreAlloc(size);
  // A zero-byte request still yields a distinct block, so that a zero-length
  // array handed over is never mistaken for a missing one.
  void* block = std::malloc(size == 0 ? 1 : size);
  if (g_spy != nullptr) block = g_spy->PostAlloc(block);
  return block;
}

void CoTaskMemFree(void* block) {
  if (g_spy != nullptr) block = g_spy->PreFree(block, 1);
  std::free(block);
  if (g_spy != nullptr) g_spy->PostFree(1);
}

HRESULT CoRegisterMallocSpy(IMallocSpy* spy) {
  if (spy == nullptr) return E_POINTER;
  if (g_spy != nullptr) return CO_E_OBJISREG;
  spy->AddRef();
  g_spy = spy;
  return S_OK;
}

HRESULT CoRevokeMallocSpy() {
  if (g_spy == nullptr) return CO_E_OBJISREG;
  IMallocSpy* spy = g_spy;
  g_spy = nullptr;
  spy->Release();
  return S_OK;
}

#endif
