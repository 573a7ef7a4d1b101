// What reading costs in memory: a file over the statement limit before it is
// refused, and a long document of short paragraphs read into the model. The
// bytes every C++ allocation of this program asks for are counted while a
// test wants them.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include "memhost/doc_store.h"
#include "mif/mif_document.h"
#include "mif/mif_tree.h"

namespace {
bool g_counting = false;
size_t g_bytes = 0;
// Bytes asked for and not yet freed, counted or not: each block carries its
// size in front of it.
size_t g_live = 0;
constexpr size_t kFront = alignof(std::max_align_t);
}  // namespace

void* operator new(size_t size) {
  if (g_counting) g_bytes += size;
  char* p = static_cast<char*>(std::malloc(size + kFront));
  if (p == nullptr) throw std::bad_alloc();
  *reinterpret_cast<size_t*>(p) = size;
  g_live += size;
  return p + kFront;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - kFront;
  g_live -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

// Bytes allocated while reading `text` with the given statement limit; the
// reading must be refused for that limit.
size_t BytesToRefuse(const std::string& text, size_t limit) {
  MifLimits limits;
  limits.max_nodes = limit;
  MifTree tree;
  MifError error;
  g_bytes = 0;
  g_counting = true;
  bool read = MifParse(text, "many.mif", &tree, &error, &limits);
  g_counting = false;
  EXPECT_FALSE(read);
  EXPECT_NE(std::string::npos, error.message.find("too many statements")) << MifErrorText(error);
  return g_bytes;
}

// A file over the limit is refused before any tree is made of it: what the
// refusal costs is the copy of the text and the message, not the statements
// read up to the limit.
TEST(MifLimitMemory, AFileOverTheStatementLimitIsRefusedBeforeItsTreeIsMade) {
  std::string many = "<MIFFile 9.00>\n";
  for (int i = 0; i < 40000; ++i) many += "<Notes >\n";
  size_t limit = 20000;
  size_t spent = BytesToRefuse(many, limit);
  ASSERT_GE(spent, many.size());
  EXPECT_LT(spent - many.size(), 4096u);
}

// A file of short statements costs its tree's nodes beside its text: an
// empty statement of 9 bytes is kept in 48 bytes, where a node with a word
// of its own for each piece of its text took 64.
TEST(MifLimitMemory, AnEmptyStatementIsKeptInFortyEightBytes) {
  const size_t statements = 20000;
  std::string text = "<MIFFile 9.00>\n";
  for (size_t i = 0; i < statements; ++i) text += "<Notes >\n";
  MifTree tree;
  MifError error;
  size_t before = g_live;
  ASSERT_TRUE(MifParse(text, "empty.mif", &tree, &error)) << MifErrorText(error);
  ASSERT_EQ(statements + 1, tree.root.children.size());
  size_t kept = g_live - before - text.size();
  EXPECT_LT(kept / statements, 50u) << kept / statements;
}

// A paragraph of one line of text, read and kept, holds the model's object,
// the record the writer compares against and where it was read from: under
// 240 bytes. It took 377 while every paragraph had a block of properties, a
// list of property indexes and a record's text and runs of its own, and
// its object room for chain links and a command number; before that 465
// and 665.
TEST(MifLimitMemory, AOneLineParagraphIsKeptInAFewHundredBytes) {
  const int paras = 2000;
  std::string text = "<MIFFile 2015>\n<TextFlow\n";
  for (int i = 0; i < paras; ++i) text += "<Para <PgfTag `Body'> <ParaLine <String `a'>>>\n";
  text += "> # end of TextFlow\n";
  memhost::DocStore host;
  MifDocument source;
  source.file = "lines.mif";
  MifError error;
  size_t before = g_live;
  // The tree goes as it is read.
  ASSERT_TRUE(MifParse(text, source.file, &source.tree, &error)) << MifErrorText(error);
  ObjHandle doc = 0;
  ASSERT_TRUE(MifLoadDocumentTree(host, "lines.mif", &source, &doc, &error, MIF_RELEASE_TREE))
      << MifErrorText(error);
  ASSERT_EQ(static_cast<size_t>(paras), source.paras.size());
  EXPECT_LT((g_live - before) / paras, 240u) << (g_live - before) / paras;
}

}  // namespace
