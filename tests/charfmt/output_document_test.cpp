#include "charfmt/output_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/host_lists.h"
#include "memhost/doc_builder.h"
#include "support/memory.h"

namespace {

using memhost::DocBuilder;
using memhost::MemHost;
using TextRun = memhost::Run;
using Names = std::vector<std::string>;

struct Line {
  std::string text;
  std::string format;
  bool operator==(const Line& o) const { return text == o.text && format == o.format; }
};

std::ostream& operator<<(std::ostream& os, const Line& l) {
  return os << '"' << l.text << "\" (" << l.format << ')';
}

const char kHostDir[] = "C:\\Program Files\\Host";
const char kOutputPath[] = "C:\\Program Files\\Host\\VxOutput.fm";

std::string Take(char* s) {
  std::string r = s != nullptr ? s : "<null>";
  MemRelease(s);
  return r;
}

class OutputDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HostErrno = 0;
    HostInstall(&host);
  }
  void TearDown() override {
    for (StringList* l : lists) StringListDestroy(l);
    HostInstall(nullptr);
  }

  void SetHostDir(const std::string& dir) {
    host.MemHost::SetString(0, 0, PROP_HOST_DIR, dir.c_str());
  }

  // Every paragraph of the main flow, the closing empty one included.
  std::vector<Line> Lines(ObjHandle doc) {
    std::vector<Line> out;
    ObjHandle flow = static_cast<ObjHandle>(host.IntProp(doc, PROP_MAIN_FLOW_IN_DOC));
    for (ObjHandle frame : host.Find(flow)->kids) {
      for (ObjHandle p : host.Find(frame)->kids) {
        out.push_back({host.Find(p)->text, host.StringProp(p, memhost::MEM_PROP_PGF_TAG)});
      }
    }
    return out;
  }

  StringList* List(const Names& names) {
    StringList* l = StringListCreate(1, 1);
    for (const std::string& n : names) StringListAdd(l, n.c_str());
    lists.push_back(l);
    return l;
  }

  // Text of the first paragraph of each cell, row by row.
  std::vector<Names> Cells(ObjHandle table) {
    std::vector<Names> rows;
    for (ObjHandle row : host.Find(table)->kids) {
      Names r;
      for (ObjHandle cell : host.Find(row)->kids) r.push_back(host.Find(host.Find(cell)->kids[0])->text);
      rows.push_back(r);
    }
    return rows;
  }

  MemHost host;
  std::vector<StringList*> lists;
};

TEST_F(OutputDocumentTest, WithoutAnOutputFileANewLetterSizedDocumentIsMade) {
  SetHostDir(kHostDir);
  size_t open = host.openDocs.size();
  ObjHandle out = OpenOutputDocument();
  ASSERT_NE(0u, out);
  EXPECT_EQ(open + 1, host.openDocs.size());
  EXPECT_EQ("", host.StringProp(out, PROP_NAME));
  EXPECT_EQ(0x2400000, host.IntProp(out, memhost::MEM_PROP_PAGE_WIDTH));
  EXPECT_EQ(0x3180000, host.IntProp(out, memhost::MEM_PROP_PAGE_HEIGHT));
  EXPECT_EQ(1, host.IntProp(out, memhost::MEM_PROP_COLUMNS));
  EXPECT_EQ((std::vector<int32_t>{0x480000, 0x480000, 0x480000, 0x480000}),
            host.Prop(out, memhost::MEM_PROP_MARGINS)->list);
  EXPECT_TRUE(host.files.empty());  // nothing is saved

  // Every call makes another one.
  ObjHandle again = OpenOutputDocument();
  EXPECT_NE(out, again);
}

TEST_F(OutputDocumentTest, AnOutputFileInTheHostDirectoryIsOpenedWithItsContent) {
  for (const std::string& dir : {std::string(kHostDir), std::string(kHostDir) + "\\"}) {
    SetHostDir(dir);
    DocBuilder saved(host, "C:\\elsewhere\\draft.fm");
    saved.Para("Kept from before");
    saved.SaveAndClose(kOutputPath);
    ObjHandle out = OpenOutputDocument();
    ASSERT_NE(0u, out) << dir;
    EXPECT_EQ(kOutputPath, host.StringProp(out, PROP_NAME));
    EXPECT_EQ("Kept from before", Lines(out)[0].text);
    // An output document already open is the one written to again.
    EXPECT_EQ(out, OpenOutputDocument());
    host.DestroyDocument(out);
  }
}

TEST_F(OutputDocumentTest, AFileThatCannotBeOpenedGivesANewDocument) {
  SetHostDir(kHostDir);
  DocBuilder saved(host, "C:\\x.fm");
  saved.SaveAndClose(kOutputPath);
  host.SetFileFailures(kOutputPath, true, false);
  ObjHandle out = OpenOutputDocument();
  ASSERT_NE(0u, out);
  EXPECT_EQ("", host.StringProp(out, PROP_NAME));
}

TEST_F(OutputDocumentTest, ParagraphsGoDownwardInTheirFormatsEndingInAnEmptyOne) {
  ObjHandle out = OpenOutputDocument();
  AppendOutputParagraph(out, "ch1.fm", "Heading1");
  AppendOutputParagraph(out, "Character Tags Used:", "Heading2");
  AppendOutputParagraph(out, "Bold", "Body");
  AppendOutputParagraph(out, "", "Body");
  AppendOutputParagraph(out, "No such format", "Heading9");
  AppendOutputParagraph(out, "No format", nullptr);
  EXPECT_EQ((std::vector<Line>{{"ch1.fm", "Heading1"},
                               {"Character Tags Used:", "Heading2"},
                               {"Bold", "Body"},
                               {"", "Body"},
                               {"No such format", "Body"},
                               {"No format", "Body"},
                               {"", "Body"}}),
            Lines(out));
  // The insertion point was left at the start of the paragraph written last.
  TextRange sel = host.MemHost::GetTextRange(0, out, PROP_TEXT_SELECTION);
  EXPECT_EQ(0, sel.beg.offset);
  EXPECT_EQ("No format", host.Find(sel.beg.obj)->text);
}

TEST_F(OutputDocumentTest, TextInTheLastParagraphStaysBelowTheOutputInItsOwnFormat) {
  DocBuilder doc(host, "C:\\out.fm");
  doc.Para("Earlier");
  ObjHandle tail = doc.Para("Tail text");
  host.SetStringProp(tail, memhost::MEM_PROP_PGF_TAG, "Footer");
  AppendOutputParagraph(doc.doc, "Title", "Heading1");
  AppendOutputParagraph(doc.doc, "Bold", "Body");
  EXPECT_EQ((std::vector<Line>{{"Earlier", "Body"},
                               {"Title", "Heading1"},
                               {"Bold", "Body"},
                               {"Tail text", "Footer"}}),
            Lines(doc.doc));
}

TEST_F(OutputDocumentTest, ALockedParagraphKeepsItsFormat) {
  ObjHandle out = OpenOutputDocument();
  ObjHandle last = host.Find(host.Find(static_cast<ObjHandle>(host.IntProp(out, PROP_MAIN_FLOW_IN_DOC)))->kids[0])->kids[0];
  host.SetIntProp(last, PROP_PGF_LOCKED, 1);
  AppendOutputParagraph(out, "Locked", "Heading1");
  EXPECT_EQ((Line{"Locked", "Body"}), Lines(out)[0]);

  ApplyParagraphFormat(out, last, "Heading2");
  EXPECT_EQ("Body", host.StringProp(last, memhost::MEM_PROP_PGF_TAG));
  host.SetIntProp(last, PROP_PGF_LOCKED, 0);
  ApplyParagraphFormat(out, last, "Heading2");
  EXPECT_EQ("Heading2", host.StringProp(last, memhost::MEM_PROP_PGF_TAG));
  EXPECT_EQ(14 << 16, host.IntProp(last, PROP_FONT_SIZE));
}

TEST_F(OutputDocumentTest, UsedAndUnusedBlocksHeadTheirTagsEvenWhenEmpty) {
  ObjHandle out = OpenOutputDocument();
  WriteUsedBlock(out, List({}));
  WriteUnusedBlock(out, List({"Idle", "Spare"}));
  EXPECT_EQ((std::vector<Line>{{"Character Tags Used:", "Heading2"},
                               {"Character Tags Not Used:", "Heading2"},
                               {"Idle", "Body"},
                               {"Spare", "Body"},
                               {"", "Body"}}),
            Lines(out));
}

TEST_F(OutputDocumentTest, ATagTableTakesItsHeadingsAndNamesInOrder) {
  ObjHandle out = OpenOutputDocument();
  AppendOutputParagraph(out, "Above", "Body");
  const char* headings[] = {"Tags to Keep"};
  const StringList* names[] = {List({"Bold", "code"}), List({"Idle"})};
  ObjHandle table = BuildTagTable(out, 1, 3, headings, names, 2);
  ASSERT_NE(0u, table);
  EXPECT_EQ("Format A", host.StringProp(table, memhost::MEM_PROP_TBL_TAG));
  EXPECT_EQ((std::vector<Names>{{"Tags to Keep"}, {"Bold"}, {"code"}, {"Idle"}}), Cells(table));
  EXPECT_EQ(std::vector<int32_t>{0x900000}, host.Prop(table, PROP_TBL_COL_WIDTHS)->list);
  EXPECT_EQ(0, host.IntProp(table, PROP_TBL_SETUP_1289));
  // Anchored where the insertion point was.
  ObjHandle anchor = static_cast<ObjHandle>(host.IntProp(table, memhost::MEM_PROP_ANCHOR_PGF));
  EXPECT_EQ("Above", host.Find(anchor)->text);
}

TEST_F(OutputDocumentTest, AConversionTableLeavesItsSecondColumnEmpty) {
  ObjHandle out = OpenOutputDocument();
  AppendOutputParagraph(out, "", nullptr);
  const char* headings[] = {"Source Tag", "Destination Tag"};
  const StringList* names[] = {List({"Bold"})};
  ObjHandle table = BuildTagTable(out, 2, 10, headings, names, 1);
  ASSERT_NE(0u, table);
  std::vector<Names> cells = Cells(table);
  ASSERT_EQ(11u, cells.size());
  EXPECT_EQ((Names{"Source Tag", "Destination Tag"}), cells[0]);
  EXPECT_EQ((Names{"Bold", ""}), cells[1]);
  for (size_t r = 2; r < cells.size(); ++r) EXPECT_EQ((Names{"", ""}), cells[r]);
  EXPECT_EQ((std::vector<int32_t>{0x900000, 0x900000}), host.Prop(table, PROP_TBL_COL_WIDTHS)->list);
}

TEST_F(OutputDocumentTest, NamesBeyondTheBodyRowsAreDropped) {
  ObjHandle out = OpenOutputDocument();
  AppendOutputParagraph(out, "", nullptr);
  const char* headings[] = {"Tags to Keep"};
  const StringList* names[] = {List({"A", "B"}), List({"C"})};
  ObjHandle table = BuildTagTable(out, 1, 2, headings, names, 2);
  EXPECT_EQ((std::vector<Names>{{"Tags to Keep"}, {"A"}, {"B"}}), Cells(table));
}

TEST_F(OutputDocumentTest, NoInsertionPointMeansNoTable) {
  DocBuilder out(host, "C:\\out.fm");  // opened with no selection
  const char* headings[] = {"Tags to Keep"};
  EXPECT_EQ(0u, BuildTagTable(out.doc, 1, 10, headings, nullptr, 0));
  EXPECT_TRUE(host.Chain(out.doc, PROP_FIRST_TBL_IN_DOC).empty());
}

TEST_F(OutputDocumentTest, TitlesAreFileNamesWithTheirExtension) {
  DocBuilder named(host, "C:\\Docs\\Manual\\ch1.fm");
  DocBuilder untitled(host, "");
  EXPECT_EQ("ch1.fm", Take(DocumentTitle(named.doc)));
  EXPECT_EQ("Untitled", Take(DocumentTitle(untitled.doc)));
  EXPECT_EQ("Untitled", Take(DocumentTitle(0)));

  memhost::BookBuilder book(host, "C:\\Books\\manual.book");
  EXPECT_EQ("manual.book", Take(BookTitle(book.book)));
  host.SetStringProp(book.book, PROP_NAME, "");
  EXPECT_EQ("<null>", Take(BookTitle(book.book)));
}

TEST_F(OutputDocumentTest, ParagraphTextJoinsTheStringItems) {
  DocBuilder doc(host, "C:\\a.fm");
  ObjHandle runs = doc.Para({TextRun("Tags "), TextRun("to", "Emphasis"), TextRun(" Keep")});
  ObjHandle empty = doc.Para("");
  host.AddMarker(runs, 2, memhost::ITEM_TABLE_ANCHOR, 0);  // cuts "Tags" in two items
  EXPECT_EQ("Tags to Keep", Take(ParagraphText(doc.doc, runs)));
  EXPECT_EQ("<null>", Take(ParagraphText(doc.doc, empty)));

  char a[] = "ab";
  char c[] = "c";
  TextItem items[] = {{0, ITEM_PGF_END, {nullptr}}, {0, ITEM_STRING, {a}},
                      {2, ITEM_CHAR_PROPS_CHANGE, {nullptr}}, {2, ITEM_STRING, {c}}};
  TextItems list{4, items};
  EXPECT_EQ("abc", Take(JoinStringItems(&list)));
  TextItems none{1, items};
  EXPECT_EQ("<null>", Take(JoinStringItems(&none)));
  TextItems empty2{0, nullptr};
  EXPECT_EQ("<null>", Take(JoinStringItems(&empty2)));
}

}  // namespace
