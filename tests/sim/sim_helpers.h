// Shared by the tests of the MIF mapping and of tagsmith-run: where things
// are, running the tool, comparing texts line by line, temporary folders.
#ifndef TAGSMITH_TESTS_SIM_SIM_HELPERS_H
#define TAGSMITH_TESTS_SIM_SIM_HELPERS_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace sim {

// The repository's root, tests/data/sim, the real samples (may not exist).
std::string RepoRoot();
std::string ExpectedDir();
std::string SharedSamplesDir();
// The documents saved by the host that the project keeps (tests/data/mif/real).
std::vector<std::string> RealDocuments();
std::string ToolPath();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
// Files of a folder, by name, sorted.
std::vector<std::string> FilesIn(const std::string& dir);

// A fresh folder, removed with everything in it when the object goes.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

struct ToolResult {
  int status = -1;  // exit status; -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

// Runs tagsmith-run with args in the repository's root, with no terminal.
// With `terminal`, its stderr is its controlling terminal, `typed` is what
// the user types there, and err holds what the terminal showed.
// A run that has not ended after a minute is killed (status -1). With
// memoryLimit, the tool's address space is limited to that many bytes.
ToolResult RunTool(const std::vector<std::string>& args, bool terminal = false,
                   const std::string& typed = "", size_t memoryLimit = 0);
// With a terminal, what is typed waits until the terminal shows `prompt`;
// `meanwhile` runs just before it is typed.
ToolResult RunToolAnswering(const std::vector<std::string>& args, const std::string& prompt,
                            const std::function<void()>& meanwhile, const std::string& typed);

// The lines that differ between two texts, as hunks: "@@ -a,n +b,m" and
// the removed ("-") and added ("+") lines. Empty when the texts are equal.
std::string LineDiff(const std::string& before, const std::string& after);

// What real validators find wrong in a text, as their lines; empty when
// nothing. A validator that cannot be run is a fault too, never a pass.
// JSON against a schema the repository publishes (schemas/NAME.schema.json),
// with python3-jsonschema:
std::string SchemaFaults(const std::string& name, const std::string& json);
// SARIF 2.1.0, with the SARIF multitool installed in `validatorDir` and the
// schema it ships (tests/tools/validate_sarif.sh):
std::string SarifFaults(const std::string& validatorDir, const std::string& sarif);

// Whether expected files are to be written instead of compared
// (TAGSMITH_SIM_UPDATE=1).
bool Updating();

}  // namespace sim

#endif
