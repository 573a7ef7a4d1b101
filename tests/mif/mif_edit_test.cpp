// Queries and in-place changes, and the layout the writer gives new statements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mif/mif_tree.h"
#include "tests/test_support.h"

namespace {

using testsupport::MustParse;

const char kCatalog[] =
    "<MIFFile 9.00>\n"
    "<FontCatalog \n"
    " <Font \n"
    "  <FTag `Emphasis'>\n"
    "  <FAngle `Italic'>\n"
    " > # end of Font\n"
    " <Font \n"
    "  <FTag `Code'>\n"
    " > # end of Font\n"
    "> # end of FontCatalog\n"
    "<TextFlow \n"
    " <Para \n"
    "  <ParaLine \n"
    "   <Font <FTag `Code'>>\n"
    "   <String `x'>\n"
    "  >\n"
    " >\n"
    ">\n";

TEST(MifEdit, InsertFollowsTheNeighboursLayout) {
  MifTree t = MustParse(kCatalog);
  MifNode* cat = MifFind(&t.root, "FontCatalog");
  MifNode font = MifMakeStatement("Font");
  MifNode ftag = MifMakeStatement("FTag");
  ASSERT_TRUE(MifSetString(&ftag, "Bold 'n` >", t.encoding));
  font.children.push_back(ftag);
  MifNode* added = MifInsert(cat, 1, font);
  ASSERT_NE(nullptr, added);
  EXPECT_EQ(1, MifIndexOf(*cat, added));
  EXPECT_EQ(3u, MifFindAll(*cat, "Font").size());
  std::vector<const MifNode*> tags = MifFindDeep(t.root, "FTag");
  ASSERT_EQ(4u, tags.size()) << "in file order, nested ones included";
  EXPECT_EQ(14, tags[3]->line);
  EXPECT_EQ("\n <Font\n  <FTag `Bold \\qn\\Q \\>'>\n >", MifWriteNode(*added));

  // The rest of the file is untouched.
  std::string out = MifWrite(t);
  std::string expected = kCatalog;
  expected.insert(expected.find(" <Font \n  <FTag `Code'>"),
                  " <Font\n  <FTag `Bold \\qn\\Q \\>'>\n >\n");
  EXPECT_EQ(expected, out);

  MifTree back = MustParse(out);
  std::string where;
  EXPECT_TRUE(MifSameStatements(t.root, back.root, &where)) << where;
}

TEST(MifEdit, AppendingToAnEmptyStatementOpensIt) {
  MifTree t = MustParse("<MIFFile 9.00>\r\n<VariableFormats>\r\n");
  MifNode* vf = MifFind(&t.root, "VariableFormats");
  MifNode def = MifMakeStatement("VariableFormat");
  MifAppend(&def, MifMakeStatement("VariableName"));
  MifSetChildString(&def, "VariableName", "Chapter", t.encoding);
  MifSetChildString(&def, "VariableDef", "<$chapnum>", t.encoding);
  MifAppend(vf, def);
  EXPECT_EQ(
      "<MIFFile 9.00>\r\n<VariableFormats\r\n <VariableFormat\r\n  <VariableName `Chapter'>\r\n"
      "  <VariableDef `<$chapnum\\>'>\r\n >\r\n>\r\n",
      MifWrite(t));
  MifNode top = MifMakeStatement("Units");
  MifSetWord(&top, "Uin");
  MifAppend(&t.root, top);
  EXPECT_EQ(MIF_IN, MifDefaultUnit(t));
  std::string out = MifWrite(t);
  EXPECT_EQ(out.size() - 15, out.find("\r\n<Units Uin>")) << out;
}

TEST(MifEdit, ReplaceAndRemoveKeepTheirNeighbours) {
  MifTree t = MustParse(kCatalog);
  MifNode* cat = MifFind(&t.root, "FontCatalog");
  MifNode code = cat->children[1];
  MifSetChildString(&code, "FTag", "Mono", t.encoding);
  code.lead.clear();
  code.set_trail({});
  MifNode* put = MifReplace(cat, 1, code);
  ASSERT_NE(nullptr, put);
  EXPECT_EQ(" # end of Font", put->trail()) << "the replaced node's comment stays";
  EXPECT_EQ(nullptr, MifReplace(cat, 9, code));

  ASSERT_TRUE(MifRemove(cat, 0));
  EXPECT_FALSE(MifRemove(cat, 5));
  std::string expected = kCatalog;
  size_t from = expected.find("\n <Font \n  <FTag `Emphasis'>");
  size_t to = expected.find("\n <Font \n  <FTag `Code'>");
  expected.erase(from, to - from);
  expected.replace(expected.find("`Code'"), 6, "`Mono'");
  EXPECT_EQ(expected, MifWrite(t));
}

TEST(MifEdit, RemoveIfLeavesWhatRemovingOneByOneLeaves) {
  const char text[] = "<MIFFile 9.00>\n<P <A 1> \n <B 2>\t\n <C 3>\n <D 4> <E 5>   \n <F 6>  \n>\n";
  for (const std::string drop : {"ABF", "BD", "F", "ACE", ""}) {
    MifTree one = MustParse(text);
    MifTree all = MustParse(text);
    MifNode* p = MifFind(&one.root, "P");
    for (size_t i = p->children.size(); i-- > 0;) {
      if (drop.find(p->children[i].name) != std::string::npos) MifRemove(p, i);
    }
    size_t removed = MifRemoveIf(MifFind(&all.root, "P"), [&](const MifNode& n) {
      return drop.find(n.name) != std::string::npos;
    });
    EXPECT_EQ(drop.size(), removed);
    EXPECT_EQ(MifWrite(one), MifWrite(all)) << "dropping " << drop;
  }
}

TEST(MifEdit, SettersKeepTheFirstSeparator) {
  MifTree t = MustParse("<MIFFile 9.00>\n<FSize  12.0 pt>\n<Count\t7>\n");
  MifNode* size = MifFind(&t.root, "FSize");
  MifSetMetric(size, 9 * 65536, MIF_PT);
  MifNode* count = MifFind(&t.root, "Count");
  MifSetInt(count, -3);
  EXPECT_EQ("<MIFFile 9.00>\n<FSize  9.0 pt>\n<Count\t-3>\n", MifWrite(t));
  EXPECT_FALSE(MifSetString(count, "\xFF", MIF_UTF8));
  EXPECT_EQ("-3", count->values[0].text) << "a failed set changes nothing";
}

TEST(MifEdit, WriterKeepsBuiltTreesParseable) {
  // Trees built by hand may put a statement right after a comment or glue
  // words together; the writer must still produce the same statements.
  MifTree tree;
  MifNode& root = tree.root;
  MifNode header = MifMakeStatement("MIFFile");
  MifSetWord(&header, "9.00");
  root.children.push_back(header);
  MifNode c;
  c.kind = MIF_COMMENT;
  c.set_text("# built");
  root.children.push_back(c);
  MifNode a = MifMakeStatement("A");
  a.values.push_back(MifValue{"", "1"});
  a.values.push_back(MifValue{"", "2"});
  a.values.push_back(MifValue{"", "`s'"});
  a.values.push_back(MifValue{"", "3"});
  a.set_trail(" # end of A");
  root.children.push_back(a);
  MifNode inset;
  inset.kind = MIF_DATA;
  inset.set_text("=TIFF\n&00\n=EndInset");
  root.children.push_back(inset);
  root.children.push_back(MifMakeStatement("B"));
  std::string text = MifWrite(tree);
  MifTree back;
  MifError e;
  ASSERT_TRUE(MifParse(text, "built", &back, &e)) << MifErrorText(e);
  std::string where;
  EXPECT_TRUE(MifSameStatements(root, back.root, &where)) << where << "\n" << text;
  ASSERT_EQ(5u, back.root.children.size()) << text;
  EXPECT_EQ(MIF_DATA, back.root.children[3].kind);
}

TEST(MifEdit, SameStatementsSeesRealDifferences) {
  MifTree a = MustParse("<MIFFile 9.00>\n<A 1 <B `x'>>\n");
  MifTree b = MustParse("<MIFFile 9.00>   # other layout\n<A   1\n <B `x'>\n # note\n>");
  std::string where;
  EXPECT_TRUE(MifSameStatements(a.root, b.root, &where)) << where;
  for (const char* other : {"<MIFFile 9.00>\n<A 1 <B `y'>>", "<MIFFile 9.00>\n<A 1 <B `x'> <C>>",
                            "<MIFFile 9.00>\n<A 1 2 <B `x'>>", "<MIFFile 9.00>\n<A 1 <D `x'>>"})
    EXPECT_FALSE(MifSameStatements(a.root, MustParse(other).root, &where)) << other;
}

}  // namespace
