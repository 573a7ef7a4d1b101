// A MIF document read into the in-memory host and written back unchanged
// gives back its bytes: a command that changes nothing never rewrites a
// file. Input the reader takes but cannot give back must be refused.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "memhost/doc_store.h"
#include "mif/mif_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  MifDocument source;
  source.file = "fuzz.mif";
  MifError error;
  if (!MifParse(text, source.file, &source.tree, &error) || source.tree.is_book) return 0;
  memhost::DocStore host;
  ObjHandle doc = 0;
  if (!MifLoadDocumentTree(host, source.file, &source, &doc, &error)) return 0;
  std::string written;
  if (!MifWriteDocument(host, doc, &source, &written, &error)) __builtin_trap();
  if (written != text) {
    std::fprintf(stderr, "read -> write changed the text:\n%s\n---- written:\n%s\n", text.c_str(),
                 written.c_str());
    __builtin_trap();
  }
  return 0;
}
