#include "support/strings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/language.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"

namespace {

TEST(Strings, NullReadsAsEmptyInComparisons) {
  EXPECT_EQ(1, StrEquals(nullptr, ""));
  EXPECT_EQ(1, StrEquals(nullptr, nullptr));
  EXPECT_EQ(0, StrEquals(nullptr, "a"));
  EXPECT_EQ(0, StrEquals("Body", "body"));

  EXPECT_EQ(1, StrStartsWith("Heading", ""));
  EXPECT_EQ(1, StrStartsWith("Heading", nullptr));
  EXPECT_EQ(1, StrStartsWith(nullptr, nullptr));
  EXPECT_EQ(0, StrStartsWith(nullptr, "a"));
  EXPECT_EQ(1, StrStartsWith("Heading1", "Head"));
  EXPECT_EQ(0, StrStartsWith("ab", "abc")) << "a string shorter than the prefix";

  EXPECT_EQ(0, StrLength(nullptr));
  EXPECT_EQ(5, StrLength("hello"));
}

TEST(Strings, CompareIsUnsignedByteOrder) {
  EXPECT_LT(StrCompare("Zebra", "apple"), 0);
  EXPECT_EQ(0, StrCompare(nullptr, ""));
  EXPECT_EQ(0, StrCompare("same", "same"));
  EXPECT_LT(StrCompare("abc", "abcd"), 0);
  EXPECT_GT(StrCompare("\x8A", "z"), 0) << "upper-half bytes sort after ASCII";
  EXPECT_EQ(0x8A - 'z', StrCompare("\x8A", "z"));
  EXPECT_GT(StrCompare("a", nullptr), 0);
}

TEST(Strings, IndexOfAndFindChar) {
  EXPECT_EQ(0, StrIndexOf("abc", ""));
  EXPECT_EQ(-1, StrIndexOf("", ""));
  EXPECT_EQ(-1, StrIndexOf(nullptr, "a"));
  EXPECT_EQ(-1, StrIndexOf("abc", nullptr));
  EXPECT_EQ(1, StrIndexOf("aab", "ab"));
  EXPECT_EQ(-1, StrIndexOf("ab", "abc"));
  EXPECT_EQ(2, StrIndexOf("xyXYZ", "XY"));
  EXPECT_EQ(-1, StrIndexOf("xyz", "XY"));

  const char* s = "a/b/c";
  EXPECT_EQ(s + 1, StrFindChar(s, '/'));
  EXPECT_EQ(nullptr, StrFindChar(s, '\0'));
  EXPECT_EQ(nullptr, StrFindChar(nullptr, 'a'));
  EXPECT_EQ(nullptr, StrFindChar(s, 'q'));
}

TEST(Strings, DuplicateAndAllocate) {
  EXPECT_EQ(nullptr, StrDuplicate(nullptr));
  const char* empty = "";
  char* copy = StrDuplicate(empty);
  ASSERT_NE(nullptr, copy);
  EXPECT_NE(empty, copy);
  EXPECT_STREQ("", copy);
  MemRelease(copy);

  char* room = StrAllocate(5);
  ASSERT_NE(nullptr, room);
  EXPECT_STREQ("", room);
  std::memcpy(room, "12345", 5);  // n bytes of room plus the terminator
  EXPECT_STREQ("12345", room);
  MemRelease(room);
  EXPECT_EQ(nullptr, StrAllocate(-1));

  MemFailNth(1);
  EXPECT_EQ(nullptr, StrDuplicate("x"));
  MemFailNth(0);
}

TEST(Strings, CopiesAndAppendsStayInBounds) {
  char buf[8];
  StrCopyInto(buf, nullptr);
  EXPECT_STREQ("", buf);
  StrCopyInto(buf, "abc");
  EXPECT_STREQ("abc", buf);
  StrCopyInto(nullptr, "abc");

  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(3, StrCopyBounded(buf, "abcdef", 4));
  EXPECT_STREQ("abc", buf);
  EXPECT_EQ(0, StrCopyBounded(buf, "abc", 0));
  EXPECT_STREQ("", buf);
  EXPECT_EQ(0, StrCopyBounded(nullptr, "abc", 4));
  EXPECT_EQ(0, StrCopyBounded(buf, nullptr, 4));
  EXPECT_STREQ("", buf);

  StrCopyInto(buf, "ab");
  EXPECT_EQ(2, StrAppend(buf, nullptr));
  EXPECT_EQ(2, StrAppend(buf, ""));
  EXPECT_STREQ("ab", buf);
  EXPECT_EQ(4, StrAppend(buf, "cd"));
  EXPECT_EQ(0, StrAppend(nullptr, "cd"));

  EXPECT_EQ(5, StrAppendBounded(buf, "efgh", 6));
  EXPECT_STREQ("abcde", buf);
  EXPECT_EQ(5, StrAppendBounded(buf, "z", 6));
  EXPECT_EQ(5, StrAppendChar(buf, 'z', 6));
  EXPECT_EQ(6, StrAppendChar(buf, 'z', 7));
  EXPECT_STREQ("abcdez", buf);

  StrTruncateAt(buf, 2);
  EXPECT_STREQ("ab", buf);
  StrTruncateAt(nullptr, 2);
}

TEST(Strings, TrimOnlyTouchesSpaces) {
  char a[] = "x \t ";
  StrTrimTrailingSpaces(a);
  EXPECT_STREQ("x \t", a);
  char b[] = "   x ";
  StrTrimLeadingSpaces(b);
  EXPECT_STREQ("x ", b);
  char c[] = "   ";
  StrTrimLeadingSpaces(c);
  EXPECT_STREQ("", c);
  char d[] = "\tx";
  StrTrimLeadingSpaces(d);
  EXPECT_STREQ("\tx", d);
  StrTrimTrailingSpaces(nullptr);
  StrTrimLeadingSpaces(nullptr);
}

TEST(Strings, ParseIntFollowsTheRunTime) {
  EXPECT_EQ(0, StrParseInt(nullptr));
  EXPECT_EQ(0, StrParseInt("abc"));
  EXPECT_EQ(-42, StrParseInt("  -42abc"));
  EXPECT_EQ(17, StrParseInt("+17"));
  EXPECT_EQ(INT32_MAX, StrParseInt("99999999999999999999"));
  EXPECT_EQ(INT32_MIN, StrParseInt("-99999999999999999999"));
}

TEST(Language, NamesOneToFortyTwo) {
  EXPECT_STREQ("usenglish", LanguageNameOf(1));
  EXPECT_STREQ("traditionalchinese", LanguageNameOf(19));
  EXPECT_STREQ("simplifiedchinese", LanguageNameOf(20));
  EXPECT_STREQ("newgerman", LanguageNameOf(22));
  EXPECT_STREQ("thai", LanguageNameOf(41));
  EXPECT_STREQ("farsi", LanguageNameOf(42));
  EXPECT_EQ(nullptr, LanguageNameOf(0));
  EXPECT_EQ(nullptr, LanguageNameOf(43));
  EXPECT_EQ(nullptr, LanguageNameOf(-1));
  EXPECT_EQ(nullptr, LanguageNameOf(INT32_MIN));
  for (int32_t n = 1; n <= 42; ++n) EXPECT_NE(nullptr, LanguageNameOf(n)) << n;
}

TEST(Strings, AppendGrowGrowsOwnedStringsAndTreatsNullAsEmpty) {
  char* s = nullptr;
  EXPECT_EQ(0, StrAppendGrow(&s, "Examining: "));
  EXPECT_EQ(0, StrAppendGrow(&s, nullptr));
  EXPECT_EQ(0, StrAppendGrow(&s, "ch1.fm"));
  EXPECT_STREQ("Examining: ch1.fm", s);
  MemFailNth(1);
  EXPECT_EQ(-1, StrAppendGrow(&s, "more"));
  MemFailNth(0);
  EXPECT_STREQ("Examining: ch1.fm", s) << "unchanged when memory runs out";
  StrReleaseAndClear(&s);
  EXPECT_EQ(-1, StrAppendGrow(nullptr, "x"));
}

}  // namespace
