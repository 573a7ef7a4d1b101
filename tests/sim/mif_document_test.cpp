// The MIF mapping: what the reader makes of a file in the in-memory host,
// and what the writer makes of the model's changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "client/host_lists.h"
#include "memhost/mem_host.h"
#include "memhost/text_dump.h"
#include "mif/mif_document.h"
#include "mif/mif_font.h"
#include "tests/sim/sim_helpers.h"

namespace {

using memhost::DocStore;
using memhost::Obj;

std::string Example(const std::string& name) { return sim::RepoRoot() + "/examples/book/" + name; }

// A document read from MIF text.
struct Loaded {
  DocStore host;
  memhost::MemHost api{&host};
  MifDocument source;
  ObjHandle doc = 0;

  explicit Loaded(const std::string& text, const std::string& name = "doc.mif") {
    MifError error;
    source.file = name;
    EXPECT_TRUE(MifParse(text, name, &source.tree, &error)) << MifErrorText(error);
    EXPECT_TRUE(MifLoadDocumentTree(host, name, &source, &doc, &error)) << MifErrorText(error);
  }

  std::string Write() {
    std::string text;
    MifError error;
    EXPECT_TRUE(MifWriteDocument(host, doc, &source, &text, &error)) << MifErrorText(error);
    return text;
  }

  ObjHandle Format(int32_t type, const std::string& name) {
    return host.NamedObject(doc, type, name);
  }
  int32_t Int(ObjHandle h, int32_t prop) { return host.IntProp(h, prop); }

  // Paragraphs of the main flow, in order.
  std::vector<ObjHandle> MainParagraphs() {
    std::vector<ObjHandle> out;
    ObjHandle flow = static_cast<ObjHandle>(host.IntProp(doc, PROP_MAIN_FLOW_IN_DOC));
    for (ObjHandle p = host.FirstPgfOf(flow); p != 0; p = host.NextPgf(p)) out.push_back(p);
    return out;
  }
  const Obj& P(ObjHandle h) { return *host.Find(h); }
  memhost::CharProps At(ObjHandle pgf, int32_t offset) { return host.PropsAt(P(pgf), offset); }
  int32_t Slot(const memhost::CharProps& c, int32_t prop) {
    return c.ints[memhost::CharIntIndex(prop)];
  }

  // Gives text of a paragraph the character format `tag`, as the client does.
  void Retag(ObjHandle pgf, int32_t from, int32_t to, const std::string& tag) {
    PropVals values = api.GetProps(doc, Format(memhost::T_CHAR_FMT, tag));
    api.SetTextProps(doc, TextRange{{pgf, from}, {pgf, to}}, &values);
    PropValsFree(&values);
  }
  std::vector<std::string> Texts(int32_t firstProp, int32_t textProp) {
    std::vector<std::string> out;
    for (ObjHandle o : host.Chain(doc, firstProp)) out.push_back(host.StringProp(o, textProp));
    return out;
  }
};

std::string Mif9(const std::string& body) { return "<MIFFile 9.00>\n" + body; }

// A short document: a catalog and one paragraph of a flow.
std::string OneParagraph(const std::string& line) {
  return Mif9(
      "<PgfCatalog \n <Pgf \n  <PgfTag `Body'>\n  <PgfFont \n   <FSize  10.0 pt>\n  >\n >\n>\n"
      "<FontCatalog \n <Font \n  <FTag `Emphasis'>\n  <FAngle `Italic'>\n >\n"
      " <Font \n  <FTag `Strong'>\n  <FWeight `Bold'>\n >\n>\n"
      "<TextFlow \n <TFTag `A'>\n <Para \n  <PgfTag `Body'>\n  <ParaLine \n" +
      line + "  >\n >\n>\n");
}

// ---- Reading ----

TEST(MifReadTest, CharacterCatalogSetsWhatItNamesAndLeavesTheRestAsIs) {
  Loaded d(sim::ReadFile(Example("chapter1.mif")));
  std::vector<std::string> names;
  for (ObjHandle f : d.host.Chain(d.doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    names.push_back(d.host.StringProp(f, PROP_NAME));
  }
  ASSERT_EQ(14u, names.size());
  EXPECT_EQ("Emphasis", names[0]);
  EXPECT_EQ("Draft", names[13]);

  ObjHandle keyword = d.Format(memhost::T_CHAR_FMT, "Keyword");
  EXPECT_EQ(1, d.Int(keyword, PROP_USE_FONT_WEIGHT));
  EXPECT_EQ("Bold", MifNameAt(d.host, MifApplication(d.host), PROP_FONT_WEIGHT_NAMES,
                              d.Int(keyword, PROP_FONT_WEIGHT)));
  EXPECT_EQ(1, d.Int(keyword, PROP_USE_COLOR));
  EXPECT_EQ("Blue",
            d.host.StringProp(static_cast<ObjHandle>(d.Int(keyword, PROP_COLOR)), PROP_NAME));
  EXPECT_EQ(0, d.Int(keyword, PROP_USE_FONT_ANGLE));
  EXPECT_EQ(0, d.Int(keyword, PROP_USE_FONT_SIZE));

  ObjHandle draft = d.Format(memhost::T_CHAR_FMT, "Draft");
  EXPECT_EQ(1, d.Int(draft, PROP_CHANGE_BAR));
  EXPECT_EQ(6554, d.Int(draft, PROP_CHARSPREAD));  // 10 % of 0x10000
  EXPECT_EQ(58982, d.Int(draft, PROP_STRETCH));    // 90 %
  ObjHandle running = d.Format(memhost::T_CHAR_FMT, "RunningHead");
  EXPECT_EQ(9 << 16, d.Int(running, PROP_FONT_SIZE));
}

TEST(MifReadTest, ParagraphFormatsAndTheFontOfTheirText) {
  Loaded d(sim::ReadFile(Example("chapter3.mif")));
  std::vector<ObjHandle> p = d.MainParagraphs();
  ASSERT_EQ(4u, p.size());
  EXPECT_EQ("Heading1", d.host.StringProp(p[0], memhost::MEM_PROP_PGF_TAG));
  EXPECT_EQ(18 << 16, d.Int(p[0], PROP_FONT_SIZE));
  // A paragraph that names no format continues the one before it.
  EXPECT_EQ("Body", d.host.StringProp(p[2], memhost::MEM_PROP_PGF_TAG));
  EXPECT_EQ(11 << 16, d.Int(p[2], PROP_FONT_SIZE));
  EXPECT_EQ(2, d.Int(p[2], PROP_LANGUAGE));  // UKEnglish

  // "Override: ... like this large word": a tag, the paragraph font, a size set by hand.
  const Obj& text = d.P(p[2]);
  EXPECT_EQ("Term", d.At(p[2], 0).tag);
  EXPECT_EQ("", d.At(p[2], 8).tag);
  size_t large = text.text.find("large");
  ASSERT_NE(std::string::npos, large);
  EXPECT_EQ(14 << 16, d.Slot(d.At(p[2], static_cast<int32_t>(large)), PROP_FONT_SIZE));
  EXPECT_EQ(11 << 16, d.Slot(d.At(p[2], static_cast<int32_t>(large) + 5), PROP_FONT_SIZE));
  // Roman bytes of a version 7 file stay Roman: \xd5 is the apostrophe.
  EXPECT_NE(std::string::npos, text.text.find("paragraph\xd5s own"));
}

// A paragraph holds its format's name, its node and the font properties
// that differ from an unset font, in exactly the room they take: a long
// document of one-line paragraphs is mostly paragraphs. Every one reads the
// same by either call, of its type, set or not.
TEST(MifReadTest, AParagraphKeepsOnlyTheFontPropertiesThatAreSet) {
  Loaded d(sim::ReadFile(Example("chapter3.mif")));
  std::vector<ObjHandle> p = d.MainParagraphs();
  ASSERT_EQ(4u, p.size());
  const Obj& body = d.P(p[2]);
  EXPECT_EQ(body.props.size(), body.props.capacity());
  EXPECT_LE(body.props.size(), 5u);
  memhost::CharProps font = d.host.ParagraphFont(p[2]);
  for (int i = 0; i < memhost::kCharIntCount; ++i) {
    int32_t prop = memhost::kCharIntProps[i];
    PropVal v = d.api.GetPropVal(d.doc, p[2], prop);
    EXPECT_EQ(memhost::CharValueTypeOf(prop), v.propVal.valType) << prop;
    EXPECT_EQ(font.ints[i], v.propVal.u.ival) << prop;
    EXPECT_EQ(font.ints[i], d.api.GetInt(d.doc, p[2], prop)) << prop;
    PropValFree(&v);
  }
  EXPECT_EQ(11 << 16, font.ints[memhost::CharIntIndex(PROP_FONT_SIZE)]);
  EXPECT_EQ(0x10000, d.api.GetInt(d.doc, p[2], PROP_STRETCH));
}

// Paragraphs of one format and font hold one block of properties until one
// of them is changed; the change is that paragraph's alone.
TEST(MifReadTest, ParagraphsAlikeShareTheirPropertiesUntilOneChanges) {
  Loaded d(
      OneParagraph("   <String `a'>\n  >\n >\n <Para \n  <PgfTag `Body'>\n  <ParaLine \n"
                   "   <String `b'>\n"));
  std::vector<ObjHandle> p = d.MainParagraphs();
  ASSERT_EQ(2u, p.size());
  EXPECT_TRUE(d.P(p[0]).props.SharesWith(d.P(p[1]).props));
  d.api.SetInt(d.doc, p[1], PROP_FONT_SIZE, 14 << 16);
  EXPECT_FALSE(d.P(p[0]).props.SharesWith(d.P(p[1]).props));
  EXPECT_EQ(10 << 16, d.api.GetInt(d.doc, p[0], PROP_FONT_SIZE));
  EXPECT_EQ(14 << 16, d.api.GetInt(d.doc, p[1], PROP_FONT_SIZE));
  EXPECT_EQ("Body", d.host.StringProp(p[1], memhost::MEM_PROP_PGF_TAG));
}

TEST(MifReadTest, FontChangesNamingATagStartFromTheParagraphFont) {
  // Bold by hand, then Emphasis (which leaves weight as is), then a change
  // naming no tag: it keeps Emphasis and adds to it.
  Loaded d(OneParagraph(
      "   <String `a'>\n   <Font \n    <FTag `'>\n    <FWeight `Bold'>\n   >\n   <String `b'>\n"
      "   <Font \n    <FTag `Emphasis'>\n   >\n   <String `c'>\n"
      "   <Font \n    <FUnderlining FSingle>\n   >\n   <String `d'>\n"));
  ObjHandle p = d.MainParagraphs()[0];
  EXPECT_EQ(d.Slot(d.At(p, 0), PROP_FONT_WEIGHT), 0);
  EXPECT_NE(d.Slot(d.At(p, 1), PROP_FONT_WEIGHT), 0);
  EXPECT_EQ("Emphasis", d.At(p, 2).tag);
  EXPECT_EQ(0, d.Slot(d.At(p, 2), PROP_FONT_WEIGHT));
  EXPECT_NE(0, d.Slot(d.At(p, 2), PROP_FONT_ANGLE));
  EXPECT_EQ("Emphasis", d.At(p, 3).tag);
  EXPECT_EQ(1, d.Slot(d.At(p, 3), PROP_UNDERLINING));
  EXPECT_EQ(10 << 16, d.Slot(d.At(p, 3), PROP_FONT_SIZE));
}

TEST(MifReadTest, SpecialCharactersVariablesAndUtf8Text) {
  Loaded d(sim::ReadFile(Example("chapter2.mif")));
  const Obj& p = d.P(d.MainParagraphs()[2]);
  // "The café menu:" <Tab> ... <EmDash>: one byte each in the host's set.
  EXPECT_EQ(0, p.text.find("The caf\x8e menu:\x08"
                           "Convert\xd1then check. A second line"));
  Loaded c(sim::ReadFile(Example("chapter1.mif")));
  // A variable stands for text of the host's making: one character.
  EXPECT_EQ(" lists the character tags a document uses.",
            memhost::VisibleText(c.P(c.MainParagraphs()[1]).text).substr(1));
}

TEST(MifReadTest, TablesFootnotesAndTheirAnchors) {
  Loaded d(sim::ReadFile(Example("chapter2.mif")));
  const std::vector<ObjHandle>& tables = d.host.Chain(d.doc, PROP_FIRST_TBL_IN_DOC);
  ASSERT_EQ(1u, tables.size());
  const Obj& t = d.P(tables[0]);
  ASSERT_EQ(3u, t.kids.size());
  EXPECT_EQ(0, d.Int(t.kids[0], memhost::MEM_PROP_ROW_KIND));
  EXPECT_EQ(1, d.Int(t.kids[1], memhost::MEM_PROP_ROW_KIND));
  EXPECT_EQ(2, d.Int(t.kids[2], memhost::MEM_PROP_ROW_KIND));
  EXPECT_EQ("keep-list", d.P(d.P(d.P(t.kids[1]).kids[1]).kids[0]).text);
  EXPECT_EQ((std::vector<int32_t>{150 << 16, 150 << 16}),
            d.host.Prop(tables[0], PROP_TBL_COL_WIDTHS)->list());
  // Anchored at the end of the paragraph's second line, in a position of
  // its own.
  ObjHandle anchor = static_cast<ObjHandle>(d.Int(tables[0], memhost::MEM_PROP_ANCHOR_PGF));
  EXPECT_EQ(d.MainParagraphs()[2], anchor);
  ASSERT_EQ(1u, d.P(anchor).markers.size());
  EXPECT_EQ(static_cast<int32_t>(d.P(anchor).text.size()) - 1, d.P(anchor).markers[0].offset);
  EXPECT_EQ(memhost::kAnchorByte, d.P(anchor).text.back());

  const std::vector<ObjHandle>& notes = d.host.Chain(d.doc, PROP_FIRST_FN_IN_DOC);
  ASSERT_EQ(1u, notes.size());
  EXPECT_EQ("Older files write LegacyBold here.", d.P(d.P(notes[0]).kids[0]).text);
  EXPECT_EQ(d.MainParagraphs()[1],
            static_cast<ObjHandle>(d.Int(notes[0], memhost::MEM_PROP_ANCHOR_PGF)));

  Loaded c(sim::ReadFile(Example("chapter1.mif")));
  ObjHandle table = c.host.Chain(c.doc, PROP_FIRST_TBL_IN_DOC)[0];
  ASSERT_EQ(1u, c.P(table).titlePgfs.size());
  EXPECT_EQ("Table 1: Keys", c.P(c.P(table).titlePgfs[0]).text);
}

// Each inline statement takes the positions the host gives it, with the
// font in effect there; a font change after the last text is the paragraph
// end's. Written back unchanged, and a retagged run lands where it was.
TEST(MifReadTest, InlineStatementsArePositionsWithTheirFont) {
  std::string file = OneParagraph(
      "   <String `a'>\n   <Font \n    <FTag `Emphasis'>\n   >\n   <Marker \n    <MType 2>\n   >\n"
      "   <AFrame 4>\n   <Font \n    <FTag `Strong'>\n   >\n   <XRef \n    <XRefName `P'>\n   >\n"
      "   <String `b'>\n   <XRefEnd >\n   <Conditional \n    <InCondition `C'>\n   >\n"
      "   <Variable \n    <VariableName `Date'>\n   >\n   <Unconditional >\n   <Char Tab>\n"
      "   <ElementBegin \n    <ETag `X'>\n   >\n   <FNote 9>\n   <ElementEnd `X'>\n"
      "   <Font \n    <FTag `Emphasis'>\n   >\n");
  Loaded d(file);
  ObjHandle p = d.MainParagraphs()[0];
  EXPECT_EQ(std::string("a\x01\x01"
                        "b \x08\x01"),
            d.P(p).text);
  const char* tags[] = {"",       "Emphasis", "Emphasis", "Strong",
                        "Strong", "Strong",   "Strong",   "Emphasis"};
  for (int32_t k = 0; k < 8; ++k) EXPECT_EQ(tags[k], d.At(p, k).tag) << k;
  EXPECT_EQ(file, d.Write());

  d.Retag(p, 3, 4, "Emphasis");
  Loaded back(d.Write());
  ObjHandle q = back.MainParagraphs()[0];
  EXPECT_EQ(d.P(p).text, back.P(q).text);
  for (int32_t k = 0; k < 8; ++k) EXPECT_EQ(d.At(p, k).tag, back.At(q, k).tag) << k;
}

TEST(MifReadTest, PagesFramesAndFlows) {
  Loaded d(sim::ReadFile(Example("chapter1.mif")));
  // Flows in file order: the header on the master page, the main flow, the
  // layout of a table of contents on the reference page.
  const std::vector<ObjHandle>& flows = d.host.Chain(d.doc, PROP_FIRST_FLOW_IN_DOC);
  ASSERT_EQ(3u, flows.size());
  EXPECT_EQ(flows[1], static_cast<ObjHandle>(d.Int(d.doc, PROP_MAIN_FLOW_IN_DOC)));
  auto pageOf = [&](ObjHandle flow) {
    ObjHandle frame = d.P(flow).kids[0];
    ObjHandle pageFrame = static_cast<ObjHandle>(d.Int(frame, PROP_FRAME_PARENT));
    return static_cast<ObjHandle>(d.Int(pageFrame, PROP_PAGE_OF_FRAME));
  };
  EXPECT_EQ(memhost::T_MASTER_PAGE, static_cast<int32_t>(pageOf(flows[0]) >> 24));
  EXPECT_EQ(memhost::T_BODY_PAGE, static_cast<int32_t>(pageOf(flows[1]) >> 24));
  // The reference page is a format page: its first text frame holds the
  // building blocks.
  const std::vector<ObjHandle>& formatPages = d.host.Chain(d.doc, PROP_FIRST_FORMAT_PAGE);
  ASSERT_EQ(1u, formatPages.size());
  EXPECT_EQ(formatPages[0], pageOf(flows[2]));
  ObjHandle pageFrame = static_cast<ObjHandle>(d.Int(formatPages[0], PROP_PAGE_FRAME));
  ObjHandle graphic = static_cast<ObjHandle>(d.Int(pageFrame, PROP_FIRST_GRAPHIC_IN_FRAME));
  EXPECT_EQ("<$paratext>\x08<TOCPage><$pagenum>", d.P(d.host.FirstPgfOf(graphic)).text);
  // The insertion point is at the start of the main flow.
  const memhost::Value* sel = d.host.Prop(d.doc, PROP_TEXT_SELECTION);
  ASSERT_NE(nullptr, sel);
  EXPECT_EQ(d.MainParagraphs()[0], sel->range().beg.obj);
}

TEST(MifReadTest, BuildingBlocksAndTagNamingSettings) {
  Loaded d(sim::ReadFile(Example("chapter1.mif")));
  EXPECT_EQ((std::vector<std::string>{"Chapter <n+>: ", "<StepLabel>Step <n+>:\t", "Warning: "}),
            d.Texts(PROP_FIRST_FMT_DEF_A, PROP_FMT_DEF_A_TEXT));
  EXPECT_EQ((std::vector<std::string>{"<ProductName>Tagsmith", "<$curpagenum>"}),
            d.Texts(PROP_FIRST_FMT_DEF_B, PROP_FMT_DEF_TEXT));
  EXPECT_EQ((std::vector<std::string>{"<XRefText>`<$paratext>' on page <$pagenum>"}),
            d.Texts(PROP_FIRST_FMT_DEF_C, PROP_FMT_DEF_TEXT));
  EXPECT_EQ((std::vector<std::string>{"Default \xa6 Font", "WarningLabel"}),
            d.Texts(PROP_FIRST_TAG_REF_OBJ, PROP_TAG_REF));
  EXPECT_EQ("EquationVariables", d.host.StringProp(d.doc, PROP_DOC_CHAR_TAG_337));
  EXPECT_EQ("", d.host.StringProp(d.doc, PROP_DOC_CHAR_TAG_334));
}

// ---- Writing ----

TEST(MifWriteTest, EveryExampleAndSampleComesBackByteForByte) {
  std::vector<std::string> files;
  for (const char* name :
       {"chapter1.mif", "chapter2.mif", "chapter3.mif", "keep-list.mif", "conversion.mif"}) {
    files.push_back(Example(name));
  }
  std::string samples = sim::SharedSamplesDir();
  for (const std::string& name : sim::FilesIn(samples)) {
    if (name != "compare-book.mif" && std::filesystem::path(name).extension() == ".mif") {
      files.push_back(samples + "/" + name);
    }
  }
  for (const std::string& file : sim::RealDocuments()) files.push_back(file);
  EXPECT_FALSE(sim::RealDocuments().empty());
  for (const std::string& file : files) {
    std::string original = sim::ReadFile(file);
    Loaded d(original, file);
    std::string written = d.Write();
    EXPECT_EQ(original, written) << file;
    MifTree again;
    MifError error;
    ASSERT_TRUE(MifParse(written, file, &again, &error)) << MifErrorText(error);
    std::string where;
    EXPECT_TRUE(MifSameStatements(d.source.tree.root, again.root, &where)) << file << ": " << where;
    // Read once more, freeing the tree on the way: the same model, and the
    // same file from the tree parsed again.
    DocStore host;
    MifDocument spent;
    ObjHandle doc = 0;
    ASSERT_TRUE(MifParse(original, file, &spent.tree, &error) &&
                MifLoadDocumentTree(host, file, &spent, &doc, &error, MIF_RELEASE_TREE))
        << MifErrorText(error);
    EXPECT_TRUE(spent.tree.root.children.empty());
    EXPECT_EQ(memhost::DumpDocumentWithFormats(d.host, d.doc),
              memhost::DumpDocumentWithFormats(host, doc))
        << file;
    ASSERT_TRUE(MifParse(original, file, &spent.tree, &error));
    std::string rewritten;
    EXPECT_TRUE(MifWriteDocument(host, doc, &spent, &rewritten, &error)) << MifErrorText(error);
    EXPECT_EQ(original, rewritten) << file;
  }
}

// What the reader takes, the writer gives back unchanged; what it cannot
// give back it refuses, naming the line.
TEST(MifWriteTest, OddInputComesBackUnchangedOrIsRefused) {
  std::string unnamed = OneParagraph("   <String `x'>\n");
  unnamed.replace(unnamed.find("<FontCatalog \n"), 14, "<FontCatalog \n <Font \n  <FTag `'>\n >\n");
  Loaded d(unnamed);
  EXPECT_EQ(unnamed, d.Write());
  // The reader takes the entries of every catalog, and an entry's last tag;
  // so does the writer.
  std::string two =
      OneParagraph("   <String `x'>\n") +
      "<FontCatalog \n <Font \n  <FTag `Late'>\n >\n <Font \n  <FTag `A'>\n  <FTag `B'>\n >\n>\n";
  Loaded t(two);
  EXPECT_EQ(two, t.Write());

  auto refused = [](const std::string& text, const std::string& message) {
    DocStore host;
    MifDocument source;
    source.file = "odd.mif";
    MifError error;
    ObjHandle doc = 0;
    ASSERT_TRUE(MifParse(text, source.file, &source.tree, &error)) << MifErrorText(error);
    EXPECT_FALSE(MifLoadDocumentTree(host, "odd.mif", &source, &doc, &error)) << text;
    EXPECT_NE(std::string::npos, MifErrorText(error).find(message)) << MifErrorText(error);
  };
  const std::string para = "<Para <PgfTag `Body'> <ParaLine <String `t'>>>";
  refused(Mif9("<Tbls <Tbl <TblID 1> <TblBody <Row <Cell <CellContent " + para +
               ">\n<CellContent " + para + ">>>>>>\n"),
          "odd.mif:3: a <Cell> with a second <CellContent>");
  refused(Mif9("<Tbls <Tbl <TblID 1> <TblTitle <TblTitleContent " + para +
               ">>\n<TblTitle "
               "<TblTitleContent " +
               para + ">>>>\n"),
          "odd.mif:3: a <Tbl> with a second table title");
  refused(Mif9("<Page <TextRect <ID 7>>>\n<TextFlow <Para <ParaLine <TextRectID 7>>>>\n"
               "<TextFlow <Para <ParaLine <TextRectID 7>>>>\n"),
          "odd.mif:4: <TextRectID 7> is named by two text flows");
}

TEST(MifWriteTest, ARetaggedRunSplitsItsStringAndReadsBackTheSame) {
  Loaded d(sim::ReadFile(Example("chapter2.mif")));
  ObjHandle p = d.MainParagraphs()[2];
  // "The café menu:": "café" gets Emphasis, inside a UTF-8 string.
  d.Retag(p, 4, 8, "Emphasis");
  std::string written = d.Write();
  // Only that string changed; everything around it is as it was.
  EXPECT_EQ(
      "@@ -291,1 +291,11\n-   <String `The café menu:'>\n+   <String `The '>\n"
      "+   <Font \n+    <FTag `Emphasis'>\n+    <FLocked No>\n+   > # end of Font\n"
      "+   <String `café'>\n+   <Font \n+    <FTag `'>\n+    <FLocked No>\n"
      "+   > # end of Font\n+   <String ` menu:'>\n",
      sim::LineDiff(sim::ReadFile(Example("chapter2.mif")), written));
  Loaded back(written);
  const std::vector<ObjHandle> pb = back.MainParagraphs();
  EXPECT_EQ(d.P(p).text, back.P(pb[2]).text);
  for (int32_t k = 0; k < static_cast<int32_t>(d.P(p).text.size()); ++k) {
    EXPECT_EQ(d.At(p, k).tag, back.At(pb[2], k).tag) << k;
    EXPECT_EQ(d.Slot(d.At(p, k), PROP_UNDERLINING), back.Slot(back.At(pb[2], k), PROP_UNDERLINING))
        << k;
  }
}

// A paragraph split in two by a line break: the part that still holds the
// file's text keeps the file's <Para> with what the model does not know of
// it, whichever part comes first; the other is written as a new paragraph.
TEST(MifWriteTest, TheSplitPartWithTheFilesTextKeepsItsStatement) {
  const std::string file = OneParagraph(
      "   <String `First'>\n  >\n  <PgfNumString `7.'>\n >\n"
      " <Para \n  <PgfTag `Body'>\n  <ParaLine \n"
      "   <String `Second'>\n");
  for (bool before : {true, false}) {
    Loaded d(file);
    ObjHandle first = d.MainParagraphs()[0];
    d.api.AddText(d.doc, TextLoc{first, before ? 0 : 5}, before ? "New\n" : "\nNew");
    Loaded back(d.Write());
    std::vector<ObjHandle> p = back.MainParagraphs();
    ASSERT_EQ(3u, p.size()) << before;
    std::vector<std::string> texts;
    for (ObjHandle h : p) texts.push_back(back.P(h).text);
    EXPECT_EQ(before ? (std::vector<std::string>{"New", "First", "Second"})
                     : (std::vector<std::string>{"First", "New", "Second"}),
              texts);
    std::string written = d.Write();
    size_t number = written.find("<PgfNumString `7.'>");
    ASSERT_NE(std::string::npos, number);
    EXPECT_EQ(std::string::npos, written.find("<PgfNumString", number + 1));
    size_t start = written.rfind("<Para", number);
    std::string para = written.substr(start, written.find("<Para", number) - start);
    EXPECT_NE(std::string::npos, para.find("`First'")) << para;
    EXPECT_EQ(std::string::npos, para.find("`New'")) << para;
  }
}

TEST(MifWriteTest, ASplitInARomanFileKeepsItsEscapes) {
  Loaded d(sim::ReadFile(Example("chapter3.mif")));
  ObjHandle p = d.MainParagraphs()[1];
  size_t at = d.P(p).text.find("format");
  d.Retag(p, static_cast<int32_t>(at), static_cast<int32_t>(at) + 6, "Emphasis");
  std::string written = d.Write();
  EXPECT_NE(std::string::npos, written.find("a \\xd2 '>")) << written;
  EXPECT_NE(std::string::npos, written.find("<String `\\xd3 .'>")) << written;
  Loaded back(written);
  EXPECT_EQ(d.P(p).text, back.P(back.MainParagraphs()[1]).text);
}

TEST(MifWriteTest, DeletedAndNewFormatsChangeOnlyTheCatalog) {
  Loaded d(sim::ReadFile(Example("chapter3.mif")));
  d.api.DeleteObject(d.doc, d.Format(memhost::T_CHAR_FMT, "Glossary"));
  ObjHandle added = d.api.NewNamedObject(d.doc, memhost::T_CHAR_FMT, "Added");
  d.host.SetIntProp(added, PROP_FONT_WEIGHT, 1);
  d.host.SetIntProp(added, PROP_USE_FONT_WEIGHT, 1);
  d.host.SetIntProp(added, PROP_USE_FONT_ANGLE, 0);
  std::string written = d.Write();
  MifTree tree;
  MifError error;
  ASSERT_TRUE(MifParse(written, "x", &tree, &error));
  MifNode* catalog = MifFind(&tree.root, "FontCatalog");
  ASSERT_NE(nullptr, catalog);
  std::vector<std::string> tags;
  for (const MifNode* f : MifFindAll(*catalog, "Font")) {
    std::string tag;
    MifChildString(*f, "FTag", MIF_ROMAN, &tag);
    tags.push_back(tag);
  }
  EXPECT_EQ((std::vector<std::string>{"Emphasis", "Term", "Draft", "Added"}), tags);
  EXPECT_NE(std::string::npos,
            written.find(
                " <Font \n  <FTag `Added'>\n  <FWeight `Bold'>\n  <FLocked No>\n > # end of Font\n"
                "> # end of FontCatalog"))
      << written;
  // Nothing else moved.
  MifRemove(&tree.root, static_cast<size_t>(MifIndexOf(tree.root, catalog)));
  MifTree before = d.source.tree;
  MifRemove(&before.root,
            static_cast<size_t>(MifIndexOf(before.root, MifFind(&before.root, "FontCatalog"))));
  std::string where;
  EXPECT_TRUE(MifSameStatements(before.root, tree.root, &where)) << where;
}

// Text in a format that is deleted keeps its look, in the file too: its font
// changes name the gone format and now say what it set.
TEST(MifWriteTest, TextOfADeletedFormatKeepsItsLook) {
  std::string file = sim::RepoRoot() + "/tests/data/mif/real/visit-advanced.mif";
  Loaded d(sim::ReadFile(file), file);
  ASSERT_EQ(0, d.api.DeleteObject(d.doc, d.Format(memhost::T_CHAR_FMT, "Typeface")));
  Loaded back(d.Write(), file);
  std::vector<ObjHandle> before = d.MainParagraphs(), after = back.MainParagraphs();
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    for (int32_t k = 0; k < static_cast<int32_t>(d.P(before[i]).text.size()); ++k) {
      EXPECT_EQ(d.At(before[i], k).tag, back.At(after[i], k).tag) << i << ":" << k;
      EXPECT_EQ(d.Slot(d.At(before[i], k), PROP_FONT_FAMILY),
                back.Slot(back.At(after[i], k), PROP_FONT_FAMILY))
          << i << ":" << k;
    }
  }
}

TEST(MifWriteTest, NewParagraphsAndTablesGoWhereTheModelHasThem) {
  Loaded d(sim::ReadFile(Example("keep-list.mif")));
  ObjHandle last = d.MainParagraphs().back();
  ObjHandle added = d.host.NewParagraphAfter(last);
  d.host.SetStringProp(added, memhost::MEM_PROP_PGF_TAG, "Body");
  d.api.AddText(d.doc, TextLoc{added, 0}, "A new paragraph");
  ObjHandle table = d.api.NewTable(d.doc, "Format A", 2, 1, 1, 0, TextLoc{added, 5});
  ObjHandle cell = d.P(d.P(table).kids[1]).kids[1];
  d.api.AddText(d.doc, TextLoc{d.P(cell).kids[0], 0}, "second cell");
  std::string written = d.Write();
  EXPECT_NE(
      std::string::npos,
      written.find(
          " <Para \n  <PgfTag `Body'>\n  <ParaLine \n   <String `A new'>\n   <ATbl 2>\n"
          "   <String ` paragraph'>\n  > # end of ParaLine\n > # end of Para\n> # end of TextFlow"))
      << written;
  EXPECT_NE(std::string::npos, written.find(" <Tbl \n  <TblID 2>\n")) << written;
  // What was written reads back as the model had it.
  Loaded back(written);
  EXPECT_EQ(memhost::DumpDocument(d.host, d.doc), memhost::DumpDocument(back.host, back.doc));
}

TEST(MifWriteTest, AParagraphWithNewTextIsWrittenAnewInItsFrame) {
  Loaded d(sim::ReadFile(Example("keep-list.mif")));
  ObjHandle first = d.MainParagraphs()[0];
  d.api.AddText(d.doc, TextLoc{first, 0}, "All ");
  std::string diff = sim::LineDiff(sim::ReadFile(Example("keep-list.mif")), d.Write());
  EXPECT_EQ(
      "@@ -154,1 +154,1\n-   <String `Character tags the manual keeps'>\n"
      "+   <String `All Character tags the manual keeps'>\n",
      diff);
}

TEST(MifWriteTest, ANewDocumentReadsBackAsItWasMade) {
  DocStore host;
  memhost::MemHost api(&host);
  ObjHandle doc = api.NewCustomDocument(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000,
                                        0x480000, 0x480000, 0, 1);
  ObjHandle p = host.FirstPgfOf(static_cast<ObjHandle>(host.IntProp(doc, PROP_MAIN_FLOW_IN_DOC)));
  api.AddText(doc, TextLoc{p, 0},
              "Title\nTabs\x08"
              "and caf\x8e\n");
  ObjHandle second = host.NextPgf(p);
  api.NewTable(doc, "Format A", 1, 2, 1, 0, TextLoc{second, 0});
  std::string text;
  MifError error;
  ASSERT_TRUE(MifWriteDocument(host, doc, nullptr, &text, &error));
  EXPECT_NE(std::string::npos, text.find("<Char Tab>")) << text;
  EXPECT_NE(std::string::npos, text.find("`and café'")) << text;
  Loaded back(text);
  EXPECT_EQ(memhost::DumpDocument(host, doc), memhost::DumpDocument(back.host, back.doc));
  EXPECT_EQ(back.source.tree.encoding, MIF_UTF8);
}

// A model whose row names a cell that does not exist would lose that cell's
// text on writing: the write fails, for a new file and a changed one alike.
TEST(MifWriteTest, ALinkToNoObjectFailsTheWrite) {
  Loaded d(sim::ReadFile(Example("keep-list.mif")));
  ObjHandle first = d.MainParagraphs()[0];
  ObjHandle table = d.api.NewTable(d.doc, "Format A", 1, 1, 0, 0, TextLoc{first, 0});
  ASSERT_NE(0u, table);
  ObjHandle row = d.host.Find(table)->kids.View().at(0);
  d.host.Find(row)->kids.push_back(0x7FFFFFF0);
  std::string text = "unchanged";
  MifError error;
  EXPECT_FALSE(MifWriteDocument(d.host, d.doc, &d.source, &text, &error));
  EXPECT_FALSE(error.message.empty());
  EXPECT_FALSE(MifWriteDocument(d.host, d.doc, nullptr, &text, &error));
  EXPECT_EQ("unchanged", text);
}

// ---- Books ----

TEST(MifBookTest, ComponentNamesResolveAgainstTheBooksFolder) {
  // Names as decoded from their strings: `<c\>ch1.mif' reads <c>ch1.mif.
  EXPECT_EQ("docs/ch1.mif", MifResolveComponent("docs/Manual.book", "<c>ch1.mif"));
  EXPECT_EQ("docs/parts/ch1.mif", MifResolveComponent("docs/Manual.book", "<c>parts<c>ch1.mif"));
  EXPECT_EQ("other/ch1.mif", MifResolveComponent("docs/Manual.book", "<u><c>other<c>ch1.mif"));
  EXPECT_EQ("/srv/ch1.mif", MifResolveComponent("docs/Manual.book", "<r><c>srv<c>ch1.mif"));
  EXPECT_EQ("C:/docs/ch1.fm", MifResolveComponent("Manual.book", "<v>C<c>docs<c>ch1.fm"));
  EXPECT_EQ("O:/docs/ch1.fm", MifResolveComponent("Manual.book", "<v>O:<c>docs<c>ch1.fm"));
  EXPECT_EQ("//server/share/ch1.fm",
            MifResolveComponent("Manual.book", "<h>server<c>share<c>ch1.fm"));
  EXPECT_EQ("./ch1.mif", MifResolveComponent("Manual.book", "ch1.mif"));

  // Paths of the machine the book was made on are looked for beside it.
  for (const char* name :
       {"<v>O:<c>Team Docs<c>ch 1.fm", "<h>server<c>share<c>ch 1.fm", "<r><c>srv<c>ch 1.fm",
        "<v>O:<r><c>ch 1.fm", "C:\\Team Docs\\ch 1.fm", "/srv/ch 1.fm"}) {
    EXPECT_EQ("my docs/ch 1.fm", MifComponentBesideBook("my docs/Manual.book", name)) << name;
  }
  for (const char* name : {"<c>ch1.mif", "<u><c>other<c>ch1.mif", "ch1.mif", "<v>O:", "<r>"}) {
    EXPECT_EQ("", MifComponentBesideBook("docs/Manual.book", name)) << name;
  }
}

TEST(MifBookTest, EveryComponentWithAFileNameIsAFile) {
  DocStore host;
  MifBook book;
  ObjHandle handle = 0;
  MifError error;
  ASSERT_TRUE(MifLoadBook(host, Example("Manual.book"), "Manual.book", &book, &handle, &error))
      << MifErrorText(error);
  ASSERT_EQ(3u, book.components.size());
  EXPECT_EQ("<c>chapter2.mif", book.components[1].fileName);
  EXPECT_EQ(7, book.components[1].line);
  const Obj* b = host.Find(handle);
  ASSERT_EQ(3u, b->kids.size());
  EXPECT_EQ(512, host.IntProp(b->kids[2], PROP_COMPONENT_TYPE));
  EXPECT_EQ(Example("chapter3.mif"), host.StringProp(b->kids[2], PROP_NAME));

  MifDocument doc;
  ObjHandle d = 0;
  EXPECT_FALSE(MifLoadDocument(host, Example("Manual.book"), "x", &doc, &d, &error));
  EXPECT_EQ("this is a MIF book, not a document", error.message);
  EXPECT_FALSE(MifLoadBook(host, Example("chapter1.mif"), "x", &book, &handle, &error));
}

}  // namespace
