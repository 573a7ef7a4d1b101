// The compact lists the model keeps for each object read the same as the
// plain vectors they stand for, whatever is done to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "memhost/char_prop_indexes.h"
#include "memhost/model.h"
#include "memhost/prop_store.h"
#include "memhost/rare_list.h"

namespace memhost {
namespace {

std::vector<uint32_t> Plain(const CharPropIndexes& list) {
  std::vector<uint32_t> out;
  for (size_t k = 0; k < list.size(); ++k) out.push_back(list[k]);
  return out;
}

// Random edits of a paragraph's indexes, the few values making runs of one
// index common, checked against a vector after each.
TEST(CharPropIndexesTest, ReadsAsAVectorThroughAnyEdits) {
  std::mt19937 random(29);
  for (int round = 0; round < 200; ++round) {
    CharPropIndexes list;
    std::vector<uint32_t> want;
    for (int step = 0; step < 40; ++step) {
      uint32_t index = random() % 3;
      size_t at = want.empty() ? 0 : random() % (want.size() + 1);
      switch (random() % 5) {
        case 0:
        case 1: {
          size_t n = random() % 4;
          list.Insert(at, n, index);
          want.insert(want.begin() + static_cast<std::ptrdiff_t>(at), n, index);
          break;
        }
        case 2:
          if (at < want.size()) {
            list.Set(at, index);
            want[at] = index;
            if (random() % 2 == 0) list.Settle();
          }
          break;
        case 3:
          list = list.Tail(at);
          want.erase(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(at));
          break;
        case 4:
          list.Truncate(at);
          want.resize(std::min(want.size(), at));
          break;
      }
      ASSERT_EQ(want, Plain(list)) << "round " << round << " step " << step;
      CharPropIndexes copy = list;
      ASSERT_EQ(want, Plain(copy));
    }
  }
}

TEST(CharPropIndexesTest, AParagraphOfOneFontHoldsNoIndexPerPosition) {
  CharPropIndexes list;
  list.Insert(0, 1000, 7);
  list.Insert(500, 10, 7);
  EXPECT_TRUE(list.uniform());
  list.Set(3, 8);
  EXPECT_FALSE(list.uniform());
  list.Set(3, 7);
  list.Settle();
  EXPECT_TRUE(list.uniform());
  EXPECT_EQ(1010u, list.size());
  EXPECT_EQ(7u, list[1009]);
}

TEST(SharedPropsTest, ACopyIsSharedUntilEitherChanges) {
  PropStore a;
  PropSlot(&a, PROP_NAME).s = "Body";
  PropStore b = a;
  EXPECT_TRUE(a.SharesWith(b));
  PropSlot(&b, PROP_FONT_SIZE).i = 14;
  EXPECT_FALSE(a.SharesWith(b));
  EXPECT_EQ(nullptr, FindProp(a, PROP_FONT_SIZE));
  ASSERT_NE(nullptr, FindProp(b, PROP_NAME));
  EXPECT_EQ("Body", FindProp(b, PROP_NAME)->s);
  // The last holder of a block frees it; a leak would fail under the
  // address sanitizer.
  PropStore c = std::move(a);
  EXPECT_TRUE(a.empty());
  c = b;
  EXPECT_TRUE(c.SharesWith(b));
}

TEST(RareListTest, EmptiedListsGoBackToOnePointer) {
  RareList<int> list;
  list.push_back(1);
  list.push_back(2);
  list.push_back(3);
  list.erase(list.begin() + 1);
  EXPECT_EQ((std::vector<int>{1, 3}), list);
  list.erase(list.begin(), list.end());
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(nullptr, list.begin());

  RareBox<ChainLink> box;
  EXPECT_FALSE(box.has());
  EXPECT_EQ(0, box.get().chain);
  box.Own().next = 5;
  RareBox<ChainLink> copy = box;
  copy.Own().next = 6;
  EXPECT_EQ(5u, box.get().next);
}

}  // namespace
}  // namespace memhost
