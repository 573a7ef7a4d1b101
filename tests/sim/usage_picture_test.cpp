// The usage picture as a real browser shows it: headless Chromium opens the
// page, runs its script, takes a screenshot into the build folder and gives
// back the page as it then stands, which is checked against the report.
// Run by its own ctest test (sim_browser_tests), skipped without Chromium.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "sim/run_summary.h"
#include "tests/sim/sim_helpers.h"

using nlohmann::json;

namespace {

std::string Capture(const std::string& command) {
  std::string out;
  std::FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

struct PageRow {
  std::string tag;
  std::string mark;                // the row's class
  std::vector<std::string> cells;  // total, then each file
};

// The body rows of the usage table in the page as the browser left it.
std::vector<PageRow> Rows(const std::string& dom) {
  std::vector<PageRow> rows;
  size_t body = dom.find("<tbody>");
  std::string rest = body == std::string::npos ? std::string() : dom.substr(body);
  static const std::regex row(R"re(<tr data-name="([^"]*)"(?: class="([^"]*)")?>(.*?)</tr>)re");
  static const std::regex num(R"re(<td class="num[^"]*"[^>]*>([^<]*)</td>)re");
  for (std::sregex_iterator it(rest.begin(), rest.end(), row), end; it != end; ++it) {
    PageRow r{(*it)[1], (*it)[2], {}};
    std::string cells = (*it)[3];
    for (std::sregex_iterator c(cells.begin(), cells.end(), num); c != end; ++c) {
      r.cells.push_back((*c)[1]);
    }
    rows.push_back(r);
  }
  return rows;
}

class UsagePictureBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("TAGSMITH_BROWSER_TEST") == nullptr) GTEST_SKIP() << "run by sim_browser_tests";
    if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "no chromium";
  }

  // Opens the page at `fragment`; writes a screenshot when `shot` is given.
  std::string Open(const std::string& page, const std::string& fragment, const std::string& shot) {
    sim::TempDir profile;
    return Capture(
        "timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
        "--user-data-dir=" +
        profile.path + " --window-size=1000,800 " +
        (shot.empty() ? "" : "--screenshot=" + shot + " ") + "--dump-dom 'file://" + page +
        fragment + "' 2>/dev/null");
  }
};

TEST_F(UsagePictureBrowserTest, TheBooksTableIsTheReportsCountsSortedAndMarked) {
  std::string dir = std::string(std::getenv("TAGSMITH_BUILD_DIR")) + "/usage-picture";
  std::filesystem::create_directories(dir);
  std::string page = dir + "/Manual.html";
  std::string shot = dir + "/Manual.png";
  std::remove(shot.c_str());
  sim::ToolResult r = sim::RunTool({"--counts", "--json", "-", "--html", page, "ListCharUsageBook",
                                    "examples/book/Manual.book"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", sim::SchemaFaults("tagsmith-run-report", r.out));
  json report = json::parse(r.out);
  const json& files = report["counts"]["files"];
  const json& lists = report["output"]["sections"][0]["lists"];
  std::set<std::string> unused = lists[1]["items"].get<std::set<std::string>>();
  std::set<std::string> tags = lists[0]["items"].get<std::set<std::string>>();
  tags.insert(unused.begin(), unused.end());

  // Nothing is fetched from elsewhere.
  std::string html = sim::ReadFile(page);
  EXPECT_EQ(std::string::npos, html.find("src=")) << html;
  EXPECT_EQ(std::string::npos, html.find("://")) << html;

  std::vector<PageRow> rows = Rows(Open(page, "#sort=total", shot));
  EXPECT_GT(sim::ReadFile(shot).size(), 1000u) << "no screenshot";
  ASSERT_EQ(tags.size(), rows.size());
  int64_t lastTotal = INT64_MAX;
  std::string lastTag;
  for (const PageRow& row : rows) {
    SCOPED_TRACE(row.tag);
    EXPECT_EQ(1u, tags.count(row.tag));
    ASSERT_EQ(files.size() + 1, row.cells.size());
    int64_t total = 0;
    int carrying = 0;
    for (size_t i = 0; i < files.size(); ++i) {
      const json& tagsOfFile = files[i]["tags"];
      bool carried = tagsOfFile.contains(row.tag);
      int64_t chars = carried ? tagsOfFile[row.tag]["characters"].get<int64_t>() : 0;
      std::vector<std::string> defined = CatalogFormats(
          sim::ReadFile(sim::RepoRoot() + "/" + files[i]["file"].get<std::string>()));
      bool definedHere = std::find(defined.begin(), defined.end(), row.tag) != defined.end();
      EXPECT_EQ(carried ? std::to_string(chars) : definedHere ? "0" : "", row.cells[i + 1]);
      total += chars;
      carrying += carried ? 1 : 0;
    }
    EXPECT_EQ(total == 0 && carrying == 0 ? "" : std::to_string(total), row.cells[0]);
    std::string mark = unused.count(row.tag) != 0 ? "unused" : carrying == 1 ? "one-file" : "";
    EXPECT_EQ(mark, row.mark);
    // The script sorted by total, most first, ties by name.
    EXPECT_TRUE(total < lastTotal || (total == lastTotal && row.tag > lastTag));
    lastTotal = total;
    lastTag = row.tag;
  }

  // By a file's column: chapter2's tags first, most characters first.
  std::vector<PageRow> byFile = Rows(Open(page, "#sort=file2", ""));
  ASSERT_EQ(rows.size(), byFile.size());
  EXPECT_EQ("Highlight", byFile[0].tag);
  EXPECT_EQ("LegacyBold", byFile[1].tag);
}

// A book of 80 chapters and 45 tags: scrolled to its far corner, the
// heading row and the tag column are still where the table's box begins.
TEST_F(UsagePictureBrowserTest, TheHeadingsStayInViewOfALargeBook) {
  sim::TempDir book;
  std::string components;
  for (int c = 1; c <= 80; ++c) {
    std::string fonts;
    std::string text;
    for (int t = 1; t <= 45; ++t) {
      fonts += " <Font \n  <FTag `Tag" + std::to_string(t) + "'>\n >\n";
      if ((t + c) % 3 == 0) {
        text += "   <Font \n    <FTag `Tag" + std::to_string(t) + "'>\n   >\n   <String `word'>\n";
      }
    }
    std::string name = "ch" + std::to_string(c) + ".mif";
    sim::WriteFile(book.path + "/" + name,
                   "<MIFFile 2015>\n<FontCatalog \n" + fonts +
                       ">\n<TextFlow \n <TFTag `A'>\n <Para \n  <ParaLine \n" + text +
                       "  >\n >\n>\n");
    components += "<BookComponent \n <FileName `<c\\>" + name + "'>\n>\n";
  }
  sim::WriteFile(book.path + "/Big.book", "<Book 9.00>\n" + components);
  std::string page = book.path + "/big.html";
  sim::ToolResult r = sim::RunTool({"--html", page, "ListCharUsageBook", book.path + "/Big.book"});
  ASSERT_EQ(0, r.status) << r.err;
  // The page, with a script of the test's that scrolls it to the far corner
  // and writes down where the headings then stand.
  std::string html = sim::ReadFile(page);
  const char probe[] = R"(<script>
var box = document.getElementById('scroll'), table = document.getElementById('usage');
box.scrollTop = box.scrollHeight; box.scrollLeft = box.scrollWidth;
var b = box.getBoundingClientRect();
var head = table.tHead.rows[0].cells[40].getBoundingClientRect();
var tag = table.tBodies[0].rows[44].cells[0].getBoundingClientRect();
document.body.setAttribute('data-probe', [box.scrollTop > 0, box.scrollLeft > 0,
  Math.abs(head.top - b.top) < 3, Math.abs(tag.left - b.left) < 3].join(' '));
</script>
</body>)";
  html.replace(html.rfind("</body>"), 7, probe);
  std::string probed = book.path + "/probed.html";
  sim::WriteFile(probed, html);
  std::string dom = Open(probed, "", "");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(dom, m, std::regex(R"re(data-probe="([^"]*)")re"))) << dom.size();
  // Scrolled both ways, and both headings still at the box's edges.
  EXPECT_EQ("true true true true", m[1].str());
  // Each cell says which of the three it is.
  EXPECT_NE(std::string::npos, dom.find("title=\"defined here, not used here\""));
  EXPECT_EQ(std::string::npos, dom.find("title=\"not defined here\""));
}

}  // namespace
