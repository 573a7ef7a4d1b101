#include "commands/override_formats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/host_wrapper.h"
#include "commands/client_calls.h"
#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "memhost/doc_builder.h"
#include "tests/host_test.h"
#include "tests/test_support.h"

namespace {

using memhost::DocBuilder;
using TextRun = memhost::Run;
using Line = testsupport::FlowLine;

const std::vector<std::pair<int32_t, int32_t>> kBold = {{PROP_FONT_WEIGHT, 1}};
const std::vector<std::pair<int32_t, int32_t>> kBoldItalic = {{PROP_FONT_WEIGHT, 1},
                                                              {PROP_FONT_ANGLE, 1}};

class OverrideFormatsTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    InitializeHandler(1);
  }

  // Runs the document command by its string with these answers to its
  // questions; returns the output document's lines.
  std::vector<Line> Convert(std::deque<int32_t> answers) {
    script.alertAnswers = std::move(answers);
    NotifyHandler(NOTE_CLIENT_CALL, 0, "ConvertOverridesToFormats", 0);
    ObjHandle out = model.openDocs.back();  // the newest
    return out != src.doc ? testsupport::MainFlowLines(model, out, true) : std::vector<Line>{};
  }
  memhost::CharProps At(ObjHandle pgf, int32_t offset) {
    return model.PropsAt(*model.Find(pgf), offset);
  }
  std::vector<std::string> Formats() {
    std::vector<std::string> names;
    model.ForEachObject([&](const memhost::Obj& o) {
      if (o.type == memhost::T_CHAR_FMT && o.doc == src.doc)
        names.push_back(model.StringProp(o.h, PROP_NAME));
    });
    return names;
  }
  // Every character of the paragraph but its tag, before and after.
  void ExpectSameLook(ObjHandle pgf, const std::vector<memhost::CharProps>& before) {
    for (size_t k = 0; k < before.size(); ++k) {
      memhost::CharProps now = At(pgf, static_cast<int32_t>(k));
      now.tag = before[k].tag;
      EXPECT_EQ(before[k], now) << "offset " << k;
    }
  }
  std::vector<memhost::CharProps> Looks(ObjHandle pgf) {
    std::vector<memhost::CharProps> out;
    for (size_t k = 0; k <= model.Find(pgf)->text.size(); ++k)
      out.push_back(At(pgf, static_cast<int32_t>(k)));
    return out;
  }

  testsupport::ScopedClientEncoding encoding{"UTF-8"};
  DocBuilder src{model, "C:\\docs\\ch1.fm"};
};

TEST_F(OverrideFormatsTest, TagsWithTheFirstFormatOfTheWholeLookAndNamesTheOthers) {
  // Sets the weight, but the size as well: not the run's look.
  src.CharFormat("Loud").Set(PROP_FONT_WEIGHT, 1).Set(PROP_FONT_SIZE, 18 << 16);
  src.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  src.CharFormat("Heavy").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle p = src.Para({TextRun("plain "), TextRun("bold", "", kBold), TextRun(" tail")});
  std::vector<memhost::CharProps> before = Looks(p);

  std::vector<Line> out = Convert({0});

  EXPECT_EQ("Strong", At(p, 6).tag);
  EXPECT_EQ("", At(p, 0).tag);
  EXPECT_EQ("", At(p, 11).tag);
  ExpectSameLook(p, before);
  EXPECT_EQ(1u, script.dialogs.size()) << "nothing to create: no second question";
  std::vector<Line> expected = {{"ch1.fm", "Heading1"},
                                {"Runs Given a Character Format:", "Heading2"},
                                {"Strong: 1 run; the same look: Heavy", "Body"},
                                {"Character Formats Created:", "Heading2"},
                                {"Runs Left As They Were:", "Heading2"}};
  EXPECT_EQ(expected, out);
}

TEST_F(OverrideFormatsTest, LooksNoFormatGivesAreLeftAndListedUnlessTheUserAgrees) {
  src.CharFormat("Code").Set(PROP_FONT_FAMILY, 2);
  int32_t red = static_cast<int32_t>(src.Color("Red"));
  ObjHandle p = src.Para({TextRun("a "), TextRun("both", "", kBoldItalic), TextRun(" b "),
                          TextRun("red", "Code", {{PROP_COLOR, red}})});
  std::vector<memhost::CharProps> before = Looks(p);
  model.Data(src.doc)->dirty = false;

  std::vector<Line> out = Convert({0, 1});  // yes, then no to making formats
  ASSERT_EQ(2u, script.dialogs.size());
  EXPECT_EQ(kCreateFormatsQuestion, script.dialogs[1].text);
  EXPECT_EQ(before, Looks(p)) << "tags too";
  EXPECT_FALSE(model.Data(src.doc)->dirty);
  std::vector<Line> left = {{"Runs Left As They Were:", "Heading2"},
                            {"\"both\" (no character tag)", "Body"},
                            {"\"red\" (character tag \"Code\")", "Body"}};
  EXPECT_EQ(left, std::vector<Line>(out.end() - 3, out.end()));

  // Agreed: one format per look, named by what differs, a clash numbered
  // whatever its letter case.
  src.CharFormat("bold italic");
  model.activeDoc = src.doc;
  out = Convert({0, 0});
  EXPECT_EQ("Bold Italic 2", At(p, 2).tag);
  EXPECT_EQ("Code + Red", At(p, 9).tag);
  ExpectSameLook(p, before);
  std::vector<std::string> formats = Formats();
  EXPECT_EQ(4u, formats.size());
  std::vector<Line> created = {{"Character Formats Created:", "Heading2"},
                               {"Bold Italic 2: Font Weight Bold, Font Angle Italic", "Body"},
                               {"Code + Red: Font Family Courier, Color Red", "Body"},
                               {"Runs Left As They Were:", "Heading2"}};
  EXPECT_EQ(created, std::vector<Line>(out.end() - 4, out.end()));
}

TEST_F(OverrideFormatsTest, EveryRunOfALongParagraphIsConvertedNotOnlyTheFirst501) {
  // Removing overrides stops after 501 repairs in a paragraph; a single
  // forward pass needs no such bound, and a bound would leave runs that the
  // report neither converts nor lists.
  src.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  std::vector<TextRun> runs;
  for (int i = 0; i < 600; ++i) {
    runs.push_back(TextRun("x"));
    runs.push_back(TextRun("b", "", kBold));
  }
  ObjHandle p = src.Para(runs);
  Convert({0});
  for (int32_t i = 0; i < 600; ++i) ASSERT_EQ("Strong", At(p, 2 * i + 1).tag) << "run " << i;
}

TEST_F(OverrideFormatsTest, ARunStaysAsItWasWhenItsTagCannotBeSet) {
  src.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle p = src.Para({TextRun("plain "), TextRun("bold", "", kBold)});
  std::vector<memhost::CharProps> before = Looks(p);
  host.failWith = [](const char* op) {
    return std::string(op) == "SetTextProps" ? ERR_CALL_FAILED : 0;
  };

  std::vector<Line> out = Convert({0});

  EXPECT_EQ(before, Looks(p));
  EXPECT_EQ((Line{"\"bold\" (no character tag)", "Body"}), out.back());
}

TEST_F(OverrideFormatsTest, TheBookCommandAsksOnceAndReportsEachFile) {
  src.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  src.Para({TextRun("bold", "", kBold)});
  src.SaveAndClose("C:\\docs\\ch1.fm");
  DocBuilder ch2(model, "C:\\docs\\ch2.fm");
  ch2.Para({TextRun("bold", "", kBold)});
  ch2.SaveAndClose("C:\\docs\\ch2.fm");
  memhost::BookBuilder book(model, "C:\\docs\\guide.book");
  book.File("C:\\docs\\ch1.fm");
  book.File("C:\\docs\\ch2.fm");
  model.activeBook = book.book;
  model.activeDoc = 0;
  script.alertAnswers = {0, 0};

  NotifyHandler(NOTE_CLIENT_CALL, 0, "ConvertOverridesToFormatsBook", 0);

  ASSERT_EQ(2u, script.dialogs.size());
  EXPECT_EQ(kCreateFormatsQuestion, script.dialogs[1].text);
  ASSERT_EQ(1u, model.openDocs.size());
  std::vector<Line> out = testsupport::MainFlowLines(model, model.openDocs[0], true);
  std::vector<std::string> texts;
  for (const Line& l : out) texts.push_back(l.text);
  std::vector<std::string> expected = {"guide.book",
                                       "ch1.fm",
                                       "Runs Given a Character Format:",
                                       "Strong: 1 run",
                                       "Character Formats Created:",
                                       "Runs Left As They Were:",
                                       "ch2.fm",
                                       "Runs Given a Character Format:",
                                       "Bold: 1 run",
                                       "Character Formats Created:",
                                       "Bold: Font Weight Bold",
                                       "Runs Left As They Were:"};
  EXPECT_EQ(expected, texts);
}

}  // namespace
