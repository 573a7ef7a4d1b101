// The shape of parsed trees, string escapes, numbers with units, and the
// errors that bad input gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mif/mif_roman.h"
#include "mif/mif_tree.h"
#include "tests/test_support.h"

namespace {

using testsupport::MustParse;

MifError ParseError(const std::string& text, const MifLimits* limits = nullptr) {
  MifTree tree;
  MifError error;
  EXPECT_FALSE(MifParse(text, "bad.mif", &tree, &error, limits)) << text.substr(0, 80);
  EXPECT_EQ("bad.mif", error.file);
  return error;
}

std::string Decode(const std::string& token, MifEncoding enc) {
  std::string bytes, why;
  EXPECT_TRUE(MifDecodeString(token, enc, &bytes, &why)) << token << ": " << why;
  return bytes;
}

TEST(MifParse, HeaderDecidesEncoding) {
  struct {
    const char* text;
    MifEncoding encoding;
    bool book;
  } cases[] = {{"<MIFFile 7.00> # old\n", MIF_ROMAN, false},
               {"# leading comment\n<MIFFile 9.00>\n", MIF_UTF8, false},
               {"<MIFFile 2019>", MIF_UTF8, false},
               {"<Book 7.0>\n", MIF_ROMAN, true}};
  for (const auto& c : cases) {
    MifTree t = MustParse(c.text);
    EXPECT_EQ(c.encoding, t.encoding) << c.text;
    EXPECT_EQ(c.book, t.is_book) << c.text;
  }
}

TEST(MifParse, StatementsValuesAndChildren) {
  MifTree t = MustParse(
      "<MIFFile 9.00>\n"
      "<Pgf \n"
      " <PgfTag `Body'> # trailing\n"
      " <PgfFont <FSize  12.0 pt> <FPairKern Yes>>\n"
      " # a comment line\n"
      " <TabStops <TSX 1.5\"> >\n"
      ">\n"
      "<XRefDef `\\Q<$paratext\\>\\q # not a comment\\x11 <$pagenum\\>'>\n");
  ASSERT_EQ(3u, t.root.children.size());
  std::string xref;
  ASSERT_TRUE(MifGetString(t.root.children[2], t.encoding, &xref));
  EXPECT_EQ("`<$paratext>' # not a comment\x11<$pagenum>", xref);
  const MifNode& pgf = t.root.children[1];
  EXPECT_EQ("Pgf", pgf.name);
  EXPECT_EQ(2, pgf.line);
  ASSERT_EQ(4u, pgf.children.size());
  EXPECT_EQ(MIF_COMMENT, pgf.children[2].kind);
  EXPECT_EQ("# a comment line", pgf.children[2].text());
  EXPECT_EQ(" # trailing", pgf.children[0].trail());
  EXPECT_EQ(3, pgf.children[0].line);
  const MifNode* size = MifFindPath(pgf, "PgfFont/FSize");
  ASSERT_NE(nullptr, size);
  ASSERT_EQ(2u, size->values.size());
  EXPECT_EQ("12.0", size->values[0].text);
  EXPECT_EQ("  ", size->values[0].space);
  EXPECT_EQ("pt", size->values[1].text);
  EXPECT_EQ(nullptr, MifFindPath(pgf, "PgfFont/Nothing"));
  EXPECT_EQ(nullptr, MifFindPath(pgf, "Nothing/FSize"));
}

TEST(MifStrings, RomanEscapesSwallowOneSpace) {
  EXPECT_EQ("\xA5\t", Decode("`\\xa5 \\t'", MIF_ROMAN));
  EXPECT_EQ(
      "\x81"
      "e\x81"
      "g",
      Decode("`\\x81 e\\x81 g'", MIF_ROMAN));
  EXPECT_EQ("\x83\x83\x83", Decode("`\\x83 \\x83 \\x83 '", MIF_ROMAN));
  // Only one space belongs to the escape; a second one is text.
  EXPECT_EQ("\xE0  x", Decode("`\\xe0   x'", MIF_ROMAN));
  EXPECT_EQ("\x7F", Decode("`\\x7f'", MIF_ROMAN)) << "the space may be missing at the end";
  EXPECT_EQ("\\]", Decode("`\\\\]'", MIF_ROMAN));
  EXPECT_EQ("", Decode("`'", MIF_ROMAN));
  EXPECT_EQ("\xC2\xB6", Decode("`\\u00B6'", MIF_UTF8));
  EXPECT_EQ("\xE2\x80\x9C", Decode("`\xE2\x80\x9C'", MIF_UTF8));
}

TEST(MifStrings, DecodeRejectsWhatTheEncodingCannotHold) {
  std::string out, why;
  EXPECT_FALSE(MifDecodeString("`\\xa5 '", MIF_UTF8, &out, &why));
  EXPECT_FALSE(MifDecodeString("`\\u00B6'", MIF_ROMAN, &out, &why));
  EXPECT_FALSE(MifDecodeString("`\\z'", MIF_ROMAN, &out, &why));
  EXPECT_NE(std::string::npos, why.find("\\z"));
  EXPECT_FALSE(MifDecodeString("`\\u12'", MIF_UTF8, &out, &why));
  EXPECT_FALSE(MifDecodeString("`\\uD800'", MIF_UTF8, &out, &why));
  EXPECT_FALSE(MifDecodeString("`abc", MIF_UTF8, &out, &why));
  EXPECT_FALSE(MifDecodeString("`ab\\'", MIF_UTF8, &out, &why));
}

TEST(MifStrings, EncodeIsTheInverseOfDecode) {
  std::string token;
  ASSERT_TRUE(MifEncodeString("a>b'c`d\\e\tf\x11g", MIF_UTF8, &token));
  EXPECT_EQ("`a\\>b\\qc\\Qd\\\\e\\tf\\x11 g'", token);
  ASSERT_TRUE(MifEncodeString("*\xA0\xE0", MIF_ROMAN, &token));
  EXPECT_EQ("`*\\xa0 \\xe0 '", token);
  ASSERT_TRUE(MifEncodeString("caf\xC3\xA9", MIF_UTF8, &token));
  EXPECT_EQ("`caf\xC3\xA9'", token);
  EXPECT_FALSE(MifEncodeString("caf\xE9", MIF_UTF8, &token)) << "not UTF-8";
  EXPECT_FALSE(MifEncodeString("\xED\xA0\x80", MIF_UTF8, &token)) << "a surrogate";

  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  ASSERT_TRUE(MifEncodeString(all, MIF_ROMAN, &token));
  EXPECT_EQ(all, Decode(token, MIF_ROMAN));
}

TEST(MifStrings, NamesInRomanComeBackExactlyAndStayApart) {
  auto roman = [](const std::string& utf8) {
    std::string out;
    EXPECT_TRUE(MifUtf8ToRomanName(utf8, &out)) << utf8;
    EXPECT_EQ(utf8, MifRomanNameToUtf8(out)) << out;
    return out;
  };
  EXPECT_EQ("Emphasis & caf\x8e", roman("Emphasis & caf\xC3\xA9"));
  EXPECT_EQ("C:\\doc\\&#x7B2C;.mif", roman("C:\\doc\\\xE7\xAC\xAC.mif"));
  EXPECT_EQ("&#x416;&#x1F600;", roman("\xD0\x96\xF0\x9F\x98\x80"));
  // Text that reads as an escape is escaped in turn, so it names no other.
  EXPECT_EQ("&#x26;#x416;\x8e", roman("&#x416;\xC3\xA9"));
  EXPECT_EQ("&#x26;#x416;&#x416;", roman("&#x416;\xD0\x96"));
  EXPECT_NE(roman("\xD0\x96"), roman("&#x416;"));
  std::string out;
  EXPECT_FALSE(MifUtf8ToRomanName("caf\xE9", &out));
}

TEST(MifStrings, DevicePaths) {
  std::vector<MifPathPart> parts;
  ASSERT_TRUE(MifSplitPath("<h>host<c>dir<c>file.fm", &parts));
  ASSERT_EQ(3u, parts.size());
  EXPECT_EQ('h', parts[0].code);
  EXPECT_EQ("file.fm", parts[2].name);
  EXPECT_FALSE(MifSplitPath("file.fm", &parts));
  EXPECT_FALSE(MifSplitPath("<z>x", &parts));
}

TEST(MifValues, NumbersUnitsAndWords) {
  MifTree t = MustParse(
      "<MIFFile 9.00>\n<Units Upica>\n"
      "<PageSize 8.5\" 11.0\">\n<FSize 12.0 pt>\n<Indent 1>\n<Margin 2.54 cm>\n"
      "<Cicero 1 cc 12.0 dd>\n<Spread 50.0%>\n<Count -42>\n<Flag No>\n<Tag `x'>\n"
      "<Bad 1.0 furlong>\n<Big 99999999999>\n");
  EXPECT_EQ(MIF_PC, MifDefaultUnit(t));
  std::vector<int32_t> m;
  ASSERT_TRUE(MifGetMetrics(*MifFind(t.root, "PageSize"), MIF_PT, &m));
  EXPECT_EQ((std::vector<int32_t>{612 * 65536, 792 * 65536}), m);
  ASSERT_TRUE(MifGetMetrics(*MifFind(t.root, "Cicero"), MIF_PT, &m));
  ASSERT_EQ(2u, m.size()) << "a unit word is not a value of its own";
  EXPECT_EQ(m[0], m[1]);
  int32_t v;
  ASSERT_TRUE(MifChildMetric(t.root, "FSize", MIF_IN, &v));
  EXPECT_EQ(12 * 65536, v);
  ASSERT_TRUE(MifChildMetric(t.root, "Indent", MifDefaultUnit(t), &v));
  EXPECT_EQ(12 * 65536, v) << "a bare number takes the file's unit";
  ASSERT_TRUE(MifChildMetric(t.root, "Margin", MIF_PT, &v));
  EXPECT_EQ(72 * 65536, v);
  EXPECT_FALSE(MifChildMetric(t.root, "Bad", MIF_PT, &v));
  EXPECT_FALSE(MifChildMetric(t.root, "Tag", MIF_PT, &v));
  double d;
  ASSERT_TRUE(MifGetNumber(*MifFind(t.root, "Spread"), 0, &d));
  EXPECT_DOUBLE_EQ(50.0, d);
  ASSERT_TRUE(MifChildInt(t.root, "Count", &v));
  EXPECT_EQ(-42, v);
  EXPECT_FALSE(MifChildInt(t.root, "Big", &v)) << "out of range";
  EXPECT_FALSE(MifChildInt(t.root, "FSize", &v));
  bool yes = true;
  ASSERT_TRUE(MifChildBool(t.root, "Flag", &yes));
  EXPECT_FALSE(yes);
  std::string w;
  EXPECT_FALSE(MifChildWord(t.root, "Tag", &w)) << "a string is not a word";
  EXPECT_FALSE(MifChildString(t.root, "Flag", t.encoding, &w)) << "a word is not a string";
}

TEST(MifValues, SetMetricReadsBackExactly) {
  MifNode n = MifMakeStatement("X");
  const MifUnit units[] = {MIF_PT, MIF_IN, MIF_MM, MIF_CM, MIF_PC, MIF_DD, MIF_CC};
  const int32_t values[] = {0, 1, -1, 12 * 65536, 2147483647, -2147483647, 786432 + 3};
  for (MifUnit u : units) {
    for (int32_t value : values) {
      MifSetMetric(&n, value, u);
      int32_t back = 0;
      ASSERT_TRUE(MifGetMetric(n, MIF_PT, &back)) << MifWriteNode(n);
      EXPECT_EQ(value, back) << MifWriteNode(n);
    }
  }
  MifSetMetric(&n, 12 * 65536, MIF_PT);
  EXPECT_EQ("<X 12.0 pt>", MifWriteNode(n));
  MifSetMetric(&n, 108 * 65536, MIF_IN);
  EXPECT_EQ("<X 1.5\">", MifWriteNode(n));
}

struct BadCase {
  const char* text;
  int32_t line;
  const char* words;  // part of the message
};

TEST(MifErrors, BadInputNamesFileAndLine) {
  const BadCase cases[] = {
      {"", 0, "empty"},
      {"hello world\n", 1, "not a MIF file"},
      {"\n\n<Document <X 1>>", 3, "not a MIF file"},
      {"\x89PNG\r\n\x1a\n", 1, "not a MIF file"},
      {"<MIFFileX 9.00>", 1, "not a MIF file"},
      {"<MIFFile banana>", 1, "unknown MIF version"},
      {"<MIFFile 0.5>", 1, "unknown MIF version"},
      {"<MIFFile 99.0>", 1, "unknown MIF version"},
      {"<MIFFile 9.00>\n<Pgf\n <PgfTag `Body'>\n", 3, "<Pgf> opened at line 2"},
      {"<MIFFile 9.00>\n<A <B <C 1>\n>\n", 3, "<A> opened at line 2"},
      {"<MIFFile 9.00>\n<A 1>\n>\n", 3, "'>' with no statement open"},
      {"<MIFFile 9.00>\n<A 1>>\n", 2, "'>' with no statement open"},
      {"<MIFFile 9.00>\n\n<String `abc\n", 3, "not closed"},
      {"<MIFFile 9.00>\n<String `abc", 2, "not closed"},
      // A string never closed runs into the next statement, not on to its quote.
      {"<MIFFile 9.00>\n<A <B `x\n <C `y'>\n>\n", 2, "not closed before the end of the line"},
      {"<MIFFile 9.00>\n<A <B `x\n>\n<C 1>\n", 2, "not closed before the end of the line"},
      {"<MIFFile 9.00>\n<String `a\\zb'>\n", 2, "invalid escape \\z"},
      {"<MIFFile 9.00>\n<String `a\\x'>\n", 2, "hex digits"},
      {"<MIFFile 9.00>\n<String `a\\u12'>\n", 2, "four hex digits"},
      {"<MIFFile 9.00>\n<String `caf\xE9'>\n", 2, "UTF-8"},
      {"<MIFFile 9.00>\n< Pgf>\n", 2, "statement name"},
      {"<MIFFile 9.00>\n<1abc>\n", 2, "invalid statement name"},
      {"<MIFFile 9.00>\n<Pg$f 1>\n", 2, "invalid statement name"},
      {"<MIFFile 9.00>\n<Tbl'>\n", 2, "invalid statement name"},
      {"<MIFFile 9.00>\n<", 2, "ends after '<'"},
      {"<MIFFile 9.00>\n<A\n=GIF\n&00\n", 3, "=EndInset"},
      {"<MIFFile 9.00>\ndefine(X, <A 1>\n", 2, "macro"},
  };
  for (const BadCase& c : cases) {
    MifError e = ParseError(c.text);
    EXPECT_EQ(c.line, e.line) << c.text << " -> " << MifErrorText(e);
    EXPECT_NE(std::string::npos, e.message.find(c.words)) << c.text << " -> " << MifErrorText(e);
    if (c.line > 0) {
      EXPECT_EQ(0u, MifErrorText(e).find("bad.mif:" + std::to_string(c.line) + ": "));
    }
  }
}

// A structured document as the host lays it out, one space a level: a
// catalog of element definitions (each with rules nested four deep), one of
// whose '>' strays a level as the host's sometimes do, and a catalog after
// it. Each line of the text is one entry of the result.
std::vector<std::string> ElementCatalog(int definitions) {
  std::vector<std::string> lines = {"<MIFFile 2019> # Generated", "<Units Uin>",
                                    "<ElementDefCatalog "};
  for (int d = 0; d < definitions; ++d) {
    std::string tag = "Section" + std::to_string(d);
    for (const char* line : {" <ElementDef ", "  <ETag `TAG'>", "  <EGeneralRule `Title,Para*'>",
                             "  <ETextFormatRules ", "   <EFormatRule ", "    <FmtRuleClause ",
                             "     <If `<PARENT> TAG'>", "     <FmtRuleClauseTag `Heading1'>",
                             "    > # end of FmtRuleClause", "   > # end of EFormatRule",
                             "  > # end of ETextFormatRules", " > # end of ElementDef"}) {
      std::string text = line;
      size_t at = text.find("TAG");
      if (at != std::string::npos) text.replace(at, 3, tag);
      lines.push_back(text);
    }
    if (d == 1) lines.back() = "> # end of ElementDef";
  }
  for (const char* line :
       {"> # end of ElementDefCatalog", "<PgfCatalog ", " <Pgf ", "  <PgfTag `Body'>",
        " > # end of Pgf", "> # end of PgfCatalog", "# End of MIFFile"}) {
    lines.push_back(line);
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// The host's one-space indentation shows which statement lacks its '>', far
// from the outer statement the file ends inside.
TEST(MifErrors, AnUnclosedStatementIsNamedByItsIndentation) {
  const std::vector<std::string> whole = ElementCatalog(60);
  MustParse(Joined(whole));
  const std::string outer = "file ends inside <ElementDefCatalog> opened at line 3 (missing '>'";
  // Line numbers are 1-based: whole[i] is line i + 1.
  size_t inner = 3 + 40 * 12 + 6;  // the <If> of the 41st definition
  ASSERT_EQ(0u, whole[inner].find("     <If `"));
  std::vector<std::string> lines = whole;
  lines[inner].pop_back();
  EXPECT_EQ(outer + ", probably that of <If> at line " + std::to_string(inner + 1) + ")",
            ParseError(Joined(lines)).message);

  // A statement of several lines without its own '>' line; the last one of
  // the catalog, which nothing follows but the catalog's '>'.
  for (size_t def : {size_t{20}, size_t{59}}) {
    size_t open = 3 + def * 12;
    ASSERT_EQ(" <ElementDef ", whole[open]);
    lines = whole;
    lines.erase(lines.begin() + static_cast<long>(open + 11));
    EXPECT_EQ(outer + ", probably that of <ElementDef> at line " + std::to_string(open + 1) + ")",
              ParseError(Joined(lines)).message);
  }

  // What the indentation cannot show is not guessed: a file cut short, a
  // top-level statement without its '>'.
  lines.assign(whole.begin(), whole.begin() + 3 + 30 * 12 + 8);
  EXPECT_EQ("file ends inside <FmtRuleClause> opened at line " + std::to_string(3 + 30 * 12 + 6) +
                " (missing '>')",
            ParseError(Joined(lines)).message);
  lines = whole;
  lines.erase(lines.begin() + 3 + 60 * 12);
  EXPECT_EQ(outer + ")", ParseError(Joined(lines)).message);
}

// The same on what the host saved: one-line statements lose their '>', one
// at a time, and the file is cut short after their lines.
TEST(MifErrors, UnclosedStatementsOfRealDocuments) {
  size_t tried = 0;
  size_t named = 0;
  std::string dir = testsupport::SourceRoot() + "/tests/data/mif/real/";
  for (const char* name : {"tika-utf8-2019.mif", "visit-intro.mif", "visit-plugin-frames.mif",
                           "ieee-802-11n-equation.mif"}) {
    std::ifstream in(dir + name, std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(whole.empty()) << name;
    int32_t line = 1;
    for (size_t at = 0, eol; at < whole.size(); at = eol + 1, ++line) {
      eol = whole.find('\n', at);
      if (eol == std::string::npos) break;
      // Every few lines, to keep the test short.
      if (line % 5 != 0) continue;
      MifTree tree;
      MifError cut;
      MifParse(whole.substr(0, eol + 1), "cut.mif", &tree, &cut);
      EXPECT_EQ(std::string::npos, cut.message.find("probably"))
          << name << ":" << line << ": " << cut.message;
      std::string text = whole.substr(at, eol - at);
      while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
      size_t start = text.find_first_not_of(' ');
      bool oneLine = start != std::string::npos && start > 0 && text[start] == '<' &&
                     text.back() == '>' && std::count(text.begin(), text.end(), '<') == 1 &&
                     std::count(text.begin(), text.end(), '>') == 1;
      if (!oneLine) continue;
      std::string edited = whole;
      edited.erase(at + text.size() - 1, 1);
      std::string statement = text.substr(start, text.find_first_of(" >", start) - start) + ">";
      std::string where = " at line " + std::to_string(line);
      MifError e = ParseError(edited);
      ++tried;
      named += e.message.find("that of " + statement + where + ")") != std::string::npos ||
               e.message.find("inside " + statement + " opened" + where) != std::string::npos;
    }
  }
  // The host's own indentation strays in a few places, where a guess may
  // miss; nearly everywhere it names the statement.
  EXPECT_GT(tried, 200u);
  EXPECT_GE(named * 100, tried * 98) << named << " of " << tried;
}

TEST(MifErrors, NulBytesAndWideText) {
  MifError e = ParseError(std::string("\xFF\xFE<\0M\0I\0", 8));
  EXPECT_NE(std::string::npos, e.message.find("UTF-16"));

  // Padding at the end is fine, anything after it is not.
  std::string ok = std::string("<MIFFile 9.00>\n<A 1>\n") + std::string(3, '\0') + "\n";
  MifTree t = MustParse(ok);
  std::string bad = std::string("<MIFFile 9.00>\n<A 1>\n", 21) + std::string(2, '\0') + "<B 2>";
  e = ParseError(bad);
  EXPECT_EQ(3, e.line);
  // An unclosed statement before the padding is the fault, named where it opened.
  for (const char* open : {"<A <B 1>\n", "<A 1 ", "<A\n <B 1>\n <C `x"}) {
    e = ParseError(std::string("<MIFFile 9.00>\n") + open + std::string(3, '\0'));
    EXPECT_NE(std::string::npos, e.message.find("opened at line 2") + e.message.find("not closed"))
        << open << ": " << MifErrorText(e);
    EXPECT_EQ(std::string::npos, e.message.find("NUL")) << open << ": " << MifErrorText(e);
  }
  for (const char* inner : {"<A 1 ", "<A `x", "<A <B 1>"}) {
    e = ParseError(std::string("<MIFFile 9.00>\n") + inner + std::string(1, '\0') + ">");
    EXPECT_NE(std::string::npos, e.message.find("NUL")) << inner << ": " << MifErrorText(e);
    EXPECT_EQ(2, e.line);
  }
}

TEST(MifErrors, LimitsStopHostileInput) {
  std::string deep = "<MIFFile 9.00>\n";
  for (int i = 0; i < 100000; ++i) deep += "<A ";
  MifError e = ParseError(deep);
  EXPECT_NE(std::string::npos, e.message.find("nested deeper")) << MifErrorText(e);

  MifLimits small;
  small.max_nodes = 10;
  std::string many = "<MIFFile 9.00>\n";
  for (int i = 0; i < 20; ++i) many += "<A 1>\n";
  e = ParseError(many, &small);
  EXPECT_NE(std::string::npos, e.message.find("too many")) << MifErrorText(e);

  small = MifLimits();
  small.max_bytes = 16;
  e = ParseError("<MIFFile 9.00>\n<A 1>\n", &small);
  EXPECT_NE(std::string::npos, e.message.find("larger")) << MifErrorText(e);
}

TEST(MifErrors, MissingFile) {
  MifTree t;
  MifError e;
  EXPECT_FALSE(MifReadFile("/nonexistent/x.mif", &t, &e));
  EXPECT_EQ("/nonexistent/x.mif: cannot open the file for reading", MifErrorText(e));
  EXPECT_FALSE(MifWriteFile("/nonexistent/x.mif", t, &e));
}

TEST(MifErrors, FragmentsNeedNoHeader) {
  std::vector<MifNode> nodes;
  MifError e;
  ASSERT_TRUE(MifParseFragment("<Para <PgfTag `Body'>>\n<Para>", MIF_UTF8, "frag", &nodes, &e));
  ASSERT_EQ(2u, nodes.size());
  EXPECT_EQ("Para", nodes[1].name);
  EXPECT_FALSE(MifParseFragment("<Para <PgfTag `Body'>", MIF_UTF8, "frag", &nodes, &e));
  EXPECT_EQ("frag", e.file);
  EXPECT_EQ(1, e.line);
}

}  // namespace
