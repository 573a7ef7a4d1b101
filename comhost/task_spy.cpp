// The allocator spy: sees every task block allocated and freed in the
// process, whoever does it, the host or the client.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "comhost/com_host.h"

namespace comhost {
namespace {

// The system asks a spy for this interface before it takes it.
constexpr GUID kIidMallocSpy = {
    0x0000001D, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class TaskSpyC final : public IMallocSpy {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (!ComSameId(iid, kIidUnknown) && !ComSameId(iid, kIidMallocSpy)) return E_NOINTERFACE;
    *out = static_cast<IUnknown*>(this);
    return S_OK;
  }
  // Lives as long as the process.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override { return request; }
  void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
    if (actual != nullptr) {
      std::lock_guard<std::mutex> lock(mutex);
      blocks[actual] = Record{++allocations, 0, true};
      ++live;
    }
    return actual;
  }
  void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
    if (request != nullptr) {
      std::lock_guard<std::mutex> lock(mutex);
      auto seen = blocks.find(request);
      if (seen != blocks.end()) {
        ++seen->second.frees;
        if (seen->second.live) {
          seen->second.live = false;
          --live;
        } else {
          ++strays;
        }
      }
    }
    return request;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** actual, BOOL) override {
    *actual = request;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

  // The latest allocation at each address. An allocator may hand a freed
  // block's address out again, so a block is known by its serial number.
  struct Record {
    uint64_t serial;
    int frees;
    bool live;
  };
  std::mutex mutex;
  std::map<const void*, Record> blocks;
  uint64_t allocations = 0;
  size_t live = 0;
  int strays = 0;
};

TaskSpyC* Spy() {
  static TaskSpyC* spy = new TaskSpyC();  // never destroyed: frees may come late
  return spy;
}

}  // namespace

void TaskSpyInstall() {
  static const HRESULT registered = CoRegisterMallocSpy(Spy());
  // Without the spy no test could tell a freed block from a kept one.
  if (registered != S_OK) {
    std::fprintf(stderr, "allocator spy not registered: 0x%08lx\n",
                 static_cast<unsigned long>(registered));
    std::abort();
  }
}

TaskBlock TaskBlockAt(void* address) {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  auto seen = Spy()->blocks.find(address);
  const bool live = seen != Spy()->blocks.end() && seen->second.live;
  return TaskBlock{address, live ? seen->second.serial : 0};
}

int TaskFreesOf(const TaskBlock& block) {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  auto seen = Spy()->blocks.find(block.address);
  if (seen == Spy()->blocks.end() || seen->second.serial < block.serial) return 0;
  // Its address went to a later block, so it was given back first; any
  // further free of it hit a dead address and counts as a stray.
  if (seen->second.serial > block.serial) return 1;
  return seen->second.frees;
}

bool TaskBlockLive(const void* address) {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  auto seen = Spy()->blocks.find(address);
  return seen != Spy()->blocks.end() && seen->second.live;
}

bool TaskBlockLive(const TaskBlock& block) {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  auto seen = Spy()->blocks.find(block.address);
  return seen != Spy()->blocks.end() && seen->second.live && seen->second.serial == block.serial;
}

size_t TaskLiveBlocks() {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  return Spy()->live;
}

int TaskStrayFrees() {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  return Spy()->strays;
}

}  // namespace comhost
