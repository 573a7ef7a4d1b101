#include "charfmt/tag_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memhost/doc_builder.h"
#include "support/encoding.h"
#include "support/format.h"
#include "support/memory.h"
#include "tests/host_test.h"
#include "tests/test_support.h"

namespace {

using memhost::DocBuilder;

constexpr Metric kPoint = 0x10000;
// A quarter millimetre in points, the unit of documents measured in Q.
constexpr Metric kQ = 46443;

using Line = testsupport::FlowLine;

std::vector<Line> Lines(memhost::DocStore& model, ObjHandle doc) {
  return testsupport::MainFlowLines(model, doc, true);
}

class TagReportTest : public HostTest {
 protected:
  // The report lines of one format of the source document.
  std::vector<std::string> Report(ObjHandle f) {
    WriteTagReport(src.doc, f, out.doc);
    std::vector<std::string> texts;
    for (const Line& l : Lines(model, out.doc)) {
      EXPECT_EQ("Body", l.format) << l.text;
      texts.push_back(l.text);
    }
    return texts;
  }

  std::string Points(Metric v) {
    char* s = FormatPoints(src.doc, v);
    std::string r = s != nullptr ? s : "<null>";
    MemRelease(s);
    return r;
  }

  std::vector<std::string> Gather() {
    std::vector<std::string> r;
    StringList* names = GatherCharTagNames(src.doc);
    for (uint32_t i = 0; i < StringListCount(names); ++i) r.push_back(StringListAt(names, i));
    StringListDestroy(names);
    return r;
  }
  DocBuilder out{model, "C:\\out\\report.fm"};
  DocBuilder src{model, "C:\\docs\\ch1.fm"};
};

TEST_F(TagReportTest, UnsetPropertiesReadAsIsAndLanguageIsAlwaysGiven) {
  ObjHandle f = src.CharFormat("German").Set(PROP_LANGUAGE, 3).h;
  EXPECT_EQ(
      (std::vector<std::string>{"Capitalization: As Is ", "Change Bar: As Is ", "Color: As Is ",
                                "Background Color: As Is ", "Font Family: As Is ",
                                "Font Angle: As Is ", "Font Size: As Is ", "Font Variation: As Is ",
                                "Font Weight: As Is ", "Language: deutsch ", "Overline: As Is ",
                                "Pair Kern: As Is ", "Position: As Is ", "Spread: As Is ",
                                "Stretch: As Is ", "Strikethrough: As Is ", "Underlining: As Is "}),
      Report(f));
}

TEST_F(TagReportTest, EveryKindOfValue) {
  src.Color("Red");
  src.Color("Yellow");
  ObjHandle red = model.NamedObject(src.doc, memhost::T_COLOR, "Red");
  ObjHandle yellow = model.NamedObject(src.doc, memhost::T_COLOR, "Yellow");
  ObjHandle f = src.CharFormat("All")
                    .Set(PROP_CAPITALIZATION, 1)
                    .Set(PROP_CHANGE_BAR, 1)
                    .Set(PROP_COLOR, static_cast<int32_t>(red))
                    .Set(PROP_BACKGROUND_COLOR, static_cast<int32_t>(yellow))
                    .Set(PROP_FONT_FAMILY, 2)
                    .Set(PROP_FONT_ANGLE, 1)
                    .Set(PROP_FONT_SIZE, 0xA8000)
                    .Set(PROP_FONT_VARIATION, 1)
                    .Set(PROP_FONT_WEIGHT, 2)
                    .Set(PROP_LANGUAGE, 42)
                    .Set(PROP_OVERLINE, 0)
                    .Set(PROP_PAIR_KERN, 1)
                    .Set(PROP_POSITION, 2)
                    .Set(PROP_CHARSPREAD, 3277)  // 5 %
                    .Set(PROP_STRETCH, 58982)    // 90 %
                    .Set(PROP_STRIKETHROUGH, 2)  // true only when exactly 1
                    .Set(PROP_UNDERLINING, 3)
                    .h;
  EXPECT_EQ((std::vector<std::string>{
                "Capitalization: Small Caps ", "Change Bar: True ", "Color: Red ",
                "Background Color: Yellow ", "Font Family: Courier ", "Font Angle: Italic ",
                "Font Size: 10.50 points ", "Font Variation: Narrow ", "Font Weight: Light ",
                "Language: farsi ", "Overline: False ", "Pair Kern: True ", "Position: Subscript ",
                "Spread: 5.00%", "Stretch: 90.00%", "Strikethrough: False ",
                "Underlining: Numeric Underline "}),
            Report(f));
}

TEST_F(TagReportTest, UnlistedEnumerationValuesWriteNoLine) {
  ObjHandle f = src.CharFormat("Odd")
                    .Set(PROP_CAPITALIZATION, 4)
                    .Set(PROP_POSITION, -1)
                    .Set(PROP_UNDERLINING, 0x7FFFFFFF)
                    .h;
  std::vector<std::string> lines = Report(f);
  ASSERT_EQ(14u, lines.size());
  EXPECT_EQ("Change Bar: As Is ", lines.front());
  EXPECT_EQ("Strikethrough: As Is ", lines.back());
  for (const std::string& l : lines) {
    for (const char* label : {"Capitalization", "Position", "Underlining"}) {
      EXPECT_NE(0u, l.rfind(label, 0)) << l;
    }
  }
}

TEST_F(TagReportTest, ValuesWithoutANameGiveAnEmptyValue) {
  // Indexes past either end of the application's lists (four families,
  // three weights and angles) and a colour marked as set but not named.
  ObjHandle f = src.CharFormat("Foreign")
                    .Set(PROP_FONT_FAMILY, 4)
                    .Set(PROP_FONT_WEIGHT, -1)
                    .Set(PROP_FONT_ANGLE, 0x7FFFFFFF)
                    .Set(PROP_FONT_VARIATION, 3)
                    .Set(PROP_COLOR, 0)
                    .h;
  std::vector<std::string> lines = Report(f);
  ASSERT_EQ(17u, lines.size());
  EXPECT_EQ("Color:  ", lines[2]);
  EXPECT_EQ("Font Family:  ", lines[4]);
  EXPECT_EQ("Font Angle:  ", lines[5]);
  EXPECT_EQ("Font Variation:  ", lines[7]);
  EXPECT_EQ("Font Weight:  ", lines[8]);
  EXPECT_EQ("Language:  ", lines[9]) << "0 names no language";
}

TEST_F(TagReportTest, SizesFollowTheDocumentsFontSizeUnit) {
  EXPECT_EQ("12.00", Points(12 * kPoint));
  EXPECT_EQ("1.50", Points(0x18000));
  EXPECT_EQ("-2.25", Points(-0x24000));
  EXPECT_EQ("0.00", Points(0));

  model.SetIntProp(src.doc, PROP_FONT_SIZE_UNIT, kQ, VT_METRIC);
  EXPECT_EQ("20.00", Points(20 * kQ));
  ObjHandle f = src.CharFormat("Big").Set(PROP_FONT_SIZE, 20 * kQ).h;
  EXPECT_EQ("Font Size: 20.00 Q ", Report(f)[6]);
}

TEST_F(TagReportTest, AnUnreadableUnitCountsAsPoints) {
  // A unit of 0 would otherwise divide by zero.
  model.SetIntProp(src.doc, PROP_FONT_SIZE_UNIT, 0, VT_METRIC);
  EXPECT_EQ("12.00", Points(12 * kPoint));
  ObjHandle f = src.CharFormat("Strong").Set(PROP_FONT_SIZE, 12 * kPoint).h;
  EXPECT_EQ("Font Size: 12.00 points ", Report(f)[6]);
}

TEST_F(TagReportTest, NamedReportStartsWithTheTagAsHeading) {
  src.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  EXPECT_EQ(0, WriteNamedTagReport(src.doc, "emphasis", out.doc));
  EXPECT_TRUE(Lines(model, out.doc).empty());

  EXPECT_EQ(1, WriteNamedTagReport(src.doc, "Emphasis", out.doc));
  std::vector<Line> lines = Lines(model, out.doc);
  ASSERT_EQ(18u, lines.size());
  EXPECT_EQ("Emphasis", lines[0].text);
  EXPECT_EQ("Heading1", lines[0].format);
  EXPECT_EQ("Font Angle: Italic ", lines[6].text);
  EXPECT_EQ("Body", lines[17].format);
}

TEST_F(TagReportTest, TagNamesComeSortedInByteOrder) {
  EXPECT_TRUE(Gather().empty());
  for (const char* name : {"beta", "Zeta", "10", "Alpha", "\xC4ra"}) src.CharFormat(name);
  EXPECT_EQ((std::vector<std::string>{"10", "Alpha", "Zeta", "beta", "\xC4ra"}), Gather());
}

TEST_F(TagReportTest, AnUnreadableTagIsReportedAndGatheringGoesOn) {
  src.CharFormat("First");
  src.CharFormat("Second");
  testsupport::ScopedConsoleSink sink(HostPrintConsole);
  testsupport::ScopedClientEncoding encoding("UTF-8");
  // Call 1 finds the first format, call 2 reads its tag.
  host.FailNthCall(2, -1);
  std::vector<std::string> names = Gather();
  EXPECT_EQ(std::vector<std::string>{"Second"}, names);
  EXPECT_EQ("Couldn't allocate string list memory\n", script.console);
}

}  // namespace
