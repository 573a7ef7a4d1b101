#include "charfmt/output_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memhost/doc_builder.h"
#include "tests/host_test.h"
#include "tests/test_support.h"
#include "support/memory.h"

namespace {

using memhost::DocBuilder;
using Names = std::vector<std::string>;
using Lines = testsupport::FlowLines;

std::string Take(char* s) {
  std::string r = s != nullptr ? s : "<null>";
  MemRelease(s);
  return r;
}

class OutputDocumentTest : public HostTest {
 protected:
  void TearDown() override {
    for (StringList* l : lists) StringListDestroy(l);
    HostTest::TearDown();
  }

  // Every paragraph of the main flow, the closing empty one included.
  Lines Output(ObjHandle doc) { return testsupport::MainFlowLines(model, doc, false); }
  const StringList* List(const Names& names) {
    lists.push_back(StringListCreate(1, 1));
    for (const std::string& n : names) StringListAdd(lists.back(), n.c_str());
    return lists.back();
  }
  // The first paragraph's text of every cell, row by row.
  std::vector<Names> Cells(ObjHandle table) {
    std::vector<Names> rows;
    for (ObjHandle row : model.Find(table)->kids) {
      rows.emplace_back();
      for (ObjHandle c : model.Find(row)->kids)
        rows.back().push_back(model.Find(model.Find(c)->kids[0])->text);
    }
    return rows;
  }

  std::vector<StringList*> lists;
};

TEST_F(OutputDocumentTest, AnOutputFileInTheHostDirectoryIsUsedElseANewLetterPage) {
  mem.SetString(0, 0, PROP_HOST_DIR, "C:\\Host");
  ObjHandle fresh = OpenOutputDocument();
  ASSERT_NE(0u, fresh);
  EXPECT_EQ("", model.StringProp(fresh, PROP_NAME));
  EXPECT_EQ(0x2400000, model.IntProp(fresh, memhost::MEM_PROP_PAGE_WIDTH));
  EXPECT_EQ(0x3180000, model.IntProp(fresh, memhost::MEM_PROP_PAGE_HEIGHT));
  EXPECT_EQ((std::vector<int32_t>(4, 0x480000)),
            model.Prop(fresh, memhost::MEM_PROP_MARGINS)->list());
  EXPECT_NE(fresh, OpenOutputDocument());
  EXPECT_TRUE(model.files.empty());  // nothing is saved

  DocBuilder saved(model, "C:\\drafts\\old.fm");
  saved.Para("Kept");
  saved.SaveAndClose("C:\\Host\\VxOutput.fm");
  for (const char* dir : {"C:\\Host", "C:\\Host\\"}) {
    mem.SetString(0, 0, PROP_HOST_DIR, dir);
    ObjHandle out = OpenOutputDocument();
    ASSERT_NE(0u, out);
    EXPECT_EQ("C:\\Host\\VxOutput.fm", model.StringProp(out, PROP_NAME)) << dir;
    EXPECT_EQ("Kept", Output(out)[0].text);
    model.DestroyDocument(out);
  }
}

TEST_F(OutputDocumentTest, ParagraphsGoDownwardAboveAnyTextOfTheLastOne) {
  ObjHandle out = OpenOutputDocument();
  AppendOutputParagraph(out, "ch1.fm", "Heading1");
  AppendOutputParagraph(out, "", "Heading2");
  AppendOutputParagraph(out, "No such format", "Heading9");
  EXPECT_EQ(
      (Lines{{"ch1.fm", "Heading1"}, {"", "Heading2"}, {"No such format", "Body"}, {"", "Body"}}),
      Output(out));

  DocBuilder file(model, "C:\\out.fm");
  file.Para("Earlier");
  model.SetStringProp(file.Para("Tail"), memhost::MEM_PROP_PGF_TAG, "Footer");
  AppendOutputParagraph(file.doc, "Title", "Heading1");
  AppendOutputParagraph(file.doc, "Bold", "Body");
  EXPECT_EQ(
      (Lines{{"Earlier", "Body"}, {"Title", "Heading1"}, {"Bold", "Body"}, {"Tail", "Footer"}}),
      Output(file.doc));
}

TEST_F(OutputDocumentTest, ALockedParagraphKeepsItsFormat) {
  DocBuilder doc(model, "C:\\a.fm");
  model.SetIntProp(doc.firstPgf, PROP_PGF_LOCKED, 1);
  ApplyParagraphFormat(doc.doc, doc.firstPgf, "Heading2");
  EXPECT_EQ("Body", model.StringProp(doc.firstPgf, memhost::MEM_PROP_PGF_TAG));
  model.SetIntProp(doc.firstPgf, PROP_PGF_LOCKED, 0);
  ApplyParagraphFormat(doc.doc, doc.firstPgf, "Heading2");
  EXPECT_EQ("Heading2", model.StringProp(doc.firstPgf, memhost::MEM_PROP_PGF_TAG));
  EXPECT_EQ(14 << 16, model.IntProp(doc.firstPgf, PROP_FONT_SIZE));
}

TEST_F(OutputDocumentTest, TagTablesTakeHeadingsAndNamesRowByRow) {
  ObjHandle out = OpenOutputDocument();
  AppendOutputParagraph(out, "Above", "Body");
  const char* keep[] = {"Tags to Keep"};
  const StringList* names[] = {List({"Bold", "code"}), List({"Idle"})};
  ObjHandle table = BuildTagTable(out, 1, 3, keep, names, 2);
  ASSERT_NE(0u, table);
  EXPECT_EQ((std::vector<Names>{{"Tags to Keep"}, {"Bold"}, {"code"}, {"Idle"}}), Cells(table));
  EXPECT_EQ("Format A", model.StringProp(table, memhost::MEM_PROP_TBL_TAG));
  ASSERT_NE(nullptr, model.Prop(table, PROP_TBL_SETUP_1289)) << "set on every new table";
  EXPECT_EQ(0, model.IntProp(table, PROP_TBL_SETUP_1289));
  EXPECT_EQ(std::vector<int32_t>{0x900000}, model.Prop(table, PROP_TBL_COL_WIDTHS)->list());
  ObjHandle anchor = static_cast<ObjHandle>(model.IntProp(table, memhost::MEM_PROP_ANCHOR_PGF));
  EXPECT_EQ("Above", memhost::VisibleText(model.Find(anchor)->text));

  // Two columns, the second left empty; names beyond the rows are dropped.
  const char* conversion[] = {"Source Tag", "Destination Tag"};
  table = BuildTagTable(out, 2, 2, conversion, names, 2);
  EXPECT_EQ((std::vector<Names>{{"Source Tag", "Destination Tag"}, {"Bold", ""}, {"code", ""}}),
            Cells(table));
  EXPECT_EQ((std::vector<int32_t>{0x900000, 0x900000}),
            model.Prop(table, PROP_TBL_COL_WIDTHS)->list());

  DocBuilder noSelection(model, "C:\\b.fm");
  EXPECT_EQ(0u, BuildTagTable(noSelection.doc, 1, 10, keep, nullptr, 0));
  EXPECT_TRUE(model.Chain(noSelection.doc, PROP_FIRST_TBL_IN_DOC).empty());
}

TEST_F(OutputDocumentTest, TitlesAndParagraphTexts) {
  DocBuilder named(model, "C:\\Docs\\Manual\\ch1.fm");
  DocBuilder untitled(model, "");
  EXPECT_EQ("ch1.fm", Take(DocumentTitle(named.doc)));
  EXPECT_EQ("Untitled", Take(DocumentTitle(untitled.doc)));
  memhost::BookBuilder book(model, "C:\\Books\\manual.book");
  EXPECT_EQ("manual.book", Take(BookTitle(book.book)));
  model.SetStringProp(book.book, PROP_NAME, "");
  EXPECT_EQ("<null>", Take(BookTitle(book.book)));

  ObjHandle p =
      named.Para({memhost::Run("Tags "), memhost::Run("to", "Emphasis"), memhost::Run(" Keep")});
  model.AddMarker(p, 2, memhost::ITEM_TABLE_ANCHOR, 0);
  EXPECT_EQ("Tags to Keep", Take(ParagraphText(named.doc, p)));
  EXPECT_EQ("<null>", Take(ParagraphText(named.doc, named.Para(""))));

  char ab[] = "ab";
  char c[] = "c";
  TextItem items[] = {{0, ITEM_PGF_END, {nullptr}}, {0, ITEM_STRING, {ab}}, {2, ITEM_STRING, {c}}};
  TextItems all{3, items};
  TextItems noStrings{1, items};
  EXPECT_EQ("abc", Take(JoinStringItems(&all)));
  EXPECT_EQ("<null>", Take(JoinStringItems(&noStrings)));
}

}  // namespace
