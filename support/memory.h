// Heap blocks. Every block comes from the one C run-time heap, so any release
// operation may free any block, also those that host operations hand out.
#ifndef TAGSMITH_SUPPORT_MEMORY_H
#define TAGSMITH_SUPPORT_MEMORY_H

#include <cstdint>

// Flag bit 0: an allocation failure is fatal (FatalStop); otherwise it
// returns null.
constexpr uint32_t MEM_FATAL = 1;

void* MemAllocate(uint32_t size, uint32_t flags);
void* MemAllocateZeroed(uint32_t count, uint32_t size, uint32_t flags);
// realloc semantics: the old block stays valid when null is returned.
void* MemResize(void* block, uint32_t size, uint32_t flags);
int32_t MemRelease(void* block);
// Frees the block *ref holds (if any); does not change the variable.
void* MemReleaseRef(void** ref);
// Frees *ref (null allowed) and sets it to null; nothing for a null address.
void StrReleaseAndClear(char** ref);
// 1 for a null block; else zeroes n bytes and returns 0.
int32_t MemZero(void* block, uint32_t n);

// The continuable software exception with code 1.
void FatalStop();
// Internal-error exit of the library: FatalStop.
void AssertFailed();

// Platform layer of FatalStop. On Windows the default raises the software
// exception; elsewhere the default records the stop and lets the caller carry
// on with its fallback result. Tests install their own to observe stops.
typedef void (*FatalStopHandler)();
FatalStopHandler SetFatalStopHandler(FatalStopHandler handler);
// How many fatal stops have happened in this process.
extern int32_t FatalStopCount;

// A say over every allocation, for tests that exhaust the heap on purpose.
// When set, the hook is asked before each MemAllocate, MemAllocateZeroed and
// MemResize; true makes that one fail as if the heap were exhausted (and
// fatal with MEM_FATAL). Null, as in the shipped program, asks nothing.
// Returns the previous hook.
typedef bool (*MemAllocationHook)();
MemAllocationHook SetMemAllocationHook(MemAllocationHook hook);

#endif
