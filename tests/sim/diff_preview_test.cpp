// The line diff that previews a run: what diff(1) and patch(1) expect, and
// shortest on any pair of texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "sim/diff_preview.h"

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return lines;
}

// Applies a diff made by UnifiedDiff to `before`, as patch(1) would.
std::string Apply(const std::string& before, const std::string& diff) {
  std::vector<std::string> old = LinesOf(before);
  std::vector<std::string> lines = LinesOf(diff);
  std::string out;
  size_t next = 0;  // the first old line not yet copied
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.compare(0, 4, "@@ -") == 0) {
      size_t start = std::stoul(l.substr(4));
      size_t comma = l.find(',');
      bool none = comma < l.find(' ', 4) && std::stoul(l.substr(comma + 1)) == 0;
      for (size_t first = none ? start : start - 1; next < first;) out += old[next++];
      continue;
    }
    if (l[0] == '\\') continue;
    std::string line = l.substr(1);
    if (i + 1 < lines.size() && lines[i + 1][0] == '\\') line.pop_back();
    if (l[0] != '+') ++next;
    if (l[0] != '-') out += line;
  }
  while (next < old.size()) out += old[next++];
  return out;
}

size_t Edits(const std::string& diff) {
  std::vector<std::string> lines = LinesOf(diff);
  size_t n = 0;
  for (size_t i = 2; i < lines.size(); ++i) n += lines[i][0] == '-' || lines[i][0] == '+';
  return n;
}

// The fewest lines removed and added that turn a into b.
size_t ShortestEdit(const std::vector<char>& a, const std::vector<char>& b) {
  std::vector<std::vector<size_t>> common(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
  for (size_t i = a.size(); i-- > 0;) {
    for (size_t j = b.size(); j-- > 0;) {
      common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1
                                  : std::max(common[i + 1][j], common[i][j + 1]);
    }
  }
  return a.size() + b.size() - 2 * common[0][0];
}

TEST(DiffPreviewTest, HunksAsDiffWritesThem) {
  std::string before = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n18\n";
  std::string after = "1\n2\n3\nfour\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n17\n";
  EXPECT_EQ(
      "--- a/x.mif\n+++ b/x.mif\n"
      "@@ -1,7 +1,7 @@\n 1\n 2\n 3\n-4\n+four\n 5\n 6\n 7\n"
      "@@ -15,4 +15,3 @@\n 15\n 16\n 17\n-18\n",
      UnifiedDiff(before, after, "a/x.mif", "b/x.mif"));
  EXPECT_EQ("--- /dev/null\n+++ b/new\n@@ -0,0 +1 @@\n+only\n\\ No newline at end of file\n",
            UnifiedDiff("", "only", "/dev/null", "b/new"));
  EXPECT_EQ("", UnifiedDiff(before, before, "a", "b"));
}

// Headers patch(1) and git apply read back as the names they were given.
TEST(DiffPreviewTest, NamesAsGitWritesThem) {
  auto header = [](const std::string& name) {
    std::string diff = UnifiedDiff("x\n", "y\n", "a/" + name, "b/" + name);
    return diff.substr(0, diff.find("@@"));
  };
  EXPECT_EQ("--- a/book/ch1.mif\n+++ b/book/ch1.mif\n", header("book/ch1.mif"));
  EXPECT_EQ("--- a/Team Docs/ch 1.mif\t\n+++ b/Team Docs/ch 1.mif\t\n",
            header("Team Docs/ch 1.mif"));
  EXPECT_EQ(
      "--- \"a/t\\tq\\\"b\\\\s\\nn\\r\\351\\177\\001.mif\"\n"
      "+++ \"b/t\\tq\\\"b\\\\s\\nn\\r\\351\\177\\001.mif\"\n",
      header("t\tq\"b\\s\nn\r\xE9\x7F\x01.mif"));
  EXPECT_EQ("--- \"a/x y\\n\"\t\n+++ \"b/x y\\n\"\t\n", header("x y\n"));
}

TEST(DiffPreviewTest, AnyPairIsTurnedIntoTheOtherByTheFewestLines) {
  std::mt19937 random(19);
  for (int round = 0; round < 400; ++round) {
    std::vector<char> lines[2];
    std::string text[2];
    for (int k = 0; k < 2; ++k) {
      size_t n = random() % 24;
      for (size_t i = 0; i < n; ++i) {
        lines[k].push_back(static_cast<char>('a' + random() % 4));
        text[k] += std::string(1, lines[k].back()) + "\n";
      }
      // Now and then a last line without its line break.
      if (!text[k].empty() && random() % 5 == 0) text[k].pop_back();
    }
    std::string diff = UnifiedDiff(text[0], text[1], "a/f", "b/f");
    ASSERT_EQ(text[1], Apply(text[0], diff)) << diff;
    bool sameEnds = text[0].empty() || text[1].empty() || text[0].back() == text[1].back();
    if (sameEnds) {
      EXPECT_EQ(ShortestEdit(lines[0], lines[1]), Edits(diff)) << diff;
    }
    // Searches cut short still give a diff that does the job.
    diff = UnifiedDiff(text[0], text[1], "a/f", "b/f", 1 + round % 3);
    ASSERT_EQ(text[1], Apply(text[0], diff)) << diff;
  }
}

TEST(DiffPreviewTest, TextsThatDifferThroughout) {
  std::string before;
  std::string mixed;
  std::string other;
  for (int i = 0; i < 3000; ++i) {
    std::string n = std::to_string(i) + "\n";
    before += "old " + n;
    mixed += (i % 3 == 0 ? "old " : "new ") + n;
    other += "other " + n;
  }
  EXPECT_EQ(mixed, Apply(before, UnifiedDiff(before, mixed, "a/f", "b/f")));
  EXPECT_EQ(other, Apply(before, UnifiedDiff(before, other, "a/f", "b/f")));
}

// The colours follow the diff's parts: a removed line that begins like a
// name line ("--- ") is still a removed line.
TEST(DiffPreviewTest, ColoursTellTheNamesHunksRemovedAndAddedLinesApart) {
  std::string diff = UnifiedDiff("-- a\nsame\n", "same\nnew", "a/f", "b/f");
  EXPECT_EQ(
      "\033[1m--- a/f\033[m\n\033[1m+++ b/f\033[m\n\033[36m@@ -1,2 +1,2 @@\033[m\n"
      "\033[31m--- a\033[m\n same\n\033[32m+new\033[m\n\\ No newline at end of file\n",
      ColouredDiff(diff));
}

TEST(DiffPreviewTest, PathsAreRelativeWithoutLeadingSlash) {
  EXPECT_EQ("book/ch1.mif", DiffPathOf("./book//ch1.mif"));
  EXPECT_EQ("tmp/x/ch1.mif", DiffPathOf("/tmp/x/ch1.mif"));
  std::filesystem::path up = std::filesystem::current_path().parent_path() / "x" / "ch1.mif";
  EXPECT_EQ(up.relative_path().generic_string(), DiffPathOf("../x/./ch1.mif"));
}

}  // namespace
