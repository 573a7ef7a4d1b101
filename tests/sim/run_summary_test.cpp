// The formats a document's font catalog names, read without reading the
// rest of the document: what the summary line counts as deleted.
#include <gtest/gtest.h>

#include "sim/run_summary.h"

namespace {

TEST(RunSummaryTest, OnlyTheFontCatalogsTagsAreFormats) {
  // A '>' inside a string, a '<' in a comment, and tags of text and of
  // paragraph formats, none of which is a character format.
  const std::string mif =
      "<MIFFile 2015> # <not a statement\n"
      "<PgfCatalog \n <Pgf \n  <PgfTag `Body'>\n  <PgfFont \n   <FTag `InPgf'>\n  >\n >\n>\n"
      "<FontCatalog \n <Font \n  <FTag `A\\>b'>\n  <FAngle `Italic'>\n > # end of Font\n"
      " <Font \n  <FTag `C `quoted\\''>\n >\n> # end of FontCatalog\n"
      "<TextFlow \n <Para \n  <ParaLine \n   <Font \n    <FTag `InText'>\n   >\n  >\n >\n>\n";
  EXPECT_EQ((std::vector<std::string>{"A\\>b", "C `quoted\\'"}), CatalogFormats(mif));
  EXPECT_TRUE(CatalogFormats("<MIFFile 2015>\n").empty());
}

TEST(RunSummaryTest, SaysWhatWasWrittenOrThatNothingWas) {
  ChangeTally t;
  t.changing = true;
  EXPECT_EQ("nothing to change", ChangeSummary(t));
  t.changed = {"a.mif", "b.mif", "c.mif"};
  t.deletedIn = {"a.mif", "b.mif"};
  t.formatsDeleted = 1;
  EXPECT_EQ(
      "would delete 1 character format in 2 files and change 1 more file; no file written: "
      "--out-dir DIR or --in-place writes them",
      ChangeSummary(t));
  t.writing = ChangeTally::kInPlace;
  t.written = t.changed;
  EXPECT_EQ("deleted 1 character format in 2 files and changed 1 more file; wrote 3 files in place",
            ChangeSummary(t));
}

}  // namespace
