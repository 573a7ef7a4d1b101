#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "memhost/doc_builder.h"
#include "tests/host_test.h"

namespace {

using memhost::DocBuilder;
using R = memhost::Run;
using Cells = std::vector<std::vector<std::string>>;

class ConversionRowsTest : public HostTest {
 protected:
  void ExpectLastAlert(const std::string& text, int32_t kind) {
    ASSERT_FALSE(script.dialogs.empty());
    EXPECT_EQ(text, script.dialogs.back().text);
    EXPECT_EQ(kind, script.dialogs.back().alertType);
  }
  // Every cell text of every table of doc, row by row.
  Cells TableCells(ObjHandle doc) {
    Cells out;
    for (ObjHandle t : model.Chain(doc, PROP_FIRST_TBL_IN_DOC)) {
      for (ObjHandle row : model.Find(t)->kids) {
        out.emplace_back();
        for (ObjHandle cell : model.Find(row)->kids) {
          out.back().push_back(model.Find(model.Find(cell)->kids[0])->text);
        }
      }
    }
    return out;
  }
};

TEST_F(ConversionRowsTest, BothCommandsNeedAnActiveDocument) {
  DocBuilder list(model, "C:\\conv.fm");
  list.Table({{"Source Tag", "Destination Tag"}});
  model.activeDoc = 0;
  for (int32_t command : {CMD_CREATE_CONVERSION_DOC, CMD_CONVERT_CHARS}) {
    CommandHandler(command);
    ExpectLastAlert("Please open a document first.", 2);
  }
  EXPECT_EQ(2u, script.dialogs.size());
  EXPECT_EQ(0, HostMarkDoneCount);
}

TEST_F(ConversionRowsTest, CreateConversionDocumentAsksTheTypeAndWritesTwoColumns) {
  DocBuilder src(model, "C:\\src.fm");
  src.CharFormat("Spare");
  src.CharFormat("Used");
  src.Para({R("x", "Used")});
  script.choices = {-1, 2};
  CommandHandler(CMD_CREATE_CONVERSION_DOC);
  EXPECT_EQ(0, HostMarkDoneCount) << "a cancelled choice ends at once";
  EXPECT_EQ(1u, model.openDocs.size());
  EXPECT_EQ("Choose a list type", script.dialogs.back().text);

  CommandHandler(CMD_CREATE_CONVERSION_DOC);
  EXPECT_EQ(1, HostMarkDoneCount);
  ASSERT_EQ(2u, model.openDocs.size());
  EXPECT_EQ((Cells{{"Source Tag", "Destination Tag"}, {"Used", ""}, {"Spare", ""}}),
            TableCells(model.openDocs[1]));
}

TEST_F(ConversionRowsTest, CreateConversionDocumentEndsAtOnceWithoutAnInsertionPoint) {
  DocBuilder saved(model, "\\VxOutput.fm");  // the host directory is empty
  saved.SaveAndClose("\\VxOutput.fm");
  DocBuilder src(model, "C:\\src.fm");
  script.choices = {0};
  CommandHandler(CMD_CREATE_CONVERSION_DOC);
  EXPECT_EQ(0, HostMarkDoneCount);
  for (ObjHandle d : model.openDocs) EXPECT_TRUE(TableCells(d).empty());
}

TEST_F(ConversionRowsTest, ConvertWarnsWithoutATableAndConvertsOnlyWhenConfirmed) {
  DocBuilder keep(model, "C:\\keep.fm");
  keep.Table({{"Tags to Keep"}, {"Emphasis"}});  // not a conversion table
  DocBuilder src(model, "C:\\src.fm");
  src.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  src.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle p = src.Para({R("plain "), R("stressed", "Emphasis")});

  CommandHandler(CMD_CONVERT_CHARS);
  ExpectLastAlert("The list of character tags to convert could not be found.", 3);
  EXPECT_EQ(1, HostMarkDoneCount);

  DocBuilder conv(model, "C:\\conv.fm");
  conv.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Strong"}});
  model.Activate(src.doc);
  script.alertAnswers = {1};
  CommandHandler(CMD_CONVERT_CHARS);
  ExpectLastAlert("Are you sure you want to convert character tags?", 1);
  EXPECT_EQ("Emphasis", src.TagAt(p, 6));
  EXPECT_EQ(2, HostMarkDoneCount);

  CommandHandler(CMD_CONVERT_CHARS);
  EXPECT_EQ("", src.TagAt(p, 5));
  EXPECT_EQ("Strong", src.TagAt(p, 6));
  EXPECT_EQ(0, src.PropAt(p, 6, PROP_FONT_ANGLE));
  EXPECT_EQ(1, src.PropAt(p, 13, PROP_FONT_WEIGHT));
  EXPECT_EQ(3, HostMarkDoneCount);
}

}  // namespace
