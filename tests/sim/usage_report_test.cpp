// --counts, --json and --html of tagsmith-run, checked against an
// independent reading of the MIF text, the report parsed back, and the page
// as a real browser shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <map>
#include <set>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "sim/run_summary.h"
#include "tests/sim/sim_helpers.h"

using nlohmann::json;

namespace {

const std::string kBook = "examples/book/";

// ---- An independent count: a small statement reader of its own ----

struct Stmt {
  std::string name;
  std::vector<std::string> strings;  // `...' values, escapes as written
  std::vector<std::string> words;
  std::vector<Stmt> kids;
};

void ParseBody(const std::string& t, size_t* i, Stmt* into) {
  while (*i < t.size()) {
    char c = t[*i];
    if (c == '>') {
      ++*i;
      return;
    } else if (c == '#' || c == '&' || c == '=') {
      // Comments, and the raw lines of inset data.
      while (*i < t.size() && t[*i] != '\n') ++*i;
    } else if (c == '<') {
      Stmt s;
      size_t b = ++*i;
      while (*i < t.size() && !std::isspace(static_cast<unsigned char>(t[*i])) && t[*i] != '>' &&
             t[*i] != '<') {
        ++*i;
      }
      s.name = t.substr(b, *i - b);
      ParseBody(t, i, &s);
      into->kids.push_back(std::move(s));
    } else if (c == '`') {
      size_t b = ++*i;
      while (*i < t.size() && t[*i] != '\'') *i += t[*i] == '\\' ? 2 : 1;
      into->strings.push_back(t.substr(b, *i - b));
      ++*i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++*i;
    } else {
      size_t b = *i;
      while (*i < t.size() && !std::isspace(static_cast<unsigned char>(t[*i])) && t[*i] != '>')
        ++*i;
      into->words.push_back(t.substr(b, *i - b));
    }
  }
}

// Characters a MIF string holds: \xNN (and in MIF 7 the blank after it) is
// one, another escape is one, a UTF-8 sequence is one.
int64_t StringLength(const std::string& s) {
  int64_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'x') {
      i += 4;
      if (i < s.size() && s[i] == ' ') ++i;
    } else if (s[i] == '\\') {
      i += 2;
    } else {
      ++i;
      while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return n;
}

using Counts = std::map<std::string, std::pair<int64_t, int64_t>>;  // runs, characters

// Every <Para> of the file: its text is the strings, special characters,
// variables and anchors of its lines; <Font <FTag>> sets the tag from there
// on (the paragraph formats of these files name none).
void CountParas(const Stmt& s, Counts* out) {
  for (const Stmt& k : s.kids) {
    if (k.name != "Para") {
      CountParas(k, out);
      continue;
    }
    std::vector<std::string> tags;  // one per position
    std::string tag;
    for (const Stmt& line : k.kids) {
      if (line.name != "ParaLine") continue;
      for (const Stmt& c : line.kids) {
        int64_t n = 0;
        if (c.name == "String" && !c.strings.empty()) n = StringLength(c.strings[0]);
        if (c.name == "Char" || c.name == "Variable" || c.name == "Marker") n = 1;
        if ((c.name == "ATbl" || c.name == "FNote" || c.name == "AFrame") && c.kids.empty()) n = 1;
        tags.insert(tags.end(), static_cast<size_t>(n), tag);
        if (c.name != "Font") continue;
        for (const Stmt& f : c.kids) {
          if (f.name == "FTag") tag = f.strings.empty() ? "" : f.strings[0];
        }
      }
    }
    tags.push_back(tag);  // the paragraph end
    for (size_t p = 0; p < tags.size(); ++p) {
      if (tags[p].empty()) continue;
      auto& c = (*out)[tags[p]];
      if (p == 0 || tags[p - 1] != tags[p]) ++c.first;
      if (p + 1 < tags.size()) ++c.second;
    }
  }
}

Counts CountFromMif(const std::string& file) {
  std::string text = sim::ReadFile(file[0] == '/' ? file : sim::RepoRoot() + "/" + file);
  Stmt root;
  size_t i = 0;
  ParseBody(text, &i, &root);
  Counts out;
  CountParas(root, &out);
  return out;
}

Counts CountsOf(const json& tags) {
  Counts out;
  for (const auto& kv : tags.items()) {
    out[kv.key()] = {kv.value()["runs"].get<int64_t>(), kv.value()["characters"].get<int64_t>()};
  }
  return out;
}

json Report(const std::vector<std::string>& args, int status = 0) {
  std::vector<std::string> all{"--json", "-"};
  all.insert(all.end(), args.begin(), args.end());
  sim::ToolResult r = sim::RunTool(all);
  EXPECT_EQ(status, r.status) << r.err;
  json j = json::parse(r.out, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << r.out;
  if (!j.is_discarded()) {
    EXPECT_EQ(status, j["exit_status"]);
  }
  // Every report as its published schema says, to a real validator.
  EXPECT_EQ("", sim::SchemaFaults("tagsmith-run-report", r.out)) << r.out;
  return j;
}

std::vector<std::string> Samples() {
  std::vector<std::string> out;
  for (const std::string& name : sim::FilesIn(sim::SharedSamplesDir())) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".mif") == 0 &&
        name.find("book") == std::string::npos) {
      out.push_back(sim::SharedSamplesDir() + "/" + name);
    }
  }
  return out;
}

// ---- Counts ----

TEST(UsageCountsTest, EveryDocumentAgreesWithTheMifText) {
  std::vector<std::string> files{kBook + "chapter1.mif", kBook + "chapter2.mif",
                                 kBook + "chapter3.mif", kBook + "conversion.mif"};
  for (const std::string& f : Samples()) files.push_back(f);
  for (const std::string& f : sim::RealDocuments()) files.push_back(f);
  for (const char* f : {"anchor_tags.mif", "structured.mif"}) {
    files.push_back("tests/data/mif/" + std::string(f));
  }
  for (const std::string& f : files) {
    json j = Report({"--counts", "ListCharUsage", f});
    ASSERT_EQ(1u, j["counts"]["files"].size()) << f;
    EXPECT_EQ(CountFromMif(f), CountsOf(j["counts"]["files"][0]["tags"])) << f;
  }
}

TEST(UsageCountsTest, ABookCountsEachChapterAndTheTotal) {
  json j = Report({"--counts", "ListCharUsageBook", kBook + "Manual.book"});
  Counts total;
  const json& files = j["counts"]["files"];
  ASSERT_EQ(3u, files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    std::string file = kBook + "chapter" + std::to_string(i + 1) + ".mif";
    EXPECT_EQ(file, files[i]["file"]);
    Counts one = CountFromMif(file);
    EXPECT_EQ(one, CountsOf(files[i]["tags"])) << file;
    for (const auto& kv : one) {
      total[kv.first].first += kv.second.first;
      total[kv.first].second += kv.second.second;
    }
  }
  EXPECT_EQ(total, CountsOf(j["counts"]["total"]["tags"]));
  // The tags only formats or settings name are counted too: those the
  // listing calls used by name.
  std::set<std::string> byName;
  for (const json& u : j["counts"]["used_without_text"]) {
    if (u["reason"] == "named") byName.insert(u["tag"].get<std::string>());
  }
  EXPECT_EQ(byName, j["counts"]["total"]["named_without_text"].get<std::set<std::string>>());
  EXPECT_EQ((std::set<std::string>{"EquationVariables", "ProductName", "StepLabel", "TOCPage",
                                   "WarningLabel", "XRefText"}),
            byName);

  // The text output puts the same numbers beside each tag, the total last.
  sim::ToolResult r = sim::RunTool({"--counts", "ListCharUsageBook", kBook + "Manual.book"});
  std::istringstream totalBlock(r.out.substr(r.out.find("\nTotal\n") + 7));
  Counts printed;
  std::string tag;
  int64_t runs = 0;
  int64_t characters = 0;
  while (totalBlock >> tag >> runs >> characters) printed[tag] = {runs, characters};
  EXPECT_EQ(total, printed) << r.out;
}

// ---- The picture ----

struct PageRow {
  std::string mark;                // the row's class
  std::vector<std::string> cells;  // total, then each file
  std::string note;
};

std::map<std::string, PageRow> PageRows(const std::string& html) {
  std::map<std::string, PageRow> rows;
  static const std::regex row(
      R"re(<tr data-name="([^"]*)"(?: class="([^"]*)")?>(.*?)<td class="note">([^<]*)</td></tr>)re");
  static const std::regex num(R"re(<td class="num[^"]*"[^>]*>([^<]*)</td>)re");
  for (std::sregex_iterator it(html.begin(), html.end(), row), end; it != end; ++it) {
    PageRow& r = rows[(*it)[1]];
    r.mark = (*it)[2];
    r.note = (*it)[4];
    std::string cells = (*it)[3];
    for (std::sregex_iterator c(cells.begin(), cells.end(), num); c != end; ++c) {
      r.cells.push_back((*c)[1]);
    }
  }
  return rows;
}

// Each file's cells are what the MIF text of `files` holds.
void ExpectCellsOf(const std::map<std::string, PageRow>& rows,
                   const std::vector<std::string>& files) {
  std::vector<Counts> counts;
  std::vector<std::vector<std::string>> defined;
  for (const std::string& f : files) {
    counts.push_back(CountFromMif(f));
    defined.push_back(CatalogFormats(sim::ReadFile(f[0] == '/' ? f : sim::RepoRoot() + "/" + f)));
  }
  for (const auto& kv : rows) {
    ASSERT_EQ(files.size() + 1, kv.second.cells.size()) << kv.first;
    for (size_t i = 0; i < files.size(); ++i) {
      auto c = counts[i].find(kv.first);
      // A format the file defines but no text of it carries shows 0; one it
      // does not define, nothing.
      bool definedHere = std::find(defined[i].begin(), defined[i].end(), kv.first) !=
                         defined[i].end();
      std::string expected = c != counts[i].end() ? std::to_string(c->second.second)
                             : definedHere        ? "0"
                                                  : "";
      EXPECT_EQ(expected, kv.second.cells[i + 1]) << kv.first << " in " << files[i];
    }
  }
}

// A tag that no text carries is listed as used for a reason the reports
// name: formats or settings name it, or (code in chapter 2) only another
// letter case of it is used, which the usage scan counts alike.
TEST(UsageCountsTest, TagsUsedWithoutTextAreGivenTheirReason) {
  sim::TempDir out;
  std::string page = out.path + "/usage.html";
  sim::ToolResult r =
      sim::RunTool({"--counts", "--html", page, "ListCharUsageBook", kBook + "Manual.book"});
  ASSERT_EQ(0, r.status) << r.err;
  std::string byName = r.out.substr(r.out.find("Used by name only, no text carries them: "));
  byName = byName.substr(0, byName.find('\n'));
  EXPECT_EQ(std::string::npos, byName.find("code")) << byName;
  EXPECT_NE(std::string::npos, byName.find("ProductName")) << byName;
  EXPECT_NE(std::string::npos,
            r.out.find(
                "\nUsed only as a case variant of a used tag, no text carries them: code (Code)\n"))
      << r.out;
  std::map<std::string, PageRow> rows = PageRows(sim::ReadFile(page));
  EXPECT_EQ("used only as a case variant of Code", rows["code"].note);
  EXPECT_EQ("named by formats or settings only", rows["ProductName"].note);

  json j = Report({"--counts", "ListCharUsageBook", kBook + "Manual.book"});
  std::map<std::string, std::string> reasons;
  for (const json& u : j["counts"]["used_without_text"]) reasons[u["tag"]] = u["reason"];
  EXPECT_EQ("case_variant", reasons["code"]);
  EXPECT_EQ("named", reasons["ProductName"]);
  EXPECT_EQ(7u, reasons.size());
}

// The picture of a command that changes the book shows the book as the run
// left it: what it deleted struck through, what it converted and to what,
// the counts of the files it wrote, and nothing it kept struck through.
TEST(UsagePictureTest, AChangingCommandShowsWhatItDidAndTheBookAfter) {
  sim::TempDir out;
  std::string page = out.path + "/delete.html";
  json j = Report({"--yes", "--html", page, "--out-dir", out.path + "/book",
                   "DeleteUnusedCharsBook", kBook + "Manual.book"});
  std::set<std::string> deleted;
  for (const json& f : j["files_changed"]) {
    for (const json& name : f["formats_deleted"]) deleted.insert(name.get<std::string>());
  }
  EXPECT_EQ((std::set<std::string>{"Draft", "Glossary", "Obsolete", "Scratch"}), deleted);
  std::string html = sim::ReadFile(page);
  std::map<std::string, PageRow> rows = PageRows(html);
  ASSERT_FALSE(rows.empty()) << html;
  for (const auto& kv : rows) {
    bool wasDeleted = deleted.count(kv.first) != 0;
    EXPECT_EQ(wasDeleted                     ? "deleted"
              : kv.second.mark == "one-file" ? "one-file"
                                             : "",
              kv.second.mark)
        << kv.first;
    EXPECT_EQ(wasDeleted, kv.second.note.compare(0, 8, "deleted ") == 0) << kv.first;
  }
  EXPECT_EQ("deleted from chapter1.mif, chapter3.mif", rows["Draft"].note);
  EXPECT_EQ("carried by no text; a case variant of Code", rows["code"].note);
  std::vector<std::string> written;
  for (const char* name : {"chapter1.mif", "chapter2.mif", "chapter3.mif"}) {
    written.push_back(out.path + "/book/" + name);
  }
  ExpectCellsOf(rows, written);
  EXPECT_NE(std::string::npos, html.find("<h1>Character tag usage after DeleteUnusedCharsBook: "));

  page = out.path + "/convert.html";
  j = Report({"--yes", "--html", page, "--out-dir", out.path + "/converted", "ConvertCharsBook",
              kBook + "conversion.mif", kBook + "Manual.book"});
  html = sim::ReadFile(page);
  rows = PageRows(html);
  EXPECT_EQ("converted", rows["LegacyBold"].mark);
  EXPECT_EQ("converted to Strong (2 runs, 13 characters); carried by no text",
            rows["LegacyBold"].note);
  EXPECT_EQ("converted to Emphasis (1 run, 10 characters); carried by no text",
            rows["LegacyItalic"].note);
  EXPECT_EQ(0u, rows["Highlight"].note.find("converted to Default Paragraph Format ("))
      << rows["Highlight"].note;
  EXPECT_EQ("", rows["Draft"].mark);
  ExpectCellsOf(
      rows, {kBook + "chapter1.mif", out.path + "/converted/chapter2.mif", kBook + "chapter3.mif"});
  EXPECT_NE(std::string::npos, html.find("Changed by the run: chapter2.mif (written to " +
                                         out.path + "/converted/chapter2.mif)."))
      << html;

  // A run that writes nothing says so, and shows the book as read.
  page = out.path + "/cancelled.html";
  j = Report({"--no", "--html", page, "DeleteUnusedCharsBook", kBook + "Manual.book"}, 3);
  html = sim::ReadFile(page);
  EXPECT_NE(std::string::npos,
            html.find("The run changed no document: the counts are those of the documents as read. "
                      "The run ended with exit status 3: nothing was written."))
      << html;
  rows = PageRows(html);
  EXPECT_EQ("", rows["Draft"].mark);
  ExpectCellsOf(rows, {kBook + "chapter1.mif", kBook + "chapter2.mif", kBook + "chapter3.mif"});
}

// ---- The report ----

TEST(JsonReportTest, ListsDialogsAndChangesOfABookCommand) {
  sim::TempDir out;
  json j = Report({"--yes", "DeleteUnusedCharsBook", kBook + "Manual.book", "--out-dir", out.path});
  EXPECT_EQ("tagsmith-run-report", j["schema"]);
  EXPECT_EQ(1, j["version"]);
  EXPECT_EQ("DeleteUnusedCharsBook", j["command"]["call"]);
  EXPECT_EQ(kBook + "Manual.book", j["inputs"]["book"]);
  EXPECT_FALSE(j.contains("counts"));  // only when asked
  ASSERT_EQ(1u, j["dialogs"].size());
  EXPECT_EQ("question", j["dialogs"][0]["kind"]);
  EXPECT_EQ("yes", j["dialogs"][0]["answer"]);
  std::map<std::string, std::vector<std::string>> deleted;
  std::set<std::string> messages;
  for (const json& m : j["messages"]) messages.insert(m["text"].get<std::string>());
  for (const json& f : j["files_changed"]) {
    EXPECT_EQ(out.path + "/" + f["file"].get<std::string>().substr(kBook.size()), f["written_to"]);
    deleted[f["file"]] = f["formats_deleted"].get<std::vector<std::string>>();
    EXPECT_TRUE(f["runs_converted"].empty());
    EXPECT_TRUE(f["runs_repaired"].empty());
  }
  // What writing says on stderr is in the messages too.
  EXPECT_EQ(
      1u, messages.count("deleted 5 character formats in 3 files; wrote 3 files into " + out.path));
  // Exactly what the book's listing calls unused.
  json list = Report({"ListCharUsageBook", kBook + "Manual.book"});
  const json& lists = list["output"]["sections"][0]["lists"];
  EXPECT_EQ("Character Tags Not Used:", lists[1]["heading"]);
  std::set<std::string> all;
  for (const auto& kv : deleted) all.insert(kv.second.begin(), kv.second.end());
  EXPECT_EQ(lists[1]["items"].get<std::set<std::string>>(), all);
  EXPECT_EQ(3u, deleted.size());
}

TEST(JsonReportTest, ConvertedAndRepairedRunsAndACancelledRun) {
  json convert =
      Report({"--yes", "ConvertCharsDoc", kBook + "conversion.mif", kBook + "chapter2.mif"});
  ASSERT_EQ(1u, convert["files_changed"].size());
  const json& c = convert["files_changed"][0];
  EXPECT_TRUE(c["written_to"].is_null());  // no --out-dir
  ASSERT_FALSE(c["runs_converted"].empty());
  std::map<std::string, std::string> converted;
  for (const json& r : c["runs_converted"]) converted[r["from"]] = r["to"];
  std::map<std::string, std::string> table{{"LegacyBold", "Strong"},
                                           {"LegacyItalic", "Emphasis"},
                                           {"Highlight", "Default Paragraph Format"}};
  EXPECT_EQ(table, converted);
  EXPECT_TRUE(c["runs_repaired"].empty());
  // What the schema refuses, the validator does: a destination left empty.
  json emptied = convert;
  emptied["files_changed"][0]["runs_converted"][0]["to"] = "";
  EXPECT_NE("", sim::SchemaFaults("tagsmith-run-report", emptied.dump()));
  EXPECT_EQ(kBook + "chapter2.mif", convert["inputs"]["active_document"]);
  EXPECT_EQ(kBook + "chapter2.mif", convert["messages"][0]["file"]);

  // chapter1's overrides: one on untagged text, one on Emphasis, and one
  // more on untagged text of the master page.
  for (bool masterPages : {false, true}) {
    std::vector<std::string> args{"--yes", "RemoveCharOverrides", kBook + "chapter1.mif"};
    if (masterPages) args.push_back("--master-pages");
    json repair = Report(args);
    ASSERT_EQ(1u, repair["files_changed"].size());
    const json& repaired = repair["files_changed"][0]["runs_repaired"];
    ASSERT_EQ(2u, repaired.size());
    EXPECT_EQ("", repaired[0]["tag"]);
    EXPECT_EQ(masterPages ? 2 : 1, repaired[0]["runs"]);
    EXPECT_EQ("Emphasis", repaired[1]["tag"]);
    EXPECT_EQ(1, repaired[1]["runs"]);
  }

  json cancelled = Report({"--no", "DeleteUnusedChars", kBook + "chapter1.mif"}, 3);
  EXPECT_EQ("no", cancelled["dialogs"][0]["answer"]);
  EXPECT_TRUE(cancelled["files_changed"].empty());
}

TEST(JsonReportTest, TheOutputListsAreThoseThePrintedDocumentShows) {
  sim::ToolResult text = sim::RunTool({"ListCharUsage", kBook + "chapter1.mif"});
  json j = Report({"ListCharUsage", kBook + "chapter1.mif"});
  std::string rebuilt;
  for (const json& s : j["output"]["sections"]) {
    rebuilt += "# " + s["title"].get<std::string>() + "\n";
    for (const json& l : s["lists"]) {
      rebuilt += "## " + l["heading"].get<std::string>() + "\n";
      for (const json& item : l["items"]) rebuilt += item.get<std::string>() + "\n";
    }
  }
  while (!text.out.empty() && text.out.back() == '\n') text.out.pop_back();
  EXPECT_EQ(text.out + "\n", rebuilt);
  EXPECT_TRUE(j["output"]["written_to"].is_null());
  sim::TempDir out;
  json table = Report({"--choose", "2", "CreateCharList", kBook + "chapter1.mif", "--output",
                       out.path + "/list.mif"});
  EXPECT_EQ(out.path + "/list.mif", table["output"]["written_to"]);
  ASSERT_EQ(1u, table["output"]["tables"].size());
  EXPECT_EQ(std::vector<std::string>{"Tags to Keep"}, table["output"]["tables"][0]["headings"]);
  EXPECT_EQ("choice", table["dialogs"][0]["kind"]);
}

TEST(JsonReportTest, UsageErrorsOfTheNewOptions) {
  EXPECT_EQ(2,
            sim::RunTool({"--json", "-", "--output", "-", "ListCharUsage", kBook + "chapter1.mif"})
                .status);
  // The report may not replace an input.
  EXPECT_EQ(
      2, sim::RunTool({"--json", kBook + "chapter1.mif", "ListCharUsage", kBook + "chapter1.mif"})
             .status);
  // Nor take the place of a changed document.
  sim::TempDir out;
  EXPECT_EQ(2, sim::RunTool({"--yes", "--out-dir", out.path, "--json", out.path + "/chapter1.mif",
                             "DeleteUnusedChars", kBook + "chapter1.mif"})
                   .status);
  EXPECT_TRUE(sim::FilesIn(out.path).empty());
  EXPECT_EQ(2,
            sim::RunTool({"--html", "x.html", "GenerateCharacterTagReport", kBook + "chapter1.mif"})
                .status);
}

}  // namespace
