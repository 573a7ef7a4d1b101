// tagsmith-run's command line, read from one table of its options: the
// reading and the usage text both come from the table, so that an option
// cannot be read without being listed, nor listed as it is not read.
#include "sim/run_options.h"

#include "sim/check_output.h"
#include "sim/client_commands.h"
#include "sim/safe_write.h"

const char kRunCheckCommand[] = "check";

namespace {

enum class Takes {
  kNothing,  // a switch: a value after '=' is refused
  kValue,    // a value, after '=' or as the next word
  kName,     // a value that names a file or folder: an empty one is refused
  kHelp,     // asks for the usage text: nothing after it is read, a value included
};

struct OptionRow {
  const char* name;
  Takes takes;
  // What the option sets: a switch, its value, or, for the options that
  // need more, a function that can refuse it (false, with *message).
  bool RunOptions::*flag;
  std::string RunOptions::*text;
  bool (*apply)(const std::string& name, const std::string& value, RunOptions* o,
                std::string* message);
  // Its line in the usage text: the option as written there and what it
  // does, lines split by '\n'; none for an option listed elsewhere.
  const char* usage;
  const char* help;
};

bool Answer(const std::string& name, const std::string&, RunOptions* o, std::string* message) {
  int32_t answer = name == "--yes" ? 0 : 1;
  if (o->answer >= 0 && o->answer != answer) {
    *message = "--yes and --no contradict each other";
    return false;
  }
  o->answer = answer;
  return true;
}

bool Choose(const std::string&, const std::string& value, RunOptions* o, std::string*) {
  o->choices.push_back(value);
  return true;
}

bool Format(const std::string&, const std::string& value, RunOptions* o, std::string* message) {
  if (!CheckKnownFormat(value)) {
    *message = "--format is text, json, sarif, github or junit, not \"" + value + "\"";
    return false;
  }
  o->checkFormat = value;
  return true;
}

bool FailOn(const std::string&, const std::string& value, RunOptions* o, std::string* message) {
  if (value != "error" && value != "warning" && value != "note" && value != "never") {
    *message = "--fail-on is error, warning, note or never, not \"" + value + "\"";
    return false;
  }
  o->checkFailOn = value;
  return true;
}

// In the order of the usage text.
const OptionRow kOptions[] = {
    {"--list", Takes::kNothing, &RunOptions::list, nullptr, nullptr, "--list",
     "print the commands and exit"},
    {"--host-dir", Takes::kValue, nullptr, &RunOptions::hostDir, nullptr, "--host-dir DIR",
     "the host's folder (VxOutput.fm, icu_data)"},
    {"--yes", Takes::kNothing, nullptr, nullptr, Answer, "--yes, --no",
     "answer every confirmation question"},
    {"--no", Takes::kNothing, nullptr, nullptr, Answer, nullptr, nullptr},
    {"--choose", Takes::kValue, nullptr, nullptr, Choose, "--choose N|TEXT",
     "answer the next list choice (1-based number or item)"},
    {"--interactive", Takes::kNothing, &RunOptions::interactive, nullptr, nullptr, "--interactive",
     "ask on the terminal what no option answers"},
    {"--output", Takes::kName, nullptr, &RunOptions::output, nullptr, "--output FILE",
     "write the output document as MIF"},
    {"--out-dir", Takes::kName, nullptr, &RunOptions::outDir, nullptr, "--out-dir DIR",
     "write changed documents as MIF into DIR"},
    {"--in-place", Takes::kNothing, &RunOptions::inPlace, nullptr, nullptr, "--in-place",
     "overwrite changed input documents"},
    {"--diff", Takes::kNothing, &RunOptions::diff, nullptr, nullptr, "--diff",
     "write nothing; print a unified diff of every file the\n"
     "run would write (changed documents in place unless\n"
     "--out-dir is given); exit status as if written"},
    {"--allow-missing", Takes::kNothing, &RunOptions::allowMissing, nullptr, nullptr,
     "--allow-missing",
     "go on (and write) when book components are missing\n"
     "or cannot be read"},
    {"--master-pages", Takes::kNothing, &RunOptions::masterPages, nullptr, nullptr,
     "--master-pages", "let override commands work on master pages too"},
    {"--create", Takes::kNothing, &RunOptions::create, nullptr, nullptr, "--create",
     "let ConvertOverridesToFormats make the character\n"
     "formats no format gives (--yes alone does not)"},
    {"--client", Takes::kValue, nullptr, &RunOptions::library, nullptr, "--client LIB",
     "the client library to load"},
    {"--timings", Takes::kNothing, &RunOptions::timings, nullptr, nullptr, "--timings",
     "print the time of each phase and the peak memory"},
    {"--counts", Takes::kNothing, &RunOptions::counts, nullptr, nullptr, "--counts",
     "print the runs and characters that carry each tag"},
    {"--json", Takes::kName, nullptr, &RunOptions::json, nullptr, "--json FILE|-",
     "write a machine-readable report of the run"},
    {"--html", Takes::kName, nullptr, &RunOptions::html, nullptr, "--html FILE|-",
     "write a page picturing tag usage across the files\n"
     "(book commands and List Character Usage)"},
    {"--help", Takes::kHelp, nullptr, nullptr, nullptr, "-h, --help", "print this text"},
    {"--version", Takes::kNothing, &RunOptions::version, nullptr, nullptr, "-V, --version",
     "print the version and exit"},
    // check's kinds of finding, in its own line of the usage text.
    {"--unused", Takes::kNothing, &RunOptions::checkUnused, nullptr, nullptr, nullptr, nullptr},
    {"--overrides", Takes::kNothing, &RunOptions::checkOverrides, nullptr, nullptr, nullptr,
     nullptr},
    {"--undefined", Takes::kNothing, &RunOptions::checkUndefined, nullptr, nullptr, nullptr,
     nullptr},
    {"--format", Takes::kValue, nullptr, nullptr, Format, "--format FMT",
     "check: print findings as text, json, sarif, github\n"
     "or junit (default text)"},
    {"--fail-on", Takes::kValue, nullptr, nullptr, FailOn, "--fail-on SEVERITY",
     "check: exit 1 on findings of error, warning (default)\n"
     "or note and above; never: only report them"},
    {"--config", Takes::kName, nullptr, &RunOptions::checkConfig, nullptr, "--config FILE",
     "check: the project file to use instead of the\n"
     ".tagsmith.ini found above each file"},
    {"--baseline", Takes::kName, nullptr, &RunOptions::checkBaseline, nullptr, "--baseline FILE",
     "check: report only findings the baseline lacks"},
    {"--write-baseline", Takes::kName, nullptr, &RunOptions::checkWriteBaseline, nullptr,
     "--write-baseline FILE", "check: write the findings as a baseline; exit 0"},
    {"--quiet", Takes::kNothing, &RunOptions::quiet, nullptr, nullptr, "--quiet",
     "say nothing on stderr but errors"},
    {"--each", Takes::kNothing, &RunOptions::each, nullptr, nullptr, "--each",
     "run a document command on every document named, in\n"
     "turn, with one summary and one exit status"},
    // The short forms, listed with the long ones.
    {"-h", Takes::kHelp, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"-V", Takes::kNothing, &RunOptions::version, nullptr, nullptr, nullptr, nullptr},
};

// Where the help of an option starts in its line of the usage text.
constexpr size_t kHelpColumn = 22;

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

// What the options ask together that none can say alone; true when they fit.
bool OptionsAgree(const RunOptions& o, std::string* message) {
  if (o.inPlace && !o.outDir.empty()) {
    *message = "--in-place and --out-dir exclude each other";
    return false;
  }
  int toStdout = 0;
  for (const std::string* target : {&o.output, &o.json, &o.html}) {
    if (SafeIsStdout(*target)) ++toStdout;
  }
  if (toStdout > 1) {
    *message = "only one of --output, --json and --html can go to standard output";
    return false;
  }
  if (o.each && (!o.output.empty() || !o.json.empty() || !o.html.empty())) {
    // Each run would write the same file again.
    *message =
        "--each runs the command once per document: --output, --json and --html do not apply";
    return false;
  }
  if (o.diff && (!o.json.empty() || !o.html.empty() || o.counts)) {
    // The diff alone on stdout, for patch(1) to read.
    *message = "--diff shows the changes alone: --json, --html and --counts do not apply";
    return false;
  }
  return true;
}

// The command and its files, and what check refuses.
bool CommandAgrees(const std::vector<std::string>& positional, RunOptions* o,
                   std::string* message) {
  if (positional.empty()) {
    *message = "no COMMAND given";
    return false;
  }
  o->command = positional[0];
  o->files.assign(positional.begin() + 1, positional.end());
  if (o->create && o->command.rfind(kConvertOverridesCall, 0) != 0) {
    *message = std::string("--create belongs to ") + kConvertOverridesCall + "(Book)";
    return false;
  }
  bool kinds = o->checkUnused || o->checkOverrides || o->checkUndefined;
  bool checkOnly = !o->checkFormat.empty() || !o->checkFailOn.empty() || !o->checkConfig.empty() ||
                   !o->checkBaseline.empty() || !o->checkWriteBaseline.empty();
  if (o->command != kRunCheckCommand) {
    if (kinds) *message = "--unused, --overrides and --undefined belong to check";
    if (checkOnly && !kinds) {
      *message = "--format, --fail-on, --config, --baseline and --write-baseline belong to check";
    }
    return !kinds && !checkOnly;
  }
  if (!o->output.empty() || !o->outDir.empty() || o->inPlace || o->diff || !o->json.empty() ||
      !o->html.empty() || o->counts) {
    *message =
        "check prints its findings and writes nothing: --output, --out-dir, --in-place, "
        "--diff, --json, --html and --counts do not apply";
    return false;
  }
  if (o->files.empty()) {
    *message = "check needs a FILE";
    return false;
  }
  return true;
}

}  // namespace

std::string RunUsage() {
  std::string usage =
      "usage: tagsmith-run [options] COMMAND FILE...\n"
      "       tagsmith-run check [--unused] [--overrides] [--undefined] [--format FMT]\n"
      "                          [--fail-on SEVERITY] [--config FILE] [--baseline FILE]\n"
      "                          [--write-baseline FILE] FILE...\n"
      "       tagsmith-run --list\n"
      "\n"
      "Runs one Tagsmith command on MIF documents and at most one MIF book. COMMAND\n"
      "is a client-call string (ListCharUsage, ListCharUsageBook, ...) or a menu\n"
      "label (\"List Character Usage\"; \"book:...\" or \"doc:...\" picks the menu).\n"
      "The last document named is the active document, the book the active book;\n"
      "with --each a document command runs on every document named, in turn.\n"
      "\n"
      "check reads each document or book named and writes nothing but a baseline\n"
      "asked for. It reports, as file:line:col: severity: message [rule], the\n"
      "character formats that \"Delete Unused Character Tags\" would delete (--unused,\n"
      "unused-format), the overrides that \"Remove Overrides\" would remove\n"
      "(--overrides, character-override) and the character tags that text uses but\n"
      "no format defines (--undefined, undefined-tag); all three when none is named.\n"
      "A .tagsmith.ini in the file's folder or above sets severities and ignored\n"
      "tags. It exits with 0 when clean, 1 on findings at or above --fail-on, 2 on\n"
      "bad usage or a bad project file or baseline, 3 when a file cannot be read, 6\n"
      "when book components are missing (even with --allow-missing), the first such\n"
      "in the order named.\n"
      "\n"
      "options:\n";
  for (const OptionRow& row : kOptions) {
    if (row.usage == nullptr) continue;
    std::string line = std::string("  ") + row.usage;
    // An option too long for its column has its help on the lines below.
    if (line.size() >= kHelpColumn) {
      usage += line + "\n";
      line.clear();
    }
    line.resize(kHelpColumn, ' ');
    for (const char* help = row.help; *help != '\0';) {
      const char* end = help;
      while (*end != '\0' && *end != '\n') ++end;
      usage += line;
      usage.append(help, end);
      usage += '\n';
      line.assign(kHelpColumn, ' ');
      help = *end == '\n' ? end + 1 : end;
    }
  }
  return usage;
}

bool RunParseOptions(int argc, char** argv, RunOptions* o, bool* help, std::string* message) {
  *help = false;
  std::vector<std::string> positional;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    // A lone "-" names standard input or output, as a file.
    if (optionsDone || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsDone = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    const OptionRow* row = FindOption(name);
    if (row == nullptr) {
      *message = "unknown option " + name;
      return false;
    }
    if (row->takes == Takes::kHelp) {
      *help = true;
      return true;
    }
    if (row->takes == Takes::kNothing) {
      if (hasValue) {
        *message = name + " takes no value";
        return false;
      }
    } else {
      if (!hasValue) {
        if (i + 1 >= argc) {
          *message = name + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      if (value.empty() && row->takes == Takes::kName) {
        *message = name + " needs a name, not an empty one";
        return false;
      }
    }
    if (row->flag != nullptr) o->*row->flag = true;
    if (row->text != nullptr) {
      // The later would silently win: which one the user meant is unknown.
      if (!(o->*row->text).empty()) {
        *message = name + " is given twice";
        return false;
      }
      o->*row->text = value;
    }
    if (row->apply != nullptr && !row->apply(name, value, o, message)) return false;
  }
  if (!OptionsAgree(*o, message)) return false;
  if (o->list || o->version) return true;
  return CommandAgrees(positional, o, message);
}
