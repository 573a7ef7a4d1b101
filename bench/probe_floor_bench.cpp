// The least a probe of the character tag can cost. The usage scan asks the
// host for the tag of every character, one call each, and "List Character
// Usage - By Tag" makes that scan of every file once for the listing and
// once more for every used tag. Here the host answers the probe at once with
// a fixed tag, without finding the paragraph or its run, so what is measured
// is the call alone: the client's host function, the COM bridge, the host's
// interface slot, the value handed over in a task block and freed on both
// sides. No host that answers through the bridge can make the probe cheaper;
// `ns_per_probe` times the probes a command makes is a floor of its time.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "bench/bench_docs.h"
#include "client/host_lists.h"
#include "client/host_numbers.h"
#include "client/host_wrapper.h"
#include "comhost/com_host.h"
#include "memhost/host_stack.h"
#include "plugin/com_bridge.h"
#include "plugin/entry.h"

namespace {

// A tag of a common length, in the used list of a typical book.
const char kTag[] = "Emphasis";

// Every other call goes to the in-memory host; the probe is answered here.
class FixedTagHost : public HostWrapper {
 public:
  using HostWrapper::HostWrapper;
  PropVal GetTextPropVal(ObjHandle, TextLoc, int32_t prop) override {
    PropVal v{};
    v.propIdent.num = prop;
    v.propVal.valType = VT_STRING;
    v.propVal.u.sval = static_cast<char*>(std::malloc(sizeof kTag));
    if (v.propVal.u.sval != nullptr) std::memcpy(v.propVal.u.sval, kTag, sizeof kTag);
    return v;
  }
  bool PeekTextPropVal(ObjHandle, TextLoc, int32_t prop, PropVal* view, size_t* length) override {
    *view = PropVal{};
    view->propIdent.num = prop;
    view->propVal.valType = VT_STRING;
    view->propVal.u.sval = const_cast<char*>(kTag);
    *length = sizeof kTag - 1;
    return true;
  }
};

struct FloorWorld {
  memhost::DocStore model;
  memhost::MemHost mem{&model};
  FixedTagHost fixed{&mem};
  comhost::ComHostC com{&fixed};
  PropVals description{0, nullptr};
  bool connected = false;

  FloorWorld() {
    CoRevokeMallocSpy();  // the test host's spy on task blocks; the real host has none
    HostInstall(&fixed);
    connected = F_ApiClientInit(nullptr, com.Object(), nullptr, &description) == 0;
  }
  ~FloorWorld() {
    com.DropCallback();
    HostInstall(nullptr);
  }
};

// One probe as the scan makes it: the error cleared, the value read, the
// value freed. What the scan then does with the tag is not counted.
int64_t Probe(int64_t n) {
  int64_t seen = 0;
  for (int64_t i = 0; i < n; ++i) {
    HostErrno = 0;
    PropVal v = HostGetTextPropVal(1, TextLoc{2, static_cast<int32_t>(i & 1023)}, PROP_CHAR_TAG);
    seen += v.propVal.u.sval != nullptr ? 1 : 0;
    PropValFree(&v);
  }
  return seen;
}

void BM_ProbeFloor(benchmark::State& state) {
  static std::unique_ptr<FloorWorld> world = std::make_unique<FloorWorld>();
  FloorWorld& w = *world;
  if (!w.connected) {
    state.SkipWithError("F_ApiClientInit failed");
    return;
  }
  const int64_t n = 1000000;
  double direct = 0;
  double bridged = 0;
  for (auto _ : state) {
    HostInstall(&w.fixed);
    double t0 = bench::ThreadSeconds();
    int64_t a = Probe(n);
    double t1 = bench::ThreadSeconds();
    HostInstall(ComBridge());
    double t2 = bench::ThreadSeconds();
    int64_t b = Probe(n);
    double t3 = bench::ThreadSeconds();
    state.PauseTiming();
    w.com.handedOut.clear();
    w.com.slots.clear();
    state.ResumeTiming();
    if (a != n || b != n) {
      state.SkipWithError("a probe came back without its tag");
      break;
    }
    direct += t1 - t0;
    bridged += t3 - t2;
  }
  HostInstall(&w.fixed);
  double probes = static_cast<double>(n) * static_cast<double>(state.iterations());
  state.counters["direct_ns_per_probe"] = direct / probes * 1e9;
  state.counters["ns_per_probe"] = bridged / probes * 1e9;
}

BENCHMARK(BM_ProbeFloor)->Unit(benchmark::kMillisecond);

}  // namespace
