// tagsmith-run for a build: `check` and its exit statuses, and `--diff`,
// which shows what a run would write and writes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "mif/mif_font.h"
#include "mif/mif_tree.h"
#include "tests/sim/sim_helpers.h"

namespace {

namespace fs = std::filesystem;

const std::string kBook = "examples/book/";
const char* const kChapters[] = {"chapter1.mif", "chapter2.mif", "chapter3.mif"};

class BuildUseTest : public ::testing::Test {
 protected:
  sim::TempDir host;
  sim::TempDir dir;
  sim::ToolResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--host-dir", host.path});
    return sim::RunTool(args);
  }
  // The example book and its chapters, copied into dir/examples/book.
  std::string CopyBook() {
    std::string to = dir.path + "/" + kBook;
    fs::create_directories(to);
    for (const char* name : {"Manual.book", "chapter1.mif", "chapter2.mif", "chapter3.mif"}) {
      fs::copy_file(sim::RepoRoot() + "/" + kBook + name, to + name);
    }
    return to;
  }
};

// The character formats of a document's catalog.
std::set<std::string> CatalogOf(const std::string& path) {
  MifTree tree;
  MifError error;
  EXPECT_TRUE(MifReadFile(path, &tree, &error)) << MifErrorText(error);
  std::set<std::string> names;
  for (const MifNode* font : MifFindDeep(tree.root, "Font")) {
    std::string name;
    if (MifChildRoman(*font, "FTag", tree.encoding, &name) && !name.empty()) names.insert(name);
  }
  return names;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Each line a finding names is the <Font> statement concerned; an unused
// format's names it on the line below. Files are named relative to `base`.
void ExpectFindingsAtTheirStatements(const std::string& findings, const std::string& base) {
  for (const std::string& finding : LinesOf(findings)) {
    size_t colon = finding.find(':');
    std::vector<std::string> file = LinesOf(sim::ReadFile(base + finding.substr(0, colon)));
    size_t line = std::stoul(finding.substr(colon + 1));
    ASSERT_LT(line, file.size()) << finding;
    EXPECT_NE(std::string::npos, file[line - 1].find("<Font")) << finding;
    size_t quote = finding.find("format \"");
    if (quote != std::string::npos) {
      std::string name = finding.substr(quote + 8, finding.find('"', quote + 8) - quote - 8);
      EXPECT_NE(std::string::npos, file[line].find("<FTag `" + name + "'>")) << finding;
    }
  }
}

TEST_F(BuildUseTest, CheckNamesTheStatementOfEveryFinding) {
  sim::ToolResult r = Run({"check", kBook + "Manual.book"});
  EXPECT_EQ(8 + 16, r.status) << r.err;
  EXPECT_EQ(
      "examples/book/chapter1.mif:213: character format \"Obsolete\" is not used\n"
      "examples/book/chapter1.mif:218: character format \"Draft\" is not used\n"
      "examples/book/chapter1.mif:485: character override on \" twice\" (no character tag)\n"
      "examples/book/chapter1.mif:502: character override on \"whole\" (character tag \"Emphasis\")\n"
      "examples/book/chapter2.mif:115: character format \"Scratch\" is not used\n"
      "examples/book/chapter2.mif:177: character override on \"keep-list\" (no character tag)\n"
      "examples/book/chapter2.mif:239: character override on \"LegacyBold\" (no character tag)\n"
      "examples/book/chapter2.mif:304: character override on \"check\" (character tag \"LegacyBold\")\n"
      "examples/book/chapter3.mif:38: character format \"Glossary\" is not used\n"
      "examples/book/chapter3.mif:44: character format \"Draft\" is not used\n"
      "examples/book/chapter3.mif:97: character override on \"large\" (no character tag)\n",
      r.out);
  ExpectFindingsAtTheirStatements(r.out, sim::RepoRoot() + "/");
  // One kind alone.
  r = Run({"check", "--overrides", kBook + "chapter2.mif", kBook + "keep-list.mif"});
  EXPECT_EQ(16, r.status);
  EXPECT_EQ(3u, LinesOf(r.out).size());
}

TEST_F(BuildUseTest, ABookCleanedByTheCommandsChecksClean) {
  std::string book = CopyBook() + "Manual.book";
  ASSERT_EQ(0, Run({"--yes", "DeleteUnusedCharsBook", book, "--in-place"}).status);
  ASSERT_EQ(0, Run({"--yes", "RemoveCharOverridesBook", book, "--in-place"}).status);
  std::string before = sim::ReadFile(dir.path + "/" + kBook + "chapter1.mif");
  sim::ToolResult r = Run({"check", book});
  EXPECT_EQ(0, r.status) << r.out << r.err;
  EXPECT_EQ("", r.out);
  EXPECT_EQ(before, sim::ReadFile(dir.path + "/" + kBook + "chapter1.mif"));
}

// Converting every run of a tag leaves no paragraph end carrying it (the
// "both work" cell ends with the Highlight run): the tag is unused then.
TEST_F(BuildUseTest, ATagConvertedAwayIsUnusedAfterwards) {
  std::string book = CopyBook() + "Manual.book";
  ASSERT_EQ(0, Run({"--yes", "ConvertCharsBook", kBook + "conversion.mif", book, "--in-place"}).status);
  sim::ToolResult r = Run({"check", "--unused", dir.path + "/" + kBook + "chapter2.mif"});
  EXPECT_EQ(8, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("character format \"Highlight\" is not used")) << r.out;
}

// Real documents: what check finds is where it says, and what the clean-up
// commands leave is clean.
TEST_F(BuildUseTest, CheckOnRealDocuments) {
  std::vector<std::string> files = sim::RealDocuments();
  std::string samples = sim::SharedSamplesDir();
  for (const std::string& name : sim::FilesIn(samples)) {
    if (fs::path(name).extension() == ".mif" && name != "compare-book.mif") {
      files.push_back(samples + "/" + name);
    }
  }
  for (const std::string& file : files) {
    sim::ToolResult r = Run({"check", file});
    EXPECT_EQ(0, r.status & ~(8 + 16 + 32)) << file << "\n" << r.err;
    ExpectFindingsAtTheirStatements(r.out, "");
  }
  for (const std::string& file : sim::RealDocuments()) {
    std::string copy = dir.path + "/" + fs::path(file).filename().string();
    fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
    ASSERT_EQ(0, Run({"--yes", "DeleteUnusedChars", copy, "--in-place"}).status);
    ASSERT_EQ(0, Run({"--yes", "RemoveCharOverrides", copy, "--in-place"}).status);
    sim::ToolResult r = Run({"check", "--unused", "--overrides", copy});
    EXPECT_EQ(0, r.status) << r.out;
  }
}

TEST_F(BuildUseTest, CheckFindsTagsNoFormatDefines) {
  // The second use of Term in chapter 3 names a format the file lacks.
  std::string text = sim::ReadFile(sim::RepoRoot() + "/" + kBook + "chapter3.mif");
  size_t at = text.find("<FTag `Term'>", text.find("    <FTag `Term'>") + 5);
  text.replace(at, 13, "<FTag `Nowhere'>");
  std::string file = dir.path + "/chapter3.mif";
  sim::WriteFile(file, text);
  sim::ToolResult r = Run({"check", "--undefined", file});
  EXPECT_EQ(32, r.status);
  EXPECT_EQ(file + ":87: character tag \"Nowhere\" is used in text, but no character format "
                   "defines it\n",
            r.out);
  EXPECT_EQ(8 + 16 + 32, Run({"check", file}).status);
}

TEST_F(BuildUseTest, CheckStatusesForInputItCannotCheck) {
  EXPECT_EQ(2, Run({"check", "--out-dir", dir.path, kBook + "chapter1.mif"}).status);
  EXPECT_EQ(2, Run({"--unused", "ListCharUsage", kBook + "chapter1.mif"}).status);
  EXPECT_EQ(2, Run({"check"}).status);
  EXPECT_EQ(1, Run({"check", dir.path + "/none.mif"}).status);
  std::string book = CopyBook() + "Manual.book";
  fs::remove(dir.path + "/" + kBook + "chapter2.mif");
  // The missing chapter may use any format the others leave unused: none
  // is called unused, but overrides are still found.
  sim::ToolResult r = Run({"check", "--unused", book});
  EXPECT_EQ(6, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_NE(std::string::npos, r.err.find("warning: Some of the text could not be read")) << r.err;
  r = Run({"check", "--allow-missing", book});
  EXPECT_EQ(5, r.status);
  EXPECT_EQ(std::string::npos, r.out.find("is not used")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("chapter3.mif:97: character override on \"large\""))
      << r.out;
}

TEST_F(BuildUseTest, DiffShowsWhatTheRunWritesAndPatchMakesIt) {
  sim::TempDir out;
  sim::ToolResult diff = Run({"--yes", "--diff", "DeleteUnusedCharsBook", kBook + "Manual.book"});
  EXPECT_EQ(0, diff.status) << diff.err;
  ASSERT_EQ(0, Run({"--yes", "DeleteUnusedCharsBook", kBook + "Manual.book", "--out-dir", out.path})
                   .status);

  // The diff takes out whole catalog entries and adds nothing: exactly the
  // formats the real run removes.
  std::set<std::string> shown;
  std::set<std::string> removed;
  for (const std::string& line : LinesOf(diff.out)) {
    EXPECT_TRUE(line[0] != '+' || line.compare(0, 4, "+++ ") == 0) << line;
    if (line.compare(0, 10, "-  <FTag `") == 0) shown.insert(line.substr(10, line.size() - 12));
  }
  for (const char* name : kChapters) {
    for (const std::string& tag : CatalogOf(sim::RepoRoot() + "/" + kBook + name)) {
      if (CatalogOf(out.path + "/" + name).count(tag) == 0) removed.insert(tag);
    }
  }
  EXPECT_EQ((std::set<std::string>{"Draft", "Glossary", "Obsolete", "Scratch"}), removed);
  EXPECT_EQ(removed, shown);

  std::string copy = CopyBook();
  sim::WriteFile(dir.path + "/preview.diff", diff.out);
  ASSERT_EQ(0, std::system(("patch -s -p1 -d " + dir.path + " < " + dir.path + "/preview.diff").c_str()));
  for (const char* name : kChapters) {
    EXPECT_EQ(sim::ReadFile(out.path + "/" + name), sim::ReadFile(copy + name)) << name;
  }

  // Nothing is written, wherever the run would write.
  sim::ToolResult r = Run({"--yes", "--diff", "DeleteUnusedChars", kBook + "chapter1.mif",
                           "--out-dir", dir.path + "/never"});
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos, r.out.find("--- /dev/null\n+++ b/"));
  EXPECT_FALSE(sim::Exists(dir.path + "/never"));
  // A target the run would refuse (here the input itself) is refused alike.
  EXPECT_EQ(2, Run({"--yes", "--diff", "DeleteUnusedChars", kBook + "chapter1.mif", "--out-dir",
                    kBook})
                   .status);
}

}  // namespace
