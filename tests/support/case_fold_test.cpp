#include "support/case_fold.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CaseFold, TableIsIdentityExceptFiftyFiveLetters) {
  int changed = 0;
  for (int c = 0; c < 256; ++c) {
    if (CaseFoldTable[c] != c) ++changed;
  }
  EXPECT_EQ(55, changed);
  for (int c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(c + 0x20, CaseFoldTable[c]);
  for (int c = 'a'; c <= 'z'; ++c) EXPECT_EQ(c, CaseFoldTable[c]);
}

TEST(CaseFold, UpperHalfMapsExactlyAsTheRomanSet) {
  const unsigned char pairs[][2] = {
      {0x80, 0x8A}, {0x81, 0x8C}, {0x82, 0x8D}, {0x83, 0x8E}, {0x84, 0x96}, {0x85, 0x9A},
      {0x86, 0x9F}, {0xAE, 0xBE}, {0xAF, 0xBF}, {0xCB, 0x88}, {0xCC, 0x8B}, {0xCD, 0x9B},
      {0xCE, 0xCF}, {0xD9, 0xD8}, {0xE5, 0x89}, {0xE6, 0x90}, {0xE7, 0x87}, {0xE8, 0x91},
      {0xE9, 0x8F}, {0xEA, 0x92}, {0xEB, 0x94}, {0xEC, 0x95}, {0xED, 0x93}, {0xEE, 0x97},
      {0xEF, 0x99}, {0xF1, 0x98}, {0xF2, 0x9C}, {0xF3, 0x9E}, {0xF4, 0x9D}};
  for (const auto& p : pairs) {
    EXPECT_EQ(p[1], CaseFoldTable[p[0]]) << std::hex << int(p[0]);
    EXPECT_EQ(p[1], CaseFoldTable[p[1]]) << "lower-case letters map to themselves";
  }
  // Neighbours of mapped bytes stay themselves.
  EXPECT_EQ(0x87, CaseFoldTable[0x87]);
  EXPECT_EQ(0xF0, CaseFoldTable[0xF0]);
  EXPECT_EQ(0xF5, CaseFoldTable[0xF5]);
  EXPECT_EQ(0xD8, CaseFoldTable[0xD8]);
}

TEST(CaseFold, CompareUsesFoldedBytes) {
  EXPECT_GT(StrCompareNoCase("Zebra", "apple"), 0);
  EXPECT_EQ(0x7A - 0x61, StrCompareNoCase("Zebra", "apple"));
  EXPECT_EQ(0, StrCompareNoCase("Characters", "characters"));
  EXPECT_EQ(0, StrCompareNoCase(nullptr, ""));
  EXPECT_EQ(0, StrCompareNoCase(nullptr, nullptr));
  EXPECT_EQ('s', StrCompareNoCase("Characters", "Character"));
  EXPECT_EQ(-'s', StrCompareNoCase("Character", "CHARACTERS"));
  // Bytes above 0x7F compare as unsigned values.
  EXPECT_GT(StrCompareNoCase("\xC0", "z"), 0);
}

TEST(CaseFold, EqualityThroughTheTable) {
  EXPECT_TRUE(StrEqualsNoCase("\x80", "\x8A"));
  EXPECT_TRUE(StrEqualsNoCase("\xD9", "\xD8"));
  EXPECT_FALSE(StrEqualsNoCase("\xD8", "\x59"));
  EXPECT_FALSE(StrEqualsNoCase("\xF0", "\x98"));
  EXPECT_TRUE(StrEqualsNoCase("EMPHASIS", "emphasis"));
  EXPECT_FALSE(StrEqualsNoCase("Emphasis", "Emphasis "));
  EXPECT_TRUE(StrEqualsNoCase(nullptr, ""));
}

}  // namespace
