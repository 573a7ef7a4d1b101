// tagsmith-run as its users run it: every command on the example manual,
// compared with what is expected of it (printed output, messages and the
// changes to the files written); the options that answer dialogs and say
// where results go; bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "mif/mif_tree.h"
#include "tests/sim/sim_helpers.h"

namespace {

namespace fs = std::filesystem;

const std::string kBook = "examples/book/";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); !from.empty() && at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

struct Case {
  const char* name;
  std::vector<std::string> args;  // OUT stands for the output folder, DIR for the test's own
  int status;
};

// What a run printed and changed, as one text: stdout, stderr, then for
// every file written the lines it changes in its input (or, for a new
// document, all of it).
std::string Describe(const sim::ToolResult& r, const std::string& out, const std::string& dir) {
  std::string err = Replace(r.err, out, "OUT");
  std::string text = "== status " + std::to_string(r.status) + "\n== stdout\n" + r.out +
                     "== stderr\n" + (dir.empty() ? err : Replace(err, dir, "DIR"));
  for (const std::string& name : sim::FilesIn(out)) {
    std::string written = sim::ReadFile(out + "/" + name);
    std::string input = kBook + name;
    if (sim::Exists(sim::RepoRoot() + "/" + input)) {
      text += "== changes to " + input + "\n" +
              sim::LineDiff(sim::ReadFile(sim::RepoRoot() + "/" + input), written);
    } else {
      text += "== new file " + name + "\n" + written;
    }
  }
  return text;
}

// `dir`: the folder that DIR in the arguments stands for, if any.
void Check(const Case& c, const std::string& dir = "") {
  sim::TempDir out;
  sim::TempDir host;
  // The host's Roman converter, without which the client's console lines
  // could not be shown.
  fs::path icu = fs::path(sim::ToolPath()).parent_path().parent_path() / "share/tagsmith/icu_data";
  std::error_code ec;
  if (fs::exists(icu)) fs::create_directory_symlink(fs::absolute(icu), host.path + "/icu_data", ec);
  std::vector<std::string> args{"--host-dir", host.path};
  for (const std::string& a : c.args) {
    args.push_back(dir.empty() ? Replace(a, "OUT", out.path)
                               : Replace(Replace(a, "OUT", out.path), "DIR", dir));
  }
  sim::ToolResult r = sim::RunTool(args);
  EXPECT_EQ(c.status, r.status) << r.err;
  // Every file the tool writes is MIF it can read again.
  for (const std::string& name : sim::FilesIn(out.path)) {
    MifTree tree;
    MifError error;
    EXPECT_TRUE(MifReadFile(out.path + "/" + name, &tree, &error)) << MifErrorText(error);
  }
  std::string actual = Describe(r, out.path, dir);
  std::string expectedFile = sim::ExpectedDir() + "/" + c.name + ".txt";
  if (sim::Updating()) {
    sim::WriteFile(expectedFile, actual);
    return;
  }
  ASSERT_TRUE(sim::Exists(expectedFile)) << expectedFile << " (TAGSMITH_SIM_UPDATE=1 writes it)";
  EXPECT_EQ(sim::ReadFile(expectedFile), actual) << c.name;
}

const Case kDocumentCases[] = {
    {"list_usage", {"ListCharUsage", kBook + "chapter1.mif"}, 0},
    {"list_usage_by_label", {"List Character Usage", kBook + "chapter2.mif"}, 0},
    {"delete_unused",
     {"--yes", "DeleteUnusedChars", kBook + "chapter1.mif", "--out-dir", "OUT"},
     0},
    {"create_char_list",
     {"--choose", "Character Tags in Use", "CreateCharList", kBook + "chapter1.mif", "--output",
      "OUT/list.mif"},
     0},
    {"remove_nonlist",
     {"--yes", "RemoveNonlistChars", kBook + "keep-list.mif", kBook + "chapter2.mif", "--out-dir",
      "OUT"},
     0},
    {"create_conversion",
     {"--choose", "3", "CreateConversionDocument", kBook + "chapter2.mif", "--output",
      "OUT/table.mif"},
     0},
    {"convert",
     {"--yes", "ConvertCharsDoc", kBook + "conversion.mif", kBook + "chapter2.mif", "--out-dir",
      "OUT"},
     0},
    {"remove_overrides",
     {"--yes", "RemoveCharOverrides", kBook + "chapter1.mif", "--out-dir", "OUT"},
     0},
    {"remove_overrides_master_pages",
     {"--yes", "--master-pages", "Remove Overrides", kBook + "chapter1.mif", "--out-dir", "OUT"},
     0},
    {"remove_overrides_roman",
     {"--yes", "RemoveCharOverrides", kBook + "chapter3.mif", "--out-dir", "OUT"},
     0},
    {"find_next_override", {"FindNextCharOverride", kBook + "chapter2.mif"}, 0},
    // --yes alone makes no format: what no format gives is left and listed.
    {"convert_overrides",
     {"--yes", "ConvertOverridesToFormats", kBook + "chapter2.mif", "--out-dir", "OUT"},
     0},
    {"convert_overrides_create",
     {"--yes", "--create", "ConvertOverridesToFormats", kBook + "chapter1.mif", "--out-dir", "OUT"},
     0},
    {"report_all", {"GenerateCharacterTagReport", kBook + "chapter3.mif"}, 0},
    {"report_selected",
     {"--choose", "Keyword", "Generate Character Tag Report > Selected Tag...",
      kBook + "chapter1.mif"},
     0},
    {"about", {"TagsmithAbout"}, 0},
};

const Case kBookCases[] = {
    {"book_list_usage", {"ListCharUsageBook", kBook + "Manual.book"}, 0},
    {"book_list_individual", {"List Character Usage - Individual", kBook + "Manual.book"}, 0},
    {"book_list_by_tag", {"ListCharUsageBookByTag", kBook + "Manual.book"}, 0},
    {"book_delete_unused",
     {"--yes", "DeleteUnusedCharsBook", kBook + "Manual.book", "--out-dir", "OUT"},
     0},
    {"book_create_char_list",
     {"--choose", "2", "CreateCharListBook", kBook + "Manual.book", "--output", "OUT/list.mif"},
     0},
    {"book_remove_nonlist",
     {"--yes", "RemoveNonlistCharsBook", kBook + "keep-list.mif", kBook + "Manual.book",
      "--out-dir", "OUT"},
     0},
    {"book_create_conversion",
     {"--choose", "All Character Tags", "book:Create Conversion Document", kBook + "Manual.book"},
     0},
    {"book_convert",
     {"--yes", "ConvertCharsBook", kBook + "conversion.mif", kBook + "Manual.book", "--out-dir",
      "OUT"},
     0},
    {"book_remove_overrides",
     {"--yes", "RemoveCharOverridesBook", kBook + "Manual.book", "--out-dir", "OUT"},
     0},
    {"book_convert_overrides",
     {"--yes", "--create", "ConvertOverridesToFormatsBook", kBook + "Manual.book", "--out-dir",
      "OUT"},
     0},
};

TEST(TagsmithRunTest, EveryDocumentCommandOnTheExampleManual) {
  for (const Case& c : kDocumentCases) Check(c);
}

TEST(TagsmithRunTest, EveryBookCommandOnTheExampleManual) {
  for (const Case& c : kBookCases) Check(c);
}

TEST(TagsmithRunTest, ListsTheCommandsFromTheClientsMenus) {
  sim::ToolResult r = sim::RunTool({"--list"});
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos, r.out.find("List Character Usage - By Tag"));
  EXPECT_NE(std::string::npos, r.out.find("ListCharUsageBookByTag"));
  EXPECT_NE(std::string::npos, r.out.find("Generate Character Tag Report > Selected Tag..."));
}

// ---- Dialogs and where results go ----

class RunOptionsTest : public ::testing::Test {
 protected:
  sim::TempDir out;
  sim::TempDir host;
  sim::ToolResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--host-dir", host.path});
    return sim::RunTool(args);
  }
};

TEST_F(RunOptionsTest, AQuestionNoOptionAnswersIsAnErrorAndChangesNothing) {
  sim::ToolResult r = Run({"DeleteUnusedChars", kBook + "chapter1.mif", "--out-dir", out.path});
  EXPECT_EQ(4, r.status);
  EXPECT_NE(std::string::npos, r.err.find("no option answers \"Are you sure"));
  EXPECT_TRUE(sim::FilesIn(out.path).empty());

  r = Run({"CreateCharList", kBook + "chapter1.mif", "--output", out.path + "/list.mif"});
  EXPECT_EQ(4, r.status);
  EXPECT_NE(std::string::npos, r.err.find("\"Choose a list type\""));
  EXPECT_TRUE(sim::FilesIn(out.path).empty());

  // Asking on the terminal needs one, and the user is told it was missing.
  r = Run({"--interactive", "DeleteUnusedChars", kBook + "chapter1.mif", "--out-dir", out.path});
  EXPECT_EQ(4, r.status);
  EXPECT_NE(std::string::npos, r.err.find("--interactive needs a terminal")) << r.err;
  EXPECT_EQ(std::string::npos, r.err.find("give --yes/--no")) << r.err;
  EXPECT_TRUE(sim::FilesIn(out.path).empty());
}

TEST_F(RunOptionsTest, CancellingWritesNothing) {
  sim::ToolResult r =
      Run({"--no", "DeleteUnusedChars", kBook + "chapter1.mif", "--out-dir", out.path});
  EXPECT_EQ(3, r.status);
  EXPECT_NE(std::string::npos, r.err.find("-> no"));
  EXPECT_TRUE(sim::FilesIn(out.path).empty());

  // A --choose value that names no item is a wrong command line, not a
  // missing answer.
  for (const char* value : {"No Such Type", "9"}) {
    r = Run({"--choose", value, "CreateCharList", kBook + "chapter1.mif", "--output",
             out.path + "/list.mif"});
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("\"" + std::string(value) + "\" is none of the items"));
    EXPECT_NE(std::string::npos, r.err.find("3. All Character Tags)")) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("give --yes/--no, --choose")) << r.err;
    EXPECT_TRUE(sim::FilesIn(out.path).empty());
  }
}

TEST_F(RunOptionsTest, ACommandThatFindsNothingToWorkOnFails) {
  sim::ToolResult r = Run({"ListCharUsage"});
  EXPECT_EQ(5, r.status);
  EXPECT_NE(std::string::npos, r.err.find("Please open a document first."));

  // No keep-list among the open documents: the command's own warning.
  r = Run({"--yes", "RemoveNonlistChars", kBook + "chapter1.mif", "--out-dir", out.path});
  EXPECT_EQ(5, r.status);
  EXPECT_NE(std::string::npos, r.err.find("warning: The list of character tags to keep"));
  EXPECT_TRUE(sim::FilesIn(out.path).empty());
}

TEST_F(RunOptionsTest, UsageErrors) {
  EXPECT_EQ(2, Run({"NoSuchCommand", kBook + "chapter1.mif"}).status);
  // Said before any file is read: a file that is not there goes unmentioned.
  sim::ToolResult unknown = Run({"List Usage", out.path + "/absent.mif"});
  EXPECT_EQ(2, unknown.status);
  EXPECT_EQ("tagsmith-run: unknown command \"List Usage\" (tagsmith-run --list shows them)\n",
            unknown.err);
  sim::ToolResult r = Run({"ListCharUsageBook", kBook + "chapter1.mif"});
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.err.find("works on a book"));
  EXPECT_EQ(2, Run({"ListCharUsageBook", kBook + "Manual.book", kBook + "Manual.book"}).status);
  EXPECT_EQ(2, Run({"--in-place", "--out-dir", out.path, "ListCharUsage"}).status);
  EXPECT_EQ(2, Run({"--frobnicate", "ListCharUsage"}).status);
  EXPECT_EQ(2, Run({"--create", "RemoveCharOverrides", kBook + "chapter1.mif"}).status);
  // A command no menu holds is run by its string, never by a label.
  EXPECT_EQ(2, Run({"Convert Overrides to Formats", kBook + "chapter1.mif"}).status);
}

TEST_F(RunOptionsTest, EachOptionTakesItsValueAsTheUsageSays) {
  const std::string doc = kBook + "chapter1.mif";
  const struct {
    std::vector<std::string> args;
    const char* says;
  } refused[] = {
      {{"--yes=1", "ListCharUsage", doc}, "--yes takes no value"},
      {{"ListCharUsage", doc, "--output"}, "--output needs a value"},
      {{"--json=", "ListCharUsage", doc}, "--json needs a name, not an empty one"},
      {{"--no", "--yes", "ListCharUsage", doc}, "--yes and --no contradict each other"},
      {{"--unused", "ListCharUsage", doc}, "--unused, --overrides and --undefined belong to check"},
      {{"check", "--counts", doc}, "check prints its findings and writes nothing"},
      {{"--output", "a.mif", "ListCharUsage", doc, "--output=b.mif"}, "--output is given twice"},
      {{"-x", "ListCharUsage", doc}, "unknown option -x"},
      {{"--each", "--json", "r.json", "ListCharUsage", doc}, "--each runs the command once per"},
  };
  for (const auto& c : refused) {
    sim::ToolResult r = Run(c.args);
    EXPECT_EQ(2, r.status) << c.says;
    EXPECT_EQ(0u, r.err.find(std::string("tagsmith-run: ") + c.says)) << r.err;
    // One line, and where to read more; not the whole usage text.
    EXPECT_EQ("try 'tagsmith-run --help'\n", r.err.substr(r.err.find('\n') + 1)) << r.err;
  }
  // A value after '=' or as the next word; what follows "--" is a file.
  sim::ToolResult r =
      Run({"--choose=3", "CreateConversionDocument", "--output", out.path + "/t.mif", "--", doc});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(sim::Exists(out.path + "/t.mif"));
  // --help ends the reading: what follows is not looked at.
  r = Run({"--help", "--frobnicate"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(0u, r.out.find("usage: tagsmith-run"));
  EXPECT_NE(std::string::npos,
            r.out.find("\n  --yes, --no         answer every confirmation question\n"));
  EXPECT_EQ(r.out, Run({"-h"}).out);
  r = Run({"-V"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(0u, r.out.find("tagsmith-run (Tagsmith) ")) << r.out;
}

TEST_F(RunOptionsTest, ChangedDocumentsAreWrittenOnlyWhenAsked) {
  // Not written: the summary does not read as if the file had changed.
  sim::ToolResult r = Run({"--yes", "DeleteUnusedChars", kBook + "chapter1.mif"});
  EXPECT_EQ(0, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("\nwould delete 2 character formats in examples/book/chapter1.mif; no file "
                       "written: --out-dir DIR or --in-place writes it\n"))
      << r.err;

  // In place: the file itself, here a copy.
  std::string copy = out.path + "/chapter1.mif";
  fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter1.mif", copy);
  r = Run({"--yes", "DeleteUnusedChars", copy, "--in-place"});
  EXPECT_EQ(0, r.status) << r.err;
  std::string diff = sim::LineDiff(sim::ReadFile(sim::RepoRoot() + "/" + kBook + "chapter1.mif"),
                                   sim::ReadFile(copy));
  EXPECT_NE(std::string::npos, diff.find("-  <FTag `Obsolete'>"));
  EXPECT_EQ(std::string::npos, diff.find("\n+"));
  EXPECT_NE(std::string::npos, r.err.find("; wrote " + copy + " in place\n")) << r.err;
  // Run again, it has nothing left to do, and says so.
  r = Run({"--yes", "DeleteUnusedChars", copy, "--in-place"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("\nnothing to change\n")) << r.err;

  // A command that changes nothing writes nothing.
  sim::TempDir none;
  EXPECT_EQ(0, Run({"ListCharUsageBook", kBook + "Manual.book", "--out-dir", none.path}).status);
  EXPECT_TRUE(sim::FilesIn(none.path).empty());
}

TEST_F(RunOptionsTest, EachRunsTheDocumentCommandOnEveryDocumentAsOneBatch) {
  std::vector<std::string> args{
      "--yes",     "--each", "DeleteUnusedChars", kBook + "chapter1.mif", kBook + "chapter2.mif",
      "--out-dir", out.path};
  sim::ToolResult r = Run(args);
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ((std::vector<std::string>{"chapter1.mif", "chapter2.mif"}), sim::FilesIn(out.path));
  // One summary for the batch, each changed file counted once.
  EXPECT_NE(
      std::string::npos,
      r.err.find("\ndeleted 5 character formats in 2 files; wrote 2 files into " + out.path + "\n"))
      << r.err;
  EXPECT_EQ(r.err.find("deleted"), r.err.rfind("deleted")) << r.err;

  // A run of the batch that cannot write stops it; what was written before
  // is still said.
  sim::TempDir blocked;
  fs::create_directory(blocked.path + "/chapter2.mif");
  args.back() = blocked.path;
  r = Run(args);
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("\ndeleted 2 character formats in examples/book/chapter1.mif; wrote " +
                       blocked.path + "/chapter1.mif\n"))
      << r.err;

  // Only errors with --quiet: a batch that goes well says nothing.
  sim::TempDir quiet;
  args.back() = quiet.path;
  args.insert(args.begin(), "--quiet");
  r = Run(args);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ(2u, sim::FilesIn(quiet.path).size());
  r = Run({"--quiet", "--no", "DeleteUnusedChars", kBook + "chapter1.mif"});
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("tagsmith-run: cancelled. Nothing was written.\n", r.err);

  // Without --each, the user learns which document the command works on.
  r = Run({"--yes", "DeleteUnusedChars", kBook + "chapter1.mif", kBook + "chapter2.mif"});
  EXPECT_NE(std::string::npos,
            r.err.find(kBook + "chapter2.mif: the command works on this document, the last named"))
      << r.err;
  // A book command is no document command to run on each.
  EXPECT_EQ(2, Run({"--each", "ListCharUsageBook", kBook + "Manual.book"}).status);
}

// Names the host's Roman set cannot hold reach the client in a form that
// keeps them apart, and come back to the files exactly.
TEST_F(RunOptionsTest, NamesTheRomanSetCannotHoldStayApart) {
  std::string doc =
      "<MIFFile 2015>\n<PgfCatalog \n <Pgf \n  <PgfTag `Body'>\n >\n>\n<FontCatalog \n"
      " <Font \n  <FTag `Жирный'>\n  <FWeight `Bold'>\n >\n"
      " <Font \n  <FTag `Курсив'>\n  <FAngle `Italic'>\n >\n>\n"
      "<TextFlow \n <TFTag `A'>\n <Para \n  <PgfTag `Body'>\n  <ParaLine \n"
      "   <Font \n    <FTag `Жирный'>\n    <FSize  20.0 pt>\n   >\n   <String `a'>\n"
      "   <Font \n    <FTag `Курсив'>\n   >\n   <String `b'>\n  >\n >\n>\n";
  std::string file = out.path + "/doc.mif";
  sim::WriteFile(file, doc);
  sim::ToolResult r = Run({"ListCharUsage", file});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("&#x416;&#x438;&#x440;&#x43D;&#x44B;&#x439;\n")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("&#x41A;&#x443;&#x440;&#x441;&#x438;&#x432;\n")) << r.out;

  sim::TempDir written;
  r = Run({"--yes", "RemoveCharOverrides", file, "--out-dir", written.path});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(
      "@@ -24,2 +24,2\n-    <FSize  20.0 pt>\n-   >\n+    <FLocked No>\n+   > # end of Font\n",
      sim::LineDiff(doc, sim::ReadFile(written.path + "/doc.mif")));

  // Two chapters whose names are all outside the set: two files, not one.
  std::string chapter =
      "<MIFFile 2015>\n<FontCatalog \n <Font \n  <FTag `Emphasis'>\n >\n>\n"
      "<TextFlow \n <TFTag `A'>\n <Para \n  <ParaLine \n   <String `x'>\n  >\n >\n>\n";
  sim::WriteFile(out.path + "/第一章.mif", chapter);
  sim::WriteFile(out.path + "/第二章.mif", chapter);
  sim::WriteFile(out.path + "/book.book",
                 "<Book 9.00>\n<BookComponent \n <FileName `<c\\>第一章.mif'>\n>\n"
                 "<BookComponent \n <FileName `<c\\>第二章.mif'>\n>\n");
  r = Run({"ListCharUsageBookIndividual", out.path + "/book.book"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("# &#x7B2C;&#x4E00;&#x7AE0;.mif\n")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("# &#x7B2C;&#x4E8C;&#x7AE0;.mif\n")) << r.out;
}

TEST_F(RunOptionsTest, WhenOneFileCannotBeWrittenNoneIs) {
  // chapter2's file cannot be written: a folder stands where it goes.
  fs::create_directories(out.path + "/chapter2.mif");
  sim::ToolResult r =
      Run({"--yes", "DeleteUnusedCharsBook", kBook + "Manual.book", "--out-dir", out.path});
  EXPECT_EQ(2, r.status);
  EXPECT_NE(std::string::npos, r.err.find("chapter2.mif: is a folder. Nothing was written."))
      << r.err;
  EXPECT_EQ(std::vector<std::string>{"chapter2.mif"}, sim::FilesIn(out.path));
}

TEST_F(RunOptionsTest, ResultsGoIntoTheOutputDocumentOfTheHostFolder) {
  std::string file =
      "<MIFFile 9.00>\n<PgfCatalog \n <Pgf \n  <PgfTag `Body'>\n >\n <Pgf \n  <PgfTag `Heading1'>\n >\n"
      " <Pgf \n  <PgfTag `Heading2'>\n >\n>\n<TextFlow \n <TFTag `A'>\n <Para \n  <PgfTag `Body'>\n"
      "  <ParaLine \n   <String `Report of the night run'>\n  >\n >\n"
      " <Para \n  <PgfTag `Body'>\n  <ParaLine \n  >\n >\n>\n";
  sim::WriteFile(host.path + "/VxOutput.fm", file);
  sim::ToolResult r =
      Run({"ListCharUsage", kBook + "chapter3.mif", "--output", out.path + "/report.mif"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(
      "Report of the night run\n# chapter3.mif\n## Character Tags Used:\nEmphasis\nTerm\n"
      "## Character Tags Not Used:\nDraft\nGlossary\n\n",
      r.out);
  // The host folder's file stays as it was; the copy written keeps what it had.
  EXPECT_EQ(file, sim::ReadFile(host.path + "/VxOutput.fm"));
  std::string diff = sim::LineDiff(file, sim::ReadFile(out.path + "/report.mif"));
  EXPECT_EQ(std::string::npos, diff.find("\n-")) << diff;
  EXPECT_NE(std::string::npos, diff.find("+   <String `Character Tags Used:'>")) << diff;
}

TEST_F(RunOptionsTest, InteractiveAsksOnTheTerminal) {
  sim::ToolResult r = sim::RunTool({"--host-dir", host.path, "--interactive", "DeleteUnusedChars",
                                    kBook + "chapter1.mif", "--out-dir", out.path},
                                   true, "y\n");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos,
            r.err.find("Are you sure you want to delete unused character tags? [y/N]"));
  EXPECT_EQ(std::vector<std::string>{"chapter1.mif"}, sim::FilesIn(out.path));

  r = sim::RunTool({"--host-dir", host.path, "--interactive", "CreateCharList",
                    kBook + "chapter3.mif", "--output", out.path + "/list.mif"},
                   true, "2\n");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("  2. Character Tags in Use"));
  EXPECT_NE(std::string::npos, r.out.find("| Term |"));
}

TEST_F(RunOptionsTest, BookProgressShowsOnATerminalOnly) {
  sim::ToolResult quiet = Run({"ListCharUsageBook", kBook + "Manual.book"});
  EXPECT_EQ(std::string::npos, quiet.err.find("Examining"));
  EXPECT_EQ(std::string::npos, quiet.err.find_first_of("\r\033"));
  std::vector<std::string> args{"--host-dir", host.path, "ListCharUsageBook",
                                kBook + "Manual.book"};
  sim::ToolResult shown = sim::RunTool(args, true);
  EXPECT_EQ(0, shown.status);
  EXPECT_NE(std::string::npos, shown.err.find("Reading: chapter2.mif"));
  EXPECT_NE(std::string::npos, shown.err.find("Examining: chapter1.mif"));
  EXPECT_NE(std::string::npos, shown.err.find("Examining: chapter3.mif"));
  // Where the terminal takes no escape codes, none is sent.
  for (const char* variable : {"NO_COLOR", "TERM"}) {
    const char* was = std::getenv(variable);
    std::string kept = was != nullptr ? was : "";
    setenv(variable, variable == std::string("TERM") ? "dumb" : "1", 1);
    shown = sim::RunTool(args, true);
    if (was != nullptr) {
      setenv(variable, kept.c_str(), 1);
    } else {
      unsetenv(variable);
    }
    EXPECT_NE(std::string::npos, shown.err.find("Examining: chapter3.mif")) << variable;
    EXPECT_EQ(std::string::npos, shown.err.find('\033')) << variable;
  }
}

// ---- Bad input ----

class BadInputTest : public ::testing::Test {
 protected:
  sim::TempDir dir;
  sim::TempDir out;

  // Runs a changing command on the file; nothing may be written.
  sim::ToolResult RunOn(const std::string& name, const std::string& text) {
    std::string path = dir.path + "/" + name;
    sim::WriteFile(path, text);
    return sim::RunTool({"--yes", "DeleteUnusedChars", path, "--out-dir", out.path});
  }
  // A MIF book of the files named, in the folder; each component takes 3 lines.
  std::string WriteBook(const std::string& name, const std::vector<std::string>& files) {
    std::string text = "<Book 9.00>\n";
    for (const std::string& f : files) {
      text += "<BookComponent \n <FileName `<c\\>" + f + "'>\n>\n";
    }
    sim::WriteFile(dir.path + "/" + name, text);
    return dir.path + "/" + name;
  }
  void ExpectRejected(const sim::ToolResult& r, const std::string& where, const std::string& what) {
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find(dir.path + "/" + where)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(what)) << r.err;
    EXPECT_TRUE(sim::FilesIn(out.path).empty());
    EXPECT_TRUE(r.out.empty());
  }
};

TEST_F(BadInputTest, NotMif) {
  ExpectRejected(RunOn("notes.mif", "Dear reader,\nthis is a letter.\n"),
                 "notes.mif:1:", "not a MIF file");
  ExpectRejected(RunOn("empty.mif", ""), "empty.mif:", "empty file");
}

TEST_F(BadInputTest, UnbalancedBrackets) {
  ExpectRejected(RunOn("open.mif", "<MIFFile 9.00>\n<FontCatalog \n <Font \n  <FTag `A'>\n>\n"),
                 "open.mif:5:", "file ends inside <FontCatalog> opened at line 2");
  ExpectRejected(RunOn("close.mif", "<MIFFile 9.00>\n<Units Upt>\n>\n"),
                 "close.mif:3:", "'>' with no statement open");
}

TEST_F(BadInputTest, TruncatedFile) {
  std::string whole = sim::ReadFile(sim::RepoRoot() + "/" + kBook + "chapter1.mif");
  size_t cut = whole.find("`Getting Started'") + 5;
  ExpectRejected(RunOn("cut.mif", whole.substr(0, cut)), "cut.mif:", "string is not closed");
  ExpectRejected(RunOn("cut2.mif", whole.substr(0, whole.size() / 2)),
                 "cut2.mif:", "file ends inside");
}

TEST_F(BadInputTest, UnknownEncoding) {
  ExpectRejected(RunOn("latin1.mif", "<MIFFile 9.00>\n<Para <ParaLine <String `caf\xe9'>>>\n"),
                 "latin1.mif:2:", "not valid UTF-8");
  ExpectRejected(RunOn("utf16.mif", std::string("\xff\xfe<\0M\0I\0F\0", 10)),
                 "utf16.mif:1:", "UTF-16");
  ExpectRejected(RunOn("future.mif", "<MIFFile 99.5>\n"), "future.mif:1:", "unknown MIF version");
}

TEST_F(BadInputTest, BadNumbersAndNegativeSizes) {
  for (const char* value : {"12.x.3", "nan", "1e308", "-9.0 pt"}) {
    ExpectRejected(
        RunOn("size.mif", std::string("<MIFFile 9.00>\n<FontCatalog \n <Font \n  <FTag `A'>\n"
                                      "  <FSize ") +
                              value + ">\n >\n>\n"),
        "size.mif:5:", "<FSize> has a value that is not a valid size");
  }
  ExpectRejected(RunOn("stretch.mif",
                       "<MIFFile 9.00>\n<FontCatalog \n <Font \n  <FTag `A'>\n"
                       "  <FStretch nan%>\n >\n>\n"),
                 "stretch.mif:5:", "<FStretch>");
}

TEST_F(BadInputTest, MissingAndUnreadableComponentsAreNamedAndTheWalkGoesOn) {
  // Never closed, then padded with NULs: the fault is the open statement.
  sim::WriteFile(dir.path + "/bad.mif",
                 std::string("<MIFFile 9.00>\n<Units Upt\n") + std::string(4, '\0'));
  fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter3.mif", dir.path + "/chapter3.mif");
  std::string book = WriteBook("Short.book", {"gone.mif", "bad.mif", "chapter3.mif"});
  sim::ToolResult r =
      sim::RunTool({"--yes", "RemoveCharOverridesBook", book, "--out-dir", out.path});
  EXPECT_EQ(6, r.status);
  EXPECT_NE(std::string::npos, r.err.find(book + ":2: component gone.mif: no such file")) << r.err;
  EXPECT_NE(std::string::npos,
            r.err.find(book + ":5: component bad.mif: cannot be read, skipped: " + dir.path +
                       "/bad.mif:2: file ends inside <Units> opened at line 2"))
      << r.err;
  for (const char* name : {"gone.mif", "bad.mif"}) {
    EXPECT_NE(std::string::npos, r.err.find("Could not open file:" + dir.path + "/" + name))
        << r.err;
  }
  // The walk went on: chapter 3 was examined and changed, but not written.
  EXPECT_NE(std::string::npos, r.err.find("question: Are you sure")) << r.err;
  EXPECT_TRUE(sim::FilesIn(out.path).empty());

  // Named as a document of its own, it stops the run before anything is done.
  ExpectRejected(sim::RunTool({"ListCharUsage", dir.path + "/bad.mif"}),
                 "bad.mif:2:", "file ends inside <Units>");

  r = sim::RunTool(
      {"--yes", "--allow-missing", "RemoveCharOverridesBook", book, "--out-dir", out.path});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(std::vector<std::string>{"chapter3.mif"}, sim::FilesIn(out.path));
}

// A chapter that cannot be read may be the only one to use a tag that the
// others define: "Delete Unused Character Tags" deletes nothing, wherever it
// stands in the book, and with --allow-missing too.
TEST_F(BadInputTest, DeleteUnusedOfABookWithAnUnreadableChapterDeletesNothing) {
  fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter1.mif", dir.path + "/chapter1.mif");
  sim::WriteFile(dir.path + "/notmif.mif", "A plain text file.\n");
  WriteBook("Missing.book", {"chapter1.mif", "chapter2.mif"});
  WriteBook("NotMif.book", {"notmif.mif", "chapter1.mif"});
  Check({"book_delete_unused_missing_second",
         {"--yes", "DeleteUnusedCharsBook", "DIR/Missing.book", "--out-dir", "OUT"},
         5},
        dir.path);
  Check(
      {"book_delete_unused_unreadable_first",
       {"--yes", "--allow-missing", "DeleteUnusedCharsBook", "DIR/NotMif.book", "--out-dir", "OUT"},
       5},
      dir.path);
}

TEST_F(BadInputTest, ABookNamingItsDocumentsAsFmFilesReadsTheMifBesideThem) {
  fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter1.mif", dir.path + "/chapter1.MIF");
  fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter3.mif", dir.path + "/chapter3.mif");
  sim::WriteFile(dir.path + "/chapter3.fm", std::string("<MakerFile 12.0K>\0\x01", 19));
  std::string book = WriteBook("Exported.book", {"chapter1.fm", "chapter3.fm"});
  sim::ToolResult r = sim::RunTool({"--yes", "DeleteUnusedCharsBook", book, "--out-dir", out.path});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("instead: chapter1.MIF, chapter3.mif\n")) << r.err;
  EXPECT_EQ((std::vector<std::string>{"chapter1.MIF", "chapter3.mif"}), sim::FilesIn(out.path));
  EXPECT_EQ(std::string::npos, r.err.find("Could not open")) << r.err;
}

// A book saved on Windows names its documents by that machine's paths; kept
// beside it here, they are read from there, and said so once.
TEST_F(BadInputTest, ABookMadeOnWindowsFindsItsDocumentsBesideIt) {
  std::string folder = sim::RepoRoot() + "/tests/data/mif/Team Docs/";
  sim::ToolResult r = sim::RunTool(
      {"--yes", "DeleteUnusedCharsBook", folder + "Team Manual.book", "--out-dir", out.path});
  EXPECT_EQ(0, r.status) << r.err;
  const std::string said =
      "Team Manual.book: the book names documents by absolute paths that are "
      "not here; read from the files of the same name beside the book "
      "instead: Cover.fm, Chapter One.fm, Glossary.mif\n";
  EXPECT_NE(std::string::npos, r.err.find(said)) << r.err;
  EXPECT_EQ(r.err.find("absolute paths"), r.err.rfind("absolute paths")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("instead: Cover.mif, Chapter One.mif\n")) << r.err;
  EXPECT_EQ(
      (std::vector<std::string>{"Appendix.mif", "Chapter One.mif", "Cover.mif", "Glossary.mif"}),
      sim::FilesIn(out.path));
  for (const std::string& name : sim::FilesIn(out.path)) {
    std::string text = sim::ReadFile(out.path + "/" + name);
    EXPECT_EQ(std::string::npos, text.find("`Draft'")) << name;
    EXPECT_EQ(std::string::npos, text.find("`Obsolete'")) << name;
  }

  // A path that is here is read from there; one found nowhere is named as
  // the book names it.
  fs::create_directories(dir.path + "/elsewhere");
  fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter3.mif",
                dir.path + "/elsewhere/chapter.mif");
  sim::WriteFile(dir.path + "/chapter.mif", "not MIF\n");
  std::string here = "<r\\>";
  for (const fs::path& part : fs::path(dir.path).relative_path()) here += "<c\\>" + part.string();
  std::string book = dir.path + "/Here.book";
  sim::WriteFile(book, "<Book 9.00>\n<BookComponent \n <FileName `" + here +
                           "<c\\>elsewhere<c\\>chapter.mif'>\n>\n"
                           "<BookComponent \n <FileName `<v\\>Q:<c\\>Gone<c\\>gone.fm'>\n>\n");
  r = sim::RunTool({"--allow-missing", "ListCharUsageBook", book});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(std::string::npos, r.err.find("absolute paths")) << r.err;
  EXPECT_NE(std::string::npos,
            r.err.find(book + ":5: component gone.fm: no such file (Q:/Gone/gone.fm)"))
      << r.err;
  EXPECT_NE(std::string::npos, r.out.find("Glossary")) << r.out;
}

// A book file that is also an open document: the walk closes it after each
// pass and opens it again from what was saved.
TEST(TagsmithRunTest, EveryBookCommandGivesTheSameWithAChapterAlsoOpen) {
  for (const Case& c : kBookCases) {
    sim::TempDir outA, outB, host;
    std::vector<std::string> a{"--host-dir", host.path}, b;
    for (const std::string& arg : c.args) a.push_back(arg);
    b = a;
    b.push_back(kBook + "chapter2.mif");
    for (auto* args : {&a, &b}) {
      for (std::string& arg : *args) arg = Replace(arg, "OUT", args == &a ? outA.path : outB.path);
    }
    sim::ToolResult ra = sim::RunTool(a), rb = sim::RunTool(b);
    EXPECT_EQ(ra.status, rb.status) << c.name;
    EXPECT_EQ(ra.out, rb.out) << c.name;
    EXPECT_EQ(std::string::npos, rb.err.find("Could not open file:")) << c.name << rb.err;
    ASSERT_EQ(sim::FilesIn(outA.path), sim::FilesIn(outB.path)) << c.name;
    for (const std::string& name : sim::FilesIn(outA.path)) {
      EXPECT_EQ(sim::ReadFile(outA.path + "/" + name), sim::ReadFile(outB.path + "/" + name))
          << c.name << " " << name;
    }
  }
}

// A structured document with an equation whose full form the host wrapped.
TEST(TagsmithRunTest, AStructuredDocumentKeepsTheFormatsItsElementsName) {
  sim::TempDir out;
  std::string doc = sim::RepoRoot() + "/tests/data/mif/structured.mif";
  sim::ToolResult r = sim::RunTool({"--yes", "DeleteUnusedChars", doc, "--out-dir", out.path});
  EXPECT_EQ(0, r.status) << r.err;
  for (const char* kept : {"Term", "StepNumber"}) {
    EXPECT_NE(std::string::npos, r.err.find("structured.mif: kept character format \"" +
                                            std::string(kept) + "\": the element definitions"))
        << r.err;
  }
  EXPECT_EQ(sim::LineDiff(sim::ReadFile(doc), sim::ReadFile(out.path + "/structured.mif")),
            "@@ -16,4 +16,0\n- <Font \n-  <FTag `Unused'>\n-  <FUnderlining FSingle>\n"
            "- > # end of Font\n");
}

// The host wraps an equation's full form over many lines; deleting the
// formats nothing uses leaves the equation as the host wrote it.
TEST(TagsmithRunTest, AWrappedEquationComesBackAsTheHostWroteIt) {
  sim::TempDir out;
  std::string doc = sim::RepoRoot() + "/tests/data/mif/real/ieee-802-11n-equation.mif";
  sim::ToolResult r = sim::RunTool({"--yes", "DeleteUnusedChars", doc, "--out-dir", out.path});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(
      sim::LineDiff(sim::ReadFile(doc), sim::ReadFile(out.path + "/ieee-802-11n-equation.mif")),
      "@@ -125,10 +125,0\n- <Font \n-  <FTag `Emphasis'>\n-  <FAngle `Italic'>\n"
      "-  <FLocked No>\n- > # end of Font\n- <Font \n-  <FTag `EquationVariables'>\n"
      "-  <FAngle `Italic'>\n-  <FLocked No>\n- > # end of Font\n");
}

// ---- The real samples (optional) ----

// Every document command runs on the file and writes MIF that reads again;
// a command that changes nothing writes nothing.
void RunEveryDocumentCommand(const std::string& file) {
  const std::vector<std::vector<std::string>> commands = {
      {"ListCharUsage"},
      {"--yes", "DeleteUnusedChars"},
      {"--choose", "2", "CreateCharList"},
      {"--yes", "RemoveNonlistChars", kBook + "keep-list.mif"},
      {"--choose", "3", "CreateConversionDocument"},
      {"--yes", "ConvertCharsDoc", kBook + "conversion.mif"},
      {"--yes", "RemoveCharOverrides"},
      {"--yes", "--create", "ConvertOverridesToFormats"},
      {"FindNextCharOverride"},
      {"GenerateCharacterTagReport"},
      {"--choose", "1", "GenerateCharacterTagReportSingle"},
  };
  for (const auto& command : commands) {
    sim::TempDir out;
    std::vector<std::string> args = command;
    args.push_back(file);
    args.push_back("--out-dir");
    args.push_back(out.path);
    sim::ToolResult r = sim::RunTool(args);
    EXPECT_EQ(0, r.status) << file << " " << command.back() << "\n" << r.err;
    for (const std::string& written : sim::FilesIn(out.path)) {
      MifTree tree;
      MifError error;
      EXPECT_TRUE(MifReadFile(out.path + "/" + written, &tree, &error)) << MifErrorText(error);
    }
    if (command.size() == 1) {
      EXPECT_TRUE(sim::FilesIn(out.path).empty()) << file;
    }
  }
}

TEST(RealSamplesTest, EveryDocumentCommandRunsOnEverySample) {
  std::string samples = sim::SharedSamplesDir();
  if (!sim::Exists(samples)) GTEST_SKIP() << samples << " is not here";
  for (const std::string& name : sim::FilesIn(samples)) {
    if (fs::path(name).extension() != ".mif" || name == "compare-book.mif") continue;
    RunEveryDocumentCommand(samples + "/" + name);
  }
}

TEST(RealSamplesTest, EveryDocumentCommandRunsOnTheProjectsOwnExcerpts) {
  RunEveryDocumentCommand(sim::RepoRoot() + "/tests/data/mif/structured.mif");
  for (const std::string& file : sim::RealDocuments()) RunEveryDocumentCommand(file);
}

TEST(RealSamplesTest, TheBookWalkReportsEveryMissingChapterAndGoesOn) {
  std::string book = sim::SharedSamplesDir() + "/compare-book.mif";
  if (!sim::Exists(book)) GTEST_SKIP() << book << " is not here";
  sim::ToolResult r = sim::RunTool({"ListCharUsageBookIndividual", book});
  EXPECT_EQ(6, r.status);
  size_t reported = 0;
  for (size_t at = r.err.find("Could not open file:"); at != std::string::npos;
       at = r.err.find("Could not open file:", at + 1)) {
    ++reported;
  }
  EXPECT_EQ(4u, reported) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("compare-book.mif:182: component ArrangementCMP.fm"));
  r = sim::RunTool({"--allow-missing", "ListCharUsageBook", book});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("# compare-book.mif"));
}

// The same book beside copies of its chapters: the network paths it was
// saved with lead to them.
TEST(RealSamplesTest, TheBookFindsItsChaptersBesideItWhenTheNetworkPathIsNotHere) {
  std::string book = sim::SharedSamplesDir() + "/compare-book.mif";
  if (!sim::Exists(book)) GTEST_SKIP() << book << " is not here";
  sim::TempDir dir;
  fs::copy_file(book, dir.path + "/compare-book.mif");
  for (const char* name : {"ArrangementCMP", "ClausesCMP", "SchedulesCMP", "EndorsementCMP"}) {
    fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter3.mif", dir.path + "/" + name + ".mif");
  }
  sim::ToolResult r = sim::RunTool({"ListCharUsageBook", dir.path + "/compare-book.mif"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(
      std::string::npos,
      r.err.find("beside the book instead: ArrangementCMP.fm, ClausesCMP.fm, SchedulesCMP.fm, "
                 "EndorsementCMP.fm\n"))
      << r.err;
}

}  // namespace

namespace {

// A tag applied only to footnote anchors, one in a flow and one in a table's
// heading cell: text uses it, so nothing may delete it.
TEST(AnchorTagsTest, ATagOnlyOnAFootnoteAnchorIsUsedAndKept) {
  const std::string file = "tests/data/mif/anchor_tags.mif";
  sim::ToolResult list = sim::RunTool({"ListCharUsage", file});
  EXPECT_EQ(0, list.status) << list.err;
  EXPECT_NE(std::string::npos,
            list.out.find("## Character Tags Used:\nEmphasis\nFlowNoteRef\nHeadNoteRef\n"
                          "## Character Tags Not Used:\nUnused\n"))
      << list.out;

  sim::TempDir out;
  sim::ToolResult del = sim::RunTool({"--yes", "DeleteUnusedChars", file, "--out-dir", out.path});
  EXPECT_EQ(0, del.status) << del.err;
  // Only the catalog entry of the unused tag goes.
  EXPECT_EQ(
      "@@ -47,5 +47,0\n- <Font \n-  <FTag `Unused'>\n-  <FWeight `Bold'>\n-  <FLocked No>\n"
      "- > # end of Font\n",
      sim::LineDiff(sim::ReadFile(sim::RepoRoot() + "/" + file),
                    sim::ReadFile(out.path + "/anchor_tags.mif")));
}

}  // namespace
