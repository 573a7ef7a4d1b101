#include "support/string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/memory.h"
#include "tests/alloc_faults.h"

namespace {

std::vector<std::string> Items(const StringList* list) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < StringListCount(list); ++i) out.emplace_back(StringListAt(list, i));
  return out;
}

StringList* ListOf(std::initializer_list<const char*> names) {
  StringList* list = StringListCreate(1, 1);
  for (const char* n : names) EXPECT_EQ(0, StringListAdd(list, n));
  return list;
}

TEST(StringList, NewListIsEmptyAndNullTerminated) {
  StringList* list = StringListCreate(1, 1);
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(0u, StringListCount(list));
  EXPECT_EQ(nullptr, StringListAt(list, 0));
  EXPECT_EQ(1u, list->capacity);
  EXPECT_EQ(nullptr, list->items[0]);
  EXPECT_EQ(nullptr, list->items[1]);
  StringListDestroy(list);
}

TEST(StringList, AddCopiesAndKeepsDuplicates) {
  char name[] = "Emphasis";
  StringList* list = ListOf({});
  EXPECT_EQ(0, StringListAdd(list, name));
  name[0] = 'X';
  EXPECT_STREQ("Emphasis", StringListAt(list, 0)) << "the list owns its copy";
  EXPECT_EQ(0, StringListAdd(list, "Emphasis"));
  EXPECT_EQ(2u, StringListCount(list));
  EXPECT_EQ(0, StringListIndexOf(list, "Emphasis"));

  EXPECT_EQ(-1, StringListAdd(list, nullptr));
  EXPECT_EQ(2u, StringListCount(list));
  EXPECT_EQ(0, StringListAdd(list, ""));
  EXPECT_EQ(2, StringListIndexOf(list, nullptr)) << "null looks up the empty string";
  StringListDestroy(list);
}

TEST(StringList, GrowthFollowsTheStepAndKeepsASpareNullSlot) {
  StringList* list = StringListCreate(1, 1);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(0, StringListAdd(list, "x"));
  EXPECT_EQ(5u, list->capacity);
  EXPECT_EQ(nullptr, list->items[5]);

  StringList* stepped = StringListCreate(2, 10);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(0, StringListAdd(stepped, "y"));
  EXPECT_EQ(12u, stepped->capacity);
  for (uint32_t i = 3; i <= 12; ++i) EXPECT_EQ(nullptr, stepped->items[i]);
  EXPECT_EQ(0, StringListReserve(stepped, 40));
  EXPECT_EQ(40u, stepped->capacity) << "a larger need wins over the step";
  EXPECT_EQ(0, StringListReserve(stepped, 7));
  EXPECT_EQ(40u, stepped->capacity);
  EXPECT_EQ(-1, StringListReserve(nullptr, 1));
  StringListDestroy(list);
  StringListDestroy(stepped);
}

TEST(StringList, AllocationFailuresLeaveTheListUsable) {
  StringList* list = ListOf({"a"});
  MemFailNth(1);  // the array growth
  EXPECT_EQ(-1, StringListAdd(list, "b"));
  MemFailNth(2);  // the copy of the string, after a successful growth
  EXPECT_EQ(-1, StringListAdd(list, "c"));
  MemFailNth(0);
  EXPECT_EQ(std::vector<std::string>{"a"}, Items(list));
  EXPECT_EQ(0, StringListAdd(list, "d"));
  EXPECT_EQ((std::vector<std::string>{"a", "d"}), Items(list));
  StringListDestroy(list);

  MemFailNth(1);
  EXPECT_EQ(nullptr, StringListCreate(1, 1));
  MemFailNth(0);
}

int g_stops = 0;
void CountStop() { ++g_stops; }

TEST(StringList, ItemArrayFailureIsAFatalStop) {
  FatalStopHandler previous = SetFatalStopHandler(CountStop);
  g_stops = 0;
  MemFailNth(2);
  EXPECT_EQ(nullptr, StringListCreate(1, 1));
  EXPECT_EQ(1, g_stops);
  MemFailNth(0);
  SetFatalStopHandler(previous);
}

TEST(StringList, ExactAndFoldedLookup) {
  StringList* list = ListOf({"Emphasis",
                             "\x80"
                             "ber"});
  EXPECT_EQ(-1, StringListIndexOf(list, "emphasis"));
  EXPECT_EQ(0, StringListIndexOfNoCase(list, "emphasis"));
  EXPECT_EQ(1, StringListIndexOfNoCase(list,
                                       "\x8A"
                                       "BER"))
      << "Roman upper-half letters fold";
  EXPECT_EQ(-1, StringListIndexOfNoCase(list, "Emph"));
  EXPECT_EQ(-1, StringListIndexOf(nullptr, "a"));
  EXPECT_EQ(-1, StringListIndexOfNoCase(nullptr, "a"));
  StringListDestroy(list);
}

TEST(StringList, RemoveShiftsDownAndIgnoresBadPositions) {
  StringList* list = ListOf({"one", "two", "three"});
  StringListRemoveAt(list, static_cast<uint32_t>(-1));
  StringListRemoveAt(list, 3);
  EXPECT_EQ(3u, StringListCount(list));
  StringListRemoveAt(list, 0);
  EXPECT_EQ((std::vector<std::string>{"two", "three"}), Items(list));
  StringListRemoveAt(list, 1);
  EXPECT_EQ(std::vector<std::string>{"two"}, Items(list));
  StringListRemoveAt(nullptr, 0);
  StringListDestroy(list);
}

TEST(StringList, RemoveIfKeepsTheOrderOfTheRest) {
  StringList* list = ListOf({"a1", "b", "a2", "c", "a3"});
  auto startsWithA = [](const char* s, void*) { return s[0] == 'a'; };
  StringListRemoveIf(list, startsWithA, nullptr);
  EXPECT_EQ((std::vector<std::string>{"b", "c"}), Items(list));
  EXPECT_EQ(nullptr, list->items[2]) << "the slot past the last item stays null";
  StringListRemoveIf(nullptr, startsWithA, nullptr);
  StringListDestroy(list);
}

TEST(StringList, RemoveIfFreesNothingBeforeEveryItemIsJudged) {
  // The predicate reads every item dropped so far, as a scan does through a
  // set of names that points into the list (AddressSanitizer tells a read
  // of a freed item).
  StringList* list = ListOf({"x1", "k1", "x2", "x3", "k2", "x4"});
  std::vector<const char*> seen;
  auto dropX = [](const char* s, void* context) {
    auto* earlier = static_cast<std::vector<const char*>*>(context);
    for (const char* e : *earlier) EXPECT_EQ('x', e[0]);
    if (s[0] != 'x') return false;
    earlier->push_back(s);
    return true;
  };
  StringListRemoveIf(list, dropX, &seen);
  EXPECT_EQ((std::vector<std::string>{"k1", "k2"}), Items(list));
  StringListDestroy(list);
}

TEST(StringList, SortIsUnsignedByteOrder) {
  StringList* list = ListOf({"Zeta", "alpha", "Beta", "10", "\x87t\x8E", "Bet"});
  StringListSort(list, StringListCompareExact);
  EXPECT_EQ((std::vector<std::string>{"10", "Bet", "Beta", "Zeta", "alpha", "\x87t\x8E"}),
            Items(list));
  StringListDestroy(list);

  StringList* empty = ListOf({});
  StringListSort(empty, StringListCompareExact);
  EXPECT_EQ(0u, StringListCount(empty));
  StringListDestroy(empty);
  StringList* one = ListOf({"only"});
  StringListSort(one, StringListCompareExact);
  EXPECT_EQ(std::vector<std::string>{"only"}, Items(one));
  StringListDestroy(one);
  StringListSort(nullptr, StringListCompareExact);
}

TEST(StringList, NullListIsHarmless) {
  EXPECT_EQ(0u, StringListCount(nullptr));
  EXPECT_EQ(nullptr, StringListAt(nullptr, 0));
  EXPECT_EQ(-1, StringListAdd(nullptr, "a"));
  StringListDestroy(nullptr);
}

}  // namespace
