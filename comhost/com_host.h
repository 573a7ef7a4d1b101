// A host that speaks COM, for driving the client through F_ApiClientInit as
// the real host does. Its main API interface is laid out by hand, slot by
// slot, from the host's table of positions, so a client that calls the wrong
// slot is caught; every operation is carried out by an ordinary HostApi (the
// in-memory host), whose results are handed out in task blocks.
//
// It can decline any interface, fail every call with a COM code, report a
// status of its own, keep the blocks it hands out, and keep no reference to
// the callback object. Watched (for tests), it notes every position called
// and every block handed out, and the allocator spy sees every block freed;
// unwatched, as tagsmith-run drives it, it keeps no note per call.
#ifndef TAGSMITH_COMHOST_COM_HOST_H
#define TAGSMITH_COMHOST_COM_HOST_H

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plugin/com_interfaces.h"
#include "client/host_api.h"

namespace comhost {

// One allocation of the task allocator. Its address alone does not name it:
// once freed, the address may be handed out again for another block.
struct TaskBlock {
  void* address;
  uint64_t serial;  // order of allocation while the spy watched; 0: unknown
};

// Registers the allocator spy for the rest of the process (once).
void TaskSpyInstall();
// The allocation now live at the address (serial 0 when none is).
TaskBlock TaskBlockAt(void* address);
// How often that allocation has been given back.
int TaskFreesOf(const TaskBlock& block);
// Whether a block allocated while the spy watched is live at the address.
bool TaskBlockLive(const void* address);
// Whether that very allocation is still live.
bool TaskBlockLive(const TaskBlock& block);
// Blocks allocated while the spy watched and not yet freed.
size_t TaskLiveBlocks();
// Frees of blocks the spy never saw handed out (or saw freed already).
int TaskStrayFrees();

class ComHostC;

// One COM object of the host: a method table, the host it belongs to, and
// its own reference count.
struct HostPart {
  const void* const* table;
  ComHostC* host;
  int32_t refs;
  char role;  // in ComHostC::releases: 'r' root, 'm' main, 'f' further, 'a' auxiliary
};

class ComHostC {
 public:
  explicit ComHostC(HostApi* api, bool watch = false);
  ~ComHostC();
  ComHostC(const ComHostC&) = delete;
  ComHostC& operator=(const ComHostC&) = delete;

  // The host object handed to F_ApiClientInit.
  IUnknown* Object() { return reinterpret_cast<IUnknown*>(&root_); }
  // The main API interface itself, for calling it as a client would.
  IHostMainApi0* Main() { return reinterpret_cast<IHostMainApi0*>(&main_); }

  // ---- Configuration ----
  const bool watch;
  bool offer[kHostInterfaceCount];
  bool offerAuxiliary[kHostAuxiliaryCount];
  // The answer of auxiliary interface 1 to its question; 0: the host keeps
  // the blocks it hands out (and frees them itself, at its destruction).
  HRESULT arrangeAnswer = 1;
  bool keepsBlocks = false;  // what it answered
  bool keepCallback = true;
  // Every call of the main API interface fails with this code (S_OK: none).
  HRESULT failWith = S_OK;
  // When set, every call reports this status after doing its work.
  bool injectStatus = false;
  int32_t injectedStatus = 0;
  // Task blocks handed out before the next one fails (-1: none fails).
  long handsBeforeFailure = -1;

  // ---- Observation ----
  std::vector<GUID> asked;  // QueryInterface calls on the host object
  std::vector<int> slots;   // main API positions called, in order (watched)
  bool registered = false;
  int32_t registerConstant = 0;
  bool descriptionGiven = false;  // false: the register call passed null
  std::vector<std::pair<int32_t, std::string>> description;
  void* moduleGiven = nullptr;
  int moduleCalls = 0;
  // Every task block given to the client (watched), or kept for it.
  std::vector<TaskBlock> handedOut;
  std::string releases;  // the role of every interface released, in order

  // References the client holds on the host's interfaces.
  int32_t HeldReferences() const;
  int32_t MainReferences() const { return main_.refs; }
  int32_t RootReferences() const { return root_.refs; }

  // The callback interfaces the host took at registration (null: none).
  IFrameMakerNotifications0* notifications0 = nullptr;
  IFrameMakerNotifications1* notifications1 = nullptr;
  IFrameMakerCMSNotifications0* cms0 = nullptr;
  // Lets go of the callback object, as the host does when it unloads the
  // client; the last release tears the client down.
  void DropCallback();

  // ---- Internals used by the method tables ----
  HostApi* api;
  HRESULT QueryRoot(REFIID iid, void** out);
  void Record(int slot) {
    if (watch) slots.push_back(slot);
  }
  // The status of the operation that just ran on `api` (read from HostErrno,
  // which is put back as it was).
  // A result that could not be handed over whole is a call that failed,
  // never a success with parts of it missing.
  int32_t TakeStatus(int32_t savedErrno) {
    int32_t status = HostErrno;
    HostErrno = savedErrno;
    if (injectStatus) return injectedStatus;
    return handFailed && status == 0 ? ERR_CALL_FAILED : status;
  }
  // Task copies of client-heap results, remembered in handedOut.
  void* Hand(size_t size) {
    void* block = nullptr;
    if (handsBeforeFailure != 0) block = CoTaskMemAlloc(size);
    if (handsBeforeFailure > 0) --handsBeforeFailure;
    if (block == nullptr) {
      handFailed = handFailed || size != 0;
      return nullptr;
    }
    if (watch || keepsBlocks) Note(block);
    return block;
  }
  bool handFailed = false;  // during the current call
  // Remembers a block handed out.
  void Note(void* block);
  char* HandString(const char* s);
  // Inline: text walks hand one string over per character.
  char* HandString(const char* s, size_t length) {
    char* copy = static_cast<char*>(Hand(length + 1));
    if (copy != nullptr) std::memcpy(copy, s, length + 1);
    return copy;
  }

 private:
  HostPart root_;
  HostPart main_;
  HostPart further_[kHostInterfaceCount];
  HostPart auxiliary_[kHostAuxiliaryCount];
};

// A simple counted COM object, for the companion.
class ComCountedC final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  int32_t refs = 1;
};

// Deep copies of client values into task blocks, each recorded by `host`.
void HandPropVal(ComHostC* host, PropVal* dst, const PropVal& src);
void HandPropVals(ComHostC* host, PropVals* dst, const PropVals& src);

}  // namespace comhost

#endif
