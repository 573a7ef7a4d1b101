#include "support/format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/encoding.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"

namespace {

std::vector<std::string> g_console;
int32_t Capture(const char* utf8) {
  g_console.emplace_back(utf8);
  return 0;
}

class FormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_console.clear();
    previous_ = SetConsoleSink(Capture);
  }
  void TearDown() override {
    SetConsoleSink(previous_);
    SetClientEncoding("FrameRoman");
    MemFailNth(0);
  }
  ConsoleSink previous_ = nullptr;
};

TEST_F(FormatTest, StrFormatRendersDirectivesAndTerminates) {
  char buf[512];
  EXPECT_EQ(15, StrFormat(buf, "%d|%s|%.2f|%x%%", -12, "ab", 1.505, 255u));
  EXPECT_STREQ("-12|ab|1.50|ff%", buf);
  EXPECT_EQ(0, StrFormat(nullptr, "%d", 1));
  EXPECT_EQ(0, StrFormat(buf, nullptr));
  EXPECT_STREQ("", buf);
  StrFormat(buf, "%ld %lld %u %c %5s|%-4d|", 1234567890123L, -5LL, 7u, 'q', "ab", 3);
  EXPECT_STREQ("1234567890123 -5 7 q    ab|3   |", buf);
}

TEST_F(FormatTest, NullStringRendersEmpty) {
  char buf[64];
  EXPECT_EQ(7, StrFormat(buf, "[%s][%3s]", static_cast<const char*>(nullptr),
                         static_cast<const char*>(nullptr)));
  EXPECT_STREQ("[][   ]", buf) << "width still applies to the empty text";
}

TEST_F(FormatTest, StarsTakeIntArguments) {
  char buf[64];
  StrFormat(buf, "[%*d][%-*d][%.*s][%*.*f]", 4, 7, 3, 8, 2, "abcdef", 6, 1, 2.25);
  EXPECT_STREQ("[   7][8  ][ab][   2.2]", buf);
  StrFormat(buf, "[%*s]", -4, "x");
  EXPECT_STREQ("[x   ]", buf) << "a negative width left-justifies";
  StrFormat(buf, "[%.*s]", -1, "whole");
  EXPECT_STREQ("[whole]", buf) << "a negative precision is no precision";
}

TEST_F(FormatTest, LongStringArgumentsGrowTheWorkBuffer) {
  std::string longText(1000, 'x');
  std::vector<char> buf(4096);
  int32_t n = StrFormat(buf.data(), "<%s>", longText.c_str());
  EXPECT_EQ(1002, n);
  EXPECT_EQ("<" + longText + ">", std::string(buf.data()));
  n = StrFormat(buf.data(), "%2000s", "r");
  EXPECT_EQ(2000, n);
  EXPECT_EQ('r', buf[1999]);
  EXPECT_EQ(' ', buf[0]);
  n = StrFormat(buf.data(), "%.3s", longText.c_str());
  EXPECT_EQ(3, n);
}

TEST_F(FormatTest, FailedGrowthStopsWithWhatWasEmitted) {
  char buf[64];
  std::string longText(600, 'y');
  MemFailNth(1);
  int32_t n = StrFormat(buf, "head %s tail", longText.c_str());
  EXPECT_EQ(5, n);
  EXPECT_STREQ("head ", buf);
}

TEST_F(FormatTest, OtherDirectivesNeverRenderMoreThan255Bytes) {
  std::vector<char> buf(1024);
  EXPECT_EQ(255, StrFormat(buf.data(), "%400d", 1));
  EXPECT_EQ(255u, std::string(buf.data()).size());
}

TEST_F(FormatTest, CountDirectivesStoreTheRunningTotal) {
  char buf[64];
  int32_t whole = -1;
  short half = -1;
  signed char tiny = -1;
  long wide = -1;
  StrFormat(buf, "abc%n%d%hn|%hhn%ln", &whole, 12345, &half, &tiny, &wide);
  EXPECT_STREQ("abc12345|", buf);
  EXPECT_EQ(3, whole);
  EXPECT_EQ(8, half);
  EXPECT_EQ(9, tiny);
  EXPECT_EQ(9, wide);
}

TEST_F(FormatTest, UnfinishedDirectiveIsShownAsWritten) {
  char buf[64];
  EXPECT_EQ(5, StrFormat(buf, "ab%-5"));
  EXPECT_STREQ("ab%-5", buf);
}

TEST_F(FormatTest, CharacterDirectiveNeedsAUtf8Client) {
  char buf[64];
  const char* euro = "\xE2\x82\xAC rest";
  StrFormat(buf, "[%C]", euro);
  EXPECT_STREQ("[]", buf);
  SetClientEncoding("UTF-8");
  StrFormat(buf, "[%C][%C][%C]", euro, "a", static_cast<const char*>(nullptr));
  EXPECT_STREQ("[\xE2\x82\xAC][a][]", buf);
  StrFormat(buf, "[%C]", "\xF0\x9F");  // a cut sequence stops at the terminator
  EXPECT_STREQ("[\xF0\x9F]", buf);
}

TEST_F(FormatTest, MessageWithoutDirectivesReachesTheConsoleWhole) {
  std::string text(700, 'm');
  PrintMessage(nullptr, text.c_str());
  ASSERT_EQ(1u, g_console.size());
  EXPECT_EQ(text, g_console[0]);
}

TEST_F(FormatTest, LongLiteralBeforeADirectiveIsChunked) {
  std::string literal(600, 'L');
  int32_t n = PrintMessage(nullptr, (literal + "%d").c_str(), 7);
  EXPECT_EQ(601, n);
  ASSERT_EQ(4u, g_console.size());
  EXPECT_EQ(255u, g_console[0].size());
  EXPECT_EQ(255u, g_console[1].size());
  EXPECT_EQ(90u, g_console[2].size());
  EXPECT_EQ("7", g_console[3]);
}

TEST_F(FormatTest, ChunksNeverSplitAUtf8Character) {
  SetClientEncoding("UTF-8");
  std::string literal = std::string(254, 'a') + "\xC3\xA9" + "z";
  PrintMessage(nullptr, (literal + "%s").c_str(), "!");
  ASSERT_EQ(3u, g_console.size());
  EXPECT_EQ(std::string(254, 'a'), g_console[0]);
  EXPECT_EQ("\xC3\xA9z", g_console[1]);
  EXPECT_EQ("!", g_console[2]);
}

TEST_F(FormatTest, ConsoleTextIsConvertedFromTheClientEncoding) {
  // 0x8E is e-acute in the host's Roman set.
  PrintMessage(nullptr, "caf\x8E %s\n", "ol\x8E");
  ASSERT_EQ(3u, g_console.size());
  EXPECT_EQ("caf\xC3\xA9 ", g_console[0]);
  EXPECT_EQ("ol\xC3\xA9", g_console[1]);
  EXPECT_EQ("\n", g_console[2]);

  g_console.clear();
  SetClientEncoding("UTF-8");
  PrintMessage(nullptr, "caf\xC3\xA9");
  ASSERT_EQ(1u, g_console.size());
  EXPECT_EQ("caf\xC3\xA9", g_console[0]) << "UTF-8 clients print unchanged";
}

TEST_F(FormatTest, ConsolePrintTextDoesNotFormat) {
  ConsolePrintText("100% done %s");
  ConsolePrintText(nullptr);
  ConsolePrintText("");
  ASSERT_EQ(1u, g_console.size()) << "empty texts make no console calls";
  EXPECT_EQ("100% done %s", g_console[0]);
}

TEST_F(FormatTest, WithoutASinkNothingIsPrinted) {
  SetConsoleSink(nullptr);
  EXPECT_EQ(nullptr, GetConsoleSink());
  EXPECT_EQ(5, PrintMessage(nullptr, "%d", 12345));
  EXPECT_EQ(0, PrintMessage(reinterpret_cast<void*>(1), "%d", 12345));
  SetConsoleSink(Capture);
  EXPECT_EQ(Capture, GetConsoleSink());
  EXPECT_TRUE(g_console.empty());
}

// The engine hands literal text to the sink as pieces of the format itself.
struct Pieces {
  std::vector<std::string> seen;
};
int32_t Record(void* context, const char* text, int32_t count) {
  static_cast<Pieces*>(context)->seen.emplace_back(text, static_cast<size_t>(count));
  return count;
}
int32_t RunEngine(Pieces* p, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int32_t n = FormatEngine(Record, p, format, args);
  va_end(args);
  return n;
}

TEST_F(FormatTest, EngineSinkProtocol) {
  Pieces p;
  EXPECT_EQ(6, RunEngine(&p, "%d-%s", 12, "abc"));
  std::vector<std::string> expected = {"", "12", "-", "abc", ""};
  EXPECT_EQ(expected, p.seen);
}

}  // namespace
