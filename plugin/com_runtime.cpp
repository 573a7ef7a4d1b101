// The task allocator where the system has none. Built as its own shared
// library so that the host program and every client module loaded into it
// share one allocator and one registered spy, as they do on Windows.
#ifndef _WIN32

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "plugin/com_types.h"

#if defined(__SANITIZE_ADDRESS__)
#define TS_TASK_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TS_TASK_POOL 0
#endif
#endif
#ifndef TS_TASK_POOL
#define TS_TASK_POOL 1
#endif

namespace {

IMallocSpy* g_spy = nullptr;

// Every block carries a header naming its size class, so that a block given
// back is known by its address alone, as the system allocator knows it. Small
// blocks given back are kept per thread and class and handed out again, as a
// system heap does; results of host calls are mostly short strings, made and
// given back once per call. The address sanitizer sees every block come and
// go instead, so that it catches a client touching one after giving it back.
struct alignas(std::max_align_t) Header {
  uint32_t sizeClass;
  uint32_t mark;  // kLive while handed out
};
constexpr uint32_t kLive = 0x7a5c0b1e;
constexpr uint32_t kDead = 0x0dead7a5;
constexpr size_t kGrain = sizeof(Header);
constexpr uint32_t kClasses = 16;      // blocks of up to 256 bytes are kept
constexpr uint32_t kLarge = kClasses;  // the class of every larger block

Header* HeaderOf(void* block) { return static_cast<Header*>(block) - 1; }

uint32_t ClassOf(size_t size) {
  if (size > kClasses * kGrain) return kLarge;
  return size == 0 ? 0 : static_cast<uint32_t>((size - 1) / kGrain);
}

// A fault of the caller that would otherwise corrupt the heap unseen.
[[noreturn]] void HeapFault(const char* what) {
  std::fprintf(stderr, "task allocator: %s\n", what);
  std::abort();
}

#if TS_TASK_POOL
constexpr uint32_t kKeptPerClass = 4096;

struct Kept {
  Kept* next;
};

// One byte, so that giving a block back tests it once.
enum PoolState : uint8_t {
  kUnarmed = 0,  // nothing kept yet; the thread's end is not watched
  kOpen,         // the thread's end will give the kept blocks back
  kClosed,       // the thread is ending: keep nothing more
};
// Plain thread data, reached without a guard on every call; the blocks are
// given back to the C heap when the thread ends (armed on first keeping).
struct ThreadPool {
  Kept* kept[kClasses];
  uint32_t counts[kClasses];
  PoolState state;
};
thread_local ThreadPool t_pool __attribute__((tls_model("initial-exec")));

struct PoolReclaim {
  ~PoolReclaim() {
    t_pool.state = kClosed;
    for (Kept*& list : t_pool.kept) {
      while (list != nullptr) {
        Kept* next = list->next;
        std::free(reinterpret_cast<Header*>(list) - 1);
        list = next;
      }
    }
  }
};

// Whether a block of the class may be kept.
bool MayKeep(uint32_t cls) {
  if (cls >= kClasses || t_pool.counts[cls] >= kKeptPerClass) return false;
  if (__builtin_expect(t_pool.state == kOpen, 1)) return true;
  if (t_pool.state == kClosed) return false;
  t_pool.state = kOpen;
  static thread_local PoolReclaim reclaim;
  (void)reclaim;
  return true;
}
#endif

// The common paths below are a few loads and stores; whatever needs the C
// heap, the spy or a report is kept out of them, so that they save no
// registers and call nothing.
#if TS_TASK_POOL
void Keep(Header* header, uint32_t cls) {
  Kept* kept = reinterpret_cast<Kept*>(header + 1);
  kept->next = t_pool.kept[cls];
  t_pool.kept[cls] = kept;
  ++t_pool.counts[cls];
}
#endif

[[gnu::noinline]] void* TakeFromHeap(size_t size, uint32_t cls) {
  const size_t bytes = cls < kClasses ? (cls + 1) * kGrain : size;
  if (bytes > SIZE_MAX - kGrain) return nullptr;
  Header* header = static_cast<Header*>(std::malloc(bytes + kGrain));
  if (header == nullptr) return nullptr;
  header->sizeClass = cls;
  header->mark = kLive;
  return header + 1;
}

inline void* Take(size_t size) {
  const uint32_t cls = ClassOf(size);
#if TS_TASK_POOL
  if (cls < kClasses && t_pool.kept[cls] != nullptr) {
    Kept* block = t_pool.kept[cls];
    t_pool.kept[cls] = block->next;
    --t_pool.counts[cls];
    Header* header = reinterpret_cast<Header*>(block) - 1;
    header->sizeClass = cls;
    header->mark = kLive;
    return header + 1;
  }
#endif
  return TakeFromHeap(size, cls);
}

[[gnu::noinline]] void GiveToHeap(Header* header) {
#if TS_TASK_POOL
  if (MayKeep(header->sizeClass)) {
    Keep(header, header->sizeClass);
    return;
  }
#endif
  std::free(header);
}

[[noreturn, gnu::noinline, gnu::cold]] void BadGive(const Header* header) {
  HeapFault(header->mark == kDead ? "block freed twice" : "block it never handed out");
}

inline void Give(void* block) {
  Header* header = HeaderOf(block);
  if (header->mark != kLive) BadGive(header);
  header->mark = kDead;
#if TS_TASK_POOL
  const uint32_t cls = header->sizeClass;
  if (cls < kClasses && t_pool.state == kOpen && t_pool.counts[cls] < kKeptPerClass) {
    Keep(header, cls);
    return;
  }
#endif
  GiveToHeap(header);
}

[[gnu::noinline]] void* SpiedAlloc(IMallocSpy* spy, SIZE_T size) {
  void* block = Take(spy->PreAlloc(size));
  // The spy may have been revoked meanwhile; it is asked again, as it was.
  return g_spy != nullptr ? g_spy->PostAlloc(block) : block;
}

[[gnu::noinline]] void SpiedFree(IMallocSpy* spy, void* block) {
  block = spy->PreFree(block, 1);
  if (block != nullptr) Give(block);
  if (g_spy != nullptr) g_spy->PostFree(1);
}

}  // namespace

void* CoTaskMemAlloc(SIZE_T size) {
  // A zero-byte request still yields a distinct block, so that a zero-length
  // array handed over is never mistaken for a missing one.
  if (__builtin_expect(g_spy != nullptr, 0)) return SpiedAlloc(g_spy, size);
  return Take(size);
}

void CoTaskMemFree(void* block) {
  if (__builtin_expect(g_spy != nullptr, 0)) {
    SpiedFree(g_spy, block);
  } else if (block != nullptr) {
    Give(block);
  }
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
