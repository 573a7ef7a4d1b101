// The in-memory host stands in for the real one in every other test, so its
// own behaviour is pinned down here.
#include "memhost/mem_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "client/host_lists.h"
#include "memhost/doc_builder.h"
#include "tests/host_test.h"

namespace {

using memhost::DocBuilder;
// Inside a test body the name Run means the test's own member function.
using R = memhost::Run;

class MemHostTest : public HostTest {
 protected:
  std::string GetStr(ObjHandle doc, ObjHandle obj, int32_t prop) {
    char* s = HostGetString(doc, obj, prop);
    std::string out = s != nullptr ? s : "<null>";
    std::free(s);
    return out;
  }
  std::string TagAt(ObjHandle doc, ObjHandle pgf, int32_t offset) {
    PropVal v = HostGetTextPropVal(doc, TextLoc{pgf, offset}, PROP_CHAR_TAG);
    std::string out = v.propVal.u.sval != nullptr ? v.propVal.u.sval : "";
    PropValFree(&v);
    return out;
  }
};

// The rules every host keeps (HostErrno, failure values, a failed question
// never confirming, no host at all) are checked against this host and the
// COM bridge alike in tests/com/host_contract_test.cpp.

TEST_F(MemHostTest, NthCallFailsWithTheGivenStatusOnce) {
  host.FailNthCall(2, -88);
  HostErrno = 0;
  EXPECT_EQ(1, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(0, HostErrno);
  EXPECT_EQ(0, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(-88, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(1, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(0, HostErrno);
  EXPECT_EQ(1, host.failedCalls);
  host.FailNthCall(1, 5);
  EXPECT_EQ(5, HostRedisplay(0));
}

TEST_F(MemHostTest, HandlesCarryTheirTypeInTheTopByte) {
  DocBuilder b(model, "C:\\a.fm");
  ObjHandle fmt = b.CharFormat("Emphasis").h;
  ObjHandle fn = b.Footnote(b.Para("x"), {R("note")});
  ObjHandle master = b.NewFlow(true);
  EXPECT_EQ(OBJ_CHAR_FMT, HandleType(fmt));
  EXPECT_EQ(OBJ_FOOTNOTE, HandleType(fn));
  ObjHandle frame = HostGetId(b.doc, master, PROP_FIRST_FRAME_IN_FLOW);
  ObjHandle parent = HostGetId(b.doc, frame, PROP_FRAME_PARENT);
  ObjHandle page = HostGetId(b.doc, parent, PROP_PAGE_OF_FRAME);
  EXPECT_EQ(OBJ_MASTER_PAGE, HandleType(page));
  EXPECT_EQ(fmt, HostGetNamedObject(b.doc, OBJ_CHAR_FMT, "Emphasis"));
  EXPECT_EQ(0u, HostGetNamedObject(b.doc, OBJ_CHAR_FMT, "emphasis"));
}

TEST_F(MemHostTest, TextPropertyPastTheParagraphEndFailsWithOffsetRange) {
  DocBuilder b(model, "d.fm");
  ObjHandle p = b.Para({R("ab", "Em"), R("c")});
  EXPECT_EQ("Em", TagAt(b.doc, p, 0));
  EXPECT_EQ("", TagAt(b.doc, p, 2));
  HostErrno = 0;
  EXPECT_EQ("", TagAt(b.doc, p, 3));  // the paragraph end is a position
  EXPECT_EQ(0, HostErrno);
  EXPECT_EQ("", TagAt(b.doc, p, 4));
  EXPECT_EQ(ERR_OFFSET_RANGE, HostErrno);
}

// A look at a text property is the copy without the copying: the same value,
// the same failures, and it counts as the same call.
TEST_F(MemHostTest, ALookAtATextPropertyMatchesItsCopy) {
  DocBuilder b(model, "d.fm");
  ObjHandle p = b.Para({R("ab", "Em"), R("c")});
  for (int32_t offset : {0, 2, 4}) {
    for (int32_t prop : {PROP_CHAR_TAG, PROP_CHAR_STR_639, PROP_CHAR_INT_612, PROP_LABEL}) {
      HostErrno = 0;
      PropVal copy = HostGetTextPropVal(b.doc, TextLoc{p, offset}, prop);
      const int32_t copyErrno = HostErrno;
      const int64_t calls = host.callCount;
      HostErrno = 0;
      PropVal view{};
      size_t length = 99;
      ASSERT_TRUE(host.PeekTextPropVal(b.doc, TextLoc{p, offset}, prop, &view, &length));
      EXPECT_EQ(calls + 1, host.callCount);
      EXPECT_EQ(copyErrno, HostErrno) << offset << " " << prop;
      EXPECT_EQ(copy.propIdent.num, view.propIdent.num);
      ASSERT_EQ(copy.propVal.valType, view.propVal.valType);
      if (view.propVal.valType == VT_STRING) {
        EXPECT_STREQ(copy.propVal.u.sval, view.propVal.u.sval);
        EXPECT_EQ(std::strlen(view.propVal.u.sval), length);
      } else {
        EXPECT_EQ(copy.propVal.u.ival, view.propVal.u.ival);
      }
      PropValFree(&copy);
    }
  }
}

TEST_F(MemHostTest, ItemsComeInOffsetOrderForTheAskedKinds) {
  DocBuilder b(model, "d.fm");
  ObjHandle p = b.Para({R("ab", "Em"), R("cd"), R("e", "", {{PROP_FONT_WEIGHT, 1}})});
  model.AddMarker(p, 3, ITEM_OWN_CHARACTER);
  TextRange all{{p, 0}, {p, OFFSET_OBJ_END}};
  TextItems items = HostGetTextForRange(b.doc, all, ITEM_CHAR_PROPS_CHANGE);
  ASSERT_EQ(3u, items.len);
  EXPECT_EQ(0, items.val[0].offset);
  EXPECT_EQ(2, items.val[1].offset);
  EXPECT_EQ(4, items.val[2].offset);
  TextItemsFree(&items);

  items = HostGetTextForRange(b.doc, all, ITEM_STRING | ITEM_PGF_END | ITEM_OWN_CHARACTER);
  std::string joined;
  int32_t last = -1;
  for (uint32_t i = 0; i < items.len; ++i) {
    EXPECT_GE(items.val[i].offset, last);
    last = items.val[i].offset;
    if (items.val[i].dataType == ITEM_STRING) joined += items.val[i].u.sdata;
  }
  EXPECT_EQ("abcde", joined);
  EXPECT_EQ(ITEM_PGF_END, items.val[items.len - 1].dataType);
  EXPECT_EQ(5, items.val[items.len - 1].offset);
  TextItemsFree(&items);

  // A range inside the text reports no paragraph end and only what lies in it.
  items = HostGetTextForRange(b.doc, TextRange{{p, 3}, {p, 4}}, ITEM_OWN_CHARACTER | ITEM_PGF_END);
  ASSERT_EQ(1u, items.len);
  EXPECT_EQ(3, items.val[0].offset);
  TextItemsFree(&items);
}

TEST_F(MemHostTest, AnAnchorIsAPositionWithPropertiesButNoString) {
  DocBuilder b(model, "d.fm");
  b.CharFormat("Ref");
  ObjHandle p = b.Para("ab");
  ObjHandle fn = b.Footnote(p, {R("note")}, "Ref");
  ObjHandle table = HostNewTable(b.doc, "Format A", 1, 1, 0, 0, TextLoc{p, 1});
  ASSERT_NE(0u, table);
  // a, the table, b, the footnote, the paragraph end.
  EXPECT_EQ("", TagAt(b.doc, p, 1));
  EXPECT_EQ("Ref", TagAt(b.doc, p, 3));
  EXPECT_EQ("", TagAt(b.doc, p, 4));
  TextItems items = HostGetTextForRange(b.doc, TextRange{{p, 0}, {p, OFFSET_OBJ_END}},
                                        ITEM_STRING | memhost::ITEM_TABLE_ANCHOR |
                                            memhost::ITEM_FOOTNOTE_ANCHOR | ITEM_PGF_END);
  ASSERT_EQ(5u, items.len);
  EXPECT_STREQ("a", items.val[0].u.sdata);
  EXPECT_EQ(1, items.val[1].offset);
  EXPECT_EQ(static_cast<int32_t>(table), items.val[1].u.idata);
  EXPECT_EQ(2, items.val[2].offset);
  EXPECT_STREQ("b", items.val[2].u.sdata);
  EXPECT_EQ(static_cast<int32_t>(fn), items.val[3].u.idata);
  EXPECT_EQ(4, items.val[4].offset);
  TextItemsFree(&items);
}

// OFFSET_OBJ_END names the paragraph end; OFFSET_BEFORE_OBJ_END is only a
// bound: as a range's end it stops before the paragraph end.
TEST_F(MemHostTest, TheParagraphEndChangesOnlyWithARangeToObjEnd) {
  DocBuilder b(model, "d.fm");
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle p = b.Para("ab", "Strong");
  EXPECT_EQ("Strong", TagAt(b.doc, p, 1));
  EXPECT_EQ("", TagAt(b.doc, p, OFFSET_OBJ_END));
  HostErrno = 0;
  EXPECT_EQ("", TagAt(b.doc, p, OFFSET_BEFORE_OBJ_END));
  EXPECT_EQ(ERR_OFFSET_RANGE, HostErrno);

  PropVals strong = HostGetProps(b.doc, HostGetNamedObject(b.doc, OBJ_CHAR_FMT, "Strong"));
  HostSetTextProps(b.doc, TextRange{{p, 0}, {p, OFFSET_BEFORE_OBJ_END}}, &strong);
  EXPECT_EQ("", TagAt(b.doc, p, 2));
  HostSetTextProps(b.doc, TextRange{{p, 0}, {p, OFFSET_OBJ_END}}, &strong);
  EXPECT_EQ("Strong", TagAt(b.doc, p, 2));
  PropValsFree(&strong);

  int32_t code = CODE_DEFAULT_PGF_FONT;
  HostSetTextRange(0, b.doc, PROP_TEXT_SELECTION, TextRange{{p, 1}, {p, OFFSET_BEFORE_OBJ_END}});
  HostExecuteCodes(1, &code);
  EXPECT_EQ("", TagAt(b.doc, p, 1));
  EXPECT_EQ("Strong", TagAt(b.doc, p, 2));
  HostSetTextRange(0, b.doc, PROP_TEXT_SELECTION, TextRange{{p, 1}, {p, OFFSET_OBJ_END}});
  HostExecuteCodes(1, &code);
  EXPECT_EQ("", TagAt(b.doc, p, 2));
}

// The document's list of footnotes (1005) is not the order of the text
// (1003): the two are different chains.
TEST_F(MemHostTest, FootnoteChainsOfTheListAndOfTheText) {
  DocBuilder b(model, "d.fm");
  ObjHandle p1 = b.Para("one");
  ObjHandle p2 = b.Para("two");
  ObjHandle second = b.Footnote(p2, {R("2")});
  ObjHandle first = b.Footnote(p1, {R("1")});
  EXPECT_EQ(second, HostGetId(0, b.doc, PROP_FIRST_FN_IN_DOC));
  EXPECT_EQ(first, HostGetId(b.doc, second, PROP_NEXT_FN_IN_DOC));
  EXPECT_EQ(0u, HostGetId(b.doc, first, PROP_NEXT_FN_IN_DOC));
  EXPECT_EQ(second, HostGetId(b.doc, first, PROP_NEXT_FN));
  EXPECT_EQ(0u, HostGetId(b.doc, second, PROP_NEXT_FN));
}

// Handles of the wrong kind, and object 0 beside a document, fail as the
// host fails them; nothing is read through them.
TEST_F(MemHostTest, WrongHandlesFailAndNeverCrash) {
  DocBuilder b(model, "d.fm");
  ObjHandle p = b.Para("ab");
  auto fails = [](bool failedValue) {
    bool ok = failedValue && HostErrno != 0;
    HostErrno = 0;
    return ok;
  };
  HostErrno = 0;
  EXPECT_TRUE(fails(HostNewNamedObject(p, OBJ_CHAR_FMT, "X") == 0));
  EXPECT_TRUE(fails(HostNewNamedObject(0, OBJ_CHAR_FMT, "X") == 0));
  EXPECT_TRUE(fails(HostNewNamedObject(b.doc, OBJ_MENU, "X") == 0));
  EXPECT_TRUE(fails(HostGetNamedObject(p, OBJ_CHAR_FMT, "X") == 0));
  EXPECT_TRUE(fails(HostDeleteObject(p, p) != 0));
  EXPECT_TRUE(fails(HostDeleteObject(b.doc, 0) != 0));
  EXPECT_TRUE(fails(HostSaveDocumentSimple(p, "x.fm", 0) == 0));
  EXPECT_TRUE(fails(HostCloseDocument(p, 1) != 0));
  EXPECT_TRUE(fails(HostRedisplay(p) != 0));
  EXPECT_TRUE(fails(HostScrollToText(p, TextRange{{p, 0}, {p, 1}}) != 0));
  TextItems items = HostGetTextForRange(p, TextRange{{p, 0}, {p, OFFSET_OBJ_END}}, ITEM_STRING);
  EXPECT_TRUE(fails(items.len == 0));
  PropVal v = HostGetTextPropVal(p, TextLoc{p, 0}, PROP_CHAR_TAG);
  EXPECT_TRUE(fails(v.propVal.valType == 0));
  v = HostGetTextPropVal(b.doc, TextLoc{0, 0}, PROP_CHAR_TAG);
  EXPECT_TRUE(fails(v.propVal.valType == 0));
  PropVals none{0, nullptr};
  HostSetTextProps(p, TextRange{{p, 0}, {p, 1}}, &none);
  EXPECT_TRUE(fails(true));
  EXPECT_TRUE(fails(HostAddText(p, TextLoc{p, 0}, "x").obj == 0));
  EXPECT_TRUE(fails(HostNewTable(p, "Format A", 1, 1, 0, 0, TextLoc{p, 0}) == 0));
  EXPECT_TRUE(fails(HostGetInt(b.doc, 0, PROP_DISPLAYING) == 0));
  HostSetInt(b.doc, 0, PROP_DISPLAYING, 0);
  EXPECT_TRUE(fails(true));
  EXPECT_EQ(1, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ("ab", b.Text(p));
}

TEST_F(MemHostTest, AddTextReturnsThePositionAfterAndLineEndSplits) {
  DocBuilder b(model, "d.fm");
  ObjHandle p = b.Para("tail");
  TextLoc after = HostAddText(b.doc, TextLoc{p, 0}, "head");
  EXPECT_EQ(p, after.obj);
  EXPECT_EQ(4, after.offset);
  TextLoc split = HostAddText(b.doc, after, "\n");
  EXPECT_EQ("head", b.Text(p));
  ObjHandle next = HostGetId(b.doc, p, PROP_NEXT_PGF);
  EXPECT_EQ(next, split.obj);
  EXPECT_EQ(0, split.offset);
  EXPECT_EQ("tail", b.Text(next));
  EXPECT_EQ(next, HostGetId(b.doc, b.frame, PROP_LAST_PGF));
  HostErrno = 0;
  HostAddText(b.doc, TextLoc{p, 99}, "x");
  EXPECT_EQ(ERR_OFFSET_RANGE, HostErrno);
}

TEST_F(MemHostTest, FormatListsApplyOnlyWhatTheFormatSets) {
  DocBuilder b(model, "d.fm");
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  ObjHandle p = b.Para({R("abc", "", {{PROP_FONT_ANGLE, 1}})});
  PropVals fmt = HostGetProps(b.doc, HostGetNamedObject(b.doc, OBJ_CHAR_FMT, "Strong"));
  HostSetTextProps(b.doc, TextRange{{p, 0}, {p, 2}}, &fmt);
  PropValsFree(&fmt);
  EXPECT_EQ("Strong", b.TagAt(p, 0));
  EXPECT_EQ(1, b.PropAt(p, 1, PROP_FONT_WEIGHT));
  EXPECT_EQ(1, b.PropAt(p, 1, PROP_FONT_ANGLE));  // as is: the override stays
  EXPECT_EQ("", b.TagAt(p, 2));

  // The default-font code works on the active document's selection.
  HostSetTextRange(0, b.doc, PROP_TEXT_SELECTION, TextRange{{p, 0}, {p, OFFSET_BEFORE_OBJ_END}});
  int32_t code = CODE_DEFAULT_PGF_FONT;
  EXPECT_EQ(0, HostExecuteCodes(1, &code));
  for (int32_t k = 0; k < 3; ++k) {
    EXPECT_EQ("", b.TagAt(p, k));
    EXPECT_EQ(0, b.PropAt(p, k, PROP_FONT_WEIGHT));
    EXPECT_EQ(0, b.PropAt(p, k, PROP_FONT_ANGLE));
  }
}

TEST_F(MemHostTest, OpenSaveAndCloseWorkOnCopies) {
  {
    DocBuilder b(model, "C:\\ch1.fm");
    b.Para("saved text");
    b.SaveAndClose("C:\\ch1.fm");
  }
  EXPECT_EQ(0u, model.activeDoc);
  PropVals* ret = nullptr;
  ObjHandle d = HostOpenDocument("C:\\ch1.fm", nullptr, &ret);
  ASSERT_NE(0u, d);
  ASSERT_NE(nullptr, ret);
  EXPECT_EQ(d, HostGetId(0, 0, PROP_ACTIVE_DOC));
  EXPECT_EQ("C:\\ch1.fm", GetStr(d, d, PROP_NAME));
  // Opening an open path gives the same document.
  EXPECT_EQ(d, HostOpenDocument("C:\\ch1.fm", nullptr, &ret));
  ObjHandle p = HostGetId(0, d, PROP_FIRST_FLOW_IN_DOC);
  p = HostGetId(d, HostGetId(d, p, PROP_FIRST_FRAME_IN_FLOW), PROP_FIRST_PGF);
  HostAddText(d, TextLoc{p, 0}, "unsaved ");
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  HostErrno = 0;
  EXPECT_EQ(0, HostGetInt(d, d, PROP_DOC_WALK_FLAG));
  EXPECT_EQ(memhost::STATUS_BAD_OBJECT, HostErrno);
  ObjHandle again = HostOpenDocument("C:\\ch1.fm", nullptr, &ret);
  ASSERT_NE(0u, again);
  EXPECT_NE(d, again);
  ObjHandle q = HostGetId(0, again, PROP_FIRST_FLOW_IN_DOC);
  q = HostGetId(again, HostGetId(again, q, PROP_FIRST_FRAME_IN_FLOW), PROP_FIRST_PGF);
  EXPECT_EQ("saved text", model.Find(q)->text);
  PropValsFree(ret);

  model.SetFileFailures("C:\\ch1.fm", false, true);
  HostErrno = 0;
  EXPECT_EQ(0u, HostSaveDocumentSimple(again, "C:\\ch1.fm", 0));
  EXPECT_NE(0, HostErrno);
  EXPECT_EQ(0u, HostOpenDocumentSimple("C:\\missing.fm", 0));
}

// A file whose copy can be made again holds one only while it differs from
// what the file says.
TEST_F(MemHostTest, AFileWithALoaderKeepsOnlyChangedCopies) {
  int loads = 0;
  memhost::FileEntry& file = model.files["C:\\ch1.fm"];
  file.load = [this, &loads] {
    ++loads;
    DocBuilder b(model, "C:\\ch1.fm");
    b.Para("saved text");
    model.Data(b.doc)->dirty = false;
    model.Data(b.doc)->isImage = true;
    model.openDocs.pop_back();
    return b.doc;
  };
  ObjHandle d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  ASSERT_NE(0u, d);
  EXPECT_EQ(1, loads);
  EXPECT_EQ(0u, file.image);
  EXPECT_EQ("C:\\ch1.fm", GetStr(d, d, PROP_NAME));
  // Saved unchanged, then closed: nothing to keep.
  EXPECT_NE(0u, host.SaveDocument(d, "C:\\ch1.fm", nullptr, nullptr));
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  EXPECT_EQ(0u, file.image);

  d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  EXPECT_EQ(2, loads);
  ObjHandle p = HostGetId(0, d, PROP_FIRST_FLOW_IN_DOC);
  p = HostGetId(d, HostGetId(d, p, PROP_FIRST_FRAME_IN_FLOW), PROP_FIRST_PGF);
  HostAddText(d, TextLoc{p, 0}, "changed ");
  EXPECT_NE(0u, host.SaveDocument(d, "C:\\ch1.fm", nullptr, nullptr));
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  ASSERT_NE(0u, file.image);
  d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  EXPECT_EQ(2, loads);
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  EXPECT_NE(0u, file.image);

  // A changed copy is let go only once settled; a refusal keeps it.
  std::vector<std::string> settled;
  bool settles = false;
  file.settle = [&](ObjHandle image) {
    settled.push_back(model.StringProp(image, PROP_NAME));
    return settles;
  };
  d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  EXPECT_NE(0u, file.image);
  settles = true;
  d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  EXPECT_EQ(0u, file.image);
  EXPECT_EQ(std::vector<std::string>(2, "C:\\ch1.fm"), settled);
  d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  EXPECT_EQ(3, loads);
  EXPECT_EQ(0, HostCloseDocument(d, 1));

  // A file that cannot be opened is not read either.
  model.files["C:\\ch2.fm"].load = [&loads] { return ++loads, ObjHandle(0); };
  model.SetFileFailures("C:\\ch2.fm", true, false);
  EXPECT_EQ(0u, HostOpenDocumentSimple("C:\\ch2.fm", 0));
  model.SetFileFailures("C:\\ch2.fm", false, false);
  EXPECT_EQ(0u, HostOpenDocumentSimple("C:\\ch2.fm", 0));
  EXPECT_EQ(4, loads);
}

// A file that keeps its copy is read once however often it is opened; each
// opening is a copy, so what one opening changes without saving is not in
// the next, and a saved change is settled and read again as before.
TEST_F(MemHostTest, AFileThatKeepsItsCopyIsReadOnce) {
  int loads = 0;
  memhost::FileEntry& file = model.files["C:\\ch1.fm"];
  file.keep = true;
  file.load = [this, &loads] {
    ++loads;
    DocBuilder b(model, "C:\\ch1.fm");
    b.Para("saved text");
    model.Data(b.doc)->dirty = false;
    model.Data(b.doc)->isImage = true;
    model.openDocs.pop_back();
    return b.doc;
  };
  auto firstPgf = [](ObjHandle d) {
    ObjHandle p = HostGetId(0, d, PROP_FIRST_FLOW_IN_DOC);
    return HostGetId(d, HostGetId(d, p, PROP_FIRST_FRAME_IN_FLOW), PROP_FIRST_PGF);
  };
  for (int i = 0; i < 3; ++i) {
    ObjHandle d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
    ASSERT_NE(0u, d);
    EXPECT_NE(file.image, d);
    EXPECT_EQ("saved text", model.Find(firstPgf(d))->text);
    HostAddText(d, TextLoc{firstPgf(d), 0}, "unsaved ");
    EXPECT_EQ(0, HostCloseDocument(d, 1));
    EXPECT_NE(0u, file.image);
  }
  EXPECT_EQ(1, loads);

  file.settle = [](ObjHandle) { return true; };
  ObjHandle d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  HostAddText(d, TextLoc{firstPgf(d), 0}, "changed ");
  EXPECT_NE(0u, host.SaveDocument(d, "C:\\ch1.fm", nullptr, nullptr));
  EXPECT_EQ(0, HostCloseDocument(d, 1));
  EXPECT_EQ(0u, file.image);
  d = HostOpenDocumentSimple("C:\\ch1.fm", 0);
  EXPECT_EQ(2, loads);
  EXPECT_EQ(0, HostCloseDocument(d, 1));
}

TEST_F(MemHostTest, TheEmptyPathOpensNoUntitledDocument) {
  ObjHandle untitled = HostNewCustomDocument(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000,
                                             0x480000, 0x480000, 0, 1);
  ASSERT_NE(0u, untitled);
  HostErrno = 0;
  EXPECT_EQ(0u, HostOpenDocumentSimple("", 0));
  EXPECT_NE(0, HostErrno);
}

TEST_F(MemHostTest, NewCustomDocumentHasTheDefaultCatalogs) {
  ObjHandle d = HostNewCustomDocument(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000,
                                      0x480000, 0x480000, 0, 1);
  ASSERT_NE(0u, d);
  EXPECT_EQ("", GetStr(d, d, PROP_NAME));
  for (const char* f : {"Body", "Heading1", "Heading2"}) {
    EXPECT_NE(0u, HostGetNamedObject(d, OBJ_PGF_FMT, f)) << f;
  }
  ObjHandle flow = HostGetId(0, d, PROP_MAIN_FLOW_IN_DOC);
  ObjHandle last = HostGetId(d, HostGetId(d, flow, PROP_LAST_FRAME_IN_FLOW), PROP_LAST_PGF);
  EXPECT_NE(0u, last);
  EXPECT_EQ("", model.Find(last)->text);
  EXPECT_EQ(0x2400000, model.IntProp(d, memhost::MEM_PROP_PAGE_WIDTH));
}

TEST_F(MemHostTest, TablesWalkRowsCellsAndTitles) {
  DocBuilder b(model, "d.fm");
  ObjHandle t = b.Table({{"Source Tag", "Destination Tag"}, {"A", "B"}}, 1, {"Title"});
  EXPECT_EQ(t, HostGetId(0, b.doc, PROP_FIRST_TBL_IN_DOC));
  ObjHandle row = HostGetId(b.doc, t, PROP_FIRST_ROW);
  ObjHandle cell = HostGetId(b.doc, row, PROP_FIRST_CELL);
  ObjHandle cell2 = HostGetId(b.doc, cell, PROP_NEXT_CELL);
  EXPECT_EQ(1, HostGetInt(b.doc, cell2, PROP_CELL_COL_NUM));
  EXPECT_EQ(row, HostGetId(b.doc, cell2, PROP_CELL_ROW));
  ObjHandle body = HostGetId(b.doc, row, PROP_NEXT_ROW);
  ObjHandle bodyCell2 = HostGetId(b.doc, HostGetId(b.doc, body, PROP_FIRST_CELL), PROP_NEXT_CELL);
  EXPECT_EQ("B", b.Text(HostGetId(b.doc, bodyCell2, PROP_FIRST_PGF)));
  EXPECT_EQ(bodyCell2, HostGetId(b.doc, b.CellPgf(t, 1, 1), PROP_IN_TEXT_OBJ));
  EXPECT_EQ("Title", b.Text(HostGetId(b.doc, t, PROP_FIRST_PGF)));
  // Text in a cell lies in the frame that holds the table's anchor.
  EXPECT_EQ(b.frame, HostGetId(b.doc, b.CellPgf(t, 1, 0), PROP_IN_TEXT_FRAME));
  HostSetTextRange(0, b.doc, PROP_TEXT_SELECTION,
                   TextRange{{b.CellPgf(t, 1, 0), 0}, {b.CellPgf(t, 1, 0), 0}});
  EXPECT_EQ(t, HostGetId(0, b.doc, PROP_SELECTED_TBL));
}

// A structural property is worked out only for the types that have it;
// asked of another type it reads what was stored, and setting it where it is
// worked out changes nothing.
TEST_F(MemHostTest, StructuralPropertiesHoldOnlyForTheirTypes) {
  DocBuilder b(model, "d.fm");
  ObjHandle t = b.Table({{"a"}, {"b"}}, 1);
  ObjHandle row = HostGetId(b.doc, t, PROP_FIRST_ROW);
  HostSetId(b.doc, t, PROP_FIRST_ROW, b.firstPgf);
  EXPECT_EQ(row, HostGetId(b.doc, t, PROP_FIRST_ROW));
  HostSetId(b.doc, b.firstPgf, PROP_FIRST_ROW, row);
  EXPECT_EQ(row, HostGetId(b.doc, b.firstPgf, PROP_FIRST_ROW));
  // The book's first component is the book's alone; a document has none.
  HostSetId(0, b.doc, PROP_FIRST_COMPONENT_IN_BOOK, t);
  EXPECT_EQ(t, HostGetId(0, b.doc, PROP_FIRST_COMPONENT_IN_BOOK));
  // Next-member properties hold for any object, off a chain too: none.
  HostSetId(b.doc, b.firstPgf, PROP_NEXT_TBL_IN_DOC, t);
  EXPECT_EQ(0u, HostGetId(b.doc, b.firstPgf, PROP_NEXT_TBL_IN_DOC));
}

TEST_F(MemHostTest, MenuItemsMoveBeforeAnother) {
  ObjHandle bar = HostGetNamedObject(0, OBJ_MENU, "!MakerMainMenu");
  ObjHandle m = HostDefineAndAddMenu(bar, "M", "Menu");
  ObjHandle a = HostDefineAndAddCommand(1, m, "a", "A", "");
  ObjHandle b = HostDefineAndAddCommand(2, m, "b", "B", "");
  ObjHandle c = HostDefineAndAddCommand(3, m, "c", "C", "");
  HostSetId(m, c, PROP_NEXT_MENU_ITEM, a);
  EXPECT_EQ(c, HostGetId(0, m, PROP_FIRST_MENU_ITEM));
  EXPECT_EQ(a, HostGetId(m, c, PROP_NEXT_MENU_ITEM));
  EXPECT_EQ(b, HostGetId(m, a, PROP_NEXT_MENU_ITEM));
  EXPECT_EQ(0u, HostGetId(m, b, PROP_NEXT_MENU_ITEM));
  HostSetId(m, b, PROP_NEXT_MENU_ITEM, b);  // its own successor: stays
  EXPECT_EQ(b, model.Find(m)->kids.back());
  EXPECT_EQ("B", GetStr(0, b, PROP_LABEL));
  // A separator has no label: an allocated empty string.
  EXPECT_EQ("", GetStr(0, HostGetNamedObject(0, OBJ_MENU_SEPARATOR, "Separator1"), PROP_LABEL));
}

TEST_F(MemHostTest, DialogsAreScriptedAndRecorded) {
  script.alertAnswers = {1};
  EXPECT_EQ(1, HostAlert("Are you sure?", 1));
  EXPECT_EQ(0, HostAlert("Again?", 1));  // unscripted questions confirm by default
  char one[] = "one";
  char two[] = "two";
  char* items[] = {one, two};
  HostStrings list{2, items};
  int32_t chosen = -1;
  script.choices = {1, -1, 5};
  EXPECT_EQ(0, HostScrollBox(&chosen, "Pick", &list, -1));
  EXPECT_EQ(1, chosen);
  EXPECT_EQ(-1, HostScrollBox(&chosen, "Pick", &list, -1));
  EXPECT_EQ(-1, HostScrollBox(&chosen, "Pick", &list, -1));  // out of range cancels
  EXPECT_EQ(0, HostScrollBox(&chosen, "Pick", &list, 0));    // default taken
  EXPECT_EQ(0, chosen);
  ASSERT_EQ(6u, script.dialogs.size());
  EXPECT_EQ("Are you sure?", script.dialogs[0].text);
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), script.dialogs[2].items);
  HostPrintConsole("Could not open file:");
  HostPrintConsole("x%y");
  EXPECT_EQ("Could not open file:x%y", script.console);
}

TEST_F(MemHostTest, BookComponentsFormATree) {
  memhost::BookBuilder book(model, "C:\\b.book");
  ObjHandle folder = book.Component(2, "Part");
  ObjHandle f1 = book.File("C:\\1.fm", folder);
  ObjHandle f2 = book.File("C:\\2.fm");
  EXPECT_EQ(folder, HostGetId(0, book.book, PROP_FIRST_COMPONENT_IN_BOOK));
  EXPECT_EQ(f1, HostGetId(book.book, folder, PROP_FIRST_CHILD_COMPONENT));
  EXPECT_EQ(folder, HostGetId(book.book, f1, PROP_PARENT_COMPONENT));
  EXPECT_EQ(0u, HostGetId(book.book, folder, PROP_PARENT_COMPONENT));
  EXPECT_EQ(f2, HostGetId(book.book, folder, PROP_NEXT_COMPONENT));
  EXPECT_EQ(512, HostGetInt(book.book, f2, PROP_COMPONENT_TYPE));
  EXPECT_EQ(book.book, HostGetId(0, 0, PROP_ACTIVE_BOOK));
  std::string seen;
  script.statusObserver = [&seen](const std::string& s) { seen = s; };
  HostSetString(0, book.book, PROP_STATUS_LINE, "Examining: 1.fm");
  EXPECT_EQ("Examining: 1.fm", seen);
}

TEST_F(MemHostTest, DeletedFormatsLeaveTheirChainAndOthersStayValid) {
  DocBuilder b(model, "d.fm");
  ObjHandle a = b.CharFormat("A").h;
  ObjHandle bb = b.CharFormat("B").h;
  ObjHandle c = b.CharFormat("C").h;
  EXPECT_EQ(a, HostGetId(0, b.doc, PROP_FIRST_CHAR_FMT_IN_DOC));
  EXPECT_EQ(0, HostDeleteObject(b.doc, bb));
  EXPECT_EQ(c, HostGetId(b.doc, a, PROP_NEXT_CHAR_FMT_IN_DOC));
  EXPECT_EQ(0u, HostGetNamedObject(b.doc, OBJ_CHAR_FMT, "B"));
  EXPECT_EQ("C", GetStr(b.doc, c, PROP_CHAR_TAG));
}

TEST_F(MemHostTest, ANewFormatGoesAtTheEndOfTheCatalogAndAnOldNameGivesTheOldFormat) {
  DocBuilder b(model, "d.fm");
  ObjHandle a = b.CharFormat("A").Set(PROP_FONT_WEIGHT, 1).h;
  model.Data(b.doc)->dirty = false;
  EXPECT_EQ(a, HostNewNamedObject(b.doc, OBJ_CHAR_FMT, "A"));
  EXPECT_EQ(1, model.IntProp(a, PROP_USE_FONT_WEIGHT));
  EXPECT_FALSE(model.Data(b.doc)->dirty);
  ObjHandle n = HostNewNamedObject(b.doc, OBJ_CHAR_FMT, "a");  // names differ in case
  ASSERT_NE(0u, n);
  EXPECT_NE(a, n);
  EXPECT_EQ(n, HostGetId(b.doc, a, PROP_NEXT_CHAR_FMT_IN_DOC));
  EXPECT_TRUE(model.Data(b.doc)->dirty);
}

}  // namespace
