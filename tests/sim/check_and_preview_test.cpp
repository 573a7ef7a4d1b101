// tagsmith-run for a build: `check` and its exit statuses, and `--diff`,
// which shows what a run would write and writes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "mif/mif_font.h"
#include "mif/mif_tree.h"
#include "sim/diff_preview.h"
#include "tests/sim/sim_helpers.h"

namespace {

namespace fs = std::filesystem;

const std::string kBook = "examples/book/";
const char* const kChapters[] = {"chapter1.mif", "chapter2.mif", "chapter3.mif"};

const char kBookFindings[] =
    "examples/book/chapter1.mif:213:2: warning: character format \"Obsolete\" is not used [unused-format]\n"
    "examples/book/chapter1.mif:218:2: warning: character format \"Draft\" is not used [unused-format]\n"
    "examples/book/chapter1.mif:485:4: warning: character override on \" twice\" (no character tag) [character-override]\n"
    "examples/book/chapter1.mif:502:4: warning: character override on \"whole\" (character tag \"Emphasis\") [character-override]\n"
    "examples/book/chapter2.mif:115:2: warning: character format \"Scratch\" is not used [unused-format]\n"
    "examples/book/chapter2.mif:177:9: warning: character override on \"keep-list\" (no character tag) [character-override]\n"
    "examples/book/chapter2.mif:239:6: warning: character override on \"LegacyBold\" (no character tag) [character-override]\n"
    "examples/book/chapter2.mif:304:4: warning: character override on \"check\" (character tag \"LegacyBold\") [character-override]\n"
    "examples/book/chapter3.mif:38:2: warning: character format \"Glossary\" is not used [unused-format]\n"
    "examples/book/chapter3.mif:44:2: warning: character format \"Draft\" is not used [unused-format]\n"
    "examples/book/chapter3.mif:97:4: warning: character override on \"large\" (no character tag) [character-override]\n";

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

// Each line and column a finding names is the <Font> statement concerned;
// an unused format's names it on the line below. Files are named relative
// to `base`.
void ExpectFindingsAtTheirStatements(const std::string& findings, const std::string& base) {
  for (const std::string& finding : LinesOf(findings)) {
    size_t colon = finding.find(':');
    std::vector<std::string> file = LinesOf(sim::ReadFile(base + finding.substr(0, colon)));
    size_t second = finding.find(':', colon + 1);
    size_t line = std::stoul(finding.substr(colon + 1));
    size_t column = std::stoul(finding.substr(second + 1));
    ASSERT_LT(line, file.size()) << finding;
    EXPECT_EQ(column - 1, file[line - 1].find("<Font")) << finding;
    size_t quote = finding.find("format \"");
    if (quote != std::string::npos) {
      std::string name = finding.substr(quote + 8, finding.find('"', quote + 8) - quote - 8);
      EXPECT_NE(std::string::npos, file[line].find("<FTag `" + name + "'>")) << finding;
    }
  }
}

TEST_F(BuildUseTest, CheckNamesTheStatementOfEveryFinding) {
  sim::ToolResult r = Run({"check", kBook + "Manual.book"});
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_EQ(kBookFindings, r.out);
  ExpectFindingsAtTheirStatements(r.out, sim::RepoRoot() + "/");
  EXPECT_NE(std::string::npos,
            r.err.find("tagsmith-run check: 3 documents checked, 11 findings (5 unused-format, 6 "
                       "character-override)\n"))
      << r.err;
  // One kind alone.
  r = Run({"check", "--overrides", kBook + "chapter2.mif", kBook + "keep-list.mif"});
  EXPECT_EQ(1, r.status);
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
  ASSERT_EQ(
      0, Run({"--yes", "ConvertCharsBook", kBook + "conversion.mif", book, "--in-place"}).status);
  sim::ToolResult r = Run({"check", "--unused", dir.path + "/" + kBook + "chapter2.mif"});
  EXPECT_EQ(1, r.status) << r.err;
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
    EXPECT_TRUE(r.status == 0 || r.status == 1) << file << "\n" << r.err;
    EXPECT_EQ(r.status == 1, !r.out.empty()) << file;
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
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(file +
                ":87:4: error: character tag \"Nowhere\" is used in text, but no character format "
                "defines it [undefined-tag]\n",
            r.out);
}

TEST_F(BuildUseTest, CheckStatusesForInputItCannotCheck) {
  EXPECT_EQ(2, Run({"check", "--out-dir", dir.path, kBook + "chapter1.mif"}).status);
  EXPECT_EQ(2, Run({"--unused", "ListCharUsage", kBook + "chapter1.mif"}).status);
  EXPECT_EQ(2, Run({"check"}).status);
  EXPECT_EQ(3, Run({"check", dir.path + "/none.mif"}).status);
  // check's own options, with check only and with values it knows.
  EXPECT_EQ(2, Run({"--format", "json", "ListCharUsage", kBook + "chapter1.mif"}).status);
  EXPECT_EQ(2, Run({"check", "--format", "xml", kBook + "chapter1.mif"}).status);
  EXPECT_EQ(2, Run({"check", "--fail-on", "warnings", kBook + "chapter1.mif"}).status);
  std::string notBaseline = dir.path + "/baseline.json";
  sim::WriteFile(notBaseline, "{\"findings\": []}\n");
  sim::ToolResult r = Run({"check", "--baseline", notBaseline, kBook + "chapter1.mif"});
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.err.find(notBaseline + ": not a baseline")) << r.err;
  EXPECT_EQ("", r.out);
}

// A file that could not be checked decides the status over what was found
// in the others, which is still printed; the summary says why a file gave
// no findings; each fact is said once.
TEST_F(BuildUseTest, CheckStatusesCombineAndSayWhatWasNotChecked) {
  std::string notMif = dir.path + "/notmif.mif";
  sim::WriteFile(notMif, "hello\n");
  std::string none = dir.path + "/none.mif";
  sim::ToolResult r = Run({"check", notMif});
  EXPECT_EQ(3, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("tagsmith-run check: 0 documents checked, 0 findings; not checked: " +
                       notMif + " (cannot be read)\n"))
      << r.err;
  for (const auto& files : {std::vector<std::string>{kBook + "chapter1.mif", notMif},
                            std::vector<std::string>{none, kBook + "chapter1.mif"}}) {
    r = Run({"check", files[0], files[1]});
    EXPECT_EQ(3, r.status) << r.err;
    EXPECT_EQ(4u, LinesOf(r.out).size());
  }

  std::string book = CopyBook() + "Manual.book";
  fs::remove(dir.path + "/" + kBook + "chapter2.mif");
  // The missing chapter may use any format the others leave unused: none is
  // called unused, and the summary says why; overrides are still found.
  for (bool allowMissing : {false, true}) {
    std::vector<std::string> args{"check", "--unused", book};
    if (allowMissing) args.push_back("--allow-missing");
    r = Run(args);
    EXPECT_EQ(6, r.status) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_NE(std::string::npos, r.err.find("warning: Some of the text could not be read"))
        << r.err;
    EXPECT_NE(std::string::npos,
              r.err.find("2 documents checked, 0 findings; not checked: " + dir.path + "/" + kBook +
                         "chapter2.mif (a component of " + book +
                         ", missing or cannot be read; no format of the book is called unused)\n"))
        << r.err;
    // Reading names the missing chapter; neither the client's walks nor
    // anything else say it again.
    std::vector<std::string> lines = LinesOf(r.err);
    EXPECT_EQ(lines.size(), std::set<std::string>(lines.begin(), lines.end()).size()) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("Could not open file:")) << r.err;
  }
  r = Run({"check", "--allow-missing", book});
  EXPECT_EQ(6, r.status) << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("is not used")) << r.out;
  EXPECT_NE(std::string::npos,
            r.out.find("chapter3.mif:97:4: warning: character override on \"large\""))
      << r.out;
}

TEST_F(BuildUseTest, DiffShowsWhatTheRunWritesAndPatchMakesIt) {
  sim::TempDir out;
  sim::ToolResult diff = Run({"--yes", "--diff", "DeleteUnusedCharsBook", kBook + "Manual.book"});
  EXPECT_EQ(0, diff.status) << diff.err;
  ASSERT_EQ(
      0,
      Run({"--yes", "DeleteUnusedCharsBook", kBook + "Manual.book", "--out-dir", out.path}).status);

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
  ASSERT_EQ(
      0, std::system(("patch -s -p1 -d " + dir.path + " < " + dir.path + "/preview.diff").c_str()));
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
  EXPECT_EQ(
      2, Run({"--yes", "--diff", "DeleteUnusedChars", kBook + "chapter1.mif", "--out-dir", kBook})
             .status);
}

// Whatever a document's path holds, the diff's names lead patch(1) and git
// apply to it and to nothing else; a change next to the NUL bytes that pad
// some files comes through whole.
TEST_F(BuildUseTest, DiffNamesThatPatchAndGitApplyTakeWhole) {
  const std::string names[] = {"Team Docs/chapter one.mif", "tab\there/x.mif",
                               "quote\"and\\back/x.mif",    "new\nline/x\ny.mif",
                               "latin\xE9/\xFF\xFE.mif",    " lead/trail .mif"};
  const std::string sources[] = {sim::RepoRoot() + "/" + kBook + "chapter1.mif",
                                 dir.path + "/padded.mif"};
  sim::WriteFile(sources[1],
                 std::string("<MIFFile 9.00>\n<FontCatalog \n <Font \n  <FTag `Unused'>\n"
                             " > # end of Font\n> # end of FontCatalog\n"
                             "# End of MIFFile\n") +
                     std::string(3, '\0'));
  std::string written[2];
  for (int k = 0; k < 2; ++k) {
    sim::TempDir out;
    ASSERT_EQ(0, Run({"--yes", "DeleteUnusedChars", sources[k], "--out-dir", out.path}).status);
    written[k] = sim::ReadFile(out.path + "/" + fs::path(sources[k]).filename().string());
  }

  std::string diff;
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(dir.path + "/in/" + name);
    fs::create_directories(fs::path(paths.back()).parent_path());
    fs::copy_file(sources[paths.size() % 2], paths.back());
    sim::ToolResult r = Run({"--yes", "--diff", "DeleteUnusedChars", paths.back()});
    ASSERT_EQ(0, r.status) << name << ": " << r.err;
    diff += r.out;
  }
  sim::WriteFile(dir.path + "/names.diff", diff);
  for (const std::string tool : {"patch -s -t -p1 <", "git apply"}) {
    std::string root = dir.path + "/" + tool.substr(0, tool.find(' '));
    for (size_t i = 0; i < paths.size(); ++i) {
      std::string copy = root + "/" + DiffPathOf(paths[i]);
      fs::create_directories(fs::path(copy).parent_path());
      fs::copy_file(sources[(i + 1) % 2], copy);
    }
    std::string command = "cd '" + root + "' && " + tool + " '" + dir.path + "/names.diff'";
    ASSERT_EQ(0, std::system(command.c_str())) << tool;
    size_t files = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
      files += it->is_regular_file();
    }
    EXPECT_EQ(paths.size(), files) << tool;
    for (size_t i = 0; i < paths.size(); ++i) {
      EXPECT_EQ(written[(i + 1) % 2], sim::ReadFile(root + "/" + DiffPathOf(paths[i])))
          << tool << ": " << paths[i];
    }
  }
}

}  // namespace
