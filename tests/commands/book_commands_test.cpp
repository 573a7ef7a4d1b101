// The nine book commands on a three-file book in the in-memory host.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "client/host_lists.h"
#include "client/host_wrapper.h"
#include "commands/book_walk.h"
#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "memhost/doc_builder.h"
#include "memhost/text_dump.h"
#include "support/encoding.h"
#include "support/format.h"
#include "tests/host_test.h"
#include "tests/test_support.h"

namespace {

using memhost::BookBuilder;
using memhost::DocBuilder;
using R = memhost::Run;
using Names = std::vector<std::string>;

int32_t ToHostConsole(const char* text) { return HostPrintConsole(text); }

const char kCh1[] = "C:\\books\\ch1.fm";
const char kCh2[] = "C:\\books\\ch2.fm";
const char kCh3[] = "C:\\books\\ch3.fm";

// The book: over its three files Code, Emphasis and Strong are used, Note and
// Old are defined and used nowhere. Strong is unused in ch1 but used in ch2.
void Chapter1(DocBuilder& b) {
  b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  b.CharFormat("Note");
  b.Para({R("Intro "), R("stressed", "Emphasis")});
  b.Para({R("plain "), R("heavy", "", {{PROP_FONT_WEIGHT, 1}})});  // an override
}
void Chapter2(DocBuilder& b) {
  b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  b.CharFormat("Code");
  b.Para({R("bold", "Strong"), R(" and "), R("x()", "Code")});
}
void Chapter3(DocBuilder& b) {
  b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  b.CharFormat("Old");
  b.Para({R("more", "Emphasis")});
}

// The in-memory host, unable to read the text of one file the first times
// it is opened.
class BookHost : public memhost::FaultyHost {
 public:
  using FaultyHost::FaultyHost;
  const memhost::DocStore* store = nullptr;  // where the file names are read
  std::string failingFile;
  int failingOpens = 0;
  int opens = 0;

  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override {
    if (path != nullptr && failingFile == path) ++opens;
    return FaultyHost::OpenDocument(path, params, ret);
  }
  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override {
    if (opens <= failingOpens && store->StringProp(doc, PROP_NAME) == failingFile) {
      HostErrno = ERR_CALL_FAILED;
      return PropVal{};
    }
    return FaultyHost::GetTextPropVal(doc, at, prop);
  }
};

class BookCommandsTest : public HostTestWith<BookHost> {
 protected:
  void SetUp() override {
    HostTestWith<BookHost>::SetUp();
    host.store = &model;
    script.statusObserver = [this](const std::string& s) { statuses.push_back(s); };
    Save(kCh1, Chapter1);
    Save(kCh2, Chapter2);
    Save(kCh3, Chapter3);
    book.File(kCh1);
    book.File(kCh2);
    book.File(kCh3);
  }

  void Save(const char* path, void (*content)(DocBuilder&)) {
    DocBuilder b(model, path);
    content(b);
    b.SaveAndClose(path);
  }
  // A book file open in the host, holding a list table after its content.
  ObjHandle OpenWithTable(const char* path, void (*content)(DocBuilder&),
                          const std::vector<std::vector<std::string>>& rows) {
    DocBuilder b(model, path);
    content(b);
    b.Table(rows);
    b.SaveAndClose(path);
    return HostOpenDocumentSimple(path, 0);
  }

  Names Formats(ObjHandle doc) {
    Names out;
    for (ObjHandle f : model.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
      out.push_back(model.StringProp(f, PROP_NAME));
    }
    return out;
  }
  Names Saved(const char* path) { return Formats(model.files[path].image); }
  // Paragraph n of the main flow of a saved file, read from a copy: the
  // stored image itself is out of reach of the host's lookups.
  ObjHandle SavedPgf(const char* path, int n) {
    ObjHandle doc = model.CloneDocument(model.files[path].image, false);
    ObjHandle p =
        model.FirstPgfOf(static_cast<ObjHandle>(model.IntProp(doc, PROP_MAIN_FLOW_IN_DOC)));
    for (int i = 0; i < n && p != 0; ++i) p = model.NextPgf(p);
    return p;
  }
  std::string SavedTag(const char* path, int n, int32_t offset) {
    ObjHandle p = SavedPgf(path, n);
    return p == 0 ? "<none>" : model.PropsAt(*model.Find(p), offset).tag;
  }
  int32_t SavedWeight(const char* path, int n, int32_t offset) {
    ObjHandle p = SavedPgf(path, n);
    if (p == 0) return -1;
    PropVal v = HostGetTextPropVal(model.Find(p)->doc, TextLoc{p, offset}, PROP_FONT_WEIGHT);
    int32_t weight = v.propVal.u.ival;
    PropValFree(&v);
    return weight;
  }

  // The output document: the untitled one the command made.
  ObjHandle Output() {
    for (ObjHandle d : model.openDocs) {
      if (model.StringProp(d, PROP_NAME).empty()) return d;
    }
    return 0;
  }
  // "Format: text" for each paragraph of the output, without the empty one
  // that always closes it.
  Names Lines() {
    std::string dump = memhost::DumpDocumentWithFormats(model, Output());
    Names out;
    size_t at = 0;
    while (at < dump.size()) {
      size_t end = dump.find('\n', at);
      out.push_back(dump.substr(at, end - at));
      at = end + 1;
    }
    if (!out.empty() && out.back().back() == ' ') out.pop_back();
    return out;
  }
  // The texts of the questions asked.
  Names Questions() {
    Names out;
    for (const auto& d : script.dialogs) {
      if (d.kind == memhost::DialogRecord::ALERT && d.alertType == 1) out.push_back(d.text);
    }
    return out;
  }
  bool StatusSeen(const std::string& s) {
    return std::find(statuses.begin(), statuses.end(), s) != statuses.end();
  }
  bool IsOpen(ObjHandle doc) {
    return std::find(model.openDocs.begin(), model.openDocs.end(), doc) != model.openDocs.end();
  }

  testsupport::ScopedClientEncoding encoding{"UTF-8"};
  testsupport::ScopedConsoleSink sink{ToHostConsole};
  std::vector<std::string> statuses;
  BookBuilder book{model, "C:\\books\\manual.book"};
};

// ---- List Character Usage, Individual and By Tag ----

TEST_F(BookCommandsTest, ListUsageAccumulatesOverTheWholeBook) {
  EXPECT_EQ(0, CommandHandler(CMD_LIST_CHAR_USAGE_BOOK));
  EXPECT_EQ((Names{"Heading1: manual.book", "Heading2: Character Tags Used:", "Body: Code",
                   "Body: Emphasis", "Body: Strong",
                   "Heading2: Character Tags Not Used:", "Body: Note", "Body: Old"}),
            Lines());
  EXPECT_EQ(1, HostMarkDoneCount);
  EXPECT_EQ(std::vector<ObjHandle>{Output()}, model.openDocs) << "every file closed again";
  EXPECT_TRUE(StatusSeen("Examining: ch2.fm"));
  EXPECT_EQ("", statuses.back());
}

TEST_F(BookCommandsTest, ListUsageOfAnEmptyBookOrNoBookWritesTheHeadingsOnly) {
  BookBuilder empty(model, "C:\\books\\empty.book");
  CommandHandler(CMD_LIST_CHAR_USAGE_BOOK);
  EXPECT_EQ((Names{"Heading1: empty.book",
                   "Heading2: Character Tags Used:", "Heading2: Character Tags Not Used:"}),
            Lines());
  EXPECT_EQ(Names{""}, statuses) << "no file was opened";

  host.CloseDocument(Output(), 1);
  model.activeBook = 0;
  CommandHandler(CMD_LIST_CHAR_USAGE_BOOK);
  EXPECT_EQ(
      (Names{"Heading1: ", "Heading2: Character Tags Used:", "Heading2: Character Tags Not Used:"}),
      Lines());
}

TEST_F(BookCommandsTest, IndividualListsEachFileAloneWithAnUntitledSectionForAMissingOne) {
  model.SetFileFailures(kCh2, true, false);
  CommandHandler(CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL);
  EXPECT_EQ((Names{"Heading1: manual.book", "Heading1: ch1.fm", "Heading2: Character Tags Used:",
                   "Body: Emphasis", "Heading2: Character Tags Not Used:", "Body: Note",
                   "Body: Strong", "Heading1: Untitled", "Heading2: Character Tags Used:",
                   "Heading2: Character Tags Not Used:", "Heading1: ch3.fm",
                   "Heading2: Character Tags Used:", "Body: Emphasis",
                   "Heading2: Character Tags Not Used:", "Body: Old"}),
            Lines());
  EXPECT_EQ(std::string("Could not open file:") + kCh2 + "\n", script.console);
  EXPECT_EQ(std::vector<ObjHandle>{Output()}, model.openDocs);
  EXPECT_EQ(1, HostMarkDoneCount);
}

// The output as each file is closed.
class CloseWatch : public HostWrapper {
 public:
  CloseWatch(HostApi* target, std::function<std::string()> last)
      : HostWrapper(target), lastLine(std::move(last)) {}
  std::function<std::string()> lastLine;
  Names atClose;
  int32_t CloseDocument(ObjHandle doc, int32_t flags) override {
    atClose.push_back(lastLine());
    return HostWrapper::CloseDocument(doc, flags);
  }
};

TEST_F(BookCommandsTest, IndividualClosesEachFileBeforeWritingItsTags) {
  CloseWatch watch(&host, [this]() { return Lines().back(); });
  HostInstall(&watch);
  CommandHandler(CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL);
  HostInstall(&host);
  EXPECT_EQ(Names(3, "Heading2: Character Tags Used:"), watch.atClose);
}

TEST_F(BookCommandsTest, ByTagListsTheFilesUsingEachTagButNeverOneThatCannotBeOpened) {
  model.SetFileFailures(kCh1, true, false);
  CommandHandler(CMD_LIST_CHAR_USAGE_BOOK_BY_TAG);
  EXPECT_EQ((Names{"Heading1: manual.book", "Heading2: Code", "Body: ch2.fm", "Heading2: Emphasis",
                   "Body: ch3.fm", "Heading2: Strong", "Body: ch2.fm"}),
            Lines());
  EXPECT_EQ(std::vector<ObjHandle>{Output()}, model.openDocs);
  EXPECT_EQ("", statuses.back());
  EXPECT_EQ(1, HostMarkDoneCount);
}

// ---- Delete Unused Character Tags ----

TEST_F(BookCommandsTest, DeleteUnusedAsksOnceAndKeepsTagsUsedElsewhereInTheBook) {
  CommandHandler(CMD_DELETE_UNUSED_CHARS_BOOK);
  EXPECT_EQ(Names{"Are you sure you want to delete unused character tags for all files in the "
                  "book?"},
            Questions());
  EXPECT_EQ((Names{"Emphasis", "Strong"}), Saved(kCh1)) << "Strong is used in ch2";
  EXPECT_EQ((Names{"Emphasis", "Strong", "Code"}), Saved(kCh2));
  EXPECT_EQ((Names{"Emphasis"}), Saved(kCh3));
  EXPECT_TRUE(StatusSeen("Removing Unused Tags: ch3.fm"));
  EXPECT_TRUE(model.openDocs.empty());
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, DeleteUnusedCancelledChangesNothing) {
  script.alertAnswers.push_back(1);
  EXPECT_EQ(1, CommandHandler(CMD_DELETE_UNUSED_CHARS_BOOK));
  EXPECT_EQ((Names{"Emphasis", "Strong", "Note"}), Saved(kCh1));
  EXPECT_EQ((Names{"Emphasis", "Old"}), Saved(kCh3));
  EXPECT_FALSE(StatusSeen("Removing Unused Tags: ch1.fm")) << "no second pass";
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, DeleteUnusedDeletesNothingWhileAFileCannotBeOpened) {
  // ch2 alone uses Strong, which ch1 defines and leaves unused: with ch2
  // unopened, nothing in the book says Strong is in use, whichever file
  // comes first. The file is tried again before anything is decided.
  const std::vector<std::vector<const char*>> orders = {{kCh1, kCh2}, {kCh2, kCh1}};
  for (size_t i = 0; i < orders.size(); ++i) {
    BookBuilder two(model, "C:\\books\\two" + std::to_string(i) + ".book");
    for (const char* path : orders[i]) two.File(path);
    model.SetFileFailures(kCh2, true, false);
    script.dialogs.clear();
    script.console.clear();
    statuses.clear();
    CommandHandler(CMD_DELETE_UNUSED_CHARS_BOOK);
    ASSERT_EQ(1u, script.dialogs.size()) << i << ": no question is asked";
    EXPECT_EQ("Some of the text could not be read, so no character tags were deleted.",
              script.dialogs[0].text);
    EXPECT_EQ(3, script.dialogs[0].alertType);
    EXPECT_EQ((Names{"Emphasis", "Strong", "Note"}), Saved(kCh1)) << i;
    const std::string unopened = std::string("Could not open file:") + kCh2 + "\n";
    EXPECT_EQ(unopened + unopened, script.console) << i;
    EXPECT_FALSE(StatusSeen("Removing Unused Tags: ch1.fm")) << i;
  }
  EXPECT_EQ(2, HostMarkDoneCount);

  // Once it opens again, the book is cleaned as usual.
  model.SetFileFailures(kCh2, false, false);
  CommandHandler(CMD_DELETE_UNUSED_CHARS_BOOK);
  EXPECT_EQ((Names{"Emphasis", "Strong"}), Saved(kCh1));
}

TEST_F(BookCommandsTest, DeleteUnusedRereadsAFileBeforeDeletingFromAnyFile) {
  // ch3 defines Strong too: after a first scan of ch2 that misses its text,
  // only ch2 says that Strong is in use, and ch1 comes before it.
  Save(kCh3, [](DocBuilder& b) {
    Chapter3(b);
    b.CharFormat("Strong");
  });
  host.failingFile = kCh2;
  host.failingOpens = 1;
  CommandHandler(CMD_DELETE_UNUSED_CHARS_BOOK);
  EXPECT_EQ((Names{"Emphasis", "Strong"}), Saved(kCh1));
  EXPECT_EQ((Names{"Emphasis", "Strong", "Code"}), Saved(kCh2));
  EXPECT_EQ((Names{"Emphasis", "Strong"}), Saved(kCh3));

  // A file whose text cannot be read in either pass: nothing is deleted.
  Save(kCh1, Chapter1);
  host.opens = 0;
  host.failingOpens = 2;
  script.dialogs.clear();
  CommandHandler(CMD_DELETE_UNUSED_CHARS_BOOK);
  ASSERT_EQ(1u, script.dialogs.size());
  EXPECT_EQ("Some of the text could not be read, so no character tags were deleted.",
            script.dialogs[0].text);
  EXPECT_EQ(3, script.dialogs[0].alertType);
  EXPECT_EQ((Names{"Emphasis", "Strong", "Note"}), Saved(kCh1));
  EXPECT_EQ(2, HostMarkDoneCount);
}

// ---- Create Character Tag List, Create Conversion Document ----

TEST_F(BookCommandsTest, TagTablesFromTheWholeBook) {
  script.choices = {1, 2, 0};
  const std::string used = "| Code |\n| Emphasis |\n| Strong |\n";
  std::string empty;
  for (int i = 0; i < 10; ++i) empty += "|  |\n";
  const std::vector<std::pair<int32_t, std::string>> cases = {
      {CMD_CREATE_CHAR_LIST_BOOK, "| Tags to Keep |\n|---|\n" + used},
      {CMD_CREATE_CHAR_LIST_BOOK, "| Tags to Keep |\n|---|\n" + used + "| Note |\n| Old |\n"},
      {CMD_CREATE_CHAR_LIST_BOOK, "| Tags to Keep |\n|---|\n" + empty}};
  for (const auto& c : cases) {
    statuses.clear();
    CommandHandler(c.first);
    EXPECT_EQ(c.second, memhost::DumpDocument(model, Output()));
    host.CloseDocument(Output(), 1);
  }
  EXPECT_TRUE(statuses.empty()) << "the empty list opens no file";
  EXPECT_EQ((Names{"Empty", "Character Tags in Use", "All Character Tags"}),
            script.dialogs.at(0).items);
  EXPECT_EQ("Choose a list type", script.dialogs.at(0).text);
  EXPECT_EQ(-1, script.dialogs.at(0).defaultIndex);

  script.choices = {1};
  CommandHandler(CMD_CREATE_CONVERSION_DOC_BOOK);
  EXPECT_EQ(
      "| Source Tag | Destination Tag |\n|---|---|\n| Code |  |\n| Emphasis |  |\n"
      "| Strong |  |\n",
      memhost::DumpDocument(model, Output()));
  EXPECT_EQ(4, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, ListOfTheTagsInUseOnlyWhenEveryFileIsReadWhole) {
  // Strong and Code are used in ch2 alone, whose text cannot be read at
  // first: it is read again before the list is made.
  host.failingFile = kCh2;
  host.failingOpens = 1;
  script.choices = {1};
  CommandHandler(CMD_CREATE_CHAR_LIST_BOOK);
  EXPECT_EQ("| Tags to Keep |\n|---|\n| Code |\n| Emphasis |\n| Strong |\n",
            memhost::DumpDocument(model, Output()));
  host.CloseDocument(Output(), 1);

  // Text unread in both passes, or a file that cannot be opened: no list of
  // the tags in use, nor of all tags (the file may define tags no other does).
  for (int32_t listType : {1, 2}) {
    for (bool unopened : {false, true}) {
      host.opens = 0;
      host.failingOpens = unopened ? 0 : 2;
      model.SetFileFailures(kCh2, unopened, false);
      script.dialogs.clear();
      script.choices = {listType};
      CommandHandler(CMD_CREATE_CHAR_LIST_BOOK);
      ASSERT_EQ(2u, script.dialogs.size()) << listType << unopened;
      EXPECT_EQ("Some of the text could not be read, so no list of tags to keep was made.",
                script.dialogs[1].text);
      EXPECT_EQ(3, script.dialogs[1].alertType);
      EXPECT_EQ(0u, Output()) << listType << unopened;
    }
  }
  EXPECT_EQ(5, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, CancelledListTypeOrNoInsertionPointEndsAtOnce) {
  for (int32_t command : {CMD_CREATE_CHAR_LIST_BOOK, CMD_CREATE_CONVERSION_DOC_BOOK}) {
    script.choices.push_back(-1);
    CommandHandler(command);
    EXPECT_EQ(0u, Output()) << command;
    EXPECT_TRUE(statuses.empty()) << command;
  }
  // An output file whose window has no insertion point.
  HostSetString(0, 0, PROP_HOST_DIR, "C:\\Host");
  DocBuilder vx(model, "C:\\Host\\VxOutput.fm");
  vx.SaveAndClose("C:\\Host\\VxOutput.fm");
  for (int32_t command : {CMD_CREATE_CHAR_LIST_BOOK, CMD_CREATE_CONVERSION_DOC_BOOK}) {
    script.choices.push_back(1);
    CommandHandler(command);
  }
  ASSERT_EQ(1u, model.openDocs.size());
  EXPECT_TRUE(model.Chain(model.openDocs[0], PROP_FIRST_TBL_IN_DOC).empty());
  EXPECT_EQ(0, HostMarkDoneCount);
}

// ---- Remove Non-list Character Tags, Convert Characters: by a list ----

TEST_F(BookCommandsTest, RemoveNonlistPrunesEveryFileByTheList) {
  DocBuilder list(model, "C:\\lists\\keep.fm");
  list.Table({{"Tags to Keep"}, {"Emphasis"}, {"Code"}});
  CommandHandler(CMD_REMOVE_NONLIST_CHARS_BOOK);
  EXPECT_EQ(Names{"Are you sure you want to keep only the character tags listed?"}, Questions());
  EXPECT_EQ((Names{"Emphasis"}), Saved(kCh1));
  EXPECT_EQ((Names{"Emphasis", "Code"}), Saved(kCh2));
  EXPECT_EQ((Names{"Emphasis"}), Saved(kCh3));
  EXPECT_TRUE(StatusSeen("Processing: ch1.fm"));
  EXPECT_EQ(std::vector<ObjHandle>{list.doc}, model.openDocs);
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, MissingListsWarnAndOpenNoFile) {
  CommandHandler(CMD_REMOVE_NONLIST_CHARS_BOOK);
  CommandHandler(CMD_CONVERT_CHARS_BOOK);
  ASSERT_EQ(2u, script.dialogs.size());
  EXPECT_EQ("The list of character tags to keep could not be found.", script.dialogs[0].text);
  EXPECT_EQ("The list of character tags to convert could not be found.", script.dialogs[1].text);
  EXPECT_EQ(3, script.dialogs[0].alertType);
  EXPECT_EQ(3, script.dialogs[1].alertType);
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(2, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, CancelledQuestionsChangeNoFile) {
  DocBuilder list(model, "C:\\lists\\keep.fm");
  list.Table({{"Tags to Keep"}, {"Emphasis"}});
  list.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Default Paragraph Format"}});
  for (int32_t command :
       {CMD_REMOVE_NONLIST_CHARS_BOOK, CMD_CONVERT_CHARS_BOOK, CMD_REMOVE_CHAR_OVERRIDES_BOOK}) {
    script.alertAnswers.push_back(1);
    EXPECT_EQ(1, CommandHandler(command)) << command;
  }
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ((Names{"Emphasis", "Strong", "Note"}), Saved(kCh1));
  EXPECT_EQ("Emphasis", SavedTag(kCh3, 0, 0));
  EXPECT_EQ(3, HostMarkDoneCount);
}

TEST_F(BookCommandsTest, AKeepListThatIsAFileOfTheBookStillPrunesTheFilesAfterIt) {
  ObjHandle listDoc = OpenWithTable(kCh2, Chapter2, {{"Tags to Keep"}, {"Emphasis"}, {"Code"}});
  CommandHandler(CMD_REMOVE_NONLIST_CHARS_BOOK);
  EXPECT_EQ((Names{"Emphasis"}), Saved(kCh1));
  EXPECT_EQ((Names{"Emphasis", "Code"}), Saved(kCh2)) << "pruned by its own list";
  EXPECT_EQ((Names{"Emphasis"}), Saved(kCh3)) << "after the list's own file";
  EXPECT_TRUE(IsOpen(listDoc)) << "the list stays open for the user";
}

TEST_F(BookCommandsTest, ConvertCharactersConvertsEveryFileEvenWhenTheTableIsAFileOfTheBook) {
  ObjHandle table =
      OpenWithTable(kCh1, Chapter1,
                    {{"Source Tag", "Destination Tag"}, {"Emphasis", "Default Paragraph Format"}});
  CommandHandler(CMD_CONVERT_CHARS_BOOK);
  EXPECT_EQ(Names{"Are you sure you want to convert character tags for all files in the book?"},
            Questions());
  EXPECT_EQ("", SavedTag(kCh1, 0, 6)) << "\"stressed\" in the table's own file";
  EXPECT_EQ("Strong", SavedTag(kCh2, 0, 0)) << "not a source";
  EXPECT_EQ("", SavedTag(kCh3, 0, 0)) << "\"more\", after the table's file";
  EXPECT_TRUE(IsOpen(table));
  EXPECT_EQ(1, HostMarkDoneCount);
}

// ---- Remove Overrides ----

TEST_F(BookCommandsTest, RemoveOverridesAsksOnceAndRepairsEveryFile) {
  CommandHandler(CMD_REMOVE_CHAR_OVERRIDES_BOOK);
  EXPECT_EQ(Names{"Are you sure you want to remove character overrides for all files in the book?"},
            Questions());
  EXPECT_EQ(0, SavedWeight(kCh1, 1, 7)) << "\"heavy\" returned to its paragraph";
  EXPECT_EQ("Strong", SavedTag(kCh2, 0, 0)) << "tags are kept";
  EXPECT_TRUE(model.openDocs.empty());
  EXPECT_EQ(1, HostMarkDoneCount);
}

}  // namespace
