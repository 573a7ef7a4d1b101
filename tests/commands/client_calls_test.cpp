#include "commands/client_calls.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "support/encoding.h"
#include "tests/test_support.h"

namespace {

using memhost::BookBuilder;
using memhost::DocBuilder;
using R = memhost::Run;

// A host in which every command has something to do: an active document
// with a used and an unused format and an override, a book of one file, and
// an open document holding both kinds of list. Questions are confirmed and
// the first choice of every list is "Character Tags in Use" (index 1).
struct World {
  memhost::HostStack host;
  World() {
    HostInstall(&host.faults);
    {
      DocBuilder file(host.model, "C:\\docs\\b1.fm");
      file.CharFormat("Emphasis");
      file.CharFormat("Spare");
      file.Para({R("in the book", "Emphasis")});
      file.SaveAndClose("C:\\docs\\b1.fm");
    }
    BookBuilder book(host.model, "C:\\docs\\manual.book");
    book.File("C:\\docs\\b1.fm");
    DocBuilder lists(host.model, "C:\\docs\\lists.fm");
    lists.Table({{"Tags to Keep"}, {"Emphasis"}});
    lists.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Default Paragraph Format"}});
    DocBuilder active(host.model, "C:\\docs\\active.fm");
    active.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
    active.CharFormat("Spare");
    active.Para({R("plain "), R("stressed", "Emphasis"), R(" heavy", "", {{PROP_FONT_WEIGHT, 1}})});
    host.faults.SetTextRange(0, active.doc, PROP_TEXT_SELECTION,
                             TextRange{{active.firstPgf, 0}, {active.firstPgf, 0}});
    host.script.choices = {1, 1};
    host.faults.recordCalls = true;
  }
  ~World() { HostInstall(nullptr); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;
};

// What `run` does in a fresh world: every host call in order, the text of
// every dialog, and whether the command ended with HostMarkDone.
template <typename F>
std::vector<std::string> TraceOf(F run) {
  auto world = std::make_unique<World>();
  HostMarkDoneCount = 0;
  run();
  std::vector<std::string> trace = world->host.faults.callLog;
  for (const auto& d : world->host.script.dialogs) trace.push_back(d.text);
  trace.push_back("done " + std::to_string(HostMarkDoneCount));
  return trace;
}

std::vector<std::string> TraceOfString(const char* s, int32_t note = NOTE_CLIENT_CALL) {
  return TraceOf([s, note] { NotifyHandler(note, 0, s, 0); });
}

const std::vector<std::pair<const char*, int32_t>> kStrings = {
    {"TagsmithAbout", CMD_ABOUT},
    {"ListCharUsage", CMD_LIST_CHAR_USAGE},
    {"ListCharUsageBook", CMD_LIST_CHAR_USAGE_BOOK},
    {"ListCharUsageBookIndividual", CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL},
    {"ListCharUsageBookByTag", CMD_LIST_CHAR_USAGE_BOOK_BY_TAG},
    {"DeleteUnusedChars", CMD_DELETE_UNUSED_CHARS},
    {"DeleteUnusedCharsBook", CMD_DELETE_UNUSED_CHARS_BOOK},
    {"CreateCharList", CMD_CREATE_CHAR_LIST},
    {"CreateConversionDocument", CMD_CREATE_CONVERSION_DOC},
    {"CreateCharListBook", CMD_CREATE_CHAR_LIST_BOOK},
    {"CreateConversionDocumentBook", CMD_CREATE_CONVERSION_DOC_BOOK},
    {"RemoveNonlistChars", CMD_REMOVE_NONLIST_CHARS},
    {"RemoveNonlistCharsBook", CMD_REMOVE_NONLIST_CHARS_BOOK},
    {"ConvertCharsDoc", CMD_CONVERT_CHARS},
    {"ConvertCharsBook", CMD_CONVERT_CHARS_BOOK},
    {"RemoveCharOverrides", CMD_REMOVE_CHAR_OVERRIDES},
    {"RemoveCharOverridesBook", CMD_REMOVE_CHAR_OVERRIDES_BOOK},
    {"FindNextCharOverride", CMD_FIND_NEXT_CHAR_OVERRIDE},
    {"GenerateCharacterTagReport", CMD_CHAR_TAG_REPORT_ALL},
    {"GenerateCharacterTagReportSingle", CMD_CHAR_TAG_REPORT_SELECTED},
};

class ClientCallsTest : public ::testing::Test {
 protected:
  testsupport::ScopedClientEncoding encoding{"UTF-8"};
};

TEST_F(ClientCallsTest, EveryStringRunsItsCommandExactlyAsTheMenuDoes) {
  std::set<std::vector<std::string>> distinct;
  for (const auto& entry : kStrings) {
    std::vector<std::string> menu = TraceOf([&entry] { CommandHandler(entry.second); });
    EXPECT_EQ(menu, TraceOfString(entry.first)) << entry.first;
    distinct.insert(menu);
  }
  // Every command leaves a trace of its own here, so a string that ran some
  // other command could not have matched above.
  EXPECT_EQ(kStrings.size(), distinct.size());
}

TEST_F(ClientCallsTest, AStringRunsTheCommandWithItsOwnChecks) {
  memhost::HostStack empty;
  HostInstall(&empty.faults);
  HostMarkDoneCount = 0;
  NotifyHandler(NOTE_CLIENT_CALL, 0, "ListCharUsage", 0);
  ASSERT_EQ(1u, empty.script.dialogs.size());
  EXPECT_EQ("Please open a document first.", empty.script.dialogs[0].text);
  EXPECT_EQ(0, HostMarkDoneCount) << "ends at once, as from the menu";
  EXPECT_TRUE(empty.model.openDocs.empty());
  HostInstall(nullptr);
}

TEST_F(ClientCallsTest, MenuTagsThatDifferFromTheStringsRunNothing) {
  const std::vector<std::string> nothing = {"done 0"};
  for (const char* tag :
       {"ListCharUsageBookIndividualFile", "CharUsageBookByFormat", "CreateCharConversionDocument",
        "CreateCharConversionDocumentBook", "ConvertCharsInDoc", "SkipMasterPages"}) {
    EXPECT_EQ(nothing, TraceOfString(tag)) << tag;
  }
}

TEST_F(ClientCallsTest, OnlyTheWholeStringInItsOwnCaseRunsACommand) {
  const std::vector<std::string> nothing = {"done 0"};
  for (const char* s :
       {"listcharusage", "LISTCHARUSAGE", "ListCharUsage ", " ListCharUsage", "ListCharUsag",
        "ListCharUsageBookX", "", "SetDocId 42", "SetBookId 7", "SetDocId"}) {
    EXPECT_EQ(nothing, TraceOfString(s)) << '"' << s << '"';
  }
  EXPECT_EQ(nothing, TraceOfString(nullptr));
}

TEST_F(ClientCallsTest, OtherNotificationsAreIgnored) {
  const std::vector<std::string> nothing = {"done 0"};
  for (int32_t note : {0, 1, 12, 14, 75}) {
    EXPECT_EQ(nothing, TraceOfString("TagsmithAbout", note)) << note;
  }
}

}  // namespace
