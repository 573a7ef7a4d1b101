#include "support/case_fold.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/host_icu_data.h"

namespace {

// The single-byte characters of every encoding the client supports are ASCII,
// and there the table folds as ICU does, converter data or not.
TEST(CaseFold, AsciiFoldsAsIcuFolds) {
  for (UChar32 c = 0; c < 0x80; ++c) {
    EXPECT_EQ(u_foldCase(c, U_FOLD_CASE_DEFAULT), CaseFoldTable[c]) << "U+" << std::hex << c;
  }
}

// Every byte of the host's Roman set, through the host's converter: its
// character, ICU's simple case folding of it, and back into the set. Two
// characters fold to one the set does not have (micro sign to Greek mu, Omega
// to omega); they stay themselves. Above 0x7F the table is the Roman set's
// only: in a multi-byte encoding those bytes are parts of characters, which
// no byte table can fold, and the client's names are always Roman.
TEST(CaseFold, TableIsIcuFoldingOfTheRomanSet) {
  if (!testsupport::kHostConverterBuilt) {
    GTEST_SKIP() << "makeconv was not available to build the host converter";
  }
  UErrorCode err = U_ZERO_ERROR;
  std::unique_ptr<UConverter, void (*)(UConverter*)> roman(ucnv_open(testsupport::kRoman, &err),
                                                           ucnv_close);
  ASSERT_TRUE(U_SUCCESS(err)) << u_errorName(err);
  ucnv_setFromUCallBack(roman.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ASSERT_TRUE(U_SUCCESS(err)) << u_errorName(err);

  std::vector<int> outsideTheSet;
  int folded = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const char in = static_cast<char>(byte);
    UChar character[2] = {};
    err = U_ZERO_ERROR;
    ASSERT_EQ(1, ucnv_toUChars(roman.get(), character, 2, &in, 1, &err)) << byte;
    ASSERT_TRUE(U_SUCCESS(err)) << u_errorName(err);
    const UChar32 lower = u_foldCase(character[0], U_FOLD_CASE_DEFAULT);
    int expected = byte;
    if (lower != character[0]) {
      ASSERT_LE(lower, 0xFFFF);
      const UChar unit = static_cast<UChar>(lower);
      char out[4] = {};
      err = U_ZERO_ERROR;
      if (ucnv_fromUChars(roman.get(), out, sizeof out, &unit, 1, &err) == 1 && U_SUCCESS(err)) {
        expected = static_cast<unsigned char>(out[0]);
        ++folded;
      } else {
        outsideTheSet.push_back(byte);
      }
    }
    EXPECT_EQ(expected, CaseFoldTable[byte])
        << "byte 0x" << std::hex << byte << ", U+" << character[0] << " folds to U+" << lower;
  }
  EXPECT_EQ(55, folded);
  EXPECT_EQ((std::vector<int>{0xB5, 0xBD}), outsideTheSet);
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
