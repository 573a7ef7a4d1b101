// The command table holds together: what the menus, the handler and the
// runner (which sees only the menus) read from it agrees.
#include "commands/command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/menus.h"
#include "tests/host_test.h"

namespace {

TEST(CommandTableTest, NumbersTagsAndStringsNameOneCommandEach) {
  std::set<int32_t> numbers;
  std::set<std::string> tags;
  std::set<std::string> calls;
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    EXPECT_TRUE(numbers.insert(row.number).second) << row.number;
    EXPECT_TRUE(tags.insert(row.tag).second) << row.tag;
    EXPECT_EQ(&row, CommandRowOf(row.number));
    if (row.call != nullptr) {
      EXPECT_TRUE(calls.insert(row.call).second) << row.call;
      EXPECT_EQ(&row, CommandRowOfCall(row.call));
    }
  }
  EXPECT_EQ(nullptr, CommandRowOf(14));
  EXPECT_EQ(nullptr, CommandRowOfCall(nullptr));
}

// The runner tells what a command works on by the submenus that hold it.
TEST(CommandTableTest, WhatACommandWorksOnFollowsTheSubmenusThatHoldIt) {
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    bool document = row.place.document != 0;
    bool book = row.place.book != 0;
    if (!document && !book) {
      // Reached by its client-call string alone, which then says the rest.
      EXPECT_NE(nullptr, row.call) << row.tag << " is in no submenu and has no string";
      EXPECT_NE(ON_NEITHER, row.target) << row.tag;
      EXPECT_EQ(row.target == ON_BOOK, IsBookCommand(row.number)) << row.tag;
      continue;
    }
    CommandTarget expected = document && book ? ON_NEITHER : book ? ON_BOOK : ON_DOCUMENT;
    EXPECT_EQ(expected, row.target) << row.tag;
    EXPECT_EQ(row.target == ON_BOOK, IsBookCommand(row.number)) << row.tag;
    EXPECT_TRUE(!row.inReportMenu || (document && !book)) << row.tag;
  }
}

// Groups are parted by the host's separators: each submenu's groups follow
// one another with none left out, and there are no more than separators.
TEST(CommandTableTest, EachSubmenuHasItsGroupsInOrderWithoutGaps) {
  for (bool book : {false, true}) {
    std::set<int> groups;
    for (size_t i = 0; i < kCommandCount; ++i) {
      groups.insert(book ? kCommandTable[i].place.book : kCommandTable[i].place.document);
    }
    groups.erase(0);
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(1, *groups.begin());
    EXPECT_EQ(static_cast<int>(groups.size()), *groups.rbegin()) << (book ? "book" : "document");
    EXPECT_LE(groups.size(), 7u) << "six separators part seven groups";
  }
}

class CommandTableHostTest : public HostTest {};

TEST_F(CommandTableHostTest, EveryRowInAMenuIsACommandOfTheHostWithItsNumberAndLabel) {
  InitializeHandler(1);
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    ObjHandle command = model.NamedObject(0, OBJ_COMMAND, row.tag);
    if (row.place.document == 0 && row.place.book == 0) {
      // A command run by its string alone adds nothing the host's users see.
      EXPECT_EQ(0u, command) << row.tag;
      continue;
    }
    ASSERT_NE(0u, command) << row.tag;
    EXPECT_EQ(row.number, model.CommandNumberOf(command)) << row.tag;
    EXPECT_EQ(row.label, model.StringProp(command, PROP_LABEL)) << row.tag;
    EXPECT_EQ(row.shortcut, model.ShortcutOf(command)) << row.tag;
    EXPECT_EQ(row.switchedOn ? 1 : 0, model.IntProp(command, PROP_CHECK_MARK_IS_ON)) << row.tag;
  }
}

}  // namespace
