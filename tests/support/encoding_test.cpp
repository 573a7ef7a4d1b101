#include "support/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/icu_api.h"
#include "support/memory.h"
#include "tests/support/host_icu_data.h"

namespace {

using testsupport::kRoman;

// Takes ownership of a converted string.
std::string Take(char* s) {
  EXPECT_NE(nullptr, s);
  std::string out = s != nullptr ? s : "";
  MemRelease(s);
  return out;
}

std::u16string TakeUtf16(char* s) {
  std::u16string out;
  for (size_t i = 0;; i += 2) {
    char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(s[i]) |
                                          (static_cast<unsigned char>(s[i + 1]) << 8));
    if (unit == 0) break;
    out.push_back(unit);
  }
  MemRelease(s);
  return out;
}

class EncodingTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetClientEncoding("FrameRoman");
    IcuOverrideEnd();
  }
  static void RequireHostConverter() {
    if (!testsupport::kHostConverterBuilt) {
      GTEST_SKIP() << "makeconv was not available to build the host converter";
    }
  }
};

TEST_F(EncodingTest, DescriptorsAreSelectedByNameIgnoringCase) {
  EXPECT_EQ(ENC_UTF8, SetClientEncoding("utf-8"));
  EXPECT_EQ(1, EncodingTablesBuilt());
  EXPECT_EQ(ENC_UTF8, SetClientEncoding("no such encoding"));
  EXPECT_EQ(ENC_UTF8, SetClientEncoding(nullptr));
  EXPECT_EQ(2, SetClientEncoding("ksc5601-1992"));
  EXPECT_EQ(ENC_FRAME_ROMAN, SetClientEncoding("FRAMEROMAN"));
  EXPECT_EQ(ENC_FRAME_ROMAN, ClientEncoding());

  EXPECT_EQ(3, EncodingNumberOf("big5"));
  EXPECT_EQ(4, EncodingNumberOf("GB2312-80.EUC"));
  EXPECT_EQ(0, EncodingNumberOf("Latin-1"));
  EXPECT_EQ(0, EncodingNumberOf(nullptr));
}

TEST_F(EncodingTest, ConverterNamesMapBothWays) {
  EXPECT_STREQ("adobe-fm-roman-windows", ConverterNameOf(0));
  EXPECT_STREQ("adobe-fm-shift-jis", ConverterNameOf(1));
  EXPECT_STREQ("UTF-8", ConverterNameOf(5));
  EXPECT_EQ(nullptr, ConverterNameOf(6));
  EXPECT_EQ(nullptr, ConverterNameOf(-1));

  EXPECT_STREQ("BIG5", DescriptorNameOfConverter("adobe-fm-big5"));
  EXPECT_STREQ("FrameRoman", DescriptorNameOfConverter(kRoman));
  EXPECT_STREQ("UTF-16", DescriptorNameOfConverter("UTF-16"));
  EXPECT_EQ(nullptr, DescriptorNameOfConverter("ADOBE-FM-BIG5")) << "exact names only";
  EXPECT_EQ(nullptr, DescriptorNameOfConverter(nullptr));
}

TEST_F(EncodingTest, Utf8Validity) {
  EXPECT_EQ(0, Utf8IsValid(nullptr));
  EXPECT_EQ(1, Utf8IsValid(""));
  EXPECT_EQ(1, Utf8IsValid("plain"));
  EXPECT_EQ(1, Utf8IsValid("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_EQ(0, Utf8IsValid("\xC3\x28"));
  EXPECT_EQ(0, Utf8IsValid("\xC0\x80")) << "C0 and C1 never lead";
  EXPECT_EQ(0, Utf8IsValid("\xE2\x82")) << "cut off by the terminator";
  EXPECT_EQ(0, Utf8IsValid("\xF5\x80\x80\x80"));
  EXPECT_EQ(0, Utf8IsValid("a\x80"));
}

TEST_F(EncodingTest, CharSafeCopyKeepsCharactersWhole) {
  char buf[8];
  const char* euro = "a\xE2\x82\xAC";
  EXPECT_EQ(1, StrCopyCharSafe(buf, euro, 4, ENC_UTF8));
  EXPECT_STREQ("a", buf);
  EXPECT_EQ(4, StrCopyCharSafe(buf, euro, 5, ENC_UTF8));
  EXPECT_STREQ(euro, buf);
  EXPECT_EQ(3, StrCopyCharSafe(buf, euro, 4, ENC_FRAME_ROMAN)) << "bytes are characters";
  EXPECT_EQ(3, StrCopyCharSafe(buf, "abc\x80\x80", 4, ENC_UTF8))
      << "stray continuation bytes cut nothing";

  // Shift-JIS pairs are counted from the start: 0x82 0x82 is one pair, so
  // the next 0x82 is a lead again.
  EXPECT_EQ(1, StrCopyCharSafe(buf, "a\x82\xA0", 3, 1));
  EXPECT_EQ(2, StrCopyCharSafe(buf, "\x82\x82\x82\xA0", 3, 1));
  EXPECT_EQ(2, StrCopyCharSafe(buf, "\x82\x82\x82\xA0", 4, 1));

  EXPECT_EQ(0, StrCopyCharSafe(nullptr, "abc", 4, 0));
  buf[0] = 'x';
  EXPECT_EQ(0, StrCopyCharSafe(buf, nullptr, 4, 0));
  EXPECT_STREQ("", buf);
  EXPECT_EQ(0, StrCopyCharSafe(buf, "abc", 1, 0));
  EXPECT_STREQ("", buf);
  buf[0] = 'x';
  EXPECT_EQ(0, StrCopyCharSafe(buf, "abc", 0, 0));
  EXPECT_EQ('x', buf[0]) << "no room, no write";
}

TEST_F(EncodingTest, CharacterLengths) {
  EXPECT_EQ(0, EncodingCharLength("", ENC_UTF8));
  EXPECT_EQ(0, EncodingCharLength(nullptr, 0));
  EXPECT_EQ(3, EncodingCharLength("\xE2\x82\xAC", ENC_UTF8));
  EXPECT_EQ(1, EncodingCharLength("\xE2\x82\xAC", ENC_FRAME_ROMAN));
  EXPECT_EQ(1, EncodingCharLength("\xE2", ENC_UTF8)) << "never past the terminator";
  EXPECT_EQ(2, EncodingCharLength("\x82\x5C", 1)) << "a trail byte equal to a backslash";
  EXPECT_EQ(1, EncodingCharLength("\x82\x1F", 1));
}

TEST_F(EncodingTest, ConvertTextShortCuts) {
  EXPECT_EQ(nullptr, ConvertText(nullptr, "UTF-8", kRoman, 0, 0));
  EXPECT_EQ("abc", Take(ConvertText("abc", nullptr, "UTF-8", 0, 0)));
  EXPECT_EQ("abc", Take(ConvertText("abc", "UTF-8", "", 0, 0)));
  EXPECT_EQ("a\x8E", Take(ConvertText("a\x8E", "no-such-set", "no-such-set", 0, 0)))
      << "equal names copy without ICU";
  EXPECT_EQ("???", Take(ConvertText("\xC3\x28", "UTF-8", kRoman, 0, 0)));
  EXPECT_EQ(u"???", TakeUtf16(ConvertText("\xC3\x28", "UTF-8", "UTF-16", 0, 0)));

  char* empty = ConvertText("", kRoman, "UTF-8", 0, 0);
  ASSERT_NE(nullptr, empty);
  EXPECT_EQ(0, empty[0]);
  EXPECT_EQ(0, empty[1]);
  MemRelease(empty);
  EXPECT_EQ("x\x8E", Take(EncodingTextToUtf8("x\x8E", 9))) << "no converter: a copy";
}

TEST_F(EncodingTest, RomanTextConvertsThroughTheHostConverter) {
  RequireHostConverter();
  // e-acute, A-umlaut, OE and oe in the host's Roman set; a tab between and a
  // newline at the end.
  EXPECT_EQ("Caf\xC3\xA9\t\xC3\x84rger \xC5\x92\xC5\x93\n",
            Take(ClientTextToUtf8("Caf\x8E\t\x80rger \xCE\xCF\n")));
  EXPECT_EQ("Caf\x8E", Take(ConvertText("Caf\xC3\xA9", "UTF-8", kRoman, 0, 0)));
  EXPECT_EQ("a\x1A", Take(ConvertText("a\xE6\xBC\xA2", "UTF-8", kRoman, 0, 0)))
      << "an unmappable character becomes the substitute byte";
  EXPECT_EQ(u"Caf\u00E9\tx", TakeUtf16(ConvertText("Caf\x8E\tx", kRoman, "UTF-16", 0, 0)));
  const char16_t units[] = u"na\u00EFve\n";
  EXPECT_EQ("na\x95ve\n",
            Take(ConvertText(reinterpret_cast<const char*>(units), "UTF-16", kRoman, 0, 0)));
  EXPECT_EQ(1, IcuDataDirectoryIsSet());
}

TEST_F(EncodingTest, MissingConverterLeavesOnlyControlBytes) {
  // The host's data holds no Shift-JIS converter.
  EXPECT_EQ("\t\n", Take(EncodingTextToUtf8("ab\tcd\n", 1)));
  EXPECT_EQ("", Take(ConvertText("ab\tcd\n", "adobe-fm-shift-jis", "UTF-8", 1, 0)))
      << "kept together, the controls go down with the run";
  EXPECT_EQ("\r", Take(ConvertText("ab\rc", kRoman, "no-such-target", 0, 0)));

  IcuOverride(nullptr);
  EXPECT_EQ(0, IcuDataDirectoryIsSet());
  EXPECT_EQ("\t", Take(ClientTextToUtf8("ab\tc")));
  IcuSetDataDirectory("/ignored");  // nothing to hand it to
}

TEST_F(EncodingTest, EscapeFlagSpellsOutUnmappableBytes) {
  EXPECT_EQ("a%X80b", Take(ConvertText("a\x80"
                                       "b",
                                       "US-ASCII", "UTF-8", 0, 1)));
  EXPECT_NE("a%X80b", Take(ConvertText("a\x80"
                                       "b",
                                       "US-ASCII", "UTF-8", 0, 0)));
}

// A table that forwards to the platform's ICU and records what each
// conversion to UTF-16 was given, to see how the text was cut into runs.
std::vector<std::string> g_runs;
int32_t RecordingToUChars(UConverter* c, UChar* dest, int32_t cap, const char* src, int32_t n,
                          UErrorCode* err) {
  if (*err == U_ZERO_ERROR && cap > 0) g_runs.emplace_back(src, static_cast<size_t>(n));
  return IcuGet()->toUChars(c, dest, cap, src, n, err);
}
IcuApi Recording() {
  IcuApi api = *IcuGet();
  api.toUChars = RecordingToUChars;
  return api;
}

TEST_F(EncodingTest, ControlBytesSplitTheTextIntoRuns) {
  RequireHostConverter();
  static const IcuApi recording = Recording();
  IcuOverride(&recording);
  g_runs.clear();
  EXPECT_EQ("x\xC3\xA9\ty\n", Take(ClientTextToUtf8("x\x8E\ty\n")));
  EXPECT_EQ((std::vector<std::string>{"x\x8E", "y"}), g_runs);

  g_runs.clear();
  EXPECT_EQ("x\xC3\xA9\ty\n", Take(ConvertText("x\x8E\ty\n", kRoman, "UTF-8", 1, 0)));
  EXPECT_EQ(std::vector<std::string>{"x\x8E\ty\n"}, g_runs);

  g_runs.clear();
  EXPECT_EQ("\x01\x02", Take(ClientTextToUtf8("\x01\x02")));
  EXPECT_TRUE(g_runs.empty()) << "empty runs never reach ICU";
}

}  // namespace
