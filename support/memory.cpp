#include "support/memory.h"

#include <cstdlib>
#include <cstring>

#include "support/fatal_platform.h"

int32_t FatalStopCount = 0;

namespace {

FatalStopHandler g_fatalHandler = nullptr;
MemAllocationHook g_allocationHook = nullptr;

bool InjectedFailure() { return g_allocationHook != nullptr && g_allocationHook(); }

void* Checked(void* block, uint32_t flags) {
  if (block == nullptr && (flags & MEM_FATAL) != 0) FatalStop();
  return block;
}

}  // namespace

void FatalStop() {
  ++FatalStopCount;
  if (g_fatalHandler != nullptr) {
    g_fatalHandler();
  } else {
    PlatformFatalStop();
  }
}

void AssertFailed() { FatalStop(); }

FatalStopHandler SetFatalStopHandler(FatalStopHandler handler) {
  FatalStopHandler previous = g_fatalHandler;
  g_fatalHandler = handler;
  return previous;
}

MemAllocationHook SetMemAllocationHook(MemAllocationHook hook) {
  MemAllocationHook previous = g_allocationHook;
  g_allocationHook = hook;
  return previous;
}

// Zero-byte requests are served with one byte: the C run-time may answer
// them with null, which callers would take for exhaustion.
void* MemAllocate(uint32_t size, uint32_t flags) {
  void* block = InjectedFailure() ? nullptr : std::malloc(size != 0 ? size : 1);
  return Checked(block, flags);
}

void* MemAllocateZeroed(uint32_t count, uint32_t size, uint32_t flags) {
  void* block = nullptr;
  if (!InjectedFailure()) {
    block = (count == 0 || size == 0) ? std::calloc(1, 1) : std::calloc(count, size);
  }
  return Checked(block, flags);
}

// realloc to zero bytes may free the block and return null; keeping one byte
// preserves the rule that a null result leaves the old block valid.
void* MemResize(void* block, uint32_t size, uint32_t flags) {
  void* grown = InjectedFailure() ? nullptr : std::realloc(block, size != 0 ? size : 1);
  return Checked(grown, flags);
}

int32_t MemRelease(void* block) {
  std::free(block);
  return 0;
}

void* MemReleaseRef(void** ref) {
  if (ref != nullptr) std::free(*ref);
  return nullptr;
}

void StrReleaseAndClear(char** ref) {
  if (ref == nullptr) return;
  std::free(*ref);
  *ref = nullptr;
}

int32_t MemZero(void* block, uint32_t n) {
  if (block == nullptr) return 1;
  std::memset(block, 0, n);
  return 0;
}
