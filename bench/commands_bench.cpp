// Commands that change documents, run whole through the command handler
// against the in-memory host: "Remove Overrides", turning the same
// overrides into formats (the price of keeping the look, beside that of
// stripping it) and "Convert Characters" on a document of many runs, and the book commands 7, 8 and 21 on a book of 50
// files. Each iteration works on a fresh copy of the same document or book;
// making the copy is not timed. The counters give the host calls, which are
// the same on every iteration, and the time per run of text or per file.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_docs.h"
#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "memhost/host_stack.h"
#include "support/encoding.h"

namespace {

using memhost::BookBuilder;
using memhost::DocBuilder;

// This process has none of the host's converters: in UTF-8 the paths of
// the book's files reach the host's save as they are.
struct Utf8Client {
  Utf8Client() { SetClientEncoding("UTF-8"); }
  ~Utf8Client() { SetClientEncoding("FrameRoman"); }
  Utf8Client(const Utf8Client&) = delete;
  Utf8Client& operator=(const Utf8Client&) = delete;
};

bool Answer(memhost::DialogRecord& r) {
  // Questions are confirmed; no command here shows a list.
  r.answer = 0;
  return true;
}

// One document saved as a file, opened afresh for every run of a command.
struct DocumentWorld {
  Utf8Client encoding;
  memhost::HostStack host;
  std::string path;
  std::set<ObjHandle> keepOpen;  // documents that stay open throughout
  int64_t characters = 0;
  int64_t runsBefore = 0;
  // Runs whose tag starts with `checkPrefix` (every run when it is empty),
  // before and after one run of the command: proof that it did its work.
  std::string checkPrefix;
  int64_t checkBefore = 0;
  int64_t checkAfter = 0;

  explicit DocumentWorld(const std::string& file) : path(file) {
    HostInstall(&host.faults);
    InitializeHandler(1);
    host.script.responder = Answer;
  }
  ~DocumentWorld() { HostInstall(nullptr); }

  ObjHandle Open() {
    ObjHandle doc = host.faults.OpenDocument(path.c_str(), nullptr, nullptr);
    host.model.Activate(doc);
    return doc;
  }
  void Close(ObjHandle doc) {
    host.model.DestroyDocument(doc);
    bench::CloseNewDocuments(host.model, keepOpen);
  }
  // Saves the built document as the file and measures one run of `command`.
  void Finish(DocBuilder& b, int32_t command) {
    runsBefore = bench::CountRuns(host.model, b.doc);
    checkBefore = bench::CountRuns(host.model, b.doc, checkPrefix);
    b.SaveAndClose(path);
    keepOpen.insert(host.model.openDocs.begin(), host.model.openDocs.end());
    ObjHandle doc = Open();
    CommandHandler(command);
    checkAfter = bench::CountRuns(host.model, doc, checkPrefix);
    Close(doc);
  }
};

void RunCommandOnCopies(benchmark::State& state, DocumentWorld& w, int32_t command) {
  HostInstall(&w.host.faults);
  int64_t calls = 0;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ObjHandle doc = w.Open();
    int64_t before = w.host.faults.callCount;
    state.ResumeTiming();
    double t0 = bench::ThreadSeconds();
    CommandHandler(command);
    double t1 = bench::ThreadSeconds();
    state.PauseTiming();
    seconds += t1 - t0;
    calls += w.host.faults.callCount - before;
    w.Close(doc);
    state.ResumeTiming();
  }
  double n = static_cast<double>(state.iterations());
  double runs = static_cast<double>(w.runsBefore);
  state.counters["runs"] = runs;
  state.counters["checked_before"] = static_cast<double>(w.checkBefore);
  state.counters["checked_after"] = static_cast<double>(w.checkAfter);
  state.counters["host_calls"] = static_cast<double>(calls) / n;
  state.counters["host_calls_per_run"] = static_cast<double>(calls) / n / runs;
  state.counters["us_per_run"] = seconds / n / runs * 1e6;
  state.counters["ns_per_host_call"] = seconds / static_cast<double>(calls) * 1e9;
}

// ---- Remove Overrides ----

// 200,000 characters in runs of 3 to 40, a third of them untagged, one in
// five set bold or italic by hand; 40 formats, each with an angle or a weight
// of its own, so that tagged runs are compared against their format too.
std::unique_ptr<DocumentWorld> BuildOverridesWorld(int32_t command) {
  auto w = std::make_unique<DocumentWorld>("C:\\bench\\overrides.fm");
  DocBuilder b(w->host.model, w->path);
  std::vector<std::string> tags;
  for (int i = 0; i < 40; ++i) {
    tags.push_back(bench::Numbered("Format", i));
    b.CharFormat(tags.back()).Set(i % 2 == 0 ? PROP_FONT_ANGLE : PROP_FONT_WEIGHT, 1);
  }
  bench::TextShape shape;
  shape.characters = 200000;
  shape.overrideOneIn = 5;
  w->characters = bench::FillText(b, tags, shape);
  w->Finish(b, command);
  return w;
}

void BM_RemoveOverrides(benchmark::State& state) {
  static std::unique_ptr<DocumentWorld> world = BuildOverridesWorld(CMD_REMOVE_CHAR_OVERRIDES);
  if (world->checkAfter >= world->checkBefore) {
    state.SkipWithError("the command removed no override");
    return;
  }
  RunCommandOnCopies(state, *world, CMD_REMOVE_CHAR_OVERRIDES);
}

// The same document, every question answered yes: formats are made for the
// looks no format gives, then found in the catalog like the others.
void BM_ConvertOverridesToFormats(benchmark::State& state) {
  static std::unique_ptr<DocumentWorld> world =
      BuildOverridesWorld(CMD_CONVERT_OVERRIDES_TO_FORMATS);
  if (world->checkAfter == world->checkBefore) {
    state.SkipWithError("the command tagged no run");
    return;
  }
  RunCommandOnCopies(state, *world, CMD_CONVERT_OVERRIDES_TO_FORMATS);
}

// ---- Convert Characters ----

// 200 source formats, each converted by a 200-row table: 190 rows to a
// format of their own, 5 to "Default Paragraph Format", 5 left empty. The
// text is as above without the hand-set runs, tagged with the sources and
// with 20 formats that the table does not name.
std::unique_ptr<DocumentWorld> BuildConversionWorld() {
  auto w = std::make_unique<DocumentWorld>("C:\\bench\\convert.fm");
  w->checkPrefix = "Source";
  {
    DocBuilder table(w->host.model, "C:\\bench\\table.fm");
    std::vector<std::vector<std::string>> rows = {{"Source Tag", "Destination Tag"}};
    for (int i = 0; i < 200; ++i) {
      std::string destination = i < 190   ? bench::Numbered("Target", i)
                                : i < 195 ? std::string("Default Paragraph Format")
                                          : std::string();
      rows.push_back({bench::Numbered("Source", i), destination});
    }
    table.Table(rows);
  }
  DocBuilder b(w->host.model, w->path);
  std::vector<std::string> tags;
  for (int i = 0; i < 200; ++i) {
    tags.push_back(bench::Numbered("Source", i));
    b.CharFormat(tags.back()).Set(PROP_FONT_ANGLE, 1);
    b.CharFormat(bench::Numbered("Target", i)).Set(PROP_FONT_WEIGHT, 1);
  }
  for (int i = 0; i < 20; ++i) {
    tags.push_back(bench::Numbered("Other", i));
    b.CharFormat(tags.back());
  }
  bench::TextShape shape;
  shape.characters = 200000;
  w->characters = bench::FillText(b, tags, shape);
  w->Finish(b, CMD_CONVERT_CHARS);
  return w;
}

void BM_ConvertCharacters(benchmark::State& state) {
  static std::unique_ptr<DocumentWorld> world = BuildConversionWorld();
  if (world->checkAfter * 10 > world->checkBefore) {
    state.SkipWithError("the command left most source runs as they were");
    return;
  }
  RunCommandOnCopies(state, *world, CMD_CONVERT_CHARS);
}

// ---- Book commands ----

constexpr int kBookFiles = 50;

// 50 files of about 20,000 characters each. Every file defines 60 formats
// shared by the book and 2 of its own; it uses 40 of the shared ones (a
// different 40 in each file) and one of its own.
struct BookWorld {
  Utf8Client encoding;
  memhost::HostStack host;
  ObjHandle book = 0;
  std::map<std::string, ObjHandle> pristine;                    // path -> saved copy as built
  std::map<std::string, std::vector<std::string>> formatNames;  // path -> its formats
  std::set<ObjHandle> keepOpen;
  int64_t characters = 0;

  BookWorld() {
    HostInstall(&host.faults);
    InitializeHandler(1);
    host.script.responder = Answer;
    std::vector<std::string> paths;
    for (int f = 0; f < kBookFiles; ++f) {
      std::string path = "C:\\book\\" + bench::Numbered("chapter", f) + ".fm";
      DocBuilder b(host.model, path);
      std::vector<std::string>& names = formatNames[path];
      std::vector<std::string> tags;
      for (int i = 0; i < 60; ++i) {
        names.push_back(bench::Numbered("Shared", i));
        if ((i + f) % 3 != 0) tags.push_back(names.back());
      }
      names.push_back(bench::Numbered("Own", 2 * f));
      tags.push_back(names.back());
      names.push_back(bench::Numbered("Own", 2 * f + 1));
      for (const std::string& name : names) b.CharFormat(name);
      bench::TextShape shape;
      shape.characters = 20000;
      shape.seed = static_cast<uint32_t>(f + 1);
      characters += bench::FillText(b, tags, shape);
      b.SaveAndClose(path);
      paths.push_back(path);
    }
    BookBuilder bb(host.model, "C:\\book\\manual.book");
    for (const std::string& p : paths) {
      bb.File(p);
      pristine[p] = host.model.CloneDocument(host.model.files[p].image, true);
    }
    book = bb.book;
    host.model.Activate(book);
    keepOpen.insert(host.model.openDocs.begin(), host.model.openDocs.end());
  }
  ~BookWorld() { HostInstall(nullptr); }

  // Character formats the saved files define.
  int64_t FormatsInFiles() const {
    int64_t count = 0;
    for (const auto& kv : formatNames) {
      ObjHandle image = host.model.files.at(kv.first).image;
      for (const std::string& name : kv.second) {
        if (host.model.NamedObject(image, OBJ_CHAR_FMT, name) != 0) ++count;
      }
    }
    return count;
  }

  // Puts every file back as it was built (command 8 changes them).
  void Restore() {
    for (const auto& kv : pristine) {
      memhost::FileEntry& entry = host.model.files[kv.first];
      if (entry.image != 0) host.model.DestroyDocument(entry.image);
      entry.image = host.model.CloneDocument(kv.second, true);
    }
  }
};

// The in-memory host never reuses an object's number, and opening a file
// copies it after a look at every object made so far: a host kept across
// runs would make each run slower than the one before. Each run therefore
// builds its own book (not timed) and makes a fixed number of iterations.
void BM_BookCommand(benchmark::State& state) {
  auto world = std::make_unique<BookWorld>();
  BookWorld& w = *world;
  HostInstall(&w.host.faults);
  const int32_t command = static_cast<int32_t>(state.range(0));
  const int64_t formats = w.FormatsInFiles();
  int64_t calls = 0;
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (command == CMD_DELETE_UNUSED_CHARS_BOOK) w.Restore();
    w.host.model.Activate(w.book);
    int64_t before = w.host.faults.callCount;
    state.ResumeTiming();
    double t0 = bench::ThreadSeconds();
    CommandHandler(command);
    double t1 = bench::ThreadSeconds();
    state.PauseTiming();
    seconds += t1 - t0;
    calls += w.host.faults.callCount - before;
    bench::CloseNewDocuments(w.host.model, w.keepOpen);
    state.ResumeTiming();
  }
  double n = static_cast<double>(state.iterations());
  state.counters["files"] = kBookFiles;
  state.counters["formats_deleted"] = static_cast<double>(formats - w.FormatsInFiles());
  state.counters["characters"] = static_cast<double>(w.characters);
  state.counters["host_calls"] = static_cast<double>(calls) / n;
  state.counters["host_calls_per_char"] = static_cast<double>(calls) / n /
                                          static_cast<double>(w.characters);
  state.counters["ms_per_file"] = seconds / n / kBookFiles * 1e3;
  state.counters["ns_per_host_call"] = seconds / static_cast<double>(calls) * 1e9;
}

BENCHMARK(BM_RemoveOverrides)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertOverridesToFormats)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertCharacters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BookCommand)
    ->Arg(CMD_LIST_CHAR_USAGE_BOOK)
    ->Arg(CMD_DELETE_UNUSED_CHARS_BOOK)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
// Every file is opened and scanned again for each of the 110 used tags.
BENCHMARK(BM_BookCommand)
    ->Arg(CMD_LIST_CHAR_USAGE_BOOK_BY_TAG)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
