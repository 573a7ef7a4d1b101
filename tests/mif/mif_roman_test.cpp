#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "mif/mif_roman.h"

namespace {

// The converter source the host's encoding routines are built from and the
// reader's own table must agree on every byte, or text would change between
// the client's view and the file's.
TEST(MifRoman, TableMatchesTheConverterSource) {
  const char* data = std::getenv("TAGSMITH_TEST_DATA");
  if (!data) GTEST_SKIP() << "TAGSMITH_TEST_DATA is not set";
  std::ifstream in(std::string(data) + "/icu/adobe-fm-roman-windows.ucm");
  ASSERT_TRUE(in) << "converter source missing";
  bool seen[256] = {};
  int mappings = 0;
  std::string line;
  while (std::getline(in, line)) {
    unsigned cp = 0, byte = 0, kind = 0;
    if (std::sscanf(line.c_str(), "<U%x> \\x%x |%u", &cp, &byte, &kind) != 3) continue;
    ASSERT_LT(byte, 256u) << line;
    EXPECT_EQ(0u, kind) << "only round-trip mappings: " << line;
    EXPECT_EQ(cp, MifRomanCodePoint(static_cast<unsigned char>(byte))) << line;
    seen[byte] = true;
    ++mappings;
  }
  EXPECT_EQ(256, mappings);
  for (int b = 0; b < 256; ++b) EXPECT_TRUE(seen[b]) << "byte " << b << " unmapped";
}

}  // namespace
