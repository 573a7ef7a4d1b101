// tagsmith-run knows the client only as the host and its users do: by the
// menus it registers and the client-call strings. What it knows agrees with
// the client's command table.
#include "sim/client_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "tests/sim/sim_helpers.h"

namespace {

TEST(ClientCommandsTest, TheRunnersCallStringsAreTheClientsWithTheirCommands) {
  size_t calls = 0;
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    if (row.call == nullptr) continue;
    ++calls;
    const KnownCall* known = KnownCallOf(row.call);
    ASSERT_NE(nullptr, known) << row.call;
    EXPECT_STREQ(row.tag, known->tag) << row.call;
  }
  EXPECT_EQ(calls, kKnownCallCount);
  EXPECT_STREQ(CommandRowOf(CMD_LIST_CHAR_USAGE)->call, kListUsageCall);
  EXPECT_STREQ(CommandRowOf(CMD_LIST_CHAR_USAGE_BOOK_BY_TAG)->call, kListUsageByTagCall);
  EXPECT_STREQ(CommandRowOf(CMD_FIND_NEXT_CHAR_OVERRIDE)->call, kFindNextOverrideCall);
  EXPECT_STREQ(CommandRowOf(CMD_SKIP_MASTER_PAGES)->tag, kSkipMasterPagesTag);
  EXPECT_EQ(nullptr, KnownCallOf("listcharusage"));
}

TEST(ClientCommandsTest, WhatACommandWorksOnIsReadFromTheSubmenusThatHoldIt) {
  const std::vector<MenuEntry> menu = {{false, "List", "ListDoc", 1},
                                       {false, "About", "TagsmithAbout", 1000},
                                       {true, "List", "ListBook", 7},
                                       {true, "About", "TagsmithAbout", 1000},
                                       {true, "Switch", kSkipMasterPagesTag, 13},
                                       {false, "Switch", kSkipMasterPagesTag, 13},
                                       {false, "Other", "SomethingElse", 30}};
  EXPECT_TRUE(IsDocumentOnly(menu, 1));
  EXPECT_FALSE(IsBookOnly(menu, 1));
  EXPECT_TRUE(IsBookOnly(menu, 7));
  EXPECT_FALSE(IsDocumentOnly(menu, 7));
  EXPECT_FALSE(IsBookOnly(menu, 1000));
  EXPECT_FALSE(IsDocumentOnly(menu, 1000));
  EXPECT_FALSE(IsDocumentOnly(menu, 99));
  EXPECT_STREQ("TagsmithAbout", CallStringFor(menu, 1000));
  EXPECT_EQ(nullptr, CallStringFor(menu, 7));
  EXPECT_EQ("(menu only; see --master-pages)", ListedCall(menu, menu[4]));
  EXPECT_EQ("(menu only)", ListedCall(menu, menu[6]));
}

// --list shows every command of the table under each submenu that holds it,
// with the string that runs it.
TEST(ClientCommandsTest, ListShowsEveryCommandOfTheTableWithItsString) {
  sim::ToolResult r = sim::RunTool({"--list"});
  ASSERT_EQ(0, r.status) << r.err;
  const size_t book = r.out.find("Book menu, Tools > Characters:");
  ASSERT_NE(std::string::npos, book);
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    std::string label = std::string(row.inReportMenu ? "Generate Character Tag Report > " : "") +
                        row.label;
    std::string call = row.call != nullptr ? row.call : "(menu only; see --master-pages)";
    char line[256];
    std::snprintf(line, sizeof line, "\n  %-48s %s\n", label.c_str(), call.c_str());
    size_t first = r.out.find(line);
    size_t second = first == std::string::npos ? first : r.out.find(line, first + 1);
    EXPECT_EQ(row.place.document != 0, first != std::string::npos && first < book) << line;
    bool inBook = (first != std::string::npos && first > book) ||
                  (second != std::string::npos && second > book);
    EXPECT_EQ(row.place.book != 0, inBook) << line;
  }
}

}  // namespace
