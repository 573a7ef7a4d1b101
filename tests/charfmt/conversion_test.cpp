#include "charfmt/conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/host_wrapper.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "tests/host_test.h"

namespace {

using memhost::DocBuilder;
using R = memhost::Run;
using Rows = std::vector<std::vector<std::string>>;

// What a character carries: its tag and the properties the test formats set.
struct Char {
  std::string tag;
  int32_t angle, weight, family, underline;
  bool operator==(const Char& o) const {
    return tag == o.tag && angle == o.angle && weight == o.weight && family == o.family &&
           underline == o.underline;
  }
};
std::ostream& operator<<(std::ostream& os, const Char& c) {
  return os << "{" << c.tag << " a" << c.angle << " w" << c.weight << " f" << c.family << " u"
            << c.underline << "}";
}

// Offsets of the runs below: plain 0, em 5, key 7, code 10, note 14, strong 18, tail 24..27.
const std::vector<R> kRuns = {R("plain", "", {{PROP_UNDERLINING, 1}}),
                              R("em", "Emphasis", {{PROP_UNDERLINING, 1}}),
                              R("key", "Key"),
                              R("code", "Code"),
                              R("note", "Note", {{PROP_FONT_WEIGHT, 1}}),
                              R("strong", "Strong"),
                              R("tail", "Emphasis")};

const Rows kTable = {{"Source Tag", "Destination Tag"},
                     {"Emphasis", "Strong"},
                     {"Emphasis", "Code"},  // a second row for a source does not count
                     {"Code", "Default Paragraph Format"},
                     {"Note", ""},
                     {"Key", "Nothing"},
                     {"strong", "Code"},
                     {"", "Strong"}};

class ConversionTest : public HostTest {
 protected:
  static void Define(DocBuilder& b) {
    b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
    b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
    b.CharFormat("Code").Set(PROP_FONT_FAMILY, 2);
    b.CharFormat("Note").Set(PROP_UNDERLINING, 2);
    b.CharFormat("Key");
  }
  static Char At(const DocBuilder& b, ObjHandle pgf, int32_t offset) {
    return Char{b.TagAt(pgf, offset), b.PropAt(pgf, offset, PROP_FONT_ANGLE),
                b.PropAt(pgf, offset, PROP_FONT_WEIGHT), b.PropAt(pgf, offset, PROP_FONT_FAMILY),
                b.PropAt(pgf, offset, PROP_UNDERLINING)};
  }
};

TEST_F(ConversionTest, RunsOfFlowsCellsAndTitlesConvertAlikeAndFootnotesNot) {
  DocBuilder tbl(model, "C:\\conv.fm");
  ObjHandle table = tbl.Table(kTable);
  DocBuilder src(model, "C:\\src.fm");
  Define(src);
  ObjHandle flowPgf = src.Para(kRuns);
  ObjHandle t = src.Table({{"cell"}}, 1, {"title"});
  ObjHandle cellPgf = src.ParaIn(src.Cell(t, 0, 0), kRuns);
  ObjHandle titlePgf = src.ParaIn(t, kRuns);
  ObjHandle fnPgf = src.Kid(src.Footnote(flowPgf, kRuns), 0);

  ConvertCharacterTags(src.doc, tbl.doc, table);

  const Char strong{"Strong", 0, 1, 0, 0};
  for (ObjHandle p : {flowPgf, cellPgf, titlePgf}) {
    SCOPED_TRACE(p == flowPgf ? "flow" : p == cellPgf ? "cell" : "title");
    EXPECT_EQ((Char{"", 0, 0, 0, 1}), At(src, p, 4)) << "untagged text stays";
    EXPECT_EQ(strong, At(src, p, 5)) << "the first row wins; overrides go";
    EXPECT_EQ(strong, At(src, p, 6));
    EXPECT_EQ((Char{"Key", 0, 0, 0, 0}), At(src, p, 7)) << "a destination naming no format";
    EXPECT_EQ((Char{"", 0, 0, 0, 0}), At(src, p, 10)) << "Default Paragraph Format";
    EXPECT_EQ((Char{"Note", 0, 1, 0, 2}), At(src, p, 14)) << "an empty destination";
    EXPECT_EQ((Char{"Strong", 0, 1, 0, 0}), At(src, p, 18)) << "sources compare exactly";
    EXPECT_EQ(strong, At(src, p, 24));
    EXPECT_EQ(strong, At(src, p, 27)) << "the last run to its end";
  }
  EXPECT_EQ((Char{"Emphasis", 1, 0, 0, 1}), At(src, fnPgf, 5));
}

TEST_F(ConversionTest, EveryFlowFromItsFirstParagraphAndATableInTheDocumentItself) {
  DocBuilder src(model, "C:\\src.fm");
  Define(src);
  ObjHandle table = src.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Code"}});
  src.NewFrame();
  ObjHandle later = src.Para({R("x", "Emphasis")});
  ObjHandle master = src.NewFlow(true);
  ObjHandle frame = model.NewObject(memhost::T_TEXT_FRAME, src.doc);  // after an empty one
  model.AppendKid(master, frame);
  ObjHandle onMaster = src.ParaIn(frame, {R("y", "Emphasis")});
  model.SetIntProp(src.doc, PROP_DOC_WALK_FLAG, 7);

  host.FailNthCall(1, -1);  // a table that cannot be read changes nothing
  ConvertCharacterTags(src.doc, src.doc, table);
  EXPECT_EQ("Emphasis", src.TagAt(later, 0));

  ConvertCharacterTags(src.doc, src.doc, table);
  EXPECT_EQ("Code", src.TagAt(later, 0));
  EXPECT_EQ("Code", src.TagAt(onMaster, 0));
  EXPECT_EQ(7, model.IntProp(src.doc, PROP_DOC_WALK_FLAG));
}

TEST_F(ConversionTest, AFailedHostCallLeavesEachRunWholeOrConverted) {
  // Whichever single call fails, no run ends half converted, and no run that
  // is to stay is struck by a code meant for its neighbour.
  for (int64_t n = 1;; ++n) {
    memhost::HostStack h;
    HostInstall(&h.faults);
    DocBuilder tbl(h.model, "C:\\conv.fm");
    ObjHandle table = tbl.Table(kTable);
    DocBuilder src(h.model, "C:\\src.fm");
    Define(src);
    ObjHandle p = src.Para(kRuns);
    src.ParaEnd(p, R("", "Emphasis"));  // the last run's own
    ObjHandle empty = src.Para(std::vector<R>{});
    src.ParaEnd(empty, R("", "Emphasis"));
    h.faults.FailNthCall(n, -1);
    ConvertCharacterTags(src.doc, tbl.doc, table);
    SCOPED_TRACE(n);
    for (Char end : {At(src, p, 28), At(src, empty, 0)}) {
      EXPECT_TRUE(end == (Char{"Emphasis", 1, 0, 0, 0}) || end == (Char{"Strong", 0, 1, 0, 0}))
          << end;
    }
    // Not even a failed property set after the reset leaves the run plain.
    Char em = At(src, p, 5);
    EXPECT_TRUE(em == (Char{"Emphasis", 1, 0, 0, 1}) || em == (Char{"Strong", 0, 1, 0, 0})) << em;
    EXPECT_EQ((Char{"Key", 0, 0, 0, 0}), At(src, p, 7));
    Char code = At(src, p, 10);
    EXPECT_TRUE(code == (Char{"Code", 0, 0, 2, 0}) || code == (Char{"", 0, 0, 0, 0})) << code;
    EXPECT_EQ((Char{"Note", 0, 1, 0, 2}), At(src, p, 14));
    if (h.faults.failedCalls == 0) break;  // past the last call
  }
  HostInstall(&host);
}

TEST_F(ConversionTest, AParagraphEndIsConvertedWithTheRunItEndsOrAsARunOfItsOwn) {
  DocBuilder tbl(model, "C:\\conv.fm");
  ObjHandle table = tbl.Table(kTable);
  DocBuilder src(model, "C:\\src.fm");
  Define(src);
  ObjHandle t = src.Table({{"cell"}}, 1, {"title"});
  // paragraph, its runs, the end's tag, what the end carries afterwards
  struct Case {
    const char* what;
    ObjHandle pgf;
    const char* end;
    const char* after;
  };
  std::vector<Case> cases = {
      {"the last run's own end, in a flow", src.Para({R("plain"), R("tail", "Emphasis")}),
       "Emphasis", "Strong"},
      {"in a cell", src.ParaIn(src.Cell(t, 0, 0), {R("tail", "Code")}), "Code", ""},
      {"in a title", src.ParaIn(t, {R("tail", "Emphasis")}), "Emphasis", "Strong"},
      {"an end tagged apart", src.Para({R("tail", "Emphasis")}), "Code", ""},
      {"an end tagged apart and to stay", src.Para({R("tail", "Code")}), "Key", "Key"},
      {"an untagged end after converted text", src.Para({R("tail", "Emphasis")}), "", ""},
      {"an empty paragraph, the flow's last", src.Para(std::vector<R>{}), "Emphasis", "Strong"},
      {"a footnote's", src.Kid(src.Footnote(src.firstPgf, {R("tail", "Emphasis")}), 0), "Emphasis",
       "Emphasis"},
  };
  for (const Case& c : cases) src.ParaEnd(c.pgf, R("", c.end));

  ConvertCharacterTags(src.doc, tbl.doc, table);

  for (const Case& c : cases) {
    int32_t end = static_cast<int32_t>(model.Find(c.pgf)->text.size());
    EXPECT_EQ(c.after, src.TagAt(c.pgf, end)) << c.what;
    if (end > 0 && c.pgf != cases.back().pgf) {
      EXPECT_NE(src.TagAt(c.pgf, end - 1), "Emphasis") << c.what << ": the text is converted";
    }
  }
  EXPECT_EQ((Char{"Strong", 0, 1, 0, 0}), At(src, cases[0].pgf, 9)) << "with the format's values";
}

// The walk flag as the text is changed.
class WalkWatch : public HostWrapper {
 public:
  explicit WalkWatch(HostApi* target) : HostWrapper(target) {}
  std::vector<int32_t> flags;
  void SetTextProps(ObjHandle d, TextRange r, const PropVals* v) override {
    flags.push_back(target()->GetInt(d, d, PROP_DOC_WALK_FLAG));
    HostWrapper::SetTextProps(d, r, v);
  }
};

TEST_F(ConversionTest, TheLastRunStopsBeforeTheParagraphEndAndTheWalkIsFlagged) {
  DocBuilder tbl(model, "C:\\conv.fm");
  ObjHandle table = tbl.Table(kTable);
  DocBuilder src(model, "C:\\src.fm");
  Define(src);
  ObjHandle p = src.Para({R("plain"), R("tail", "Emphasis")});
  WalkWatch watch(&host);
  HostInstall(&watch);
  ConvertCharacterTags(src.doc, tbl.doc, table);
  HostInstall(&host);
  EXPECT_EQ("Strong", src.TagAt(p, 8));
  EXPECT_EQ("", src.TagAt(p, 9)) << "the paragraph end keeps its own properties";
  EXPECT_EQ(std::vector<int32_t>{1}, watch.flags);
  EXPECT_EQ(0, model.IntProp(src.doc, PROP_DOC_WALK_FLAG));
}

}  // namespace
