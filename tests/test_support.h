// Helpers that several test programs share: where the source tree and the
// real samples are, guards that put process-wide state back, parsing MIF
// that must parse, and the paragraphs of a document's main flow.
// Header-only, so that a test program links only what it uses.
#ifndef TAGSMITH_TESTS_TEST_SUPPORT_H
#define TAGSMITH_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "memhost/doc_store.h"
#include "mif/mif_tree.h"
#include "support/encoding.h"
#include "support/format.h"

#ifndef TAGSMITH_SOURCE_DIR
#error "test programs are built with TAGSMITH_SOURCE_DIR (see tests/CMakeLists.txt)"
#endif

namespace testsupport {

// The repository's root, as the build saw it.
inline std::string SourceRoot() { return TAGSMITH_SOURCE_DIR; }

// The real files saved by the host, beside the repository; may not exist.
inline std::string SharedSamplesDir() { return SourceRoot() + "/../shared/mif-samples"; }

// Sets the client encoding for the guard's lifetime; the previous one comes
// back after it, so that no test leaks its encoding into the next.
class ScopedClientEncoding {
 public:
  explicit ScopedClientEncoding(const char* descriptorName)
      : previous_(DescriptorNameOfConverter(ConverterNameOf(ClientEncoding()))) {
    SetClientEncoding(descriptorName);
  }
  ~ScopedClientEncoding() { SetClientEncoding(previous_); }
  ScopedClientEncoding(const ScopedClientEncoding&) = delete;
  ScopedClientEncoding& operator=(const ScopedClientEncoding&) = delete;

 private:
  const char* previous_;
};

// Installs a console sink for the guard's lifetime, then the previous one.
class ScopedConsoleSink {
 public:
  explicit ScopedConsoleSink(ConsoleSink sink) : previous_(SetConsoleSink(sink)) {}
  ~ScopedConsoleSink() { SetConsoleSink(previous_); }
  ScopedConsoleSink(const ScopedConsoleSink&) = delete;
  ScopedConsoleSink& operator=(const ScopedConsoleSink&) = delete;

 private:
  ConsoleSink previous_;
};

// The tree of a text that must parse; a failure is reported with the reason.
inline MifTree MustParse(const std::string& text, const std::string& file = "t.mif") {
  MifTree tree;
  MifError error;
  EXPECT_TRUE(MifParse(text, file, &tree, &error)) << MifErrorText(error);
  return tree;
}

// One paragraph of a document: its text and its paragraph format.
struct FlowLine {
  std::string text;
  std::string format;
  bool operator==(const FlowLine& o) const { return text == o.text && format == o.format; }
};
inline std::ostream& operator<<(std::ostream& os, const FlowLine& l) {
  return os << '"' << l.text << "\" (" << l.format << ')';
}
using FlowLines = std::vector<FlowLine>;

// Every paragraph of the main flow of doc. An output document always ends in
// an empty paragraph; dropClosing leaves it out.
inline FlowLines MainFlowLines(memhost::DocStore& host, ObjHandle doc, bool dropClosing) {
  FlowLines out;
  ObjHandle flow = static_cast<ObjHandle>(host.IntProp(doc, PROP_MAIN_FLOW_IN_DOC));
  for (ObjHandle frame : host.Find(flow)->kids) {
    for (ObjHandle p : host.Find(frame)->kids) {
      out.push_back({host.Find(p)->text, host.StringProp(p, memhost::MEM_PROP_PGF_TAG)});
    }
  }
  if (dropClosing && !out.empty() && out.back().text.empty()) out.pop_back();
  return out;
}

}  // namespace testsupport

#endif
