#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "memhost/doc_builder.h"
#include "tests/host_test.h"
#include "tests/test_support.h"
#include "tagsmith_version.h"

namespace {

using memhost::DocBuilder;
using TextRun = memhost::Run;
using Lines = testsupport::FlowLines;

class ListUsageTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    mem.SetString(0, 0, PROP_HOST_DIR, "C:\\Host");
  }

  // A chapter using Bold, Emphasis and code, and defining Idle besides.
  ObjHandle Chapter() {
    DocBuilder src(model, "C:\\docs\\ch1.fm");
    for (const char* n : {"code", "Idle", "Emphasis", "Bold"}) src.CharFormat(n);
    src.Para({TextRun("a", "code"), TextRun("b", "Emphasis"), TextRun("c", "Bold")});
    return src.doc;
  }

  // Every paragraph of the main flow of the document opened last.
  Lines Output() { return testsupport::MainFlowLines(model, model.openDocs.back(), false); }
};

const Lines kChapterLines = {{"ch1.fm", "Heading1"}, {"Character Tags Used:", "Heading2"},
                             {"Bold", "Body"},       {"Emphasis", "Body"},
                             {"code", "Body"},       {"Character Tags Not Used:", "Heading2"},
                             {"Idle", "Body"}};

TEST_F(ListUsageTest, ListsTheUsedThenTheUnusedTagsUnderTheFileName) {
  ObjHandle src = Chapter();
  EXPECT_EQ(0, CommandHandler(CMD_LIST_CHAR_USAGE));
  EXPECT_EQ(1, HostMarkDoneCount);
  ASSERT_NE(src, model.openDocs.back());
  EXPECT_EQ("", model.StringProp(model.openDocs.back(), PROP_NAME));  // a new, untitled one
  Lines expected = kChapterLines;
  expected.push_back({"", "Body"});
  EXPECT_EQ(expected, Output());

  // A document without tags still gets both headings.
  DocBuilder bare(model, "C:\\docs\\bare.fm");
  CommandHandler(CMD_LIST_CHAR_USAGE);
  EXPECT_EQ((Lines{{"bare.fm", "Heading1"},
                   {"Character Tags Used:", "Heading2"},
                   {"Character Tags Not Used:", "Heading2"},
                   {"", "Body"}}),
            Output());
}

TEST_F(ListUsageTest, AnExistingOutputFileKeepsItsTextBelowTheNewParagraphs) {
  DocBuilder file(model, "C:\\drafts\\old.fm");
  file.Para("Earlier results");
  ObjHandle tail = file.Para("Tail text");
  model.SetStringProp(tail, memhost::MEM_PROP_PGF_TAG, "Footer");
  file.SaveAndClose("C:\\Host\\VxOutput.fm");
  Chapter();

  CommandHandler(CMD_LIST_CHAR_USAGE);
  ObjHandle out = model.openDocs.back();
  EXPECT_EQ("C:\\Host\\VxOutput.fm", model.StringProp(out, PROP_NAME));
  Lines expected = {{"Earlier results", "Body"}};
  expected.insert(expected.end(), kChapterLines.begin(), kChapterLines.end());
  expected.push_back({"Tail text", "Footer"});
  EXPECT_EQ(expected, Output());
}

TEST_F(ListUsageTest, WithoutADocumentOnlyTheNoticeIsShown) {
  size_t open = model.openDocs.size();
  CommandHandler(CMD_LIST_CHAR_USAGE);
  ASSERT_EQ(1u, script.dialogs.size());
  EXPECT_EQ("Please open a document first.", script.dialogs[0].text);
  EXPECT_EQ(2, script.dialogs[0].alertType);
  EXPECT_EQ(open, model.openDocs.size());
  EXPECT_EQ(0, HostMarkDoneCount);
}

TEST_F(ListUsageTest, AboutShowsTwoLinesAndAnUnknownNumberStillEndsTheCommand) {
  CommandHandler(CMD_ABOUT);
  ASSERT_EQ(1u, script.dialogs.size());
  EXPECT_EQ(std::string("Tagsmith \nVersion ") + TAGSMITH_VERSION + "  Build " +
                TAGSMITH_BUILD_NUMBER + " (64-bit)",
            script.dialogs[0].text);
  EXPECT_EQ(2, script.dialogs[0].alertType);
  EXPECT_EQ(1, HostMarkDoneCount);

  Chapter();
  constexpr int32_t kNoSuchCommand = 14;  // between two commands, never defined
  EXPECT_EQ(0, CommandHandler(kNoSuchCommand));
  EXPECT_EQ(2, HostMarkDoneCount);
  EXPECT_EQ(1u, script.dialogs.size());
  EXPECT_EQ(1u, model.openDocs.size());
}

}  // namespace
