// What reading a file over the statement limit costs before it is refused:
// the bytes every C++ allocation of this program asks for are counted while
// a test wants them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "mif/mif_tree.h"

namespace {
bool g_counting = false;
size_t g_bytes = 0;
}  // namespace

void* operator new(size_t size) {
  if (g_counting) g_bytes += size;
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

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

}  // namespace
