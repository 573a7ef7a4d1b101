#include "charfmt/usage_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "memhost/doc_builder.h"
#include "support/encoding.h"
#include "support/format.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"
#include "tests/host_test.h"
#include "tests/test_support.h"

namespace {

using memhost::DocBuilder;
using TextRun = memhost::Run;
using Names = std::vector<std::string>;

Names ToNames(const StringList* list) {
  Names out;
  for (uint32_t i = 0; i < StringListCount(list); ++i) out.push_back(StringListAt(list, i));
  return out;
}

// The in-memory host with a say in what the tag of a position reads as.
// `probe` returns false to fail the call with the status it sets; `endless`
// answers past the end of a paragraph instead of the range error.
class ProbeHost : public memhost::FaultyHost {
 public:
  using FaultyHost::FaultyHost;
  const memhost::DocStore* store = nullptr;  // what the probes look into
  std::function<bool(ObjHandle pgf, int32_t offset, int32_t* status)> probe;
  bool endless = false;
  bool failRange = false;  // the paragraph end cannot be read
  int64_t probes = 0;

  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override {
    ++probes;
    int32_t status = 0;
    if (probe && !probe(at.obj, at.offset, &status)) {
      ++callCount;
      HostErrno = status;
      return PropVal{};
    }
    const memhost::Obj* p = store->Find(at.obj);
    int32_t length = p != nullptr ? static_cast<int32_t>(p->text.size()) : 0;
    // A few positions past the end, then the range error after all.
    if (!endless || p == nullptr || at.offset < length || at.offset > length + 3) {
      return FaultyHost::GetTextPropVal(doc, at, prop);
    }
    ++callCount;
    const char* tag = at.offset == length ? "AtEnd" : "Beyond";
    PropVal v{};
    v.propIdent.num = prop;
    v.propVal.valType = VT_STRING;
    v.propVal.u.sval = static_cast<char*>(MemAllocateZeroed(8, 1, 0));
    std::memcpy(v.propVal.u.sval, tag, std::strlen(tag));
    return v;
  }
  TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) override {
    if (!failRange) return FaultyHost::GetTextForRange(doc, range, mask);
    ++callCount;
    HostErrno = memhost::STATUS_BAD_ARGUMENT;
    return TextItems{0, nullptr};
  }
};

class UsageScanTest : public HostTestWith<ProbeHost> {
 protected:
  void SetUp() override {
    HostTestWith<ProbeHost>::SetUp();
    host.store = &model;
    Reset();
  }
  void TearDown() override {
    Reset();
    StringListDestroy(used);
    StringListDestroy(unused);
    MemFailNth(0);
    HostTestWith<ProbeHost>::TearDown();
  }
  void Reset() {
    StringListDestroy(used);
    StringListDestroy(unused);
    used = StringListCreate(1, 1);
    unused = StringListCreate(1, 1);
  }
  int32_t Scan(ObjHandle doc) { return CharTagUsageScan(doc, used, unused); }
  void Define(DocBuilder& b, const Names& names) {
    for (const std::string& n : names) b.CharFormat(n);
  }

  StringList* used = nullptr;
  StringList* unused = nullptr;
};

// A document using a tag in every way the scan looks for one.
struct EveryUse {
  DocBuilder b;
  explicit EveryUse(memhost::DocStore& model) : b(model, "C:\\docs\\every.fm") {
    for (const char* n :
         {"code", "Emphasis", "Bold", "Cell", "Title", "Foot", "Master", "FamA", "FamB", "FamC",
          "Page", "Split", "Prop", "Ref", "lower", "Default", "DefaultBold", "P338", "Idle"}) {
      b.CharFormat(n);
    }
    ObjHandle anchor = b.Para({TextRun("a", "code"), TextRun("b ", "Emphasis")});
    b.NewFrame();
    b.Para({TextRun("c", "Bold")});
    ObjHandle master = b.NewFlow(true);
    ObjHandle frame = b.store.NewObject(memhost::T_TEXT_FRAME, b.doc);  // after an empty one
    b.store.AppendKid(master, frame);
    b.ParaIn(frame, {TextRun("7", "Master")});
    ObjHandle t = b.Table({{"h"}}, 1, {"Table 1"});
    b.ParaIn(b.Cell(t, 0, 0), {TextRun("x", "Cell")});  // second paragraphs of cell and title
    b.ParaIn(t, {TextRun("y", "Title")});
    b.Footnote(anchor, {TextRun("n", "Foot")});
    b.FormatDefA("Chapter <FamA>");
    b.FormatDefB("<FamB> <Lower>");
    b.FormatDefC("<FamC>");
    ObjHandle page = b.FormatPage({"<Page> Idle"});
    ObjHandle pageFrame = static_cast<ObjHandle>(b.store.IntProp(page, PROP_PAGE_FRAME));
    ObjHandle graphic =
        static_cast<ObjHandle>(b.store.IntProp(pageFrame, PROP_FIRST_GRAPHIC_IN_FRAME));
    b.ParaIn(graphic, {TextRun("<Sp", "Idle"), TextRun("lit>")});  // its tag does not count
    b.store.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_339, "Prop");
    b.store.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_338, "Default");
    b.store.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_334, "");
    b.store.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_336, "Ghost");  // defined nowhere
    b.TagRef("DefaultBold");
    b.TagRef("Ref");
  }
};

const Names kEveryUsed = {"Bold",   "Cell", "Emphasis", "FamA", "FamB",  "FamC",  "Foot", "Ghost",
                          "Master", "Page", "Prop",     "Ref",  "Split", "Title", "code"};

TEST_F(UsageScanTest, EveryKindOfUseCountsAndTheListsComeInByteOrder) {
  EveryUse every(model);
  Scan(every.b.doc);
  EXPECT_EQ(kEveryUsed, ToNames(used));
  EXPECT_EQ((Names{"Default", "DefaultBold", "Idle", "P338", "lower"}), ToNames(unused));

  DocBuilder bare(model, "C:\\docs\\bare.fm");
  Reset();
  Scan(bare.doc);
  EXPECT_EQ(Names{}, ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));
}

TEST_F(UsageScanTest, FlowParagraphsAreProbedThroughTheirEndAndNoFurther) {
  DocBuilder b(model, "C:\\docs\\ch1.fm");
  b.Para("abc");
  b.Para("");
  host.endless = true;
  Scan(b.doc);
  EXPECT_EQ(Names{"AtEnd"}, ToNames(used));
}

TEST_F(UsageScanTest, ARangeErrorAtOrBeforeTheEndItemFinishesAFlowParagraph) {
  DocBuilder b(model, "C:\\docs\\ch1.fm");
  Define(b, {"Early", "Late", "Spare"});
  b.Para({TextRun("ab", "Early"), TextRun("cd", "Late")});
  ObjHandle second = b.Para({TextRun("ef", "Early")});
  // A host that gives no answer at the end position, and one that ends the
  // second paragraph early.
  host.probe = [&](ObjHandle pgf, int32_t offset, int32_t* status) {
    *status = ERR_OFFSET_RANGE;
    return offset < (pgf == second ? 1 : 4);
  };
  EXPECT_EQ(0, Scan(b.doc));
  EXPECT_EQ((Names{"Early", "Late"}), ToNames(used));
  EXPECT_EQ(Names{"Spare"}, ToNames(unused));
}

// Each position is compared with the tag before it; names that share all
// but their last byte, or are the start of their neighbour, are different
// tags at every length around a word.
TEST_F(UsageScanTest, ANeighbourSharingAllButTheLastByteIsAnotherTag) {
  const Names names = {"abcdefg",
                       "abcdefgh",
                       "abcdefgX",
                       "abcdefghi",
                       "abcdefgh",
                       "abcdefghijklmnop",
                       "abcdefghijklmnoX",
                       "abcdefghijklmnopq",
                       "a",
                       "ab",
                       "a"};
  DocBuilder b(model, "C:\\docs\\ch1.fm");
  Define(b, names);
  std::vector<TextRun> runs;
  for (const std::string& n : names) runs.emplace_back("xy", n);
  b.Para(runs);
  EXPECT_EQ(0, Scan(b.doc));
  Names expected = names;
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  EXPECT_EQ(expected, ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));
}

TEST_F(UsageScanTest, ListsAccumulateOverTheFilesOfABookInEitherOrder) {
  DocBuilder a(model, "C:\\book\\a.fm");
  Define(a, {"Note", "Bold", "Spare"});
  a.Para({TextRun("b", "Bold")});
  DocBuilder b(model, "C:\\book\\b.fm");
  Define(b, {"Note", "Other"});
  b.Para({TextRun("n", "Note")});
  for (bool aFirst : {true, false}) {
    Reset();
    Scan(aFirst ? a.doc : b.doc);
    Scan(aFirst ? b.doc : a.doc);
    EXPECT_EQ((Names{"Bold", "Note"}), ToNames(used)) << aFirst;
    EXPECT_EQ((Names{"Other", "Spare"}), ToNames(unused)) << aFirst;
  }
}

TEST_F(UsageScanTest, EverySpellingOfAUsedNameCountsAsUsed) {
  DocBuilder a(model, "C:\\book\\a.fm");
  Define(a, {"Bold", "bold", "BOLD", "Idle"});
  a.Para({TextRun("x", "Bold"), TextRun("y", "bold")});
  Scan(a.doc);
  EXPECT_EQ((Names{"BOLD", "Bold", "bold"}), ToNames(used));
  EXPECT_EQ(Names{"Idle"}, ToNames(unused));

  // Also when another file of the book uses the other spelling.
  Reset();
  DocBuilder b(model, "C:\\book\\b.fm");
  Define(b, {"note"});
  DocBuilder c(model, "C:\\book\\c.fm");
  c.Para({TextRun("n", "Note")});
  Scan(b.doc);
  Scan(c.doc);
  EXPECT_EQ((Names{"Note", "note"}), ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));

  // The rule itself: used ignoring case, unused exactly.
  Reset();
  StringListAdd(used, "Bold");
  StringListAdd(unused, "bold");
  MarkTagUsed("BOLD", used, unused);
  EXPECT_EQ(Names{"bold"}, ToNames(unused));
  MarkTagUsed("bold", used, unused);
  MarkTagUsed("", used, unused);
  EXPECT_EQ((Names{"Bold", "bold"}), ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));

  // A spelling one file leaves unused, used in another file after a
  // different spelling: in used, not lost from both lists.
  Reset();
  DocBuilder d(model, "C:\\book\\d.fm");
  Define(d, {"Code"});
  DocBuilder e(model, "C:\\book\\e.fm");
  e.Para({TextRun("a", "code"), TextRun("b", "Code")});
  Scan(d.doc);
  Scan(e.doc);
  EXPECT_EQ((Names{"Code", "code"}), ToNames(used));
}

TEST_F(UsageScanTest, ScreenUpdatingIsOffForTheWalkAndTheWalkFlagIsRestored) {
  DocBuilder b(model, "C:\\docs\\ch1.fm");
  b.Para({TextRun("ab", "Bold")});
  model.SetIntProp(b.doc, PROP_DOC_WALK_FLAG, 7);
  int32_t redisplays = script.redisplayCount;
  std::vector<std::pair<int32_t, int32_t>> seen;  // screen updating and walk flag at each probe
  host.probe = [&](ObjHandle, int32_t, int32_t*) {
    seen.push_back(
        {mem.GetInt(0, 0, PROP_DISPLAYING), mem.GetInt(b.doc, b.doc, PROP_DOC_WALK_FLAG)});
    return true;
  };
  Scan(b.doc);
  ASSERT_FALSE(seen.empty());
  for (const auto& s : seen) EXPECT_EQ(std::make_pair(0, 1), s);
  EXPECT_EQ(1, mem.GetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(7, mem.GetInt(b.doc, b.doc, PROP_DOC_WALK_FLAG));
  EXPECT_EQ(redisplays + 1, script.redisplayCount);
}

TEST_F(UsageScanTest, NoFailureEverMarksATagOrLeavesAUsedOneInUnused) {
  EveryUse every(model);
  int64_t start = host.callCount;
  Scan(every.b.doc);
  int64_t calls = host.callCount - start;
  Names defined;
  for (ObjHandle f : model.Chain(every.b.doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    defined.push_back(model.StringProp(f, PROP_NAME));
  }
  // A scan that says it read everything has every defined name in one list
  // and no used one in unused; one that missed text says so.
  auto check = [&](const std::string& what, bool unusedToo) {
    for (const std::string& name : ToNames(used)) {
      EXPECT_TRUE(std::count(kEveryUsed.begin(), kEveryUsed.end(), name)) << name << what;
    }
    for (const std::string& name : ToNames(unused)) {
      EXPECT_FALSE(unusedToo && std::count(kEveryUsed.begin(), kEveryUsed.end(), name))
          << name << what;
    }
    for (const std::string& name : defined) {
      EXPECT_TRUE(!unusedToo || StringListIndexOf(used, name.c_str()) >= 0 ||
                  StringListIndexOf(unused, name.c_str()) >= 0)
          << name << what;
    }
  };
  for (int32_t status : {ERR_CALL_FAILED, ERR_OFFSET_RANGE}) {
    for (int64_t n = 1; n <= calls; ++n) {
      Reset();
      host.FailNthCall(n, status);
      bool whole = Scan(every.b.doc) == 0;
      // A range error is the end of the text, wherever the host gives it.
      check(" failing host call " + std::to_string(n) + " with " + std::to_string(status),
            whole && status != ERR_OFFSET_RANGE);
    }
  }
  // Lists are kept whole after a failure: what was found unused stays there.
  Reset();
  host.FailNthCall(calls / 2, ERR_CALL_FAILED);
  EXPECT_EQ(-1, Scan(every.b.doc));
  for (const char* name : {"Default", "DefaultBold", "Idle", "P338", "lower"}) {
    EXPECT_GE(StringListIndexOf(unused, name), 0) << name;
  }
  // Running out of memory anywhere only loses names, from either list.
  testsupport::ScopedConsoleSink sink(HostPrintConsole);
  testsupport::ScopedClientEncoding encoding("UTF-8");
  int64_t allocations = MemAllocationCount();
  Scan(every.b.doc);
  allocations = MemAllocationCount() - allocations;
  for (int64_t n = 1; n <= allocations; ++n) {
    Reset();
    MemFailNth(n);
    bool whole = Scan(every.b.doc) == 0;
    MemFailNth(0);
    check(" failing allocation " + std::to_string(n), whole);
  }
  EXPECT_NE(std::string::npos, script.console.find("Couldn't allocate string list memory\n"));
}

TEST_F(UsageScanTest, AFailingProbeSkipsItsPositionAndAlwaysEnds) {
  DocBuilder b(model, "C:\\docs\\ch1.fm");
  b.Para({TextRun("a", "FlowA"), TextRun("b", "FlowB")});
  ObjHandle t = b.Table({{""}}, 1);
  b.ParaIn(b.Cell(t, 0, 0), {TextRun("a", "CellA"), TextRun("b", "CellB")});
  b.Footnote(b.firstPgf, {TextRun("a", "FootA"), TextRun("b", "FootB")});
  host.probe = [](ObjHandle, int32_t offset, int32_t* status) {
    *status = memhost::STATUS_BAD_ARGUMENT;
    return offset != 0;
  };
  Scan(b.doc);
  EXPECT_EQ((Names{"CellB", "FlowB", "FootB"}), ToNames(used));

  // A host that keeps failing is bounded by the paragraph end, and when
  // that cannot be read either, each paragraph is given up.
  host.probe = [](ObjHandle, int32_t, int32_t* status) {
    *status = memhost::STATUS_BAD_ARGUMENT;
    return false;
  };
  host.probes = 0;
  Scan(b.doc);
  // Every paragraph through its end and one past: "ab" and the footnote's
  // anchor, the table's anchor, an empty cell paragraph, two of "ab".
  EXPECT_EQ((3 + 2) + (1 + 2) + (0 + 2) + 2 * (2 + 2), host.probes);
  host.failRange = true;
  host.probes = 0;
  Scan(b.doc);
  EXPECT_EQ(5, host.probes);
}

// Anchors are text: a tag on a footnote's or a table's anchor alone is
// used. And every footnote counts, whatever the order of the document's
// list of them.
TEST_F(UsageScanTest, AnchorsCountAndFootnotesInAnyOrder) {
  DocBuilder b(model, "C:\\docs\\ch1.fm");
  Define(b, {"FlowRef", "CellRef", "OnlyInNote", "Idle"});
  ObjHandle p1 = b.Para("one");
  ObjHandle p2 = b.Para("two");
  ObjHandle t = b.Table({{"Heat"}}, 1);
  b.Footnote(p2, {TextRun("later")}, "FlowRef");
  b.Footnote(p1, {TextRun("x", "OnlyInNote")});
  b.Footnote(b.CellPgf(t, 0, 0), {TextRun("cell note")}, "CellRef");
  Scan(b.doc);
  EXPECT_EQ((Names{"CellRef", "FlowRef", "OnlyInNote"}), ToNames(used));
  EXPECT_EQ((Names{"Idle"}), ToNames(unused));
}

}  // namespace
