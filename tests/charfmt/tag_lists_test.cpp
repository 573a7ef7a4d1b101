#include "charfmt/tag_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "tests/host_test.h"

namespace {

using memhost::DocBuilder;
using Names = std::vector<std::string>;

class TagListsTest : public HostTest {
 protected:
  static Names Formats(memhost::DocStore& m, ObjHandle doc) {
    Names out;
    for (ObjHandle f : m.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC))
      out.push_back(m.StringProp(f, PROP_NAME));
    return out;
  }
  Names Formats(ObjHandle doc) { return Formats(model, doc); }
  // A document defining the formats, with a keep-list of the rows.
  void Define(DocBuilder& b, const Names& formats) {
    for (const std::string& f : formats) b.CharFormat(f);
  }
  static ObjHandle KeepList(DocBuilder& b, const Names& rows) {
    std::vector<std::vector<std::string>> cells{{"Tags to Keep"}};
    for (const std::string& r : rows) cells.push_back({r});
    return b.Table(cells);
  }
  // The first-column texts of a table, heading row first.
  Names Column(ObjHandle doc, ObjHandle table) {
    StringList* list = StringListCreate(1, 1);
    EXPECT_EQ(0, ReadListTable(doc, table, list, nullptr));
    Names out;
    for (uint32_t i = 0; i < StringListCount(list); ++i) out.push_back(StringListAt(list, i));
    StringListDestroy(list);
    return out;
  }
  static StringList* List(const Names& names) {
    StringList* list = StringListCreate(1, 1);
    for (const std::string& n : names) StringListAdd(list, n.c_str());
    return list;
  }
};

TEST_F(TagListsTest, FindsTheFirstOpenDocumentWhoseTableBeginsWithTheHeading) {
  DocBuilder none(model, "C:\\none.fm");
  none.Table({{"tags to keep"}, {"Emphasis"}});  // other case
  none.Table({{"Source Tag", "Destination Tag"}});
  EXPECT_EQ(0u, FindListDocument(kKeepListHeading));

  DocBuilder first(model, "C:\\first.fm");
  first.Table({{"Other"}});
  ObjHandle list = first.Table({{"Tags to Keep (edited)"}, {"Strong"}});
  DocBuilder second(model, "C:\\second.fm");
  KeepList(second, {"Emphasis"});
  EXPECT_EQ(first.doc, FindListDocument(kKeepListHeading));
  EXPECT_EQ(list, FindListTable(first.doc, kKeepListHeading));
  EXPECT_EQ(0u, FindListTable(none.doc, kKeepListHeading));
  EXPECT_EQ(0u, FindListTable(0, kKeepListHeading));
}

TEST_F(TagListsTest, PruningKeepsExactlyTheListedNamesHeadingRowIncluded) {
  DocBuilder src(model, "C:\\src.fm");
  Define(src, {"Emphasis", "Strong", "Code", "Tags to Keep", "Note", "Key"});
  src.Para({memhost::Run("used", "Strong")});  // in use, yet not listed
  DocBuilder lists(model, "C:\\lists.fm");
  ObjHandle table = KeepList(lists, {"Emphasis", "code", "", "Key "});
  PruneToKeepList(src.doc, lists.doc, table);
  EXPECT_EQ((Names{"Emphasis", "Tags to Keep"}), Formats(src.doc));
}

TEST_F(TagListsTest, ADocumentIsPrunedByItsOwnList) {
  DocBuilder src(model, "C:\\src.fm");
  Define(src, {"A", "B", "C", "D"});
  ObjHandle table = KeepList(src, {"D", "A"});
  PruneToKeepList(src.doc, src.doc, table);
  EXPECT_EQ((Names{"A", "D"}), Formats(src.doc));
}

TEST_F(TagListsTest, NoFailedHostCallMakesPruningDeleteAListedFormat) {
  // Whichever single call fails, at most the unlisted formats go.
  for (int64_t n = 1;; ++n) {
    memhost::HostStack h;
    HostInstall(&h.faults);
    DocBuilder src(h.model, "C:\\src.fm");
    for (const char* f : {"A", "B", "C", "D"}) src.CharFormat(f);
    ObjHandle table = KeepList(src, {"A", "C"});
    h.faults.FailNthCall(n, -1);
    PruneToKeepList(src.doc, src.doc, table);
    for (const char* kept : {"A", "C"}) {
      EXPECT_NE(0u, h.model.NamedObject(src.doc, OBJ_CHAR_FMT, kept))
          << kept << " after failing call " << n;
    }
    if (h.faults.failedCalls == 0) {  // past the last call: the plain result
      EXPECT_EQ((Names{"A", "C"}), Formats(h.model, src.doc));
      break;
    }
  }
  HostInstall(&host);
}

TEST_F(TagListsTest, DeletesOnlyUnusedFormatsAndNeverACaseVariantOfAUsedName) {
  DocBuilder src(model, "C:\\src.fm");
  Define(src, {"Emphasis", "Old", "Older", "Note", "NOTE", "Code", "CODE"});
  StringList* used = List({"Emphasis", "Note"});
  // As a scan that keeps one spelling per name in `used` would leave them.
  StringList* unused = List({"Old", "Older", "NOTE", "CODE", "Code", "Missing"});
  DeleteUnusedTags(src.doc, used, unused);
  EXPECT_EQ((Names{"Emphasis", "Note", "NOTE"}), Formats(src.doc));
  StringListDestroy(used);
  StringListDestroy(unused);
}

TEST_F(TagListsTest, ListTypesGiveTheirRowsUnderTheHeading) {
  DocBuilder src(model, "C:\\src.fm");
  Define(src, {"Zeta", "Alpha", "Beta"});
  src.Para({memhost::Run("z", "Zeta"), memhost::Run("a", "Alpha")});
  int32_t redisplays = script.redisplayCount;

  ObjHandle empty = CreateTagList(src.doc, LIST_TYPE_EMPTY);
  EXPECT_EQ(redisplays, script.redisplayCount) << "an empty list needs no scan";
  ObjHandle out = model.Find(empty)->doc;
  EXPECT_EQ((Names{"Tags to Keep", "", "", "", "", "", "", "", "", "", ""}), Column(out, empty));
  EXPECT_EQ(1u, model.Find(model.Find(empty)->kids[0])->kids.size()) << "one column";

  ObjHandle inUse = CreateTagList(src.doc, LIST_TYPE_USED);
  EXPECT_EQ((Names{"Tags to Keep", "Alpha", "Zeta"}), Column(model.Find(inUse)->doc, inUse));
  ObjHandle all = CreateTagList(src.doc, LIST_TYPE_ALL);
  EXPECT_EQ((Names{"Tags to Keep", "Alpha", "Zeta", "Beta"}), Column(model.Find(all)->doc, all));

  // A book's lists, scanned by the caller, go in as they are.
  StringList* used = List({"b", "a"});
  StringList* unused = List({"c"});
  ObjHandle book = CreateTagListFromLists(LIST_TYPE_ALL, used, unused);
  EXPECT_EQ((Names{"Tags to Keep", "b", "a", "c"}), Column(model.Find(book)->doc, book));
  StringListDestroy(used);
  StringListDestroy(unused);
}

}  // namespace
