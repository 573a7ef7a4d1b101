#include "commands/overrides.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/host_lists.h"
#include "client/host_wrapper.h"
#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "memhost/doc_builder.h"
#include "tests/host_test.h"

namespace {

using memhost::DocBuilder;
// Inside a test, plain Run would name the test's own Run.
using TextRun = memhost::Run;

const std::vector<std::pair<int32_t, int32_t>> kBold = {{PROP_FONT_WEIGHT, 1}};
const std::vector<std::pair<int32_t, int32_t>> kItalic = {{PROP_FONT_ANGLE, 1}};

// Records where the selection stood at each default-font code and what the
// walk flag said then; can make that code do nothing, make every second
// character-tag read fail, and cut off all handles after a budget of calls
// so that a search that never ends fails instead of hanging.
class Watch : public HostWrapper {
 public:
  Watch(HostApi* target, ObjHandle d) : HostWrapper(target), doc(d) {}
  ObjHandle doc;
  bool ignoreDefaultFont = false;
  bool failEverySecondTagRead = false;
  std::vector<TextRange> fontSelections;
  std::vector<int32_t> walkFlags;
  int32_t textPropsSet = 0;
  int32_t tagReads = 0;
  int64_t idBudget = 1000000;

  int32_t ExecuteCodes(int32_t n, const int32_t* codes) override {
    fontSelections.push_back(target()->GetTextRange(0, doc, PROP_TEXT_SELECTION));
    walkFlags.push_back(target()->GetInt(doc, doc, PROP_DOC_WALK_FLAG));
    return ignoreDefaultFont ? 0 : HostWrapper::ExecuteCodes(n, codes);
  }
  void SetTextProps(ObjHandle d, TextRange r, const PropVals* v) override {
    ++textPropsSet;
    HostWrapper::SetTextProps(d, r, v);
  }
  PropVal GetTextPropVal(ObjHandle d, TextLoc at, int32_t prop) override {
    if (prop == PROP_CHAR_TAG && failEverySecondTagRead && ++tagReads % 2 == 0) {
      HostErrno = ERR_CALL_FAILED;
      return PropVal{};
    }
    return HostWrapper::GetTextPropVal(d, at, prop);
  }
  ObjHandle GetId(ObjHandle d, ObjHandle o, int32_t p) override {
    return --idBudget < 0 ? 0 : HostWrapper::GetId(d, o, p);
  }
};

class OverridesTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    InitializeHandler(1);  // the switch starts on
    HostMarkDoneCount = 0;
  }

  TextRange Selection(ObjHandle doc) { return model.Prop(doc, PROP_TEXT_SELECTION)->range(); }
  void Caret(ObjHandle doc, ObjHandle pgf, int32_t offset) {
    HostSetTextRange(0, doc, PROP_TEXT_SELECTION, TextRange{{pgf, offset}, {pgf, offset}});
  }
  // Runs the command through the handler; returns the notices it showed.
  std::vector<std::string> Command(int32_t number) {
    size_t before = script.dialogs.size();
    CommandHandler(number);
    std::vector<std::string> shown;
    for (size_t i = before; i < script.dialogs.size(); ++i) shown.push_back(script.dialogs[i].text);
    return shown;
  }
  std::vector<std::string> FindNext() { return Command(CMD_FIND_NEXT_CHAR_OVERRIDE); }
  void AppendBold(ObjHandle pgf, const std::string& text) {
    memhost::CharProps bold = model.ParagraphFont(pgf);
    bold.ints[memhost::CharIntIndex(PROP_FONT_WEIGHT)] = 1;
    model.AppendText(pgf, text, bold);
  }
  int32_t Weight(ObjHandle pgf, int32_t offset) {
    return model.PropsAt(*model.Find(pgf), offset).ints[memhost::CharIntIndex(PROP_FONT_WEIGHT)];
  }
  int32_t SwitchState() {
    return model.IntProp(model.NamedObject(0, OBJ_COMMAND, "SkipMasterPages"),
                         PROP_CHECK_MARK_IS_ON);
  }

  const std::vector<std::string> none{};
};

void ExpectRange(TextRange r, ObjHandle pgf, int32_t begin, int32_t end) {
  EXPECT_EQ(pgf, r.beg.obj);
  EXPECT_EQ(pgf, r.end.obj);
  EXPECT_EQ(begin, r.beg.offset);
  EXPECT_EQ(end, r.end.offset);
}

// ---- Finding overrides in a paragraph ----

TEST_F(OverridesTest, FindsBothKindsAndShowsTheRunOnItsPage) {
  DocBuilder b(model, "ch1.fm");
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  b.CharFormat("Big").Set(PROP_FONT_SIZE, 14 << 16);
  ObjHandle plain = b.Para({TextRun("plain "), TextRun("strong", "Strong")});
  // The format sets the size, so a size set by hand on top is not looked at.
  ObjHandle resized = b.Para({TextRun("big", "Big", {{PROP_FONT_SIZE, 18 << 16}})});
  ObjHandle italic = b.Para({TextRun("x "), TextRun("strong", "Strong", kItalic)});
  ObjHandle onPage2 = b.NewFrame();
  ObjHandle bold = b.Para({TextRun("plain "), TextRun("bold", "", kBold), TextRun(" tail")});

  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, plain, 0));
  ExpectRange(Selection(b.doc), plain, 6, OFFSET_OBJ_END);  // the last run examined
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, resized, 0));
  EXPECT_EQ(OVERRIDE_TAGGED, FindOverrideInParagraph(b.doc, italic, 0));
  ExpectRange(Selection(b.doc), italic, 2, OFFSET_OBJ_END);
  EXPECT_EQ(OVERRIDE_UNTAGGED, FindOverrideInParagraph(b.doc, bold, 0));
  ExpectRange(Selection(b.doc), bold, 6, 10);
  ObjHandle pageFrame = static_cast<ObjHandle>(model.IntProp(onPage2, PROP_FRAME_PARENT));
  EXPECT_EQ(model.IntProp(pageFrame, PROP_PAGE_OF_FRAME), model.IntProp(b.doc, PROP_CURRENT_PAGE));
}

TEST_F(OverridesTest, WhichPropertiesAreCompared) {
  DocBuilder b(model, "ch1.fm");
  b.CharFormat("Family").Set(PROP_FONT_FAMILY, 2);
  b.CharFormat("Plain");
  b.CharFormat("Gone").Set(PROP_FONT_WEIGHT, 1);
  // The family flag also covers 2287.
  ObjHandle familySet = b.Para({TextRun("a", "Family", {{PROP_CHAR_INT_2287, 5}})});
  ObjHandle familyAsIs = b.Para({TextRun("a", "Plain", {{PROP_CHAR_INT_2287, 5}})});
  // Language and the strings count for untagged text only.
  ObjHandle taggedLanguage = b.Para({TextRun("a", "Plain", {{PROP_LANGUAGE, 9}})});
  ObjHandle untaggedLanguage = b.Para({TextRun("a", "", {{PROP_LANGUAGE, 9}})});
  ObjHandle taggedString = b.Para({TextRun("abc", "Plain")});
  ObjHandle untaggedString = b.Para({TextRun("abc")});
  PropVals hand{0, nullptr};
  PropValsSetString(&hand, PROP_CHAR_STR_640, "x");
  HostSetTextProps(b.doc, TextRange{{taggedString, 1}, {taggedString, 2}}, &hand);
  HostSetTextProps(b.doc, TextRange{{untaggedString, 1}, {untaggedString, 2}}, &hand);
  PropValsFree(&hand);
  // A format deleted since counts as no override.
  ObjHandle gone = b.Para({TextRun("x", "Gone", kItalic)});
  model.RemoveNamedObject(b.doc, OBJ_CHAR_FMT, "Gone");

  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, familySet, 0));
  EXPECT_EQ(OVERRIDE_TAGGED, FindOverrideInParagraph(b.doc, familyAsIs, 0));
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, taggedLanguage, 0));
  EXPECT_EQ(OVERRIDE_UNTAGGED, FindOverrideInParagraph(b.doc, untaggedLanguage, 0));
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, taggedString, 0));
  EXPECT_EQ(OVERRIDE_UNTAGGED, FindOverrideInParagraph(b.doc, untaggedString, 0));
  ExpectRange(Selection(b.doc), untaggedString, 1, 2);
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, gone, 0));
}

TEST_F(OverridesTest, RunsKeptOutByTheirItemsAreNeverReported) {
  DocBuilder b(model, "ch1.fm");
  auto marked = [&](const std::string& run, int32_t at, int32_t kind) {
    ObjHandle p = b.Para({TextRun("ab"), TextRun(run, "", kBold), TextRun("cd")});
    if (kind != 0) model.AddMarker(p, at, kind);
    return FindOverrideInParagraph(b.doc, p, 0);
  };
  EXPECT_EQ(OVERRIDE_NONE, marked("X", 2, ITEM_OWN_CHARACTER));  // one character
  EXPECT_EQ(OVERRIDE_UNTAGGED, marked("XY", 2, ITEM_OWN_CHARACTER));
  EXPECT_EQ(OVERRIDE_UNTAGGED, marked("X", 0, 0));
  EXPECT_EQ(OVERRIDE_NONE, marked("bold", 1, ITEM_KEEPS_RUN_OUT));  // just before the run
  EXPECT_EQ(OVERRIDE_NONE, marked("bold", 2, ITEM_KEEPS_RUN_OUT));
  EXPECT_EQ(OVERRIDE_UNTAGGED, marked("bold", 3, ITEM_KEEPS_RUN_OUT));
  EXPECT_EQ(OVERRIDE_UNTAGGED, marked("bold", 0, ITEM_KEEPS_RUN_OUT));
  // A last run ends at the paragraph end; its length still counts.
  ObjHandle last = b.Para({TextRun("ab"), TextRun("X", "", kBold)});
  model.AddMarker(last, 2, ITEM_OWN_CHARACTER);
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, last, 0));
  EXPECT_EQ(0, RemoveOverridesInParagraph(b.doc, last));
}

TEST_F(OverridesTest, WhereTheSearchOfAParagraphStarts) {
  DocBuilder b(model, "ch1.fm");
  // Runs: "ab" 0, "BOLD" 2, "cd" 6, "LAST" 8.
  ObjHandle p = b.Para(
      {TextRun("ab"), TextRun("BOLD", "", kBold), TextRun("cd"), TextRun("LAST", "", kBold)});
  EXPECT_EQ(OVERRIDE_UNTAGGED, FindOverrideInParagraph(b.doc, p, 4));  // the whole run
  ExpectRange(Selection(b.doc), p, 2, 6);
  EXPECT_EQ(OVERRIDE_UNTAGGED, FindOverrideInParagraph(b.doc, p, 8));
  ExpectRange(Selection(b.doc), p, 8, OFFSET_OBJ_END);
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, p, 9));
  EXPECT_EQ(OVERRIDE_NONE, FindOverrideInParagraph(b.doc, p, OFFSET_OBJ_END));
}

// ---- Removing them ----

TEST_F(OverridesTest, RepairsGiveBackTheParagraphFontOrTheTag) {
  DocBuilder b(model, "ch1.fm");
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle p = b.Para({TextRun("a"), TextRun("B", "", kBold), TextRun("c"),
                        TextRun("D", "Strong", kItalic), TextRun("e")});
  Watch watch(&host, b.doc);
  HostInstall(&watch);
  EXPECT_EQ(2, RemoveOverridesInParagraph(b.doc, p));
  ASSERT_EQ(2u, watch.fontSelections.size());
  ExpectRange(watch.fontSelections[0], p, 1, 2);
  ExpectRange(watch.fontSelections[1], p, 3, 4);
  EXPECT_EQ(1, watch.textPropsSet);  // the format's values, for the tagged run only
  EXPECT_EQ(0, Weight(p, 1));
  EXPECT_EQ("Strong", b.TagAt(p, 3));
  EXPECT_EQ(1, b.PropAt(p, 3, PROP_FONT_WEIGHT));
  EXPECT_EQ(0, b.PropAt(p, 3, PROP_FONT_ANGLE));
  EXPECT_EQ("", b.TagAt(p, 4));
}

TEST_F(OverridesTest, ARepairReachesOverTheParagraphEndOnlyWhenItCarriesTheRunsTag) {
  DocBuilder b(model, "ch1.fm");
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  b.CharFormat("Mark");
  auto para = [&](const TextRun& last, const TextRun& end) {
    ObjHandle p = b.Para({TextRun("a"), last});
    b.ParaEnd(p, end);
    return p;
  };
  ObjHandle own = para(TextRun("D", "Strong", kItalic), TextRun("", "Strong", kItalic));
  ObjHandle apart = para(TextRun("D", "Strong", kItalic), TextRun("", "Mark"));
  ObjHandle untaggedOwn = para(TextRun("B", "", kBold), TextRun("", "", kBold));
  ObjHandle untaggedApart = para(TextRun("B", "", kBold), TextRun("", "Mark"));
  RemoveOverridesInDocument(b.doc);
  for (ObjHandle p : {own, apart}) {
    EXPECT_EQ("Strong", b.TagAt(p, 1));
    EXPECT_EQ(0, b.PropAt(p, 1, PROP_FONT_ANGLE));
  }
  EXPECT_EQ("Strong", b.TagAt(own, 2));
  EXPECT_EQ(0, b.PropAt(own, 2, PROP_FONT_ANGLE)) << "repaired with its run";
  EXPECT_EQ("Mark", b.TagAt(apart, 2)) << "tagged apart: left as it is";
  EXPECT_EQ(0, Weight(untaggedOwn, 1));
  EXPECT_EQ(0, Weight(untaggedOwn, 2));
  EXPECT_EQ(0, Weight(untaggedApart, 1));
  EXPECT_EQ("Mark", b.TagAt(untaggedApart, 2));
}

TEST_F(OverridesTest, RepairsThatChangeNothingStopAfterTheBound) {
  DocBuilder b(model, "ch1.fm");
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle untagged = b.Para({TextRun("bold", "", kBold)});
  ObjHandle tagged = b.Para({TextRun("strong", "Strong", kItalic)});
  Watch watch(&host, b.doc);
  HostInstall(&watch);
  watch.ignoreDefaultFont = true;
  EXPECT_EQ(kMaxRepairsPerParagraph, RemoveOverridesInParagraph(b.doc, untagged));
  EXPECT_EQ(501u, watch.fontSelections.size());
  EXPECT_EQ(1, Weight(untagged, 0));

  // The tag cannot be read back at the repair: nothing is changed.
  watch.ignoreDefaultFont = false;
  watch.failEverySecondTagRead = true;
  watch.fontSelections.clear();
  EXPECT_EQ(kMaxRepairsPerParagraph, RemoveOverridesInParagraph(b.doc, tagged));
  EXPECT_EQ(0u, watch.fontSelections.size());
  EXPECT_EQ(0, watch.textPropsSet);
  EXPECT_EQ(1, b.PropAt(tagged, 0, PROP_FONT_ANGLE));
}

TEST_F(OverridesTest, DocumentRemovalCoversFlowsTablesAndFootnotes) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle body = b.Para({TextRun("a"), TextRun("B", "", kBold)});
  b.NewFrame();
  ObjHandle second = b.Para({TextRun("B", "", kBold), TextRun("c")});
  ObjHandle table = b.Table({{"head"}, {"body"}}, 1, {"title"});
  ObjHandle cell = b.CellPgf(table, 1, 0);
  ObjHandle title = model.Find(table)->titlePgfs[0];
  AppendBold(cell, "X");
  AppendBold(title, "X");
  ObjHandle note = b.Kid(b.Footnote(body, {TextRun("note "), TextRun("B", "", kBold)}), 0);
  model.SetIntProp(b.doc, PROP_DOC_WALK_FLAG, 7);

  Watch watch(&host, b.doc);
  HostInstall(&watch);
  RemoveOverridesInDocument(b.doc);
  EXPECT_EQ(0, Weight(body, 1));
  EXPECT_EQ(0, Weight(second, 0));
  EXPECT_EQ(0, Weight(cell, 4));
  EXPECT_EQ(0, Weight(title, 5));
  EXPECT_EQ(0, Weight(note, 5));
  EXPECT_EQ(std::vector<int32_t>(5, 1), watch.walkFlags);
  EXPECT_EQ(7, model.IntProp(b.doc, PROP_DOC_WALK_FLAG));
}

TEST_F(OverridesTest, RemovalPassesOverMasterPageFlowsWhileTheSwitchIsOn) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle masterFrame = b.Kid(b.NewFlow(true), 0);
  ObjHandle onMaster = b.ParaIn(masterFrame, {TextRun("a"), TextRun("B", "", kBold)});
  // Tables are repaired wherever they stand.
  ObjHandle table = HostNewTable(b.doc, "Format A", 1, 1, 0, 0, TextLoc{onMaster, 2});
  ObjHandle cell = model.FirstPgfOf(model.Find(model.Find(table)->kids[0])->kids[0]);
  AppendBold(cell, "X");
  ObjHandle onBody = b.ParaIn(b.Kid(b.NewFlow(false), 0), {TextRun("a"), TextRun("B", "", kBold)});
  EXPECT_EQ(OBJ_MASTER_PAGE, PageKindOf(b.doc, masterFrame));
  EXPECT_EQ(PAGE_KIND_NONE, PageKindOf(b.doc, 0));

  RemoveOverridesInDocument(b.doc);
  EXPECT_EQ(1, Weight(onMaster, 1));
  EXPECT_EQ(0, Weight(cell, 0));
  EXPECT_EQ(0, Weight(onBody, 1));
  EXPECT_EQ(none, Command(CMD_SKIP_MASTER_PAGES));
  EXPECT_EQ(0, SwitchState());
  RemoveOverridesInDocument(b.doc);
  EXPECT_EQ(0, Weight(onMaster, 1));
}

TEST_F(OverridesTest, RemoveOverridesAsksFirstAndNeedsADocument) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle p = b.Para({TextRun("a"), TextRun("B", "", kBold)});
  script.alertAnswers = {1};
  EXPECT_EQ(std::vector<std::string>{"Are you sure you want to remove character overrides?"},
            Command(CMD_REMOVE_CHAR_OVERRIDES));
  EXPECT_EQ(1, script.dialogs.back().alertType);
  EXPECT_EQ(1, Weight(p, 1));
  EXPECT_EQ(nullptr, model.Prop(b.doc, PROP_TEXT_SELECTION));
  EXPECT_EQ(1, HostMarkDoneCount);

  script.alertAnswers = {0};
  Command(CMD_REMOVE_CHAR_OVERRIDES);
  EXPECT_EQ(0, Weight(p, 1));
  EXPECT_EQ(2, HostMarkDoneCount);

  model.DestroyDocument(b.doc);
  EXPECT_EQ(std::vector<std::string>{"Please open a document first."},
            Command(CMD_REMOVE_CHAR_OVERRIDES));
  EXPECT_EQ(2, HostMarkDoneCount);
}

// ---- Find Next Override ----

TEST_F(OverridesTest, FindNextNeedsADocumentAndAnInsertionPoint) {
  EXPECT_EQ(std::vector<std::string>{"Please open a document first."}, FindNext());
  DocBuilder b(model, "ch1.fm");
  b.Para({TextRun("a"), TextRun("B", "", kBold)});
  EXPECT_EQ(std::vector<std::string>{"No insertion point."}, FindNext());
  EXPECT_EQ(nullptr, model.Prop(b.doc, PROP_TEXT_SELECTION));
  // Text that lies in no frame: the search stops without a word.
  ObjHandle loose = model.NewObject(memhost::T_PGF, b.doc);
  model.AppendText(loose, "loose", model.ParagraphFont(loose));
  Caret(b.doc, loose, 0);
  EXPECT_EQ(none, FindNext());
  EXPECT_EQ(0, HostMarkDoneCount);
}

TEST_F(OverridesTest, FindNextStepsFromOverrideToOverrideThenWrapsToTheStart) {
  DocBuilder b(model, "ch1.fm");
  // Runs: "a" 0, "B" 1, "c" 2, "D" 3; the last two overrides touch.
  ObjHandle p1 =
      b.Para({TextRun("a"), TextRun("B", "", kBold), TextRun("c"), TextRun("D", "", kItalic)});
  b.Para("plain");
  Caret(b.doc, p1, 0);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), p1, 1, 2);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), p1, 3, OFFSET_OBJ_END);
  EXPECT_EQ(0, HostMarkDoneCount);  // a found override ends at once

  EXPECT_EQ(std::vector<std::string>{"Finished searching"}, FindNext());
  ExpectRange(Selection(b.doc), p1, 3, 3);
  EXPECT_EQ(1, HostMarkDoneCount);
  EXPECT_EQ(1, script.redisplayCount);
}

TEST_F(OverridesTest, FindNextFromInsideALastRunGoesOnWithTheNextParagraph) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle p1 = b.Para({TextRun("plain"), TextRun("BOLD", "", kBold)});
  ObjHandle p2 = b.Para({TextRun("x"), TextRun("y", "", {{PROP_UNDERLINING, 1}})});
  Caret(b.doc, p1, 7);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), p2, 1, OFFSET_OBJ_END);
}

TEST_F(OverridesTest, FindNextWrapsThroughFlowsPassingMasterPagesWhileTheSwitchIsOn) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle p1 = b.Para({TextRun("a"), TextRun("B", "", kBold)});
  ObjHandle p2 = b.Para("start here");
  ObjHandle onMaster = b.ParaIn(b.Kid(b.NewFlow(true), 0), {TextRun("m"), TextRun("M", "", kBold)});
  Caret(b.doc, p2, 0);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), p1, 1, OFFSET_OBJ_END);

  Command(CMD_SKIP_MASTER_PAGES);
  Caret(b.doc, p2, 0);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), onMaster, 1, OFFSET_OBJ_END);
  Command(CMD_SKIP_MASTER_PAGES);
  EXPECT_EQ(1, SwitchState());
  EXPECT_EQ(2, HostMarkDoneCount);  // the two switches
}

TEST_F(OverridesTest, FindNextRunsThroughTheLaterFootnotesOnly) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle p1 = b.Para("one");
  ObjHandle p2 = b.Para("two");
  b.Para({TextRun("a"), TextRun("B", "", kBold)});  // in the flow: never reached
  ObjHandle note1 = b.Kid(b.Footnote(p1, {TextRun("first note")}), 0);
  ObjHandle note2 = b.Kid(b.Footnote(p2, {TextRun("second note")}), 0);
  Caret(b.doc, note1, 0);
  EXPECT_EQ(std::vector<std::string>{"End of footnotes reached."}, FindNext());
  EXPECT_EQ(note2, Selection(b.doc).beg.obj);
  EXPECT_EQ(0, HostMarkDoneCount);
}

TEST_F(OverridesTest, FindNextTakesTheFootnotesInTheOrderOfTheText) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle p1 = b.Para("one");
  ObjHandle p2 = b.Para("two");
  // Made in the other order: the document's list starts with the second.
  ObjHandle second = b.Kid(b.Footnote(p2, {TextRun("a"), TextRun("B", "", kBold)}), 0);
  ObjHandle first = b.Kid(b.Footnote(p1, {TextRun("first note")}), 0);
  Caret(b.doc, first, 0);
  EXPECT_TRUE(FindNext().empty());
  ExpectRange(Selection(b.doc), second, 1, OFFSET_OBJ_END);
}

TEST_F(OverridesTest, FindNextInATableCoversTheRestOfTheTableOnly) {
  DocBuilder b(model, "ch1.fm");
  ObjHandle table = b.Table({{"head"}, {"one"}, {"two"}, {"three"}}, 1, {"title"});
  b.Para({TextRun("a"), TextRun("B", "", kBold)});  // after the table: never reached
  AppendBold(b.CellPgf(table, 0, 0), "X");
  AppendBold(b.CellPgf(table, 1, 0), "X");
  ObjHandle two = b.CellPgf(table, 2, 0);
  Caret(b.doc, two, 0);
  EXPECT_EQ(std::vector<std::string>{"End of table reached."}, FindNext());
  EXPECT_EQ(1, HostMarkDoneCount);
  EXPECT_EQ(1, script.redisplayCount);

  ObjHandle title = model.Find(table)->titlePgfs[0];
  ObjHandle three = b.CellPgf(table, 3, 0);
  AppendBold(title, "X");
  AppendBold(three, "X");
  Caret(b.doc, two, 0);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), three, 5, OFFSET_OBJ_END);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), title, 5, OFFSET_OBJ_END);
  // From the title's override the search goes on after it, not round again.
  EXPECT_EQ(std::vector<std::string>{"End of table reached."}, FindNext());
}

TEST_F(OverridesTest, FindNextFromTextOutsideEveryFlowEndsAfterOneRound) {
  DocBuilder b(model, "ch1.fm");
  b.Para("plain");
  ObjHandle page = b.FormatPage({"reference"});
  ObjHandle pageFrame = static_cast<ObjHandle>(model.IntProp(page, PROP_PAGE_FRAME));
  ObjHandle graphic = static_cast<ObjHandle>(model.IntProp(pageFrame, PROP_FIRST_GRAPHIC_IN_FRAME));
  ObjHandle ref = b.Kid(graphic, 0);
  Watch watch(&host, b.doc);
  watch.idBudget = 10000;
  HostInstall(&watch);
  Caret(b.doc, ref, 4);
  EXPECT_EQ(std::vector<std::string>{"Finished searching"}, FindNext());
  ExpectRange(Selection(b.doc), ref, 4, 4);

  ObjHandle bold = b.Para({TextRun("a"), TextRun("B", "", kBold)});
  Caret(b.doc, ref, 4);
  EXPECT_EQ(none, FindNext());
  ExpectRange(Selection(b.doc), bold, 1, OFFSET_OBJ_END);
}

}  // namespace
