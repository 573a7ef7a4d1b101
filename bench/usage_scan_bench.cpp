// The usage scan over a large document in the in-memory host. The scan asks
// the host for the tag of every character, so its speed is mostly the host's;
// what matters here is how much the scan adds on top. The baseline makes
// exactly the host calls one scan makes, and nothing else, generated from a
// few thousand strides (a call repeated at the following offsets): a replay
// of the million recorded calls would add the reading of the recording.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "charfmt/usage_scan.h"
#include "client/host_lists.h"
#include "memhost/doc_builder.h"
#include "memhost/faulty_host.h"
#include "memhost/mem_host.h"
#include "support/memory.h"

namespace {

using memhost::DocBuilder;

// One host call of the scan, with the arguments that decide its cost.
struct Call {
  enum Op : uint8_t { GET_INT, SET_INT, GET_ID, GET_STRING, TEXT_FOR_RANGE, TEXT_PROP, REDISPLAY };
  Op op;
  ObjHandle doc;
  ObjHandle obj;
  int32_t prop;  // property, item mask or value
  int32_t offset;
};

// The in-memory host, counting every call as fault injection does and
// noting the calls of one scan when asked to.
class RecordingHost : public memhost::FaultyHost {
 public:
  using FaultyHost::FaultyHost;
  bool recording = false;
  std::vector<Call> calls;

  int32_t GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    Note({Call::GET_INT, doc, obj, prop, 0});
    return FaultyHost::GetInt(doc, obj, prop);
  }
  void SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) override {
    Note({Call::SET_INT, doc, obj, prop, value});
    FaultyHost::SetInt(doc, obj, prop, value);
  }
  ObjHandle GetId(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    Note({Call::GET_ID, doc, obj, prop, 0});
    return FaultyHost::GetId(doc, obj, prop);
  }
  char* GetString(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    Note({Call::GET_STRING, doc, obj, prop, 0});
    return FaultyHost::GetString(doc, obj, prop);
  }
  TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) override {
    Note({Call::TEXT_FOR_RANGE, doc, range.beg.obj, mask, range.end.offset});
    return FaultyHost::GetTextForRange(doc, range, mask);
  }
  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override {
    Note({Call::TEXT_PROP, doc, at.obj, prop, at.offset});
    return FaultyHost::GetTextPropVal(doc, at, prop);
  }
  int32_t Redisplay(ObjHandle doc) override {
    Note({Call::REDISPLAY, doc, 0, 0, 0});
    return FaultyHost::Redisplay(doc);
  }

 private:
  void Note(const Call& c) {
    if (recording) calls.push_back(c);
  }
};

// One host call through the client's host functions, freeing what it
// returns, as the scan must too.
inline void Make(const Call& c) {
  switch (c.op) {
    case Call::GET_INT: benchmark::DoNotOptimize(HostGetInt(c.doc, c.obj, c.prop)); break;
    case Call::SET_INT: HostSetInt(c.doc, c.obj, c.prop, c.offset); break;
    case Call::GET_ID: benchmark::DoNotOptimize(HostGetId(c.doc, c.obj, c.prop)); break;
    case Call::GET_STRING: MemRelease(HostGetString(c.doc, c.obj, c.prop)); break;
    case Call::TEXT_FOR_RANGE: {
      TextItems items =
          HostGetTextForRange(c.doc, TextRange{{c.obj, 0}, {c.obj, c.offset}}, c.prop);
      TextItemsFree(&items);
      break;
    }
    case Call::TEXT_PROP: {
      HostErrno = 0;
      PropVal v = HostGetTextPropVal(c.doc, TextLoc{c.obj, c.offset}, c.prop);
      PropValFree(&v);
      break;
    }
    case Call::REDISPLAY: HostRedisplay(c.doc); break;
  }
}

// Makes the recorded calls again, one by one from the recording.
void Replay(const std::vector<Call>& calls) {
  for (const Call& c : calls) Make(c);
}

// A call made `count` times, at offsets one after the other.
struct Stride {
  Call call;
  int32_t count;
};

std::vector<Stride> Strides(const std::vector<Call>& calls) {
  std::vector<Stride> strides;
  for (const Call& c : calls) {
    if (!strides.empty()) {
      Stride& s = strides.back();
      if (c.op == Call::TEXT_PROP && s.call.op == c.op && s.call.doc == c.doc &&
          s.call.obj == c.obj && s.call.prop == c.prop && s.call.offset + s.count == c.offset) {
        ++s.count;
        continue;
      }
    }
    strides.push_back(Stride{c, 1});
  }
  return strides;
}

// The same calls as Replay, with only the strides to read.
void Generate(const std::vector<Stride>& strides) {
  for (const Stride& s : strides) {
    Call c = s.call;
    for (int32_t i = 0; i < s.count; ++i, ++c.offset) Make(c);
  }
}

bool SameCalls(const std::vector<Stride>& strides, const std::vector<Call>& calls) {
  size_t at = 0;
  for (const Stride& s : strides) {
    Call c = s.call;
    for (int32_t i = 0; i < s.count; ++i, ++c.offset, ++at) {
      if (at >= calls.size()) return false;
      const Call& r = calls[at];
      if (r.op != c.op || r.doc != c.doc || r.obj != c.obj || r.prop != c.prop ||
          r.offset != c.offset) {
        return false;
      }
    }
  }
  return at == calls.size();
}

// A long document: `formats` character formats, paragraphs of about a
// thousand characters in runs of 3 to 40 characters, a third of them plain
// and the rest tagged at random, one format in ten never used.
struct Corpus {
  memhost::DocStore model;
  memhost::MemHost mem{&model};
  RecordingHost host{&mem};
  ObjHandle doc = 0;
  int64_t characters = 0;
  int64_t callsPerScan = 0;
  std::vector<Call> calls;
  std::vector<Stride> strides;

  explicit Corpus(int formats) {
    HostInstall(&host);
    DocBuilder b(model, "C:\\bench\\long.fm");
    doc = b.doc;
    std::vector<std::string> names;
    for (int i = 0; i < formats; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "Format %03d", i);
      names.push_back(name);
      b.CharFormat(name);
    }
    std::mt19937 random(42);
    std::uniform_int_distribution<int> length(3, 40);
    std::uniform_int_distribution<int> pick(0, formats * 9 / 10 - 1);
    std::uniform_int_distribution<int> plain(0, 2);
    const std::string filler = "The quick brown fox jumps over the lazy dog; pack my box.";
    while (characters < 1000000) {
      std::vector<memhost::Run> runs;
      int32_t size = 0;
      while (size < 1000) {
        int n = length(random);
        std::string text = filler.substr(static_cast<size_t>(size) % 16, static_cast<size_t>(n));
        runs.emplace_back(text, plain(random) == 0 ? std::string()
                                                   : names[static_cast<size_t>(pick(random))]);
        size += static_cast<int32_t>(text.size());
      }
      b.Para(runs);
      characters += size;
    }
    host.recording = true;
    int64_t before = host.callCount;
    Scan();
    callsPerScan = host.callCount - before;
    host.recording = false;
    calls.swap(host.calls);
    strides = Strides(calls);
  }

  // Checks that the baselines make exactly the scan's calls.
  bool Faithful(benchmark::State& state) const {
    if (static_cast<int64_t>(calls.size()) != callsPerScan) {
      state.SkipWithError("the scan made host calls the replay does not know");
      return false;
    }
    if (!SameCalls(strides, calls)) {
      state.SkipWithError("the strides do not make the recorded calls");
      return false;
    }
    return true;
  }

  void Scan() {
    StringList* used = StringListCreate(1, 1);
    StringList* unused = StringListCreate(1, 1);
    CharTagUsageScan(doc, used, unused);
    benchmark::DoNotOptimize(used->count);
    StringListDestroy(used);
    StringListDestroy(unused);
  }
};

// Built once per size and kept: building takes longer than scanning.
Corpus& CorpusOf(int formats) {
  static std::map<int, std::unique_ptr<Corpus>> corpora;
  std::unique_ptr<Corpus>& c = corpora[formats];
  if (!c) c = std::make_unique<Corpus>(formats);
  HostInstall(&c->host);
  return *c;
}

// Processor time of this thread: other work on the machine does not count.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_UsageScan(benchmark::State& state) {
  Corpus& c = CorpusOf(static_cast<int>(state.range(0)));
  if (!c.Faithful(state)) return;
  double scanTime = 0;
  double hostTime = 0;
  for (auto _ : state) {
    double t0 = ThreadSeconds();
    c.Scan();
    double t1 = ThreadSeconds();
    state.PauseTiming();
    double t2 = ThreadSeconds();
    Generate(c.strides);
    double t3 = ThreadSeconds();
    state.ResumeTiming();
    scanTime += t1 - t0;
    hostTime += t3 - t2;
  }
  double iterations = static_cast<double>(state.iterations());
  state.counters["chars_per_s"] = benchmark::Counter(static_cast<double>(c.characters) * iterations,
                                                     benchmark::Counter::kIsRate);
  state.counters["characters"] = static_cast<double>(c.characters);
  state.counters["host_calls_per_char"] = static_cast<double>(c.callsPerScan) /
                                          static_cast<double>(c.characters);
  state.counters["outside_host_share"] = scanTime > 0 ? (scanTime - hostTime) / scanTime : 0;
  state.counters["over_host_calls"] = hostTime > 0 ? scanTime / hostTime : 0;
  state.counters["client_ns_per_char"] = (scanTime - hostTime) * 1e9 /
                                         (iterations * static_cast<double>(c.characters));
}

// The same host calls and nothing else, generated from the strides.
void BM_HostCallsOnly(benchmark::State& state) {
  Corpus& c = CorpusOf(static_cast<int>(state.range(0)));
  if (!c.Faithful(state)) return;
  for (auto _ : state) Generate(c.strides);
  state.counters["chars_per_s"] = benchmark::Counter(static_cast<double>(c.characters) *
                                                         static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
  state.counters["strides"] = static_cast<double>(c.strides.size());
}

// What replaying the recording costs over generating the calls: the share
// a replayed baseline would have hidden.
void BM_RecordingReplay(benchmark::State& state) {
  Corpus& c = CorpusOf(static_cast<int>(state.range(0)));
  if (!c.Faithful(state)) return;
  double replayTime = 0;
  double generateTime = 0;
  for (auto _ : state) {
    double t0 = ThreadSeconds();
    Replay(c.calls);
    double t1 = ThreadSeconds();
    Generate(c.strides);
    double t2 = ThreadSeconds();
    replayTime += t1 - t0;
    generateTime += t2 - t1;
  }
  state.counters["recording_mb"] = static_cast<double>(c.calls.size() * sizeof(Call)) / 1e6;
  state.counters["replay_over_generated"] = generateTime > 0 ? replayTime / generateTime : 0;
}

BENCHMARK(BM_UsageScan)->Arg(200)->Arg(20)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostCallsOnly)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordingReplay)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
