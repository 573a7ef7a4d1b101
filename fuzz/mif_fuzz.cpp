// The MIF reader and writer on arbitrary bytes: a clear error or a tree that
// writes back and reads again to the same statements.
#include <cstdint>
#include <string>
#include <string_view>

#include "mif/mif_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  MifTree tree;
  MifError error;
  if (!MifParse(text, "fuzz.mif", &tree, &error)) {
    MifErrorText(error);
    return 0;
  }
  std::string written = MifWrite(tree);
  MifTree again;
  MifError error2;
  if (!MifParse(written, "again.mif", &again, &error2)) __builtin_trap();
  return 0;
}
