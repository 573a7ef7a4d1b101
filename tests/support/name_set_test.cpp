#include "support/name_set.h"

#include <gtest/gtest.h>

#include <string>

#include "support/memory.h"
#include "tests/alloc_faults.h"

namespace {

TEST(NameSet, FoldedAndExactSetsAcrossGrowth) {
  NameSet folded = NewNameSet(true, true);
  NameSet exact = NewNameSet(false, true);
  for (int i = 0; i < 200; ++i) {  // past several doublings of the table
    std::string name = "Tag" + std::to_string(i);
    NameSetAdd(&folded, name.c_str());
    NameSetAdd(&exact, name.c_str());
  }
  NameSetAdd(&folded, "TAG7");  // already there, ignoring case
  EXPECT_EQ(200u, folded.count);
  EXPECT_STREQ("Tag7", NameSetFind(&folded, "tAG7"));
  EXPECT_TRUE(NameSetContains(&exact, "Tag199"));
  EXPECT_FALSE(NameSetContains(&exact, "tag199"));
  EXPECT_FALSE(NameSetContains(&folded, "Tag200"));
  NameSetRelease(&folded);
  NameSetRelease(&exact);
  EXPECT_FALSE(NameSetContains(&folded, "Tag7"));
}

TEST(NameSet, FailedGrowthMarksTheSetIncomplete) {
  NameSet set = NewNameSet(false, true);
  MemFailNth(1);
  NameSetAdd(&set, "Emphasis");
  MemFailNth(0);
  EXPECT_FALSE(set.complete);
  NameSetAdd(&set, "Strong");  // an incomplete set takes no more names
  EXPECT_EQ(0u, set.count);
  NameSetRelease(&set);
}

TEST(NameSet, ListIndexPointsAtTheListsStrings) {
  StringList* list = StringListCreate(4, 4);
  ASSERT_EQ(0, StringListAdd(list, "Emphasis"));
  ASSERT_EQ(0, StringListAdd(list, "EMPHASIS"));
  NameSet set = NameSetOfList(list, true);
  EXPECT_TRUE(set.complete);
  EXPECT_EQ(1u, set.count);
  EXPECT_EQ(StringListAt(list, 0), NameSetFind(&set, "emphasis"));
  NameSetRelease(&set);
  StringListDestroy(list);
}

}  // namespace
