#include "charfmt/usage_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "client/host_lists.h"
#include "memhost/doc_builder.h"
#include "support/encoding.h"
#include "support/format.h"
#include "support/memory.h"

namespace {

using memhost::DocBuilder;
using memhost::MemHost;
using TextRun = memhost::Run;
using Names = std::vector<std::string>;

Names ToNames(const StringList* list) {
  Names out;
  for (uint32_t i = 0; i < StringListCount(list); ++i) out.push_back(StringListAt(list, i));
  return out;
}

// Lets a test see, or spoil, what the host answers for the tag of a position.
class ProbeHost : public MemHost {
 public:
  // Called before the host answers; returns false to fail the call with
  // `status` instead. `text` is the paragraph's text.
  std::function<bool(ObjHandle pgf, int32_t offset, const std::string& text, int32_t* status)> probe;
  std::function<bool(ObjHandle pgf)> failRange;  // true: GetTextForRange fails
  int64_t probes = 0;

  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override {
    ++probes;
    const memhost::Obj* p = Find(at.obj);
    int32_t status = 0;
    if (probe && p != nullptr && !probe(at.obj, at.offset, p->text, &status)) {
      ++callCount;
      HostErrno = status;
      return PropVal{};
    }
    return MemHost::GetTextPropVal(doc, at, prop);
  }
  TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) override {
    if (failRange && failRange(range.beg.obj)) {
      ++callCount;
      HostErrno = memhost::STATUS_BAD_ARGUMENT;
      return TextItems{0, nullptr};
    }
    return MemHost::GetTextForRange(doc, range, mask);
  }
};

class UsageScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HostErrno = 0;
    HostInstall(&host);
    used = StringListCreate(1, 1);
    unused = StringListCreate(1, 1);
  }
  void TearDown() override {
    StringListDestroy(used);
    StringListDestroy(unused);
    MemFailNth(0);
    HostInstall(nullptr);
  }

  void Scan(ObjHandle doc) { CharTagUsageScan(doc, used, unused); }
  void Reset() {
    StringListDestroy(used);
    StringListDestroy(unused);
    used = StringListCreate(1, 1);
    unused = StringListCreate(1, 1);
  }
  // Character formats of these names, defined in the document.
  void Define(DocBuilder& b, const Names& names) {
    for (const std::string& n : names) b.CharFormat(n);
  }

  ProbeHost host;
  StringList* used = nullptr;
  StringList* unused = nullptr;
};

TEST_F(UsageScanTest, TextOfFlowsFramesTablesTitlesAndFootnotesCounts) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  Define(b, {"Lead", "Second", "Master", "Cell", "Title", "Foot", "Idle"});
  ObjHandle anchor = b.Para({TextRun("plain "), TextRun("lead", "Lead")});
  b.NewFrame();
  b.Para({TextRun("x", "Second")});
  ObjHandle master = b.NewFlow(true);
  b.ParaIn(b.Kid(master, 0), {TextRun("page "), TextRun("7", "Master")});
  ObjHandle t = b.Table({{"Head"}, {"body"}}, 1, {"Table 1"});
  // Second paragraphs of a cell and of a title are reached along the chain.
  b.ParaIn(b.Cell(t, 1, 0), {TextRun("c", "Cell")});
  b.ParaIn(t, {TextRun("more "), TextRun("t", "Title")});
  b.Footnote(anchor, {TextRun("note "), TextRun("f", "Foot")});

  Scan(b.doc);
  EXPECT_EQ((Names{"Cell", "Foot", "Lead", "Master", "Second", "Title"}), ToNames(used));
  EXPECT_EQ(Names{"Idle"}, ToNames(unused));
}

TEST_F(UsageScanTest, AFlowWhoseFirstFramesAreEmptyIsScannedFromItsFirstParagraph) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  ObjHandle flow = b.NewFlow(false);
  // Two frames without paragraphs before the one that holds text.
  ObjHandle empty2 = host.NewObject(memhost::T_TEXT_FRAME, b.doc);
  ObjHandle full = host.NewObject(memhost::T_TEXT_FRAME, b.doc);
  host.AppendKid(flow, empty2);
  host.AppendKid(flow, full);
  b.ParaIn(full, {TextRun("late", "Late")});
  // A flow with no paragraph at all does not stop the walk.
  b.NewFlow(false);
  ObjHandle last = b.NewFlow(false);
  b.ParaIn(b.Kid(last, 0), {TextRun("z", "Last")});
  Scan(b.doc);
  EXPECT_EQ((Names{"Last", "Late"}), ToNames(used));
}

TEST_F(UsageScanTest, CellParagraphsAreProbedThroughTheirEndUntilTheRangeError) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  ObjHandle cell = b.CellPgf(b.Table({{"ab"}}, 1), 0, 0);
  std::vector<int32_t> offsets;
  host.probe = [&](ObjHandle pgf, int32_t offset, const std::string&, int32_t*) {
    if (pgf == cell) offsets.push_back(offset);
    return true;
  };
  Scan(b.doc);
  EXPECT_EQ((std::vector<int32_t>{0, 1, 2, 3}), offsets);
}

// A host that answers past the end of a paragraph instead of failing: a tag
// at the end offset itself, another one beyond it.
class EndlessHost : public MemHost {
 public:
  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override {
    const memhost::Obj* p = Find(at.obj);
    int32_t len = p != nullptr ? static_cast<int32_t>(p->text.size()) : 0;
    if (p == nullptr || at.offset < len) return MemHost::GetTextPropVal(doc, at, prop);
    ++callCount;
    const char* tag = at.offset == len ? "AtEnd" : "Beyond";
    PropVal v{};
    v.propIdent.num = prop;
    v.propVal.valType = VT_STRING;
    v.propVal.u.sval = static_cast<char*>(MemAllocateZeroed(8, 1, 0));
    std::memcpy(v.propVal.u.sval, tag, std::strlen(tag));
    return v;
  }
};

TEST_F(UsageScanTest, FlowParagraphsStopAfterTheirEndItemWithoutTheRangeError) {
  EndlessHost endless;
  HostInstall(&endless);
  DocBuilder b(endless, "C:\\docs\\ch1.fm");
  b.Para("abc");
  b.Para("");
  b.NewFrame();
  b.Para("second frame");
  Scan(b.doc);
  EXPECT_EQ(Names{"AtEnd"}, ToNames(used));
}

TEST_F(UsageScanTest, BuildingBlocksInFormatTextsAndFormatPagesCountInExactCase) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  Define(b, {"FamA", "FamB", "FamC", "OnPage", "Split", "Lower", "Bare", "Emphasis"});
  b.FormatDefA("Chapter <FamA>number");
  b.FormatDefB("<FamB>");
  b.FormatDefC("x <FamC> y <lower> Bare");
  b.FormatDefA("");
  ObjHandle page = b.FormatPage({"left <OnPage> right"});
  // A building block split over two runs of a format-page paragraph still
  // counts, while the tag of the format page's own text does not.
  ObjHandle frame = static_cast<ObjHandle>(host.IntProp(page, PROP_PAGE_FRAME));
  ObjHandle graphic = static_cast<ObjHandle>(host.IntProp(frame, PROP_FIRST_GRAPHIC_IN_FRAME));
  b.ParaIn(graphic, {TextRun("<Sp", "Emphasis"), TextRun("lit>")});

  Scan(b.doc);
  EXPECT_EQ((Names{"FamA", "FamB", "FamC", "OnPage", "Split"}), ToNames(used));
  EXPECT_EQ((Names{"Bare", "Emphasis", "Lower"}), ToNames(unused));
}

TEST_F(UsageScanTest, ScanFormatTextMatchesOnlyWholeBuildingBlocks) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  Define(b, {"Emphasis", "Em", ""});
  auto marks = [&](const char* text) {
    Reset();
    ScanFormatText(b.doc, used, unused, text);
    return ToNames(used);
  };
  EXPECT_EQ(Names{}, marks(nullptr));
  EXPECT_EQ(Names{}, marks(""));
  EXPECT_EQ(Names{}, marks("<>"));  // the unnamed format is never marked
  EXPECT_EQ(Names{}, marks("<emphasis> <Emphasis <Em"));
  EXPECT_EQ(Names{"Emphasis"}, marks("a<Emphasis>b"));
  EXPECT_EQ((Names{"Emphasis", "Em"}), marks("<Em><Emphasis>"));  // in format order
}

TEST_F(UsageScanTest, DocumentPropertiesAndTagReferencesNameTagsExceptDefaults) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  Define(b, {"P339", "P338", "P337", "P334", "P336", "Ref", "Default", "DefaultBold", "Idle"});
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_339, "P339");
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_338, "Default");
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_337, "P337");
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_334, "");
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_336, "P336");
  b.TagRef("DefaultBold");
  b.TagRef("");
  b.TagRef("Ref");
  b.TagRef("Ghost");  // names a tag the document does not define

  Scan(b.doc);
  EXPECT_EQ((Names{"Ghost", "P336", "P337", "P339", "Ref"}), ToNames(used));
  EXPECT_EQ((Names{"Default", "DefaultBold", "Idle", "P334", "P338"}), ToNames(unused));

  // "Default" is matched exactly, at the start: these do count.
  Reset();
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_338, "defaultSmall");
  host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_334, "MyDefault");
  Scan(b.doc);
  EXPECT_EQ((Names{"Ghost", "MyDefault", "P336", "P337", "P339", "Ref", "defaultSmall"}),
            ToNames(used));
}

TEST_F(UsageScanTest, UndefinedTagsInTextAreUsedAndNeverUnused) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  b.Para({TextRun("gone", "Removed")});
  Scan(b.doc);
  EXPECT_EQ(Names{"Removed"}, ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));
}

TEST_F(UsageScanTest, ADocumentWithoutFormatsOrTagsGivesEmptyLists) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  b.Para("just text");
  Scan(b.doc);
  EXPECT_EQ(0u, StringListCount(used));
  EXPECT_EQ(0u, StringListCount(unused));
}

TEST_F(UsageScanTest, ListsComeBackInByteOrder) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  Define(b, {"code", "Emphasis", "Bold", "zeta", "Alpha", "\xC4ra"});
  b.Para({TextRun("a", "code"), TextRun("b", "Emphasis"), TextRun("c", "Bold")});
  Scan(b.doc);
  EXPECT_EQ((Names{"Bold", "Emphasis", "code"}), ToNames(used));
  EXPECT_EQ((Names{"Alpha", "zeta", "\xC4ra"}), ToNames(unused));
}

TEST_F(UsageScanTest, ListsAccumulateOverDocumentsInEitherOrder) {
  DocBuilder a(host, "C:\\book\\a.fm");
  Define(a, {"Note", "Bold", "Spare"});
  a.Para({TextRun("b", "Bold")});
  DocBuilder b(host, "C:\\book\\b.fm");
  Define(b, {"Note", "Other"});
  b.Para({TextRun("n", "Note")});

  Scan(a.doc);
  EXPECT_EQ((Names{"Note", "Spare"}), ToNames(unused));
  Scan(b.doc);
  EXPECT_EQ((Names{"Bold", "Note"}), ToNames(used));
  EXPECT_EQ((Names{"Other", "Spare"}), ToNames(unused));

  Reset();
  Scan(b.doc);
  Scan(a.doc);
  EXPECT_EQ((Names{"Bold", "Note"}), ToNames(used));
  EXPECT_EQ((Names{"Other", "Spare"}), ToNames(unused));
}

TEST_F(UsageScanTest, NamesDifferingInCaseAreNeverLeftInUnusedBesideAUsedSpelling) {
  DocBuilder a(host, "C:\\book\\a.fm");
  Define(a, {"Bold", "bold", "BOLD", "Idle"});
  // Both spellings used; a third is defined only.
  a.Para({TextRun("x", "Bold"), TextRun("y", "bold")});
  Scan(a.doc);
  EXPECT_EQ((Names{"BOLD", "Bold", "bold"}), ToNames(used));
  EXPECT_EQ(Names{"Idle"}, ToNames(unused));

  // Across a book: a spelling left unused by one file moves to used when a
  // later file uses another spelling.
  Reset();
  DocBuilder b(host, "C:\\book\\b.fm");
  Define(b, {"note"});
  DocBuilder c(host, "C:\\book\\c.fm");
  c.Para({TextRun("n", "Note")});
  Scan(b.doc);
  EXPECT_EQ(Names{"note"}, ToNames(unused));
  Scan(c.doc);
  EXPECT_EQ((Names{"Note", "note"}), ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));
}

TEST_F(UsageScanTest, MarkTagUsedFoldsCaseForUsedAndMatchesUnusedExactly) {
  StringListAdd(used, "Bold");
  StringListAdd(unused, "bold");
  StringListAdd(unused, "Note");
  MarkTagUsed("BOLD", used, unused);
  EXPECT_EQ(Names{"Bold"}, ToNames(used));
  EXPECT_EQ((Names{"bold", "Note"}), ToNames(unused));
  MarkTagUsed("bold", used, unused);
  EXPECT_EQ(Names{"Bold"}, ToNames(used));
  EXPECT_EQ(Names{"Note"}, ToNames(unused));
  MarkTagUsed("Note", used, unused);
  EXPECT_EQ((Names{"Bold", "Note"}), ToNames(used));
  EXPECT_EQ(Names{}, ToNames(unused));
  MarkTagUsed("", used, unused);
  MarkTagUsed(nullptr, used, unused);
  EXPECT_EQ((Names{"Bold", "Note"}), ToNames(used));
}

TEST_F(UsageScanTest, AFailedListAppendIsReportedAndTheNameStillLeavesUnused) {
  ConsoleSink old = SetConsoleSink(HostPrintConsole);
  int32_t encoding = ClientEncoding();
  SetClientEncoding("UTF-8");
  StringListAdd(unused, "Note");
  MemFailNth(1);  // growing the used list
  MarkTagUsed("Note", used, unused);
  SetClientEncoding(DescriptorNameOfConverter(ConverterNameOf(encoding)));
  SetConsoleSink(old);
  EXPECT_EQ("Couldn't allocate string list memory\n", host.console);
  EXPECT_EQ(0u, StringListCount(used));
  EXPECT_EQ(0u, StringListCount(unused));
}

TEST_F(UsageScanTest, ScreenUpdatingIsOffForTheWalkAndTheWalkFlagIsRestored) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  b.Para({TextRun("ab", "Bold")});
  host.SetIntProp(b.doc, PROP_DOC_WALK_FLAG, 7);
  int32_t redisplays = host.redisplayCount;
  std::vector<std::pair<int32_t, int32_t>> seen;  // displaying, walk flag, at each probe
  host.probe = [&](ObjHandle, int32_t, const std::string&, int32_t*) {
    seen.push_back({host.MemHost::GetInt(0, 0, PROP_DISPLAYING),
                    host.MemHost::GetInt(b.doc, b.doc, PROP_DOC_WALK_FLAG)});
    return true;
  };
  Scan(b.doc);
  ASSERT_FALSE(seen.empty());
  for (const auto& s : seen) EXPECT_EQ(std::make_pair(0, 1), s);
  EXPECT_EQ(1, host.MemHost::GetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(7, host.MemHost::GetInt(b.doc, b.doc, PROP_DOC_WALK_FLAG));
  EXPECT_EQ(redisplays + 1, host.redisplayCount);
  EXPECT_EQ(Names{"Bold"}, ToNames(used));
}

// A document touching every part of the walk, for the failure sweeps.
struct FullDocument {
  explicit FullDocument(MemHost& host) : b(host, "C:\\docs\\full.fm") {
    for (const char* n : {"Flow", "Cell", "Title", "Foot", "FamA", "FamB", "FamC", "Prop", "Ref",
                          "Page", "Idle"}) {
      b.CharFormat(n);
    }
    ObjHandle anchor = b.Para({TextRun("f", "Flow"), TextRun(" plain")});
    b.Table({{"h"}}, 1, {});
    ObjHandle t = host.Chain(b.doc, PROP_FIRST_TBL_IN_DOC)[0];
    b.ParaIn(b.Cell(t, 0, 0), {TextRun("c", "Cell")});
    b.ParaIn(t, {TextRun("t", "Title")});
    b.Footnote(anchor, {TextRun("n", "Foot")});
    b.FormatDefA("<FamA>");
    b.FormatDefB("<FamB>");
    b.FormatDefC("<FamC>");
    host.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_339, "Prop");
    b.TagRef("Ref");
    b.FormatPage({"<Page>"});
  }
  DocBuilder b;
};

TEST_F(UsageScanTest, AFailedHostCallNeverMarksATagAndTheScanAlwaysEnds) {
  FullDocument full(host);
  const Names expectedUsed{"Cell", "FamA", "FamB", "FamC", "Flow",
                           "Foot", "Page", "Prop", "Ref",  "Title"};
  int64_t start = host.callCount;
  Scan(full.b.doc);
  int64_t calls = host.callCount - start;
  ASSERT_EQ(expectedUsed, ToNames(used));
  ASSERT_EQ(Names{"Idle"}, ToNames(unused));

  for (int32_t status : {ERR_CALL_FAILED, ERR_OFFSET_RANGE, memhost::STATUS_BAD_OBJECT}) {
    for (int64_t n = 1; n <= calls; ++n) {
      Reset();
      host.FailNthCall(n, status);
      Scan(full.b.doc);
      host.FailNthCall(0, 0);
      ASSERT_EQ(1, host.failedCalls) << n;
      host.failedCalls = 0;
      for (const std::string& name : ToNames(used)) {
        EXPECT_NE(expectedUsed.end(), std::find(expectedUsed.begin(), expectedUsed.end(), name))
            << name << " after failing call " << n << " with " << status;
      }
    }
  }
}

TEST_F(UsageScanTest, AFailedProbeSkipsOnePositionOnly) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  b.Para({TextRun("a", "FlowA"), TextRun("b", "FlowB")});
  ObjHandle t = b.Table({{"h"}}, 1);
  b.ParaIn(b.Cell(t, 0, 0), {TextRun("a", "CellA"), TextRun("b", "CellB")});
  b.Footnote(b.firstPgf, {TextRun("a", "FootA"), TextRun("b", "FootB")});
  host.probe = [](ObjHandle, int32_t offset, const std::string&, int32_t* status) {
    *status = memhost::STATUS_BAD_ARGUMENT;
    return offset != 0;
  };
  Scan(b.doc);
  EXPECT_EQ((Names{"CellB", "FlowB", "FootB"}), ToNames(used));
}

TEST_F(UsageScanTest, AHostThatKeepsFailingProbesDoesNotHoldTheScanUp) {
  DocBuilder b(host, "C:\\docs\\ch1.fm");
  b.Para({TextRun("abc", "Flow")});
  b.Footnote(b.firstPgf, {TextRun("note", "Foot")});
  host.probe = [](ObjHandle, int32_t, const std::string&, int32_t* status) {
    *status = memhost::STATUS_BAD_ARGUMENT;
    return false;
  };
  // The paragraph ends bound the probes: every position of "abc" and of
  // "note", their ends included, and one past each.
  Scan(b.doc);
  EXPECT_EQ(0u, StringListCount(used));
  EXPECT_EQ((3 + 2) + (4 + 2), host.probes);

  // When the end cannot be read either, each paragraph is given up.
  host.probes = 0;
  host.failRange = [](ObjHandle) { return true; };
  Scan(b.doc);
  EXPECT_EQ(0u, StringListCount(used));
  EXPECT_EQ(2, host.probes);
}

}  // namespace
