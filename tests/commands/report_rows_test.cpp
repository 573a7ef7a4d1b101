#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "memhost/doc_builder.h"
#include "tests/host_test.h"
#include "tests/test_support.h"

namespace {

using memhost::DocBuilder;

using Line = testsupport::FlowLine;

class ReportRowsTest : public HostTest {
 protected:
  // The output document: whatever the command left active besides the source.
  ObjHandle Output() {
    for (ObjHandle d : model.openDocs) {
      if (d != src.doc) return d;
    }
    return 0;
  }

  std::vector<Line> OutputLines() {
    ObjHandle doc = Output();
    return doc != 0 ? testsupport::MainFlowLines(model, doc, true) : std::vector<Line>{};
  }

  void TwoFormats() {
    src.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1).Set(PROP_FONT_SIZE, 12 << 16);
    src.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  }
  DocBuilder src{model, "C:\\docs\\ch1.fm"};
};

TEST_F(ReportRowsTest, NoActiveDocumentEndsQuietly) {
  src.CharFormat("Strong");
  model.activeDoc = 0;
  for (int32_t command : {CMD_CHAR_TAG_REPORT_ALL, CMD_CHAR_TAG_REPORT_SELECTED}) {
    HostMarkDoneCount = 0;
    CommandHandler(command);
    EXPECT_TRUE(script.dialogs.empty());
    EXPECT_EQ(1u, model.openDocs.size()) << "no output document";
    EXPECT_EQ(1, HostMarkDoneCount);
  }
}

TEST_F(ReportRowsTest, AllTagsReportsEachFormatInOrderWithABlankAfterEach) {
  TwoFormats();
  CommandHandler(CMD_CHAR_TAG_REPORT_ALL);
  EXPECT_EQ(1, HostMarkDoneCount);
  EXPECT_TRUE(script.dialogs.empty());
  std::vector<Line> lines = OutputLines();
  ASSERT_EQ(2u * (1 + 17 + 1), lines.size());
  EXPECT_EQ((Line{"Emphasis", "Heading1"}), lines[0]);
  EXPECT_EQ((Line{"Font Angle: Italic ", "Body"}), lines[6]);
  EXPECT_EQ((Line{"Underlining: As Is ", "Body"}), lines[17]);
  EXPECT_EQ((Line{"", "Body"}), lines[18]);
  EXPECT_EQ((Line{"Strong", "Heading1"}), lines[19]);
  EXPECT_EQ((Line{"Font Size: 12.00 points ", "Body"}), lines[19 + 7]);
  EXPECT_EQ((Line{"Font Weight: Bold ", "Body"}), lines[19 + 9]);
  EXPECT_EQ((Line{"", "Body"}), lines[37]);
}

TEST_F(ReportRowsTest, AllTagsWithNoFormatsStillOpensTheOutput) {
  CommandHandler(CMD_CHAR_TAG_REPORT_ALL);
  EXPECT_NE(0u, Output());
  EXPECT_TRUE(OutputLines().empty());
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(ReportRowsTest, SelectedTagOffersTheSortedTagsAndReportsTheChosenOne) {
  TwoFormats();
  script.choices.push_back(1);
  CommandHandler(CMD_CHAR_TAG_REPORT_SELECTED);
  EXPECT_EQ(1, HostMarkDoneCount);
  ASSERT_EQ(1u, script.dialogs.size());
  const memhost::DialogRecord& box = script.dialogs[0];
  EXPECT_EQ(memhost::DialogRecord::SCROLL_BOX, box.kind);
  EXPECT_EQ("Choose a format.", box.text);
  EXPECT_EQ((std::vector<std::string>{"Emphasis", "Strong"}), box.items);
  EXPECT_EQ(0, box.defaultIndex);

  std::vector<Line> lines = OutputLines();
  ASSERT_EQ(1u + 17, lines.size()) << "no empty paragraph after the lines";
  EXPECT_EQ((Line{"Strong", "Heading1"}), lines[0]);
  EXPECT_EQ((Line{"Font Weight: Bold ", "Body"}), lines[9]);
  EXPECT_EQ((Line{"Underlining: As Is ", "Body"}), lines.back());
}

TEST_F(ReportRowsTest, CancellingTheChoiceEndsNormallyWithoutOutput) {
  TwoFormats();
  script.choices.push_back(-1);
  CommandHandler(CMD_CHAR_TAG_REPORT_SELECTED);
  EXPECT_EQ(1u, script.dialogs.size());
  EXPECT_EQ(0u, Output());
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(ReportRowsTest, SelectedTagWithNoFormatsOffersAnEmptyList) {
  CommandHandler(CMD_CHAR_TAG_REPORT_SELECTED);
  ASSERT_EQ(1u, script.dialogs.size());
  EXPECT_TRUE(script.dialogs[0].items.empty());
  EXPECT_EQ(0u, Output());
  EXPECT_EQ(1, HostMarkDoneCount);
}

}  // namespace
