// tagsmith-run's command line: what a run is asked to do, how the words of
// the command line are read into it, and the exit statuses it ends with.
// Every mode of the tool (a run, check, --list) takes its options from here.
#ifndef TAGSMITH_SIM_RUN_OPTIONS_H
#define TAGSMITH_SIM_RUN_OPTIONS_H

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
  std::string library;  // the client library (COM kind)
  std::string output;   // --output: the output document as MIF
  std::string outDir;   // --out-dir: changed documents
  bool inPlace = false;
  bool list = false;
  bool version = false;  // --version
  int32_t answer = -1;   // --yes 0, --no 1, -1 none
  std::vector<std::string> choices;
  bool interactive = false;
  bool allowMissing = false;
  bool masterPages = false;  // Skip Master Pages off
  bool create = false;       // --create: new character formats may be made
  bool timings = false;      // time of each phase and peak memory on stderr
  bool counts = false;       // --counts: runs and characters of each tag
  std::string json;          // --json: the machine-readable report
  std::string html;          // --html: the usage picture
  bool diff = false;         // the changes as a unified diff on stdout; nothing written
  // check: the kinds of finding asked for; none asked means all.
  bool checkUnused = false;
  bool checkOverrides = false;
  bool checkUndefined = false;
  std::string checkFormat;    // --format: text (none given), json, sarif, github, junit
  std::string checkFailOn;    // --fail-on: error, warning, note, never; none: the project file's
  std::string checkConfig;    // --config: the project file, instead of the one found
  std::string checkBaseline;  // --baseline: the findings accepted
  std::string checkWriteBaseline;  // --write-baseline: where to accept today's findings
  bool quiet = false;              // --quiet: errors only on stderr
  bool each = false;               // --each: the document command on every document named, in turn
};

// The command that reads documents and books for findings instead of
// running a client command.
extern const char kRunCheckCommand[];

// The usage text, printed by --help and after a usage error.
std::string RunUsage();

// Reads the command line into *o. Options start with "--" (or are one of
// the short "-h" and "-V") and take their value after '=' or as the next
// word; an option that holds one value is refused a second; "--" ends them. The first other word
// is the command, the rest its files. False, with *message, when the line
// cannot be run (an unknown option, a missing or unwanted value, options
// that exclude each other, no command); true with *help set when --help
// asked for the usage text, which ends the reading there.
bool RunParseOptions(int argc, char** argv, RunOptions* o, bool* help, std::string* message);

#endif
