// The allocator spy: sees every task block allocated and freed in the
// process, whoever does it, the host or the client.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

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
      live.insert(actual);
      frees[actual] = 0;
    }
    return actual;
  }
  void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
    if (request != nullptr) {
      std::lock_guard<std::mutex> lock(mutex);
      auto seen = frees.find(request);
      if (seen != frees.end()) {
        ++seen->second;
        if (live.erase(request) == 0) ++strays;
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

  std::mutex mutex;
  std::set<const void*> live;
  std::map<const void*, int> frees;  // since the address was last handed out
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

int TaskFreesOf(const void* block) {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  auto seen = Spy()->frees.find(block);
  return seen == Spy()->frees.end() ? 0 : seen->second;
}

bool TaskBlockLive(const void* block) {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  return Spy()->live.count(block) != 0;
}

size_t TaskLiveBlocks() {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  return Spy()->live.size();
}

int TaskStrayFrees() {
  std::lock_guard<std::mutex> lock(Spy()->mutex);
  return Spy()->strays;
}

}  // namespace comhost
