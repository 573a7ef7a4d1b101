// tagsmith-run: the run itself, as the pipeline it is. Loads the files into
// the in-memory host (run_load.h), starts the client and runs one command
// (run_command.h) with the dialogs answered from the options
// (run_dialogs.h), looks at what it left (run_collect.h), and writes and
// reports it (run_write.h). Each phase's state is a record of its own,
// passed to the phases after it.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "memhost/mem_host.h"
#include "mif/mif_document.h"
#include "mif/mif_font.h"
#include "sim/client_commands.h"
#include "sim/run_collect.h"
#include "sim/run_command.h"
#include "sim/run_dialogs.h"
#include "sim/run_host.h"
#include "sim/run_load.h"
#include "sim/run_names.h"
#include "sim/run_say.h"
#include "sim/run_steps.h"
#include "sim/run_summary.h"
#include "sim/run_write.h"
#include "sim/safe_write.h"
#include "sim/tagsmith_run.h"
#include "sim/tagsmith_run_client.h"

namespace fs = std::filesystem;

std::string RunBesideProgram(const std::string& relative) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return relative;
  return (self.parent_path() / relative).lexically_normal().string();
}

namespace {

std::string DefaultHostDir() { return RunBesideProgram(TAGSMITH_RUN_HOST_DIR); }

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

void ShowTimings(const Clock::time_point* t) {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  char line[256];
  std::snprintf(line, sizeof line,
                "timings: read %.3f s, start %.3f s, command %.3f s, results %.3f s; "
                "peak memory %.1f MB\n",
                Seconds(t[0], t[1]), Seconds(t[1], t[2]), Seconds(t[2], t[3]), Seconds(t[3], t[4]),
                usage.ru_maxrss / 1024.0);
  Say(line);
}

// A document command works on one document: the user who named several
// is told which, and that the others only stand open beside it (where a
// keep-list or a conversion table is read from).
void SayActiveOfSeveral(RunHost& H, const RunInputs& I) {
  std::string active;
  size_t documents = 0;
  for (const auto& in : I.inputs) {
    if (in->doc == 0) continue;
    ++documents;
    if (in->doc == H.host.activeDoc) active = in->file;
  }
  if (documents < 2 || active.empty()) return;
  SayNote(active +
          ": the command works on this document, the last named; the others stand open beside "
          "it (--each runs the command on each in turn)\n");
}

void SaySummary() {
  const ChangeTally& tally = RunTally();
  if (tally.changing || !tally.changed.empty()) SayNote(ChangeSummary(tally) + "\n");
}

RunOptions WithDefaults(const RunOptions& options) {
  RunOptions o = options;
  if (o.hostDir.empty()) o.hostDir = DefaultHostDir();
  if (o.library.empty()) o.library = ClientDefaultLibrary();
  return o;
}

}  // namespace

int RunStreamsClear(const RunOptions& options) {
  return StreamOntoInput(WithDefaults(options)) == 0 ? RUN_OK : RUN_USAGE;
}

int RunTagsmith(const RunOptions& options) {
  Clock::time_point t[5];
  t[0] = Clock::now();
  RunOptions o = WithDefaults(options);
  RunHost H;
  RunInputs I;
  // A command that names nothing is a usage error before any file is read:
  // reading a long book first would only delay it. The client's menus are
  // asked of a client of its own, so that the run's host sees one start.
  if (KnownCallOf(o.command) == nullptr) {
    std::vector<MenuEntry> menu;
    std::string error;
    if (ClientMenus(o, &menu, &error) && !IsMenuCommand(menu, o.command, &error)) {
      Say("tagsmith-run: " + error + "\n");
      return StopRun(I, o, RUN_USAGE);
    }
  }
  RunDialogs D;
  StartProgress(D, o);
  I.reading = [&D](const std::string& file, size_t done, size_t total) {
    ShowReading(D, file, done, total);
  };
  I.mayChange = MayChangeDocuments(o.command);
  I.keepDocumentTrees = I.mayChange;
  H.host.SetStringProp(MifApplication(H.host), PROP_HOST_DIR, o.hostDir);
  int status = LoadInputs(o, H.host, &I);
  if (status != RUN_OK) ClearStatus();
  if (status != RUN_OK) return I.streamIsInput ? status : StopRun(I, o, status);
  std::vector<SafeWrite> named;
  for (const std::string* target : {&o.output, &o.json, &o.html}) {
    if (!target->empty()) named.push_back(SafeWrite{*target, std::string(), true, std::string()});
  }
  if (!named.empty()) {
    // Refused before the command runs, as it could never be written.
    std::string why;
    if (!SafeCheckTargets(named, InputPaths(I), &why) || !ReportsClearOfOutDir(I, o, &why)) {
      Say(why + ". Nothing was written.\n");
      return RUN_USAGE;
    }
  }
  t[1] = Clock::now();

  ClientSession* client = StartClient(H, o);
  if (client == nullptr) return StopRun(I, o, RUN_USAGE);
  std::vector<MenuEntry> menu = WithCallOnlyCommands(MenuEntries(H.host));
  ChosenCommand chosen = ChooseCommand(o, menu, I.bookHandle != 0);
  if (chosen.number == 0) {
    ClientClose(client);
    Say("tagsmith-run: " + chosen.error + "\n");
    return StopRun(I, o, RUN_USAGE);
  }
  // Skip Master Pages starts switched on; the option turns it off as the
  // menu command would.
  if (o.masterPages) ToggleSkipMasterPages(client, menu);
  if (!o.each && IsDocumentOnly(menu, chosen.number)) SayActiveOfSeveral(H, I);
  InstallHostHooks(D, o, H, I.book.components.size());
  // Each pass of a book walk says again what it could not open: once is
  // enough.
  D.consoleOnce = std::make_unique<std::set<std::string>>();
  Reporting report;
  bool reporting = o.counts || !o.json.empty() || !o.html.empty();
  if (reporting) BeginRecord(H.host, I, o, menu, chosen.number, &report);
  t[2] = Clock::now();
  RunChosen(client, chosen, menu, H, D);
  t[3] = Clock::now();
  ReportKeptFormats(H.api);
  ChangedInputs changed;
  status = WriteResults(H, I, D, o, CallStringFor(menu, chosen.number), &changed);
  // Before the report is made, so that it holds the line too.
  if (status == RUN_OK && !o.each) SaySummary();
  if (reporting) EndRecord(H, I, o, changed, status, &report);
  if (o.counts && !StdoutTaken(o)) PrintCounts(report.record);
  if (reporting) status = WriteReports(H, I, o, changed, &report, status);
  ClientClose(client);
  t[4] = Clock::now();
  if (o.timings) ShowTimings(t);
  return status;
}

int RunEach(const RunOptions& options) {
  if (options.files.size() < 2) return RunTagsmith(options);
  int status = RUN_OK;
  for (const std::string& file : options.files) {
    RunOptions one = options;
    one.files = {file};
    int ran = RunTagsmith(one);
    if (status == RUN_OK) status = ran;
    // The command line itself is wrong: so it would be for every document.
    // What the runs before did is still said.
    if (ran == RUN_USAGE) break;
  }
  SaySummary();
  return status;
}

int RunWithSteps(const RunOptions& options, const std::function<int(RunSteps&)>& steps) {
  RunOptions o = WithDefaults(options);
  RunHost H;
  RunInputs I;
  // The steps read each file's lines and paragraphs as read.
  I.settleChanges = false;
  H.host.SetStringProp(MifApplication(H.host), PROP_HOST_DIR, o.hostDir);
  int status = LoadInputs(o, H.host, &I);
  if (status != RUN_OK) return status;
  ClientSession* client = StartClient(H, o);
  if (client == nullptr) return RUN_USAGE;
  std::vector<MenuEntry> menu = WithCallOnlyCommands(MenuEntries(H.host));
  if (o.masterPages) ToggleSkipMasterPages(client, menu);
  RunDialogs D;
  InstallHostHooks(D, o, H, I.book.components.size());
  // The steps' commands walk a book again and again: each line of the
  // console is said once, and a component that could not be read is not
  // named again, as reading it named it already.
  D.consoleOnce = std::make_unique<std::set<std::string>>();
  for (const std::string& path : I.unread) {
    D.consoleOnce->insert("Could not open file:" + RomanName(Normal(path)));
  }
  // The caller asked for the commands it runs: their questions need no
  // answer on the terminal, and no command it runs offers a choice.
  H.user.responder = [&D, &o, &H](memhost::DialogRecord& r) {
    if (r.kind == memhost::DialogRecord::ALERT && r.alertType == kAlertQuestion) {
      r.answer = 0;
    } else if (r.kind == memhost::DialogRecord::ALERT) {
      ClearStatus();
      AnswerAlert(D, o, H.calls, r);
    } else {
      r.answer = -1;
      D.cancelled = true;
    }
    return true;
  };
  RunSteps run;
  run.host = &H.host;
  run.book = I.bookHandle != 0;
  run.unread = I.unread;
  run.run = [&D, &H, &menu, client](const std::string& text) -> int {
    const KnownCall* call = KnownCallOf(text);
    if (call == nullptr) return RUN_USAGE;
    D.failed = D.cancelled = false;
    ChosenCommand chosen;
    chosen.call = call;
    chosen.number = NumberOfCall(menu, call);
    RunChosen(client, chosen, menu, H, D);
    ShowConsole(D, H.user);
    ClearStatus();
    return D.failed ? RUN_FAILED : D.cancelled ? RUN_CANCELLED : RUN_OK;
  };
  run.documents = [&H, &I]() {
    std::vector<RunDocument> documents;
    for (const auto& in : I.inputs) {
      documents.push_back(
          RunDocument{in->file, in->original.get(), &in->source, CurrentDocument(H.host, *in)});
    }
    return documents;
  };
  status = steps(run);
  ClientClose(client);
  return I.missing && !o.allowMissing ? RUN_MISSING_FILES : status;
}

int RunList(const RunOptions& options) {
  RunOptions o = options;
  if (o.library.empty()) o.library = ClientDefaultLibrary();
  std::vector<MenuEntry> menu;
  std::string error;
  if (!ClientMenus(o, &menu, &error)) {
    Say("tagsmith-run: " + error + "\n");
    return RUN_USAGE;
  }
  std::printf("COMMAND is a client-call string or a menu label (client: %s).\n", ClientKind());
  for (int book = 0; book < 2; ++book) {
    std::printf("\n%s menu, Tools > Characters:\n", book != 0 ? "Book" : "Document");
    for (const MenuEntry& e : menu) {
      if (e.book != (book != 0)) continue;
      std::printf("  %-48s %s\n", e.label.c_str(), ListedCall(menu, e).c_str());
    }
  }
  std::printf("\nClient calls only (in no menu):\n");
  for (const MenuEntry& e : WithCallOnlyCommands({})) {
    std::printf("  %s (the active %s)\n", e.label.c_str(), e.book ? "book" : "document");
  }
  return RUN_OK;
}
