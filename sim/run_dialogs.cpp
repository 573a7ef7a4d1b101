#include "sim/run_dialogs.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "sim/client_commands.h"
#include "sim/host_text.h"
#include "sim/run_names.h"
#include "sim/run_say.h"

namespace {

bool AskTerminal(RunDialogs& D, const std::string& prompt, std::string* answer) {
  if (D.tty == nullptr) D.tty.reset(std::fopen("/dev/tty", "r+"));
  if (D.tty == nullptr) {
    D.noTerminal = true;
    return false;
  }
  std::fputs(prompt.c_str(), D.tty.get());
  std::fflush(D.tty.get());
  char line[512];
  if (std::fgets(line, sizeof line, D.tty.get()) == nullptr) return false;
  *answer = line;
  while (!answer->empty() && (answer->back() == '\n' || answer->back() == '\r')) answer->pop_back();
  return true;
}

void Unanswered(RunDialogs& D, const std::string& what) {
  if (!D.unanswered) D.unansweredText = what;
  D.unanswered = true;
}

// The item a --choose value names: a 1-based number or an item's text.
int32_t ChoiceIndex(const std::vector<std::string>& items, const std::string& value) {
  bool number = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
  if (number && value.size() < 9) {
    long n = std::stol(value);
    return n >= 1 && static_cast<size_t>(n) <= items.size() ? static_cast<int32_t>(n - 1) : -2;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (Readable(items[i]) == value) return static_cast<int32_t>(i);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (LabelKey(Readable(items[i])) == LabelKey(value)) return static_cast<int32_t>(i);
  }
  return -2;
}

void AnswerChoice(RunDialogs& D, const RunOptions& o, memhost::DialogRecord& r) {
  std::string title = Readable(r.text);
  r.answer = -1;
  if (D.nextChoice < o.choices.size()) {
    const std::string& value = o.choices[D.nextChoice++];
    r.answer = ChoiceIndex(r.items, value);
    if (r.answer == -2) {
      std::string items;
      for (size_t i = 0; i < r.items.size(); ++i) {
        items += (i == 0 ? "" : ", ") + std::to_string(i + 1) + ". " + Readable(r.items[i]);
      }
      if (D.badChoice.empty()) {
        D.badChoice = "--choose " + value + ": \"" + value + "\" is none of the items of \"" +
                      title + "\" (" + (items.empty() ? std::string("it has none") : items) + ")";
      }
      r.answer = -1;
    }
  } else if (o.interactive) {
    std::string list = title + "\n";
    for (size_t i = 0; i < r.items.size(); ++i) {
      list += "  " + std::to_string(i + 1) + ". " + Readable(r.items[i]) + "\n";
    }
    std::string reply;
    if (AskTerminal(D, list + "choice (empty cancels): ", &reply)) {
      r.answer = reply.empty() ? -1 : ChoiceIndex(r.items, reply);
      if (r.answer < -1) r.answer = -1;
    } else {
      Unanswered(D, title);
    }
  } else {
    Unanswered(D, title);
  }
  SayNote("choice: " + title + " -> " +
          (r.answer >= 0 ? Readable(r.items[static_cast<size_t>(r.answer)])
                         : std::string("cancelled")) +
          "\n");
  if (r.answer < 0) D.cancelled = true;
}

}  // namespace

void AnswerAlert(RunDialogs& D, const RunOptions& o, const memhost::FaultyHost& calls,
                 memhost::DialogRecord& r) {
  if (r.alertType != kAlertQuestion) {
    std::string line = (r.alertType == kAlertWarning ? "warning: " : "notice: ") +
                       Readable(r.text) + "\n";
    // A warning is why the command failed: said even when only errors are.
    if (r.alertType == kAlertWarning) {
      Say(line);
    } else {
      SayNote(line);
    }
    if (r.alertType == kAlertWarning) D.failed = true;
    if (r.alertType == kAlertNotice) D.noticeCall = calls.callCount;
    r.answer = 0;
    return;
  }
  std::string question = Readable(r.text);
  if (r.text == kMakeFormatsQuestion) {
    // Not a confirmation: "no" leaves the runs it is about as they are, and
    // the command goes on.
    r.answer = o.create ? 0 : 1;
    Say("question: " + question + " -> " + (r.answer == 0 ? "yes" : "no (no --create)") + "\n");
    return;
  }
  if (o.answer >= 0) {
    r.answer = o.answer;
  } else if (o.interactive) {
    std::string reply;
    r.answer = 1;
    if (AskTerminal(D, question + " [y/N] ", &reply)) {
      reply = Lower(reply);
      r.answer = (reply == "y" || reply == "yes") ? 0 : 1;
    } else {
      Unanswered(D, question);
    }
  } else {
    // Answered as cancelled: the command then changes nothing.
    r.answer = 1;
    Unanswered(D, question);
  }
  SayNote("question: " + question + " -> " + (r.answer == 0 ? "yes" : "no") + "\n");
  if (r.answer != 0) D.cancelled = true;
}

void ShowConsole(RunDialogs& D, const memhost::ScriptedHost& user) {
  if (user.console.size() <= D.consoleShown) return;
  std::string fresh = user.console.substr(D.consoleShown);
  if (D.consoleOnce != nullptr) {
    // Whole lines only: the rest of one comes with the next call.
    size_t end = fresh.rfind('\n');
    if (end == std::string::npos) return;
    fresh.erase(end + 1);
    D.consoleShown += fresh.size();
    std::string lines;
    for (size_t at = 0; at < fresh.size();) {
      size_t nl = fresh.find('\n', at);
      std::string line = fresh.substr(at, nl - at);
      at = nl + 1;
      if (D.consoleOnce->insert(line).second) lines += line + "\n";
    }
    if (lines.empty()) return;
    fresh = lines;
  } else {
    D.consoleShown = user.console.size();
  }
  Say(Readable(fresh));
}

void InstallHostHooks(RunDialogs& D, const RunOptions& o, RunHost& H, size_t components) {
  H.user.responder = [&D, &o, &H](memhost::DialogRecord& r) {
    // The question is asked on the terminal the status line stands on.
    ClearStatus();
    if (r.kind == memhost::DialogRecord::ALERT) {
      AnswerAlert(D, o, H.calls, r);
    } else {
      AnswerChoice(D, o, r);
    }
    return true;
  };
  StartProgress(D, o);
  D.walk.files = components;
  H.user.statusObserver = [&D, &H](const std::string& status) {
    ShowConsole(D, H.user);
    if (!D.progress) return;
    size_t width = ProgressWidth();
    SayStatus(ProgressUpdate(&D.walk, Readable(status), Progress::Clock::now(), width),
              ProgressClear(D.escapes, width));
  };
}

void StartProgress(RunDialogs& D, const RunOptions& o) {
  D.progress = isatty(STDERR_FILENO) != 0 && !o.quiet;
  D.escapes = TerminalEscapes(std::getenv("TERM"), std::getenv("NO_COLOR"));
}

void ShowReading(RunDialogs& D, const std::string& file, size_t done, size_t total) {
  if (!D.progress) return;
  size_t width = ProgressWidth();
  SayStatus(ProgressReading(&D.walk, Readable(file), done, total, Progress::Clock::now(), width),
            ProgressClear(D.escapes, width));
}

void EndProgress(const RunDialogs& D) {
  // A bar that was shown stays, full; a mere status line goes.
  if (D.walk.barShown) {
    EndStatus();
  } else {
    ClearStatus();
  }
}
