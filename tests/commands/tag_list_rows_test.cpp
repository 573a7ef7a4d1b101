#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "tests/host_test.h"

namespace {

using memhost::DocBuilder;
using R = memhost::Run;
using Names = std::vector<std::string>;

class TagListRowsTest : public HostTest {
 protected:
  Names Formats(ObjHandle doc) {
    Names out;
    for (ObjHandle f : model.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC))
      out.push_back(model.StringProp(f, PROP_NAME));
    return out;
  }
  void ExpectLastAlert(const std::string& text, int32_t kind) {
    ASSERT_FALSE(script.dialogs.empty());
    EXPECT_EQ(text, script.dialogs.back().text);
    EXPECT_EQ(kind, script.dialogs.back().alertType);
  }
  // Texts of the first cells of the tables of doc, table by table.
  std::vector<Names> Tables(ObjHandle doc) {
    std::vector<Names> out;
    for (ObjHandle t : model.Chain(doc, PROP_FIRST_TBL_IN_DOC)) {
      out.emplace_back();
      for (ObjHandle row : model.Find(t)->kids) {
        out.back().push_back(model.Find(model.Find(model.Find(row)->kids[0])->kids[0])->text);
      }
    }
    return out;
  }
};

TEST_F(TagListRowsTest, DocumentCommandsNeedAnActiveDocument) {
  for (int32_t command : {CMD_DELETE_UNUSED_CHARS, CMD_CREATE_CHAR_LIST}) {
    CommandHandler(command);
    ExpectLastAlert("Please open a document first.", 2);
  }
  EXPECT_EQ(2u, script.dialogs.size());
  EXPECT_EQ(0, HostMarkDoneCount);
  EXPECT_TRUE(model.openDocs.empty());
}

TEST_F(TagListRowsTest, DeleteUnusedAsksFirstAndDeletesOnlyWhenConfirmed) {
  DocBuilder src(model, "C:\\src.fm");
  src.CharFormat("Used");
  src.CharFormat("Spare");
  src.Para({R("x", "Used")});
  script.alertAnswers = {1};
  CommandHandler(CMD_DELETE_UNUSED_CHARS);
  ExpectLastAlert("Are you sure you want to delete unused character tags?", 1);
  EXPECT_EQ((Names{"Used", "Spare"}), Formats(src.doc));
  EXPECT_EQ(1, HostMarkDoneCount);

  CommandHandler(CMD_DELETE_UNUSED_CHARS);
  EXPECT_EQ((Names{"Used"}), Formats(src.doc));
  EXPECT_EQ(2, HostMarkDoneCount);
}

TEST_F(TagListRowsTest, DeleteUnusedNeverDeletesAUsedCaseVariant) {
  struct Case {
    Names defined, inText;
  };
  const Case cases[] = {{{"Note", "NOTE"}, {"Note", "NOTE"}},
                        {{"NOTE", "Note"}, {"Note", "NOTE"}},
                        {{"Note", "NOTE"}, {"NOTE"}},
                        {{"NOTE", "Note"}, {"Note"}},
                        {{"Note", "NOTE"}, {}}};
  for (const Case& c : cases) {
    memhost::HostStack h;
    HostInstall(&h.faults);
    DocBuilder src(h.model, "C:\\src.fm");
    for (const std::string& f : c.defined) src.CharFormat(f);
    for (const std::string& t : c.inText) src.Para({R("x", t)});
    CommandHandler(CMD_DELETE_UNUSED_CHARS);
    for (const std::string& used : c.inText) {
      EXPECT_NE(0u, h.model.NamedObject(src.doc, OBJ_CHAR_FMT, used)) << used;
    }
    if (c.inText.empty()) {
      EXPECT_TRUE(h.model.Chain(src.doc, PROP_FIRST_CHAR_FMT_IN_DOC).empty());
    }
  }
  HostInstall(&host);
}

// The first probe of the text fails: the scan misses a position.
void FailFirstProbe(memhost::FaultyHost& h) {
  h.failWith = [&h](const char* op) {
    if (std::string(op) != "GetTextPropVal") return 0;
    h.failWith = nullptr;
    return ERR_CALL_FAILED;
  };
}

TEST_F(TagListRowsTest, AScanThatMissedTextStillListsEveryTagButDeletesNone) {
  DocBuilder src(model, "C:\\src.fm");
  src.CharFormat("Used");
  src.CharFormat("Spare");
  src.Para({R("xy", "Used")});  // read at its second position
  FailFirstProbe(host);
  CommandHandler(CMD_DELETE_UNUSED_CHARS);
  ExpectLastAlert("Some of the text could not be read, so no character tags were deleted.", 3);
  EXPECT_EQ(1u, script.dialogs.size()) << "nothing to confirm";
  EXPECT_EQ((Names{"Used", "Spare"}), Formats(src.doc));
  EXPECT_EQ(1, HostMarkDoneCount);

  // The list of all tags still holds every defined format.
  FailFirstProbe(host);
  script.choices = {2};
  CommandHandler(CMD_CREATE_CHAR_LIST);
  EXPECT_EQ((std::vector<Names>{{"Tags to Keep", "Used", "Spare"}}), Tables(model.openDocs.back()));

  // A list of the tags in use could leave out one that text uses, and
  // pruning by it would delete that tag: none is made.
  size_t docs = model.openDocs.size();
  FailFirstProbe(host);
  script.choices = {1};
  CommandHandler(CMD_CREATE_CHAR_LIST);
  ExpectLastAlert("Some of the text could not be read, so no list of tags to keep was made.", 3);
  EXPECT_EQ(docs, model.openDocs.size());
  EXPECT_EQ(3, HostMarkDoneCount);
}

TEST_F(TagListRowsTest, AHostThatMakesNoTableStillEndsTheCommand) {
  DocBuilder src(model, "C:\\src.fm");
  host.failWith = [](const char* op) {
    return std::string(op) == "NewTable" ? ERR_CALL_FAILED : 0;
  };
  for (int32_t command : {CMD_CREATE_CHAR_LIST, CMD_CREATE_CONVERSION_DOC,
                          CMD_CREATE_CHAR_LIST_BOOK, CMD_CREATE_CONVERSION_DOC_BOOK}) {
    script.choices = {0};
    HostMarkDoneCount = 0;
    CommandHandler(command);
    EXPECT_EQ(1, HostMarkDoneCount) << command;
  }
}

TEST_F(TagListRowsTest, CreateListAsksTheTypeAndWritesTheTable) {
  DocBuilder src(model, "C:\\src.fm");
  src.CharFormat("Spare");
  src.CharFormat("Used");
  src.Para({R("x", "Used")});
  script.choices = {-1, 1};
  CommandHandler(CMD_CREATE_CHAR_LIST);
  EXPECT_EQ(0, HostMarkDoneCount) << "a cancelled choice ends at once";
  EXPECT_EQ(1u, model.openDocs.size());
  const memhost::DialogRecord& choice = script.dialogs.back();
  EXPECT_EQ("Choose a list type", choice.text);
  EXPECT_EQ((Names{"Empty", "Character Tags in Use", "All Character Tags"}), choice.items);
  EXPECT_EQ(-1, choice.defaultIndex);

  CommandHandler(CMD_CREATE_CHAR_LIST);
  EXPECT_EQ(1, HostMarkDoneCount);
  ASSERT_EQ(2u, model.openDocs.size());
  EXPECT_EQ((std::vector<Names>{{"Tags to Keep", "Used"}}), Tables(model.openDocs[1]));
}

TEST_F(TagListRowsTest, CreateListEndsAtOnceWithoutAnInsertionPoint) {
  DocBuilder saved(model, "\\VxOutput.fm");  // the host directory is empty
  saved.SaveAndClose("\\VxOutput.fm");
  DocBuilder src(model, "C:\\src.fm");
  script.choices = {0};
  CommandHandler(CMD_CREATE_CHAR_LIST);
  EXPECT_EQ(0, HostMarkDoneCount);
  for (ObjHandle d : model.openDocs) EXPECT_TRUE(Tables(d).empty());
}

TEST_F(TagListRowsTest, RemoveNonlistWarnsWhenNoListIsOpenEvenWithoutADocument) {
  CommandHandler(CMD_REMOVE_NONLIST_CHARS);
  ExpectLastAlert("The list of character tags to keep could not be found.", 3);
  EXPECT_EQ(1u, script.dialogs.size());
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(TagListRowsTest, RemoveNonlistPrunesTheActiveDocumentByTheFirstListWhenConfirmed) {
  DocBuilder first(model, "C:\\first.fm");
  first.Table({{"Tags to Keep"}, {"B"}});
  DocBuilder second(model, "C:\\second.fm");
  second.Table({{"Tags to Keep"}, {"A"}});
  DocBuilder src(model, "C:\\src.fm");
  for (const char* f : {"A", "B", "C"}) src.CharFormat(f);

  script.alertAnswers = {1};
  CommandHandler(CMD_REMOVE_NONLIST_CHARS);
  ExpectLastAlert("Are you sure you want to keep only the character tags listed?", 1);
  EXPECT_EQ((Names{"A", "B", "C"}), Formats(src.doc));

  CommandHandler(CMD_REMOVE_NONLIST_CHARS);
  EXPECT_EQ((Names{"B"}), Formats(src.doc));
  EXPECT_EQ(2, HostMarkDoneCount);

  model.activeDoc = 0;  // asked, and nothing to prune
  first.CharFormat("D");
  CommandHandler(CMD_REMOVE_NONLIST_CHARS);
  EXPECT_EQ(3u, script.dialogs.size());
  EXPECT_EQ((Names{"D"}), Formats(first.doc));
}

}  // namespace
