// The phase of a run that answers the client's dialogs as the user would:
// from the options (--yes/--no, --choose) or on the terminal
// (--interactive); and that shows the host's console and the progress of a
// book walk on standard error.
#ifndef TAGSMITH_SIM_RUN_DIALOGS_H
#define TAGSMITH_SIM_RUN_DIALOGS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "memhost/faulty_host.h"
#include "memhost/scripted_host.h"
#include "sim/progress.h"
#include "sim/run_host.h"
#include "sim/run_options.h"

// The kinds of the host's alerts.
constexpr int32_t kAlertQuestion = 1;
constexpr int32_t kAlertNotice = 2;
constexpr int32_t kAlertWarning = 3;

struct TtyClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// What the dialogs were answered and what they told of the command.
struct RunDialogs {
  size_t nextChoice = 0;  // the next --choose value
  bool cancelled = false;
  bool unanswered = false;
  bool failed = false;
  bool noDocument = false;
  int64_t noticeCall = 0;  // the host call that showed the last notice
  std::string unansweredText;
  bool noTerminal = false;  // --interactive found no terminal to ask on
  // A --choose value that names none of the items: the command line is
  // wrong, not the answer missing.
  std::string badChoice;
  std::unique_ptr<std::FILE, TtyClose> tty;  // opened when first asked
  bool progress = false;                     // shown on stderr, a terminal
  bool escapes = true;                       // the terminal may be sent escape codes
  Progress walk;
  size_t consoleShown = 0;
  // When set, each line of the console is said once (the lines said so far).
  std::unique_ptr<std::set<std::string>> consoleOnce;
};

// Answers an alert: a question from the options or the terminal, a notice
// or a warning said (a warning fails the command). calls tells which call
// showed a notice.
void AnswerAlert(RunDialogs& D, const RunOptions& o, const memhost::FaultyHost& calls,
                 memhost::DialogRecord& r);

// Says what the host's console shows that was not said yet.
void ShowConsole(RunDialogs& D, const memhost::ScriptedHost& user);

// Makes H's dialogs answered into D and its status lines shown as the
// progress of a walk over `components` files. D, o and H must outlive the
// hooks.
void InstallHostHooks(RunDialogs& D, const RunOptions& o, RunHost& H, size_t components);

// Whether and how progress is shown: on a terminal only, not with --quiet.
void StartProgress(RunDialogs& D, const RunOptions& o);
// The reading of `file`, the `done`-th of `total`; done == total at the end.
void ShowReading(RunDialogs& D, const std::string& file, size_t done, size_t total);
// The run's progress ends: a bar shown stays on its line, a status line goes.
void EndProgress(const RunDialogs& D);

#endif
