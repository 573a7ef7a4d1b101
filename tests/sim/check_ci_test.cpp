// check in CI: its findings in the formats CI tools read, validated by real
// validators; the project file; the baseline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/check_config.h"
#include "tests/sim/sim_helpers.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kBook = "examples/book/";

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CheckCiTest : public ::testing::Test {
 protected:
  sim::TempDir host;
  sim::TempDir dir;
  sim::ToolResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--host-dir", host.path});
    return sim::RunTool(args);
  }
  // "file:line:col" of each finding the text format prints.
  std::vector<std::string> Places(const std::vector<std::string>& args) {
    std::vector<std::string> places;
    for (const std::string& line : LinesOf(Run(args).out)) {
      places.push_back(line.substr(0, line.find(": ")));
    }
    return places;
  }
  // chapter3 of the example book, with its findings at lines 38 (Glossary,
  // unused), 44 (Draft, unused) and 97 (an override), in dir/docs/sub.
  std::string Chapter3() {
    fs::create_directories(dir.path + "/docs/sub");
    std::string to = dir.path + "/docs/sub/chapter3.mif";
    fs::copy_file(sim::RepoRoot() + "/" + kBook + "chapter3.mif", to);
    return to;
  }
};

TEST_F(CheckCiTest, JsonGithubAndJunitHoldWhatTheTextSays) {
  std::vector<std::string> args{"check", kBook + "Manual.book", "/no/such.mif"};
  std::vector<std::string> places = Places(args);
  ASSERT_EQ(11u, places.size());

  args.insert(args.begin() + 1, {"--format", "json"});
  sim::ToolResult r = Run(args);
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("", sim::SchemaFaults("tagsmith-check-report", r.out)) << r.out;
  json j = json::parse(r.out);
  std::vector<std::string> fromJson;
  for (const json& f : j["findings"]) {
    fromJson.push_back(f["file"].get<std::string>() + ":" + std::to_string(f["line"].get<int>()) +
                       ":" + std::to_string(f["column"].get<int>()));
  }
  EXPECT_EQ(places, fromJson);
  EXPECT_EQ(5, j["kinds"]["unused-format"]);
  EXPECT_EQ(6, j["kinds"]["character-override"]);
  EXPECT_EQ("/no/such.mif", j["not_checked"][0]["file"]);
  EXPECT_EQ(3, j["exit_status"]);

  args[2] = "github";
  std::vector<std::string> lines = LinesOf(Run(args).out);
  ASSERT_EQ(12u, lines.size());
  EXPECT_EQ(
      "::warning file=examples/book/chapter1.mif,line=213,col=2,title=unused-format::character "
      "format \"Obsolete\" is not used",
      lines[0]);
  EXPECT_EQ(0u, lines[11].find("::error file=/no/such.mif,title=not-checked::")) << lines[11];

  args[2] = "junit";
  std::string xml = Run(args).out;
  EXPECT_NE(std::string::npos, xml.find("<testsuites name=\"tagsmith-run check\" tests=\"12\" "
                                        "failures=\"11\" errors=\"1\">"))
      << xml;
  // Well-formed, as a reader of it sees.
  sim::WriteFile(dir.path + "/check.xml", xml);
  EXPECT_EQ(0, std::system(("python3 -c 'import sys, xml.dom.minidom; "
                            "xml.dom.minidom.parse(sys.argv[1])' " +
                            dir.path + "/check.xml")
                               .c_str()));
}

// The SARIF log through the SARIF multitool and the SARIF 2.1.0 schema
// (sim_sarif_tests installs them); its results where the text says.
TEST_F(CheckCiTest, SarifPassesARealValidator) {
  const char* validator = std::getenv("TAGSMITH_SARIF_VALIDATOR");
  if (validator == nullptr) GTEST_SKIP() << "run by sim_sarif_tests";
  std::vector<std::string> args{"check", kBook + "Manual.book", dir.path + "/none.mif"};
  std::vector<std::string> places = Places(args);
  args.insert(args.begin() + 1, {"--format", "sarif"});
  sim::ToolResult r = Run(args);
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("", sim::SarifFaults(validator, r.out)) << r.out;
  json log = json::parse(r.out);
  ASSERT_EQ(1u, log["runs"].size());
  const json& run = log["runs"][0];
  std::vector<std::string> fromSarif;
  for (const json& result : run["results"]) {
    const json& at = result["locations"][0]["physicalLocation"];
    fromSarif.push_back(at["artifactLocation"]["uri"].get<std::string>() + ":" +
                        std::to_string(at["region"]["startLine"].get<int>()) + ":" +
                        std::to_string(at["region"]["startColumn"].get<int>()));
    EXPECT_EQ(run["tool"]["driver"]["rules"][result["ruleIndex"].get<int>()]["id"],
              result["ruleId"]);
  }
  EXPECT_EQ(places, fromSarif);
  EXPECT_FALSE(run["invocations"][0]["executionSuccessful"]);
  // A fault the validators must see, lest they pass anything.
  log["runs"][0]["results"][0]["locations"][0]["physicalLocation"]["region"]["startLine"] = 0;
  EXPECT_NE("", sim::SarifFaults(validator, log.dump()));
}

TEST_F(CheckCiTest, TheProjectFileAboveTheFileChoosesRulesSeveritiesAndIgnoredTags) {
  std::string file = Chapter3();
  sim::WriteFile(dir.path + "/docs/.tagsmith.ini",
                 "\xEF\xBB\xBF# kept for the template; a byte order mark before it\n"
                 "[check]\nfail-on = error\n"
                 "[rules]\ncharacter-override = off\nunused-format = note\n"
                 "[ignore]\ntag = Gloss*\n");
  sim::ToolResult r = Run({"check", file});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(file + ":44:2: note: character format \"Draft\" is not used [unused-format]\n", r.out);
  EXPECT_NE(std::string::npos, r.err.find("1 finding (1 unused-format), 1 on ignored tags"))
      << r.err;
  EXPECT_EQ(1, Run({"check", "--fail-on", "note", file}).status);
  r = Run({"check", "--fail-on", "never", "--undefined", "--unused", file});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(1u, LinesOf(r.out).size());

  // --config instead of the file found; a fault named by its line.
  std::string other = dir.path + "/other.ini";
  sim::WriteFile(other, "[rules]\nunused-format = off\n\n[ignore]\nformat = Draft\n");
  r = Run({"check", "--config", other, file});
  EXPECT_EQ(2, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_NE(std::string::npos, r.err.find(other + ":5: unknown key \"format\" in [ignore]"))
      << r.err;
  sim::WriteFile(other, "[rules]\nunused-format = off\n");
  EXPECT_EQ(std::vector<std::string>{file + ":97:4"}, Places({"check", "--config", other, file}));
}

TEST(CheckConfigTest, TagPatterns) {
  EXPECT_TRUE(CheckTagMatches("Legacy*", "LegacyBold"));
  EXPECT_TRUE(CheckTagMatches("*", ""));
  EXPECT_TRUE(CheckTagMatches("T?rm", "Term"));
  EXPECT_TRUE(CheckTagMatches("[A-C]ode", "Code"));
  EXPECT_TRUE(CheckTagMatches("[!a-z]*", "Code"));
  EXPECT_TRUE(CheckTagMatches("a[b", "a[b"));  // a bracket not closed is itself
  EXPECT_FALSE(CheckTagMatches("legacy*", "LegacyBold"));
  EXPECT_FALSE(CheckTagMatches("Term", "Terms"));
  EXPECT_FALSE(CheckTagMatches("*Bold", "Boldly"));
  EXPECT_FALSE(CheckTagMatches("[]]x", "ax"));
}

// The baseline accepts today's findings by file, rule and tag: lines that
// move leave it good, and only a new finding fails the check.
TEST_F(CheckCiTest, ABaselineFailsOnlyOnNewFindings) {
  std::string file = Chapter3();
  std::string baseline = dir.path + "/baseline.json";
  sim::ToolResult r = Run({"check", "--write-baseline", baseline, file});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(3u, LinesOf(r.out).size());
  EXPECT_EQ(1, Run({"check", file}).status);
  // Never over a file it reads.
  std::string text = sim::ReadFile(file);
  EXPECT_EQ(2, Run({"check", "--write-baseline", file, file}).status);
  EXPECT_EQ(text, sim::ReadFile(file));

  text.insert(text.find('\n') + 1, "# edited: every line moves down\n");
  sim::WriteFile(file, text);
  r = Run({"check", "--baseline", baseline, file});
  EXPECT_EQ(0, r.status) << r.out << r.err;
  EXPECT_EQ("", r.out);
  EXPECT_NE(std::string::npos, r.err.find("0 findings, 3 more accepted by the baseline")) << r.err;

  text.insert(text.find("> # end of FontCatalog"),
              " <Font \n  <FTag `Spare'>\n  <FLocked No>\n > # end of Font\n");
  sim::WriteFile(file, text);
  r = Run({"check", "--baseline", baseline, file});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(file + ":50:2: warning: character format \"Spare\" is not used [unused-format]\n",
            r.out);
}

}  // namespace
