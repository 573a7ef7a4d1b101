// Running out of memory on purpose: the allocation hook of support/memory.h
// with a count of allocations and a countdown to the one that fails. It is
// installed when the program starts, so that every allocation is counted.
// Header-only, so that a test or fuzz program links only what it uses.
#ifndef TAGSMITH_TESTS_ALLOC_FAULTS_H
#define TAGSMITH_TESTS_ALLOC_FAULTS_H

#include <cstdint>

#include "support/memory.h"

namespace allocfaults {

inline int64_t g_countdown = 0;
inline int64_t g_count = 0;

inline bool CountAndFail() {
  ++g_count;
  if (g_countdown <= 0) return false;
  return --g_countdown == 0;
}

inline const bool g_installed = (SetMemAllocationHook(&CountAndFail), true);

}  // namespace allocfaults

// The n-th allocation from now (1 = the next) fails as if the heap were
// exhausted; 0 switches it off. Counts every MemAllocate, MemAllocateZeroed
// and MemResize.
inline void MemFailNth(int64_t n) { allocfaults::g_countdown = n > 0 ? n : 0; }
// Allocations since the program started.
inline int64_t MemAllocationCount() { return allocfaults::g_count; }

#endif
