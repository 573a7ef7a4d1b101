// What tagsmith-run may and may not do to files: never write onto an input,
// write through to the real file and keep what stands there, never touch a
// file through a planted link, write all or nothing, fail cleanly on bad
// files, short memory and interruptions, and say why.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "tests/sim/sim_helpers.h"
#include "sim/safe_write.h"

namespace {

namespace fs = std::filesystem;

const std::string kBook = "examples/book/";

std::string Example(const std::string& name) {
  return sim::ReadFile(sim::RepoRoot() + "/" + kBook + name);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SafeWritingTest : public ::testing::Test {
 protected:
  sim::TempDir dir;
  sim::TempDir host;
  std::string chapter1;  // a copy of the example's chapter 1, in dir

  void SetUp() override {
    chapter1 = dir.path + "/chapter1.mif";
    sim::WriteFile(chapter1, Example("chapter1.mif"));
  }
  sim::ToolResult Run(std::vector<std::string> args, size_t memoryLimit = 0) {
    args.insert(args.begin(), {"--host-dir", host.path});
    return sim::RunTool(args, false, "", memoryLimit);
  }
  // Runs a command that changes chapter 1.
  sim::ToolResult Change(std::vector<std::string> where, const std::string& file = "") {
    std::vector<std::string> args{"--yes", "DeleteUnusedChars", file.empty() ? chapter1 : file};
    args.insert(args.end(), where.begin(), where.end());
    return Run(args);
  }
  void ExpectUnchanged(const std::string& path) {
    EXPECT_EQ(Example("chapter1.mif"), sim::ReadFile(path)) << path;
  }
  // Runs the tool with its standard streams (stderr into a file, stdout to
  // nowhere) and limits as setUp leaves them in the child; the status is
  // 128 + the signal that ended it, if one did.
  sim::ToolResult RunWith(std::vector<std::string> args, const std::function<void()>& setUp) {
    args.insert(args.begin(), {sim::ToolPath(), "--host-dir", host.path});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    sim::TempDir io;
    std::string err = io.path + "/err";
    std::string root = sim::RepoRoot();
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
      setUp();
      if (chdir(root.c_str()) != 0) _exit(127);
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    sim::ToolResult r;
    r.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    r.err = sim::ReadFile(err);
    return r;
  }
};

// A file of the run's own, left in a folder.
bool LeftBehind(const std::string& dir) {
  for (const std::string& f : sim::FilesIn(dir)) {
    if (Has(f, "tagsmith")) return true;
  }
  return false;
}

TEST_F(SafeWritingTest, AResultIsNeverWrittenOntoAFileTheRunReads) {
  fs::create_symlink(chapter1, dir.path + "/link.mif");
  const std::vector<std::vector<std::string>> runs = {
      {"--choose", "1", "CreateCharList", chapter1, "--output", chapter1},
      {"--choose", "1", "CreateCharList", chapter1, "--output", dir.path + "/link.mif"},
      {"--choose", "1", "CreateCharList", chapter1, "--output", dir.path + "/./chapter1.mif"},
      {"--yes", "DeleteUnusedChars", chapter1, "--in-place", "--output", chapter1},
      {"--yes", "DeleteUnusedChars", chapter1, dir.path + "/link.mif", "--in-place"},
      {"--yes", "DeleteUnusedChars", chapter1, "--out-dir", dir.path},
      {"--choose", "2", "CreateCharListBook", dir.path + "/Manual.book", "--output",
       dir.path + "/Manual.book"},
  };
  for (const char* name : {"Manual.book", "chapter2.mif", "chapter3.mif"}) {
    sim::WriteFile(dir.path + "/" + name, Example(name));
  }
  for (const auto& args : runs) {
    sim::ToolResult r = Run(args);
    EXPECT_EQ(2, r.status) << args.back() << "\n" << r.err;
    EXPECT_TRUE(Has(r.err, "is read by this run") || Has(r.err, "are the same file")) << r.err;
    ExpectUnchanged(chapter1);
  }
  EXPECT_TRUE(fs::is_symlink(dir.path + "/link.mif"));
  EXPECT_EQ(Example("Manual.book"), sim::ReadFile(dir.path + "/Manual.book"));
}

// Standard output and error go wherever the shell points them, so they are
// targets like any other: onto an input (`1<>FILE`, `>>FILE`, `2>>FILE`)
// they stop the run before anything is said or written.
TEST_F(SafeWritingTest, StandardStreamsAreNeverAFileTheRunReads) {
  for (const char* name : {"Manual.book", "chapter2.mif", "chapter3.mif"}) {
    sim::WriteFile(dir.path + "/" + name, Example(name));
  }
  std::string chapter2 = dir.path + "/chapter2.mif";
  std::string book = dir.path + "/Manual.book";
  fs::copy(sim::RepoRoot() + "/tests/data/mif/Team Docs", dir.path + "/Team Docs");
  std::string windowsBook = dir.path + "/Team Docs/Team Manual.book";
  std::string windowsChapter = dir.path + "/Team Docs/Cover.mif";
  struct Case {
    std::vector<std::string> args;
    int fd;
    int flags;
    std::string onto;
  };
  const int overwrite = O_RDWR;
  const int append = O_WRONLY | O_APPEND;
  const Case cases[] = {
      {{"--choose", "1", "CreateCharList", chapter1, "--output", "-"}, 1, overwrite, chapter1},
      {{"--choose", "1", "CreateCharList", chapter1, "--output", "/dev/stdout"},
       1,
       overwrite,
       chapter1},
      {{"ListCharUsage", chapter1, "--json", "-"}, 1, overwrite, chapter1},
      {{"ListCharUsage", chapter1, "--html", "-"}, 1, append, chapter1},
      {{"ListCharUsage", chapter1}, 1, append, chapter1},
      {{"--yes", "DeleteUnusedChars", chapter1, "--in-place", "--diff"}, 1, overwrite, chapter1},
      {{"--yes", "DeleteUnusedCharsBook", book, "--in-place"}, 1, append, chapter2},
      {{"check", chapter1, chapter2}, 1, append, chapter2},
      {{"--yes", "DeleteUnusedChars", chapter1, "--in-place"}, 2, append, chapter1},
      {{"--yes", "DeleteUnusedCharsBook", book, "--out-dir", dir.path + "/out"},
       2,
       append,
       chapter2},
      // Not even why a file before the book cannot be read.
      {{"ListCharUsageBook", dir.path + "/notmif.mif", book}, 2, append, chapter2},
      // A chapter that a book made on another machine names by a path not
      // here, read from beside the book.
      {{"ListCharUsageBook", windowsBook}, 1, append, windowsChapter},
  };
  sim::WriteFile(dir.path + "/notmif.mif", "not MIF\n");
  for (const Case& c : cases) {
    std::string before = sim::ReadFile(c.onto);
    sim::ToolResult r = RunWith(c.args, [&c]() { dup2(open(c.onto.c_str(), c.flags), c.fd); });
    EXPECT_EQ(2, r.status) << c.args[0] << " " << c.args.back() << "\n" << r.err;
    EXPECT_EQ(before, sim::ReadFile(c.onto)) << c.args[0] << " " << c.args.back();
    if (c.fd == 1) {
      EXPECT_TRUE(Has(r.err, "standard output is " + c.onto + ", which is read by this run"))
          << r.err;
    }
  }
  EXPECT_FALSE(sim::Exists(dir.path + "/out"));
  EXPECT_FALSE(LeftBehind(dir.path));
  // A target that is standard output would take the place of what it shows.
  std::string shown = dir.path + "/shown.mif";
  sim::ToolResult r =
      RunWith({"--choose", "1", "CreateCharList", kBook + "chapter1.mif", "--output", shown},
              [&shown]() { dup2(open(shown.c_str(), O_WRONLY | O_CREAT, 0600), 1); });
  EXPECT_EQ(2, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, shown + " is the standard output of this run")) << r.err;
}

TEST_F(SafeWritingTest, WritingGoesThroughToTheRealFileAndKeepsWhatStandsThere) {
  // A link the user names is written through; the link stays a link.
  std::string link = dir.path + "/link.mif";
  fs::create_symlink("chapter1.mif", link);
  ASSERT_EQ(0, chmod(chapter1.c_str(), 0640));
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(0, chown(chapter1.c_str(), 1234, 5678));
  }
  sim::ToolResult r = Change({"--in-place"}, link);
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_NE(Example("chapter1.mif"), sim::ReadFile(chapter1));
  struct stat st {};
  ASSERT_EQ(0, stat(chapter1.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  if (root) {
    EXPECT_EQ(1234u, st.st_uid);
    EXPECT_EQ(5678u, st.st_gid);
  }

  // What is no regular file, or a file of several names, is not replaced.
  sim::TempDir out;
  std::string fifo = dir.path + "/fifo";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  std::string twin = dir.path + "/twin.mif";
  sim::WriteFile(dir.path + "/one.mif", Example("chapter1.mif"));
  fs::create_hard_link(dir.path + "/one.mif", twin);
  fs::create_directory(out.path + "/chapter3.mif");
  struct Refusal {
    std::vector<std::string> args;
    std::string why;
  };
  const Refusal refusals[] = {
      {{"--choose", "1", "CreateCharList", kBook + "chapter1.mif", "--output", fifo},
       "not a regular file"},
      {{"--yes", "DeleteUnusedChars", twin, "--in-place"}, "hard links"},
      {{"--yes", "RemoveCharOverrides", kBook + "chapter3.mif", "--out-dir", out.path},
       "is a folder"},
  };
  for (const Refusal& f : refusals) {
    r = Run(f.args);
    EXPECT_EQ(2, r.status) << r.err;
    EXPECT_TRUE(Has(r.err, f.why) && Has(r.err, "Nothing was written.")) << r.err;
  }
  EXPECT_EQ(fs::file_type::fifo, fs::symlink_status(fifo).type());
  ExpectUnchanged(twin);
  EXPECT_EQ(2u, fs::hard_link_count(twin));

  // MIF on standard output, in place of the readable text.
  r = Run({"--choose", "1", "CreateCharList", kBook + "chapter1.mif", "--output", "-"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(0u, r.out.find("<MIFFile")) << r.out.substr(0, 200);
}

TEST_F(SafeWritingTest, APlantedLinkIsNeverFollowed) {
  sim::TempDir out;
  std::string victim = dir.path + "/victim.txt";
  sim::WriteFile(victim, "precious\n");
  // Where a run used to put its temporary file, and where its result goes.
  fs::create_symlink(victim, out.path + "/chapter1.mif.tagsmith-tmp");
  sim::ToolResult r = Change({"--out-dir", out.path});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("precious\n", sim::ReadFile(victim));
  EXPECT_EQ((std::vector<std::string>{"chapter1.mif", "chapter1.mif.tagsmith-tmp"}),
            sim::FilesIn(out.path));

  sim::TempDir out2;
  fs::create_symlink(victim, out2.path + "/chapter1.mif");
  r = Change({"--out-dir", out2.path});
  EXPECT_EQ(2, r.status);
  EXPECT_TRUE(Has(r.err, "a link in the output folder is not followed")) << r.err;
  EXPECT_EQ("precious\n", sim::ReadFile(victim));
  EXPECT_TRUE(fs::is_symlink(out2.path + "/chapter1.mif"));
}

// Interrupted while it writes, by any signal that ends it, a run leaves no
// file of its own behind and every target whole: the old text or the new.
TEST_F(SafeWritingTest, AnInterruptedRunLeavesNoTemporaryFiles) {
  // A book of many chapters keeps the run writing for a while.
  std::string bookText = "<Book 9.00>\n";
  for (int i = 0; i < 20; ++i) {
    std::string name = "c" + std::to_string(i) + ".mif";
    fs::copy_file(chapter1, dir.path + "/" + name);
    bookText += "<BookComponent \n <FileName `<c\\>" + name + "'>\n>\n";
  }
  sim::WriteFile(dir.path + "/Big.book", bookText);
  std::string changed;
  for (int sig : {SIGTERM, SIGUSR1}) {
    bool interrupted = false;
    for (int attempt = 0; attempt < 20 && !interrupted; ++attempt) {
      sim::TempDir out;
      pid_t pid = fork();
      if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::string tool = sim::ToolPath();
        std::string book = dir.path + "/Big.book";
        execl(tool.c_str(), tool.c_str(), "--yes", "DeleteUnusedCharsBook", book.c_str(),
              "--out-dir", out.path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
      }
      int status = 0;
      while (waitpid(pid, &status, WNOHANG) == 0) {
        bool writing = false;
        for (const std::string& f : sim::FilesIn(out.path)) writing = writing || Has(f, "tagsmith");
        if (writing) {
          kill(pid, sig);
          interrupted = true;
          waitpid(pid, &status, 0);
          break;
        }
      }
      // No chapter or all of them, and every one whole.
      std::vector<std::string> files = sim::FilesIn(out.path);
      EXPECT_TRUE(files.empty() || files.size() == 20) << files.size();
      for (const std::string& f : files) {
        EXPECT_FALSE(Has(f, "tagsmith")) << f;
        std::string text = sim::ReadFile(out.path + "/" + f);
        if (changed.empty()) changed = text;
        EXPECT_EQ(changed, text) << f << " is not whole";
      }
    }
    EXPECT_TRUE(interrupted) << "the run was never caught writing";
  }
}

// Every deadly signal that can be caught removes the run's files before it
// ends the run: here a chapter too large for the limit on file sizes
// (SIGXFSZ). Standard output that nobody reads any more (EPIPE, with
// SIGPIPE ignored) fails the run.
TEST_F(SafeWritingTest, EveryDeadlySignalLeavesNothingBehind) {
  sim::ToolResult r = RunWith({"--yes", "DeleteUnusedChars", chapter1, "--in-place"}, []() {
    struct rlimit limit {
      4096, 4096
    };
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(128 + SIGXFSZ, r.status) << r.err;
  ExpectUnchanged(chapter1);
  EXPECT_FALSE(LeftBehind(dir.path)) << sim::FilesIn(dir.path).size();

  r = RunWith({"--yes", "DeleteUnusedChars", chapter1, "--in-place", "--diff"}, []() {
    int ends[2];
    if (pipe(ends) != 0) _exit(126);
    close(ends[0]);
    dup2(ends[1], 1);
    signal(SIGPIPE, SIG_IGN);
  });
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "standard output: cannot write") && Has(r.err, "Nothing was written."))
      << r.err;
  ExpectUnchanged(chapter1);
  EXPECT_FALSE(LeftBehind(dir.path));
}

// Run in a child of the test: writes a.mif, b.mif and c.mif (each there
// before) with standard output or error going into a pipe nobody reads,
// and `during` called at the first rename. Returns how the child ended.
int WriteThreeInChild(const std::string& dir, int brokenFd, bool toStdout, void (*during)()) {
  static void (*s_during)() = nullptr;
  s_during = during;
  pid_t pid = fork();
  if (pid == 0) {
    int ends[2];
    if (pipe(ends) != 0) _exit(126);
    close(ends[0]);
    if (brokenFd >= 0) dup2(ends[1], brokenFd);
    int null = open("/dev/null", O_WRONLY);
    if (brokenFd != 2) dup2(null, 2);
    if (brokenFd != 1) dup2(null, 1);
    std::vector<SafeWrite> writes;
    if (toStdout) writes.push_back(SafeWrite{"-", "shown\n", true, std::string()});
    for (const char* name : {"a.mif", "b.mif", "c.mif"}) {
      writes.push_back(
          SafeWrite{dir + "/" + name, std::string("new ") + name, true, std::string()});
    }
    SafeRename = [](const char* from, const char* to) {
      if (s_during != nullptr) s_during();
      s_during = nullptr;
      return rename(from, to);
    };
    _exit(SafeWriteAll(writes, {}));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// The files of WriteThreeInChild: all old or all new, and nothing else.
void ExpectAllOrNone(const std::string& dir, const char* which) {
  EXPECT_EQ((std::vector<std::string>{"a.mif", "b.mif", "c.mif"}), sim::FilesIn(dir));
  for (const char* name : {"a.mif", "b.mif", "c.mif"}) {
    EXPECT_EQ(std::string(which) + " " + name, sim::ReadFile(dir + "/" + name));
  }
}

// A signal during the renames waits until every file is in place; a reader
// gone from standard error ends the run only after that, and one gone from
// standard output before any file is replaced.
TEST(SafeWriteAllTest, SignalsNeverLeaveAHalfReplacedSet) {
  sim::TempDir dir;
  auto reset = [&dir]() {
    for (const std::string& f : sim::FilesIn(dir.path)) fs::remove(dir.path + "/" + f);
    for (const char* name : {"a.mif", "b.mif", "c.mif"}) {
      sim::WriteFile(dir.path + "/" + name, std::string("old ") + name);
    }
  };
  reset();
  EXPECT_EQ(128 + SIGUSR1, WriteThreeInChild(dir.path, -1, false, []() { raise(SIGUSR1); }));
  ExpectAllOrNone(dir.path, "new");
  reset();
  EXPECT_EQ(128 + SIGPIPE, WriteThreeInChild(dir.path, 2, false, nullptr));
  ExpectAllOrNone(dir.path, "new");
  reset();
  EXPECT_EQ(128 + SIGPIPE, WriteThreeInChild(dir.path, 1, true, nullptr));
  ExpectAllOrNone(dir.path, "old");
}

// When a file cannot be put in place, the files already replaced get their
// originals back and a file that was new goes again.
TEST(SafeWriteAllTest, AFailedRenameRestoresEveryFileAlreadyWritten) {
  sim::TempDir dir;
  std::vector<SafeWrite> writes;
  for (const char* name : {"a.mif", "b.mif", "new.mif", "c.mif"}) {
    std::string path = dir.path + "/" + name;
    if (std::string(name) != "new.mif") sim::WriteFile(path, std::string("old ") + name);
    writes.push_back(SafeWrite{path, std::string("new ") + name, true, std::string()});
  }
  static int renames = 0;
  renames = 0;
  SafeRename = [](const char* from, const char* to) {
    if (++renames == 4) {
      errno = EIO;
      return -1;
    }
    return rename(from, to);
  };
  testing::internal::CaptureStderr();
  SafeWriteResult result = SafeWriteAll(writes, {});
  std::string err = testing::internal::GetCapturedStderr();
  SafeRename = rename;
  EXPECT_EQ(SAFE_FAILED, result);
  EXPECT_EQ((std::vector<std::string>{"a.mif", "b.mif", "c.mif"}), sim::FilesIn(dir.path));
  for (const char* name : {"a.mif", "b.mif", "c.mif"}) {
    EXPECT_EQ(std::string("old ") + name, sim::ReadFile(dir.path + "/" + name));
  }
  EXPECT_TRUE(Has(err, "c.mif: cannot write the file: Input/output error")) << err;
  EXPECT_TRUE(Has(err, "a.mif: restored to what it was")) << err;
  EXPECT_TRUE(Has(err, "new.mif: removed again")) << err;
  EXPECT_TRUE(Has(err, "c.mif: unchanged")) << err;
}

// The file another program changes while a run writes.
std::string g_edited;

void Edit() {
  FILE* f = std::fopen(g_edited.c_str(), "a");
  std::fputs("edited\n", f);
  std::fclose(f);
}

// What the run read is replaced only while it is still exactly that: a
// change made meanwhile, by another program or the user, is never lost.
TEST(SafeWriteAllTest, AChangeMadeDuringTheRunIsNeverOverwritten) {
  sim::TempDir dir;
  const std::string b = g_edited = dir.path + "/b.mif";
  auto readAll = [&dir]() {
    std::vector<SafeWrite> writes;
    for (const char* name : {"a.mif", "b.mif"}) {
      std::string path = dir.path + "/" + name;
      sim::WriteFile(path, std::string("old ") + name + "\n");
      SafeWrite w{path, std::string("new ") + name, true, path};
      std::string text;
      std::string why;
      EXPECT_TRUE(SafeReadFile(path, 1000, &text, &why, &w.readStamp)) << why;
      w.read = Sha256Of(text);
      writes.push_back(w);
    }
    return writes;
  };
  // Between the renames (after the first), before the files are prepared,
  // or in the same tick of the clock as the read (the stamp the same, a
  // byte in the middle not).
  for (int when = 0; when < 3; ++when) {
    std::vector<SafeWrite> writes = readAll();
    if (when == 0) {
      SafeRename = [](const char* from, const char* to) {
        if (std::string(to) != g_edited) Edit();
        return rename(from, to);
      };
    } else if (when == 1) {
      Edit();
    } else {
      writes[1].read = Sha256Of("old x.mif\n");
      writes[1].readStamp.known = true;
    }
    testing::internal::CaptureStderr();
    SafeWriteResult result = SafeWriteAll(writes, {writes[0].path, writes[1].path});
    std::string err = testing::internal::GetCapturedStderr();
    SafeRename = rename;
    EXPECT_EQ(SAFE_FAILED, result) << when;
    EXPECT_EQ("old a.mif\n", sim::ReadFile(dir.path + "/a.mif")) << when;
    if (when == 2) {
      EXPECT_EQ("old b.mif\n", sim::ReadFile(b));
    } else {
      EXPECT_EQ("old b.mif\nedited\n", sim::ReadFile(b)) << when;
    }
    EXPECT_TRUE(Has(err, b + ": changed since this run read it; it is not replaced")) << err;
    if (when == 0) {
      EXPECT_TRUE(Has(err, "a.mif: restored to what it was")) << err;
    }
    EXPECT_EQ((std::vector<std::string>{"a.mif", "b.mif"}), sim::FilesIn(dir.path));
  }
}

// The same through the tool, for a document and a book's chapter: the user
// edits the file while the run asks, by a line appended or by one byte in
// its middle that leaves its size and modification time as they were.
TEST_F(SafeWritingTest, AFileEditedWhileTheRunAsksIsKept) {
  const std::string chapter2 = dir.path + "/chapter2.mif";
  const std::pair<std::string, std::string> runs[] = {
      {"DeleteUnusedChars", chapter1},
      {"DeleteUnusedCharsBook", dir.path + "/Manual.book"},
  };
  const std::string chapters[] = {chapter1, chapter2, dir.path + "/chapter3.mif"};
  auto appendLine = [](const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "a");
    std::fputs("# edited\n", f);
    std::fclose(f);
  };
  auto changeMiddleByte = [](const std::string& file) {
    struct stat st {};
    ASSERT_EQ(0, stat(file.c_str(), &st));
    std::string text = sim::ReadFile(file);
    char& middle = text[text.size() / 2];
    middle = middle == 'x' ? 'y' : 'x';
    sim::WriteFile(file, text);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(0, utimensat(AT_FDCWD, file.c_str(), times, 0));
  };
  const std::function<void(const std::string&)> edits[] = {appendLine, changeMiddleByte};
  for (const auto& edit : edits) {
    for (const auto& run : runs) {
      for (const char* name : {"Manual.book", "chapter1.mif", "chapter2.mif", "chapter3.mif"}) {
        sim::WriteFile(dir.path + "/" + name, Example(name));
      }
      const std::string& edited = run.first == "DeleteUnusedChars" ? chapter1 : chapter2;
      std::vector<std::string> expected;
      sim::ToolResult r = sim::RunToolAnswering(
          {"--host-dir", host.path, "--interactive", run.first, run.second, "--in-place"}, "[y/N]",
          [&]() {
            edit(edited);
            for (const std::string& c : chapters) expected.push_back(sim::ReadFile(c));
          },
          "y\n");
      EXPECT_EQ(1, r.status) << r.err;
      EXPECT_TRUE(Has(r.err, edited + ": changed since this run read it")) << r.err;
      ASSERT_EQ(3u, expected.size()) << r.err;
      for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(expected[i], sim::ReadFile(chapters[i])) << chapters[i];
    }
  }
  EXPECT_FALSE(LeftBehind(dir.path));
}

// Success is reported only once the folders are flushed; when one cannot
// be, the run is undone.
TEST(SafeWriteAllTest, AFolderThatCannotBeFlushedUndoesTheRun) {
  sim::TempDir dir;
  std::vector<SafeWrite> writes;
  for (const char* name : {"a.mif", "new.mif"}) {
    std::string path = dir.path + "/" + name;
    if (std::string(name) == "a.mif") sim::WriteFile(path, "old a.mif");
    writes.push_back(SafeWrite{path, std::string("new ") + name, true, std::string()});
  }
  SafeSyncFolder = [](int) {
    errno = EIO;
    return -1;
  };
  testing::internal::CaptureStderr();
  SafeWriteResult result = SafeWriteAll(writes, {});
  std::string err = testing::internal::GetCapturedStderr();
  SafeSyncFolder = fsync;
  EXPECT_EQ(SAFE_FAILED, result);
  EXPECT_EQ((std::vector<std::string>{"a.mif"}), sim::FilesIn(dir.path));
  EXPECT_EQ("old a.mif", sim::ReadFile(dir.path + "/a.mif"));
  EXPECT_TRUE(Has(err, dir.path + ": cannot flush the folder to disk: Input/output error")) << err;
  EXPECT_TRUE(Has(err, "a.mif: restored to what it was")) << err;
  EXPECT_TRUE(Has(err, "new.mif: removed again")) << err;
  EXPECT_FALSE(Has(err, "wrote")) << err;
}

// ---- Bad files, short memory, messages ----

TEST_F(SafeWritingTest, WhatIsNoRegularFileIsRefusedAsInput) {
  std::string fifo = dir.path + "/pipe.mif";
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  sim::ToolResult r = Run({"ListCharUsage", fifo});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, fifo + ": is not a regular file")) << r.err;
  r = Run({"ListCharUsage", dir.path});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, dir.path + ": is a folder, not a file")) << r.err;
  // A book's chapter too: skipped, with the reason.
  sim::WriteFile(dir.path + "/Pipe.book",
                 "<Book 9.00>\n<BookComponent \n <FileName `<c\\>pipe.mif'>\n>\n");
  r = Run({"ListCharUsageBook", dir.path + "/Pipe.book"});
  EXPECT_EQ(6, r.status);
  EXPECT_TRUE(Has(r.err, "component pipe.mif: cannot be read, skipped: " + fifo +
                             ": is not a regular file"))
      << r.err;
  // Nor is one opened to see whether it is MIF, at the name a book gives
  // a document, with its MIF file beside it.
  std::string fm = dir.path + "/cover.fm";
  ASSERT_EQ(0, mkfifo(fm.c_str(), 0600));
  sim::WriteFile(dir.path + "/cover.mif", Example("chapter3.mif"));
  sim::WriteFile(dir.path + "/Cover.book",
                 "<Book 9.00>\n<BookComponent \n <FileName `<c\\>cover.fm'>\n>\n");
  r = Run({"ListCharUsageBook", dir.path + "/Cover.book"});
  EXPECT_EQ(6, r.status);
  EXPECT_TRUE(
      Has(r.err, "component cover.fm: cannot be read, skipped: " + fm + ": is not a regular file"))
      << r.err;
  // Nor loaded as the client.
  r = Run({"--client", fifo, "ListCharUsage", chapter1});
  EXPECT_EQ(2, r.status);
  EXPECT_TRUE(Has(r.err, "the client library " + fifo + " is not a regular file")) << r.err;
  // A file that is no library: the system's reason is given.
  std::string text = dir.path + "/notes.so";
  sim::WriteFile(text, "not a library\n");
  r = Run({"--client", text, "ListCharUsage", chapter1});
  EXPECT_EQ(2, r.status);
  EXPECT_TRUE(Has(r.err, "cannot load the client library " + text + ": ")) << r.err;
  EXPECT_FALSE(Has(r.err, text + ": " + text)) << r.err;
}

#if defined(__SANITIZE_ADDRESS__)
#define TAGSMITH_NO_MEMORY_LIMITS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAGSMITH_NO_MEMORY_LIMITS 1
#endif
#endif

TEST_F(SafeWritingTest, ShortMemoryEndsEveryPhaseCleanly) {
#ifdef TAGSMITH_NO_MEMORY_LIMITS
  GTEST_SKIP() << "a sanitizer's shadow memory needs more address space than any limit leaves";
#else
  // Larger than a file may be: refused from its size, before it is read.
  std::string huge = dir.path + "/huge.mif";
  sim::WriteFile(huge, "<MIFFile 9.00>\n");
  fs::resize_file(huge, size_t{600} << 20);
  sim::ToolResult r = Run({"ListCharUsage", huge}, size_t{300} << 20);
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "file is larger than")) << r.err;

  // A document of many paragraphs, under limits from too little to enough:
  // each run fails with "out of memory" or succeeds, and the file written
  // in place is either untouched or whole.
  std::string big = Example("chapter1.mif");
  size_t flow = big.rfind("<TextFlow");
  std::string paragraphs;
  for (int i = 0; i < 12000; ++i) paragraphs += "<TextFlow <Para <ParaLine <String `Filler'>>>>\n";
  big.insert(flow, paragraphs);
  sim::WriteFile(chapter1, big);
  sim::ToolResult full = Change({"--out-dir", dir.path + "/whole"});
  ASSERT_EQ(0, full.status) << full.err;
  std::string whole = sim::ReadFile(dir.path + "/whole/chapter1.mif");
  bool failedSome = false;
  for (size_t mb = 8; mb <= 104; mb += 8) {
    sim::WriteFile(chapter1, big);
    r = Run({"--yes", "DeleteUnusedChars", chapter1, "--in-place"}, mb << 20);
    // Too little for the system to start the program, or to map the client
    // library into it, is no concern here.
    if (r.status == 127 && Has(r.err, "error while loading shared libraries")) continue;
    if (r.status == 2 && Has(r.err, "cannot load the client library")) {
      EXPECT_EQ(big, sim::ReadFile(chapter1)) << mb << " MB";
      continue;
    }
    ASSERT_TRUE(r.status == 0 || r.status == 1) << mb << " MB: " << r.status << "\n" << r.err;
    if (r.status == 1) {
      failedSome = true;
      EXPECT_TRUE(Has(r.err, "out of memory")) << mb << " MB: " << r.err;
    }
    std::string now = sim::ReadFile(chapter1);
    EXPECT_TRUE(now == big || now == whole) << mb << " MB";
    EXPECT_EQ((std::vector<std::string>{"chapter1.mif", "huge.mif", "whole"}),
              sim::FilesIn(dir.path));
  }
  EXPECT_TRUE(failedSome) << "no limit was small enough to fail";
#endif
}

TEST_F(SafeWritingTest, MessagesSayWhatIsWrong) {
  // Why a write failed.
  sim::ToolResult r = Change({"--out-dir", "/proc/sys/kernel"});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "chapter1.mif: cannot write the file: ")) << r.err;
  EXPECT_FALSE(Has(r.err, "cannot write the file. ")) << r.err;
  // A folder for results that cannot be made.
  r = Change({"--out-dir", chapter1 + "/out"});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "cannot make the folder " + chapter1 + "/out")) << r.err;
  EXPECT_EQ(2, Change({"--out-dir="}).status);
  EXPECT_EQ(2, Change({"--output", ""}).status);
  // A book given where a document is wanted.
  r = Run({"ListCharUsage", kBook + "Manual.book"});
  EXPECT_EQ(5, r.status);
  EXPECT_TRUE(Has(r.err, "Manual.book is a book, not a document")) << r.err;
  // A broken output document in the host folder is named as the cause.
  sim::WriteFile(host.path + "/VxOutput.fm", "<MIFFile 9.00>\n<Units\n");
  r = Run({"ListCharUsage", chapter1});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(
      Has(r.err, "the host folder's VxOutput.fm, which results are added to, cannot be used"))
      << r.err;
}

// Old files end their lines with CR alone; what is added to one does too.
TEST_F(SafeWritingTest, ALineEndOfCarriageReturnsIsKept) {
  std::string file =
      "# made by hand\r<MIFFile 9.00>\r<PgfCatalog \r <Pgf \r  <PgfTag `Body'>\r >\r>\r"
      "<TextFlow \r <TFTag `A'>\r <Para \r  <PgfTag `Body'>\r  <ParaLine \r"
      "   <String `Report'>\r  >\r >\r>\r";
  sim::WriteFile(host.path + "/VxOutput.fm", file);
  std::string out = dir.path + "/report.mif";
  sim::ToolResult r = Run({"ListCharUsage", kBook + "chapter3.mif", "--output", out});
  EXPECT_EQ(0, r.status) << r.err;
  std::string written = sim::ReadFile(out);
  EXPECT_TRUE(Has(written, "Character Tags Used:")) << written;
  EXPECT_FALSE(Has(written, "\n"));
}

}  // namespace
