#include "sim/run_write.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "memhost/text_dump.h"
#include "sim/client_commands.h"
#include "sim/diff_preview.h"
#include "sim/host_text.h"
#include "sim/json_report.h"
#include "sim/progress.h"
#include "sim/run_names.h"
#include "sim/run_say.h"
#include "sim/runs_left.h"
#include "sim/run_summary.h"
#include "sim/safe_write.h"
#include "sim/usage_counts.h"
#include "sim/usage_html.h"

namespace fs = std::filesystem;

namespace {

void ReportSelection(memhost::DocStore& host) {
  ObjHandle doc = host.activeDoc;
  const memhost::Value* sel = host.Prop(doc, PROP_TEXT_SELECTION);
  if (sel == nullptr) return;
  const TextRange& r = sel->range();
  const memhost::Obj* p = host.Find(r.beg.obj);
  if (p == nullptr || r.end.obj != r.beg.obj || r.end.offset == r.beg.offset) return;
  int32_t length = static_cast<int32_t>(p->text.size());
  int32_t b = std::min(std::max(r.beg.offset, 0), length);
  int32_t e = r.end.offset > length || r.end.offset < 0 ? length : r.end.offset;
  std::printf("Override in %s: \"%s\" characters %d-%d: \"%s\"\n",
              Readable(BaseName(host.StringProp(doc, PROP_NAME))).c_str(),
              Readable(p->text).c_str(), b, e,
              Readable(p->text.substr(static_cast<size_t>(b), static_cast<size_t>(e - b))).c_str());
}

// Whether what was printed on standard output got there. When it did not
// (its reader has gone), the run writes nothing more.
bool StdoutWritten() {
  errno = 0;
  bool ok = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (!ok) {
    Say(std::string("tagsmith-run: standard output: cannot write") +
        (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) +
        ". Nothing was written.\n");
  }
  return ok;
}

}  // namespace

bool StdoutTaken(const RunOptions& o) {
  return SafeIsStdout(o.output) || SafeIsStdout(o.json) || SafeIsStdout(o.html);
}

int WriteResults(RunHost& H, RunInputs& I, RunDialogs& D, const RunOptions& o, const char* call,
                 ChangedInputs* changedInputs) {
  ShowConsole(D, H.user);
  EndProgress(D);

  // The output documents: every open document that is none of the inputs.
  std::vector<ObjHandle> outputs = OutputDocuments(H.host, I);
  // MIF, a report or a page on standard output takes the place of the
  // readable text.
  for (size_t i = 0; i < outputs.size() && !StdoutTaken(o) && !o.diff; ++i) {
    if (i > 0) std::fputs("\n", stdout);
    std::fputs(Readable(memhost::DumpDocument(H.host, outputs[i])).c_str(), stdout);
  }
  if (call != nullptr && std::strcmp(call, kFindNextOverrideCall) == 0) ReportSelection(H.host);
  if (call != nullptr &&
      std::strncmp(call, kConvertOverridesCall, std::strlen(kConvertOverridesCall)) == 0 &&
      !outputs.empty() && !StdoutTaken(o) && !o.diff) {
    for (const RunLeft& left : RunsLeft(ReadOutputDocument(H.host, outputs[0]), I)) {
      std::printf("%s\n", RunLeftLine(left).c_str());
    }
  }
  if (!StdoutWritten()) return RUN_BAD_INPUT;

  int status = RUN_OK;
  if (!D.badChoice.empty()) {
    Say("tagsmith-run: " + D.badChoice + ". Nothing was written.\n");
    status = RUN_USAGE;
  } else if (D.unanswered && D.noTerminal) {
    Say("tagsmith-run: --interactive needs a terminal to ask \"" + D.unansweredText +
        "\", and the run has none. Nothing was written.\n");
    status = RUN_UNANSWERED;
  } else if (D.unanswered) {
    Say("tagsmith-run: no option answers \"" + D.unansweredText +
        "\"; give --yes/--no, --choose or --interactive. Nothing was written.\n");
    status = RUN_UNANSWERED;
  } else if (D.failed) {
    if (D.noDocument && !I.bookFile.empty() && H.host.openDocs.empty()) {
      Say("tagsmith-run: " + I.bookFile +
          " is a book, not a document; the book's commands "
          "work on it (tagsmith-run --list)\n");
    }
    Say("tagsmith-run: the command did not complete. Nothing was written.\n");
    status = RUN_FAILED;
  } else if (D.cancelled) {
    Say("tagsmith-run: cancelled. Nothing was written.\n");
    status = RUN_CANCELLED;
  } else if (I.missing && !o.allowMissing) {
    Say("tagsmith-run: book components are missing or cannot be read (--allow-missing goes on "
        "regardless). "
        "Nothing was written.\n");
    status = RUN_MISSING_FILES;
  }
  if (status != RUN_OK) return status;

  // Everything is written only once every text is made.
  std::vector<SafeWrite> writes;
  if (!o.output.empty()) {
    if (outputs.empty()) {
      Say("tagsmith-run: the command made no output document; --output not written\n");
    } else {
      MifDocument* source = nullptr;
      std::string error;
      if (I.outputSource != nullptr &&
          H.host.StringProp(outputs[0], PROP_NAME) == I.outputHostName) {
        if (!RestoreTree(I.outputSource.get(), &error)) {
          Say(error + "\n");
          return RUN_BAD_INPUT;
        }
        source = &I.outputSource->source;
      }
      std::string text;
      MifError e;
      bool written = source != nullptr
                         ? MifWriteDocumentInPlace(H.host, outputs[0], source, &text, &e)
                         : MifWriteDocument(H.host, outputs[0], nullptr, &text, &e);
      if (source != nullptr) ReleaseTree(I.outputSource.get());
      if (!written) {
        Say(MifErrorText(e) + "\n");
        return RUN_BAD_INPUT;
      }
      writes.push_back(SafeWrite{o.output, std::move(text), true, std::string()});
    }
  }
  ChangeTally& tally = RunTally();
  tally.changing = tally.changing || IsChangingCall(call);
  tally.writing = o.diff              ? ChangeTally::kDiff
                  : o.inPlace         ? ChangeTally::kInPlace
                  : !o.outDir.empty() ? ChangeTally::kOutDir
                                      : ChangeTally::kNotWritten;
  tally.outDir = o.outDir;
  // Counted only once the run has ended well: a batch's summary counts no
  // change of a run that wrote nothing.
  ChangeTally here;
  std::vector<std::string> toWrite;
  auto counted = [&tally, &here, &toWrite](bool written) {
    tally.changed.insert(tally.changed.end(), here.changed.begin(), here.changed.end());
    tally.deletedIn.insert(tally.deletedIn.end(), here.deletedIn.begin(), here.deletedIn.end());
    tally.formatsDeleted += here.formatsDeleted;
    if (written) tally.written.insert(tally.written.end(), toWrite.begin(), toWrite.end());
    return RUN_OK;
  };
  for (auto& in : I.inputs) {
    std::shared_ptr<const std::string> text;
    std::string error;
    bool changed = ChangedText(H.host, *in, &text, &error);
    if (!error.empty()) {
      Say(error + "\n");
      return RUN_BAD_INPUT;
    }
    if (!changed) continue;
    here.changed.push_back(in->file);
    // Sorted for a search: a catalog may hold tens of thousands of formats.
    std::vector<std::string> after = CatalogFormats(*text);
    std::sort(after.begin(), after.end());
    int64_t deleted = 0;
    for (const std::string& name : OriginalFormats(*in)) {
      if (!std::binary_search(after.begin(), after.end(), name)) ++deleted;
    }
    if (deleted > 0) here.deletedIn.push_back(in->file);
    here.formatsDeleted += deleted;
    changedInputs->emplace_back(in.get(), o.inPlace ? in->path : std::string());
    if (o.inPlace || (o.diff && o.outDir.empty())) {
      writes.push_back(
          SafeWrite{in->path, std::string(), true, in->path, OriginalDigest(*in), in->stamp});
      writes.back().held = std::move(text);
    } else if (!o.outDir.empty()) {
      std::string target = (fs::path(o.outDir) / BaseName(in->path)).string();
      changedInputs->back().second = target;
      writes.push_back(SafeWrite{target, std::string(), false, std::string()});
      writes.back().held = std::move(text);
    }
    if (o.inPlace || !o.outDir.empty()) toWrite.push_back(writes.back().path);
  }
  // The summary line names what is written; no line of its own for each.
  bool summed = tally.changing || !here.changed.empty();
  for (SafeWrite& w : writes) w.announce = !summed && !o.quiet;
  if (o.diff) {
    // A target the run would refuse makes no preview either. A folder that
    // --out-dir would make holds nothing to refuse yet.
    std::vector<SafeWrite> present;
    for (const SafeWrite& w : writes) {
      fs::path folder = fs::path(w.path).parent_path();
      std::error_code ec;
      if (folder.empty() || fs::exists(folder, ec)) present.push_back(w);
    }
    std::string why;
    if (!SafeCheckTargets(present, InputPaths(I), &why)) {
      Say(why + ". Nothing was written.\n");
      return RUN_USAGE;
    }
    // Coloured only for a reader at a terminal that takes escape codes:
    // patch(1) reading a pipe gets the plain diff.
    bool colour = isatty(STDOUT_FILENO) != 0 &&
                  TerminalEscapes(std::getenv("TERM"), std::getenv("NO_COLOR"));
    return PrintDiffPreview(writes, colour) && StdoutWritten() ? counted(false) : RUN_BAD_INPUT;
  }
  if (writes.empty()) return counted(false);
  if (!o.outDir.empty() && !o.inPlace) {
    std::error_code ec;
    fs::create_directories(o.outDir, ec);
    if (ec) {
      Say("tagsmith-run: cannot make the folder " + o.outDir + ": " + ec.message() +
          ". Nothing was written.\n");
      return RUN_BAD_INPUT;
    }
  }
  switch (SafeWriteAll(writes, InputPaths(I))) {
    case SAFE_WRITTEN:
      if (summed && !o.output.empty() && !outputs.empty()) {
        tally.output = SafeIsStdout(o.output) ? "standard output" : o.output;
      }
      return counted(true);
    case SAFE_REFUSED: return RUN_USAGE;
    case SAFE_FAILED: break;
  }
  return RUN_BAD_INPUT;
}

void PrintCounts(const RunRecord& r) {
  std::printf("\nCharacter tag counts (runs, characters):\n");
  TagCounts total = TotalCounts(r);
  size_t width = 0;
  for (const auto& kv : total) width = std::max(width, Readable(kv.first).size());
  auto block = [width](const std::string& title, const TagCounts& counts) {
    std::printf("%s\n", title.c_str());
    if (counts.empty()) std::printf("  (no text carries a character tag)\n");
    for (const auto& kv : counts) {
      std::printf("  %-*s %8lld %10lld\n", static_cast<int>(width), Readable(kv.first).c_str(),
                  static_cast<long long>(kv.second.runs),
                  static_cast<long long>(kv.second.characters));
    }
  };
  for (const RecordFile& f : r.files) block(f.title, f.counts);
  if (r.bookCommand) block("Total", total);
  // Tags the client lists as used that no text carries, by why it does.
  std::vector<std::string> used;
  std::vector<std::string> unused;
  std::string byName;
  std::string variants;
  std::string neither;
  ClientUsage(r, &used, &unused);
  std::set<std::string> counted;
  for (const auto& kv : total) counted.insert(Readable(kv.first));
  auto add = [](std::string* line, const std::string& item) {
    *line += (line->empty() ? "" : ", ") + item;
  };
  for (const std::string& tag : std::set<std::string>(used.begin(), used.end())) {
    if (counted.count(tag) != 0) continue;
    NoTextUse why = WhyNoTextUse(r, tag);
    std::string of;
    for (const std::string& v : why.variantsUsed) add(&of, v);
    if (why.named) {
      add(&byName, tag);
    } else if (!of.empty()) {
      add(&variants, tag + " (" + of + ")");
    } else {
      add(&neither, tag);
    }
  }
  if (!byName.empty()) std::printf("Used by name only, no text carries them: %s\n", byName.c_str());
  if (!variants.empty()) {
    std::printf("Used only as a case variant of a used tag, no text carries them: %s\n",
                variants.c_str());
  }
  if (!neither.empty()) {
    std::printf("Listed as used, though no text, format or setting names them: %s\n",
                neither.c_str());
  }
  std::fflush(stdout);
}

// The report and the page are written after the documents: one may not take
// the place a changed document gets in --out-dir.
bool ReportsClearOfOutDir(const RunInputs& I, const RunOptions& o, std::string* why) {
  if (o.outDir.empty()) return true;
  auto place = [](const std::string& path) {
    return fs::absolute(fs::path(path)).lexically_normal();
  };
  for (const std::string* report : {&o.json, &o.html}) {
    if (report->empty() || SafeIsStdout(*report)) continue;
    for (const auto& in : I.inputs) {
      if (place(*report) == place((fs::path(o.outDir) / BaseName(in->path)).string())) {
        *why = *report + " is where --out-dir puts a changed " + BaseName(in->path);
        return false;
      }
    }
  }
  return true;
}

// Nothing named on the command line is replaced, read yet or not.
int StopRun(const RunInputs& I, const RunOptions& o, int status) {
  if (o.json.empty()) return status;
  RunRecord r;
  r.command = o.command;
  if (const KnownCall* call = KnownCallOf(o.command)) r.call = call->text;
  for (const auto& in : I.inputs) {
    if (in->doc != 0) r.documents.push_back(in->file);
  }
  r.book = I.bookFile;
  r.messages = Messages(I, o);
  r.status = status;
  std::vector<std::string> keep = InputPaths(I);
  keep.insert(keep.end(), o.files.begin(), o.files.end());
  SafeWriteAll({SafeWrite{o.json, JsonReport(r), true, std::string()}}, keep);
  return status;
}

// The report last, so that it can tell how the run ended. Neither replaces
// a file the run read or wrote.
int WriteReports(RunHost& H, const RunInputs& I, const RunOptions& o, const ChangedInputs& changed,
                 Reporting* R, int status) {
  std::vector<std::string> keep = InputPaths(I);
  if (status == RUN_OK) {
    if (!o.output.empty()) keep.push_back(o.output);
    for (const auto& change : changed) {
      if (!change.second.empty()) keep.push_back(change.second);
    }
  }
  auto write = [&](const std::string& path, const std::string& text) {
    SafeWrite report{path, text, true, std::string()};
    report.announce = !o.quiet;
    SafeWriteResult result = SafeWriteAll({report}, keep);
    if (result != SAFE_WRITTEN && status == RUN_OK) {
      status = result == SAFE_REFUSED ? RUN_USAGE : RUN_BAD_INPUT;
    }
    if (!SafeIsStdout(path)) keep.push_back(path);
  };
  if (!o.html.empty()) write(o.html, UsageHtml(R->record));
  if (!o.json.empty()) {
    if (status != R->record.status) EndRecord(H, I, o, changed, status, R);
    // What was said since, the page's "wrote" line included.
    R->record.messages = Messages(I, o);
    write(o.json, JsonReport(R->record));
  }
  for (ObjHandle copy : R->before) {
    if (copy != 0) H.host.DestroyDocument(copy);
  }
  return status;
}
