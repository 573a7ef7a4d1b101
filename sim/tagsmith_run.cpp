// tagsmith-run: the command line, read into the options of a run.
#include "sim/tagsmith_run.h"

#include "sim/check_mode.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "sim/safe_write.h"
#include "tagsmith_version.h"

namespace {

const char kCheck[] = "check";

std::string RunUsage() {
  return "usage: tagsmith-run [options] COMMAND FILE...\n"
         "       tagsmith-run check [--unused] [--overrides] [--undefined] FILE...\n"
         "       tagsmith-run --list\n"
         "\n"
         "Runs one Tagsmith command on MIF documents and at most one MIF book. COMMAND\n"
         "is a client-call string (ListCharUsage, ListCharUsageBook, ...) or a menu\n"
         "label (\"List Character Usage\"; \"book:...\" or \"doc:...\" picks the menu).\n"
         "The last document named is the active document, the book the active book.\n"
         "\n"
         "check reads each document or book named and writes nothing. It reports, as\n"
         "file:line: message, the character formats that \"Delete Unused Character Tags\"\n"
         "would delete (--unused), the overrides that \"Remove Overrides\" would remove\n"
         "(--overrides) and the character tags that text uses but no format defines\n"
         "(--undefined); all three when none is named. It exits with 0 when clean, else\n"
         "with the sum of 8 (unused), 16 (overrides) and 32 (undefined) for what it found,\n"
         "plus 1 when a file cannot be read, 6 when book components are missing (even\n"
         "with --allow-missing), the first such in the order named; 2 on bad usage.\n"
         "\n"
         "options:\n"
         "  --list              print the commands and exit\n"
         "  --host-dir DIR      the host's folder (VxOutput.fm, icu_data)\n"
         "  --yes, --no         answer every confirmation question\n"
         "  --choose N|TEXT     answer the next list choice (1-based number or item)\n"
         "  --interactive       ask on the terminal what no option answers\n"
         "  --output FILE       write the output document as MIF\n"
         "  --out-dir DIR       write changed documents as MIF into DIR\n"
         "  --in-place          overwrite changed input documents\n"
         "  --diff              write nothing; print a unified diff of every file the\n"
         "                      run would write (changed documents in place unless\n"
         "                      --out-dir is given); exit status as if written\n"
         "  --allow-missing     go on (and write) when book components are missing\n"
         "                      or cannot be read\n"
         "  --master-pages      let override commands work on master pages too\n"
         "  --client LIB        the client library to load\n"
         "  --timings           print the time of each phase and the peak memory\n"
         "  --counts            print the runs and characters that carry each tag\n"
         "  --json FILE|-       write a machine-readable report of the run\n"
         "  --html FILE|-       write a page picturing tag usage across the files\n"
         "                      (book commands and List Character Usage)\n"
         "  --help              print this text\n"
         "  --version           print the version and exit\n";
}

bool RunParseOptions(int argc, char** argv, RunOptions* o, bool* help, std::string* message) {
  *help = false;
  std::vector<std::string> positional;
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsDone || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
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
    auto take = [&](std::string* into) {
      if (!hasValue) {
        if (i + 1 >= argc) {
          *message = name + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      if (value.empty() && (name == "--output" || name == "--out-dir" || name == "--json" ||
                            name == "--html")) {
        *message = name + " needs a name, not an empty one";
        return false;
      }
      *into = value;
      return true;
    };
    auto flag = [&](bool* into) {
      if (hasValue) {
        *message = name + " takes no value";
        return false;
      }
      *into = true;
      return true;
    };
    bool ok = true;
    if (name == "--help") {
      *help = true;
      return true;
    } else if (name == "--list") {
      ok = flag(&o->list);
    } else if (name == "--version") {
      ok = flag(&o->version);
    } else if (name == "--host-dir") {
      ok = take(&o->hostDir);
    } else if (name == "--client") {
      ok = take(&o->library);
    } else if (name == "--output") {
      ok = take(&o->output);
    } else if (name == "--out-dir") {
      ok = take(&o->outDir);
    } else if (name == "--in-place") {
      ok = flag(&o->inPlace);
    } else if (name == "--interactive") {
      ok = flag(&o->interactive);
    } else if (name == "--allow-missing") {
      ok = flag(&o->allowMissing);
    } else if (name == "--master-pages") {
      ok = flag(&o->masterPages);
    } else if (name == "--timings") {
      ok = flag(&o->timings);
    } else if (name == "--counts") {
      ok = flag(&o->counts);
    } else if (name == "--json") {
      ok = take(&o->json);
    } else if (name == "--html") {
      ok = take(&o->html);
    } else if (name == "--diff") {
      ok = flag(&o->diff);
    } else if (name == "--unused") {
      ok = flag(&o->checkUnused);
    } else if (name == "--overrides") {
      ok = flag(&o->checkOverrides);
    } else if (name == "--undefined") {
      ok = flag(&o->checkUndefined);
    } else if (name == "--yes" || name == "--no") {
      bool set = false;
      ok = flag(&set);
      int32_t answer = name == "--yes" ? 0 : 1;
      if (ok && o->answer >= 0 && o->answer != answer) {
        *message = "--yes and --no contradict each other";
        ok = false;
      }
      o->answer = answer;
    } else if (name == "--choose") {
      std::string choice;
      ok = take(&choice);
      if (ok) o->choices.push_back(choice);
    } else {
      *message = "unknown option " + name;
      ok = false;
    }
    if (!ok) return false;
  }
  if (o->inPlace && !o->outDir.empty()) {
    *message = "--in-place and --out-dir exclude each other";
    return false;
  }
  int toStdout = 0;
  for (const std::string* target : {&o->output, &o->json, &o->html}) {
    if (SafeIsStdout(*target)) ++toStdout;
  }
  if (toStdout > 1) {
    *message = "only one of --output, --json and --html can go to standard output";
    return false;
  }
  if (o->diff && (!o->json.empty() || !o->html.empty() || o->counts)) {
    // The diff alone on stdout, for patch(1) to read.
    *message = "--diff shows the changes alone: --json, --html and --counts do not apply";
    return false;
  }
  if (o->list || o->version) return true;
  if (positional.empty()) {
    *message = "no COMMAND given";
    return false;
  }
  o->command = positional[0];
  o->files.assign(positional.begin() + 1, positional.end());
  bool kinds = o->checkUnused || o->checkOverrides || o->checkUndefined;
  if (o->command != kCheck) {
    if (kinds) *message = "--unused, --overrides and --undefined belong to check";
    return !kinds;
  }
  if (!o->output.empty() || !o->outDir.empty() || o->inPlace || o->diff || !o->json.empty() ||
      !o->html.empty() || o->counts) {
    *message = "check prints its findings and writes nothing: --output, --out-dir, --in-place, "
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

int main(int argc, char** argv) {
  RunOptions options;
  bool help = false;
  std::string message;
  if (!RunParseOptions(argc, argv, &options, &help, &message)) {
    std::fprintf(stderr, "tagsmith-run: %s\n\n%s", message.c_str(), RunUsage().c_str());
    return RUN_USAGE;
  }
  if (help) {
    std::fputs(RunUsage().c_str(), stdout);
    return RUN_OK;
  }
  if (options.version) {
    std::printf("tagsmith-run (Tagsmith) %s, build %s\n", TAGSMITH_VERSION, TAGSMITH_BUILD_NUMBER);
    return RUN_OK;
  }
  try {
    if (options.list) return RunList(options);
    if (options.command == kCheck) return RunCheck(options);
    return RunTagsmith(options);
  } catch (const std::bad_alloc&) {
    // Temporary files were removed on the way here; files are replaced only
    // once nothing more is allocated.
    std::fputs("tagsmith-run: out of memory. Nothing was written.\n", stderr);
    return RUN_BAD_INPUT;
  }
}
