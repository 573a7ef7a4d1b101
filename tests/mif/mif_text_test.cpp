// The compact pieces of a statement tree: texts that view or copy, values
// kept as one text, children in a list of one pointer.
#include <gtest/gtest.h>

#include <string>

#include "mif/mif_tree.h"
#include "tests/test_support.h"

namespace {

using testsupport::MustParse;

TEST(MifText, ViewsCopiesAndChanges) {
  std::string source = "lead name";
  MifText view = MifText::Viewing(std::string_view(source).substr(5));
  EXPECT_TRUE(view.is_view());
  EXPECT_EQ("name", view);
  MifText copy(std::string_view("name"));
  EXPECT_FALSE(copy.is_view());
  EXPECT_EQ(view, copy);
  MifText moved = std::move(copy);
  EXPECT_TRUE(copy.empty());
  moved.insert(0, "  ").erase(1, 1);
  EXPECT_EQ(" name", moved);
  view = view.substr(1);  // from its own bytes
  EXPECT_EQ("ame", view);
  EXPECT_FALSE(view.is_view());
  std::string longer(70000, 'x');
  EXPECT_FALSE(MifText::Viewing(longer).is_view()) << "too long to view: copied";
  EXPECT_EQ(longer, MifText::Viewing(longer));
}

TEST(MifText, TreesKeepTheirTextAndLongTokens) {
  std::string big = "`" + std::string(70000, 'a') + "'";
  MifTree tree;
  {
    std::string text = "<MIFFile 9.00>\n<A 1 # one\n `x\\q'2 " + big + ">\n";
    tree = MustParse(text);
    EXPECT_EQ(text, MifWrite(tree));
    MifTree spent = tree;
    EXPECT_EQ(text, MifWriteReleasing(&spent));
    EXPECT_TRUE(spent.root.children.empty());
  }
  // The text parsed is gone; the tree still has it.
  MifTree copy = tree;
  tree = MifTree();
  const MifNode* a = MifFind(copy.root, "A");
  ASSERT_NE(nullptr, a);
  ASSERT_EQ(4u, a->values.size());
  EXPECT_EQ(" # one\n ", a->values[1].space);
  EXPECT_EQ("`x\\q'", a->values[1].text);
  EXPECT_EQ("", a->values[2].space);
  EXPECT_EQ("2", a->values[2].text);
  EXPECT_EQ(big, a->values[3].text);
}

TEST(MifText, BuiltValuesAreSeparatedAsTheWriterWould) {
  MifNode n = MifMakeStatement("A");
  n.values.push_back(MifValue{"", "1"});
  n.values.push_back(MifValue{"", "`s'"});
  n.values.push_back(MifValue{"", "2"});
  n.values.push_back(MifValue{" #c", "3"});
  EXPECT_EQ("<A 1`s'2 #c\n3>", MifWriteNode(n));
  ASSERT_EQ(4u, n.values.size());
  EXPECT_EQ("3", n.values[3].text);
  MifNode copy = n;
  copy.children.push_back(MifMakeStatement("B"));
  copy.children.insert(copy.children.begin(), MifMakeStatement("C"));
  copy.children.push_back(MifMakeStatement("D"));
  copy.children.erase(copy.children.begin() + 1);
  copy.children.erase(copy.children.begin(), copy.children.begin() + 1);
  ASSERT_EQ(1u, copy.children.size());
  EXPECT_EQ("D", copy.children[0].name);
  EXPECT_TRUE(n.children.empty());
}

}  // namespace
