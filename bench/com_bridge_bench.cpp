// What the COM bridge costs per host call. The same work runs against the
// in-memory host directly and through the COM test host, which lays out the
// host's main API interface slot by slot and hands every result over in task
// blocks, as the real host does; both are measured in the same iteration, so
// the ratio and the difference per call come from one run.
//
// - BM_ScanBridgeVsDirect: the usage scan, with the bridge linked into this
//   program and connected through F_ApiClientInit.
// - BM_ListUsageLibraryVsDirect: "List Character Usage" (command 1) through
//   the built shared library, loaded as the host loads it and driven through
//   the Command callback, against the same command called in this program.
#include <benchmark/benchmark.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_docs.h"
#include "charfmt/usage_scan.h"
#include "plugin/com_bridge.h"
#include "plugin/entry.h"
#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "memhost/host_stack.h"
#include "support/string_list.h"
#include "comhost/com_host.h"
#include "comhost/module_loader.h"

namespace {

using memhost::DocBuilder;

// A document of 200 formats, 90 % of them used, and about 200,000
// characters.
ObjHandle BuildScanDocument(memhost::DocStore& host, int64_t* characters) {
  DocBuilder b(host, "C:\\bench\\bridge.fm");
  std::vector<std::string> tags;
  for (int i = 0; i < 200; ++i) {
    std::string name = bench::Numbered("Format", i);
    b.CharFormat(name);
    if (i < 180) tags.push_back(name);
  }
  bench::TextShape shape;
  shape.characters = 200000;
  *characters = bench::FillText(b, tags, shape);
  return b.doc;
}

// The in-memory host with its calls counted, and no script: nothing here
// asks the user anything.
struct CountedHost {
  memhost::DocStore model;
  memhost::MemHost mem{&model};
  memhost::FaultyHost faults{&mem};
};

// The COM test host registers an allocator spy that notes every task block
// in a locked set, for its tests. The real host has nothing of the kind, so
// it is revoked here once the host is made.
void RevokeAllocatorSpy() { CoRevokeMallocSpy(); }

void Scan(ObjHandle doc) {
  StringList* used = StringListCreate(1, 1);
  StringList* unused = StringListCreate(1, 1);
  CharTagUsageScan(doc, used, unused);
  benchmark::DoNotOptimize(used->count);
  StringListDestroy(used);
  StringListDestroy(unused);
}

// The in-memory host behind a COM host, and the bridge of this program
// connected to it.
struct BridgeWorld {
  CountedHost mem;
  comhost::ComHostC com{&mem.faults};
  PropVals description{0, nullptr};
  ObjHandle doc = 0;
  int64_t characters = 0;
  bool connected = false;

  BridgeWorld() {
    RevokeAllocatorSpy();
    HostInstall(&mem.faults);
    doc = BuildScanDocument(mem.model, &characters);
    connected = F_ApiClientInit(nullptr, com.Object(), nullptr, &description) == 0;
  }
  ~BridgeWorld() {
    com.DropCallback();
    HostInstall(nullptr);
  }
  // The COM host notes every block and slot; the notes are not the bridge's
  // cost and would only grow.
  void ForgetNotes() {
    com.handedOut.clear();
    com.slots.clear();
  }
};

void BM_ScanBridgeVsDirect(benchmark::State& state) {
  static std::unique_ptr<BridgeWorld> world = std::make_unique<BridgeWorld>();
  BridgeWorld& w = *world;
  if (!w.connected) {
    state.SkipWithError("F_ApiClientInit failed");
    return;
  }
  double direct = 0;
  double bridged = 0;
  int64_t directCalls = 0;
  int64_t bridgedCalls = 0;
  for (auto _ : state) {
    HostInstall(&w.mem.faults);
    int64_t c0 = w.mem.faults.callCount;
    double t0 = bench::ThreadSeconds();
    Scan(w.doc);
    double t1 = bench::ThreadSeconds();
    int64_t c1 = w.mem.faults.callCount;
    HostInstall(ComBridge());
    double t2 = bench::ThreadSeconds();
    Scan(w.doc);
    double t3 = bench::ThreadSeconds();
    int64_t c2 = w.mem.faults.callCount;
    state.PauseTiming();
    w.ForgetNotes();
    state.ResumeTiming();
    direct += t1 - t0;
    bridged += t3 - t2;
    directCalls += c1 - c0;
    bridgedCalls += c2 - c1;
  }
  HostInstall(&w.mem.faults);
  if (directCalls != bridgedCalls) {
    state.SkipWithError("the scan made different host calls through the bridge");
    return;
  }
  double n = static_cast<double>(state.iterations());
  double calls = static_cast<double>(directCalls) / n;
  state.counters["host_calls"] = calls;
  state.counters["characters"] = static_cast<double>(w.characters);
  state.counters["direct_ms"] = direct / n * 1e3;
  state.counters["bridge_ms"] = bridged / n * 1e3;
  state.counters["bridge_over_direct"] = direct > 0 ? bridged / direct : 0;
  state.counters["direct_ns_per_call"] = direct / n / calls * 1e9;
  state.counters["bridge_ns_per_call"] = bridged / n / calls * 1e9;
  state.counters["added_ns_per_call"] = (bridged - direct) / n / calls * 1e9;
}

// ---- The built library ----

using EntryFn = int32_t (*)(void*, IUnknown*, IUnknown*, PropVals*);

struct LibraryWorld {
  CountedHost mem;
  comhost::ComHostC com{&mem.faults};
  void* module = nullptr;
  ObjHandle doc = 0;
  int64_t characters = 0;
  bool ready = false;

  LibraryWorld() {
    RevokeAllocatorSpy();
    HostInstall(&mem.faults);
    InitializeHandler(1);
    doc = BuildScanDocument(mem.model, &characters);
    module = comhost::LoadModule(TS_PLUGIN);
    auto entry = reinterpret_cast<EntryFn>(comhost::ModuleSymbol(module, "F_ApiClientInit"));
    ready = entry != nullptr && entry(module, com.Object(), nullptr, nullptr) == 0 &&
            com.notifications0 != nullptr && com.notifications0->Initialize(1) == S_OK;
  }
  ~LibraryWorld() {
    com.DropCallback();
    comhost::UnloadModule(module);
    HostInstall(nullptr);
  }
};

void BM_ListUsageLibraryVsDirect(benchmark::State& state) {
  static std::unique_ptr<LibraryWorld> world = std::make_unique<LibraryWorld>();
  LibraryWorld& w = *world;
  if (!w.ready) {
    state.SkipWithError("the library could not be loaded and initialised");
    return;
  }
  const std::set<ObjHandle> open(w.mem.model.openDocs.begin(), w.mem.model.openDocs.end());
  double direct = 0;
  double library = 0;
  int64_t directCalls = 0;
  int64_t libraryCalls = 0;
  for (auto _ : state) {
    HostInstall(&w.mem.faults);
    w.mem.model.Activate(w.doc);
    int64_t c0 = w.mem.faults.callCount;
    double t0 = bench::ThreadSeconds();
    CommandHandler(CMD_LIST_CHAR_USAGE);
    double t1 = bench::ThreadSeconds();
    int64_t c1 = w.mem.faults.callCount;
    state.PauseTiming();
    bench::CloseNewDocuments(w.mem.model, open);
    w.mem.model.Activate(w.doc);
    state.ResumeTiming();
    double t2 = bench::ThreadSeconds();
    w.com.notifications0->Command(CMD_LIST_CHAR_USAGE);
    double t3 = bench::ThreadSeconds();
    int64_t c2 = w.mem.faults.callCount;
    state.PauseTiming();
    bench::CloseNewDocuments(w.mem.model, open);
    w.com.handedOut.clear();
    w.com.slots.clear();
    state.ResumeTiming();
    direct += t1 - t0;
    library += t3 - t2;
    directCalls += c1 - c0;
    libraryCalls += c2 - c1;
  }
  if (directCalls != libraryCalls) {
    state.SkipWithError("the library made different host calls");
    return;
  }
  double n = static_cast<double>(state.iterations());
  double calls = static_cast<double>(directCalls) / n;
  state.counters["host_calls"] = calls;
  state.counters["direct_ms"] = direct / n * 1e3;
  state.counters["library_ms"] = library / n * 1e3;
  state.counters["library_over_direct"] = direct > 0 ? library / direct : 0;
  state.counters["added_ns_per_call"] = (library - direct) / n / calls * 1e9;
}

BENCHMARK(BM_ScanBridgeVsDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListUsageLibraryVsDirect)->Unit(benchmark::kMillisecond);

}  // namespace
