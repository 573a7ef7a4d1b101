#include "tests/sim/sim_helpers.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/test_support.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

std::string Env(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? v : fallback;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) {
      out.push_back(text.substr(start));
      break;
    }
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return out;
}

std::string ReadFd(int fd) {
  std::string out;
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

}  // namespace

std::string RepoRoot() { return testsupport::SourceRoot(); }

std::string ExpectedDir() { return RepoRoot() + "/tests/data/sim"; }

std::string SharedSamplesDir() { return testsupport::SharedSamplesDir(); }

std::vector<std::string> RealDocuments() {
  std::string dir = RepoRoot() + "/tests/data/mif/real";
  std::vector<std::string> out;
  for (const std::string& name : FilesIn(dir)) {
    if (fs::path(name).extension() == ".mif") out.push_back(dir + "/" + name);
  }
  return out;
}

std::string ToolPath() {
  return Env("TAGSMITH_BUILD_DIR", "build") + std::string("/tools/tagsmith-run");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    fs::path p = fs::temp_directory_path() / ("tagsmith-sim-" + std::to_string(rd()));
    if (fs::create_directory(p)) {
      path = p.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path, ec);
}

namespace {

ToolResult Run(const std::vector<std::string>& args, bool terminal, const std::string& prompt,
               const std::function<void()>& meanwhile, const std::string& typed,
               size_t memoryLimit) {
  ToolResult r;
  TempDir io;
  std::string outFile = io.path + "/out";
  std::string errFile = io.path + "/err";
  std::vector<std::string> argv{ToolPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargs;
  for (std::string& a : argv) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  std::string root = RepoRoot();

  int master = -1;
  int slave = -1;
  if (terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    // No controlling terminal, so that nothing can be asked on one, unless
    // the terminal asked for is to be it.
    setsid();
    if (terminal) ioctl(slave, TIOCSCTTY, 0);
    if (memoryLimit != 0) {
      struct rlimit limit {
        memoryLimit, memoryLimit
      };
      setrlimit(RLIMIT_AS, &limit);
    }
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = terminal ? slave : open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(root.c_str()) != 0) _exit(127);
    execv(cargs[0], cargs.data());
    _exit(127);
  }
  if (terminal) {
    close(slave);
    // Shown until the prompt, and what was typed is read only after it.
    char buf[4096];
    while (!prompt.empty() && r.err.find(prompt) == std::string::npos) {
      ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;
      r.err.append(buf, static_cast<size_t>(n));
    }
    if (meanwhile) meanwhile();
    if (!typed.empty() && write(master, typed.data(), typed.size()) < 0) r.err += "cannot type";
    r.err += ReadFd(master);
    close(master);
  }
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
    if (waited == 6000) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    usleep(10000);
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(outFile);
  if (!terminal) r.err = ReadFile(errFile);
  return r;
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& args, bool terminal, const std::string& typed,
                   size_t memoryLimit) {
  return Run(args, terminal, "", nullptr, typed, memoryLimit);
}

ToolResult RunToolAnswering(const std::vector<std::string>& args, const std::string& prompt,
                            const std::function<void()>& meanwhile, const std::string& typed) {
  return Run(args, true, prompt, meanwhile, typed, 0);
}

std::string LineDiff(const std::string& before, const std::string& after) {
  std::vector<std::string> a = Lines(before);
  std::vector<std::string> b = Lines(after);
  // Longest common subsequence of lines, from the end.
  size_t n = a.size();
  size_t m = b.size();
  std::vector<std::vector<uint32_t>> lcs(n + 1, std::vector<uint32_t>(m + 1, 0));
  for (size_t i = n; i-- > 0;) {
    for (size_t j = m; j-- > 0;) {
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
    }
  }
  std::string out;
  size_t i = 0;
  size_t j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && a[i] == b[j]) {
      ++i;
      ++j;
      continue;
    }
    size_t i0 = i;
    size_t j0 = j;
    std::string removed;
    std::string added;
    while ((i < n || j < m) && !(i < n && j < m && a[i] == b[j])) {
      if (j >= m || (i < n && lcs[i + 1][j] >= lcs[i][j + 1])) {
        removed += "-" + a[i++] + "\n";
      } else {
        added += "+" + b[j++] + "\n";
      }
    }
    out += "@@ -" + std::to_string(i0 + 1) + "," + std::to_string(i - i0) + " +" +
           std::to_string(j0 + 1) + "," + std::to_string(j - j0) + "\n" + removed + added;
  }
  return out;
}

namespace {

// Runs a validator's command on text written to a file ("FILE" in the
// command stands for it); its output when it finds a fault or fails.
std::string Validate(const std::string& command, const std::string& text) {
  TempDir dir;
  std::string file = dir.path + "/document.json";
  WriteFile(file, text);
  std::string run = command;
  run.replace(run.find("FILE"), 4, "'" + file + "'");
  std::string output = dir.path + "/output";
  int status = std::system((run + " >'" + output + "' 2>&1").c_str());
  if (status == 0) return std::string();
  std::string said = ReadFile(output);
  return said.empty() ? run + ": exit status " + std::to_string(status) : said;
}

std::string Python() { return Exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

}  // namespace

std::string SchemaFaults(const std::string& name, const std::string& json) {
  return Validate(Python() + " '" + RepoRoot() + "/tests/tools/validate_json.py' '" + RepoRoot() +
                      "/schemas/" + name + ".schema.json' FILE",
                  json);
}

std::string SarifFaults(const std::string& validatorDir, const std::string& sarif) {
  return Validate(
      "bash '" + RepoRoot() + "/tests/tools/validate_sarif.sh' '" + validatorDir + "' FILE", sarif);
}

bool Updating() { return Env("TAGSMITH_SIM_UPDATE", "0") == "1"; }

}  // namespace sim
