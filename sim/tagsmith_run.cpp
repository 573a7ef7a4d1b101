// tagsmith-run: the command line read, then the mode it asks for.
#include <cstdio>
#include <new>
#include <string>

#include "sim/check_mode.h"
#include "sim/run_options.h"
#include "sim/run_say.h"
#include "sim/safe_write.h"
#include "sim/tagsmith_run.h"
#include "tagsmith_version.h"

int main(int argc, char** argv) {
  // What writing says goes into the report's messages like the rest.
  SafeSay = SayWhileWriting;
  RunOptions options;
  bool help = false;
  std::string message;
  if (!RunParseOptions(argc, argv, &options, &help, &message)) {
    std::fprintf(stderr, "tagsmith-run: %s\ntry 'tagsmith-run --help'\n", message.c_str());
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
  SayQuietly() = options.quiet;
  try {
    if (options.list) return RunList(options);
    if (options.command == kRunCheckCommand) return RunCheck(options);
    return options.each ? RunEach(options) : RunTagsmith(options);
  } catch (const std::bad_alloc&) {
    // Temporary files were removed on the way here; files are replaced only
    // once nothing more is allocated.
    std::fputs("tagsmith-run: out of memory. Nothing was written.\n", stderr);
    return RUN_BAD_INPUT;
  }
}
