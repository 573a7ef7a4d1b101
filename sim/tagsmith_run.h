// tagsmith-run: plays the host for Tagsmith on MIF documents and books.
#ifndef TAGSMITH_SIM_TAGSMITH_RUN_H
#define TAGSMITH_SIM_TAGSMITH_RUN_H

#include <cstdint>
#include <string>
#include <vector>

// Exit statuses.
enum : int {
  RUN_OK = 0,
  RUN_BAD_INPUT = 1,      // a file cannot be read or is not MIF; a write failed
  RUN_USAGE = 2,          // bad options, unknown command, no book for a book command
  RUN_CANCELLED = 3,      // a question was answered no, a choice cancelled
  RUN_UNANSWERED = 4,     // a dialog that no option answers
  RUN_FAILED = 5,         // the command ended with a warning (nothing to work on)
  RUN_MISSING_FILES = 6,  // book components missing or unreadable (without --allow-missing)
};

struct RunOptions {
  std::string command;
  std::vector<std::string> files;
  std::string hostDir;
  std::string library;   // the client library (COM kind)
  std::string output;    // --output: the output document as MIF
  std::string outDir;    // --out-dir: changed documents
  bool inPlace = false;
  bool list = false;
  bool version = false;  // --version
  int32_t answer = -1;   // --yes 0, --no 1, -1 none
  std::vector<std::string> choices;
  bool interactive = false;
  bool allowMissing = false;
  bool masterPages = false;  // Skip Master Pages off
  bool timings = false;      // time of each phase and peak memory on stderr
  bool counts = false;       // --counts: runs and characters of each tag
  std::string json;          // --json: the machine-readable report
  std::string html;          // --html: the usage picture
  bool diff = false;         // the changes as a unified diff on stdout; nothing written
  // check: the kinds of finding asked for; none asked means all.
  bool checkUnused = false;
  bool checkOverrides = false;
  bool checkUndefined = false;
};

// A path given relative to the folder of the running program (the installed
// layout: the client library, the host folder), made absolute.
std::string RunBesideProgram(const std::string& relative);

// The whole run; returns the exit status.
int RunTagsmith(const RunOptions& options);
// RUN_USAGE when standard output or error is a file the run would read (a
// document or book named, a book's chapter), said when it can be; else
// RUN_OK. A run looks at this itself; a mode of several runs looks first.
int RunStreamsClear(const RunOptions& options);
// `--list`: the commands the client offers, from its menus.
int RunList(const RunOptions& options);

#endif
