#include <gtest/gtest.h>

#include "memhost/mem_host.h"

namespace {

TEST(MemHostNewDocument, StartsWithTheInsertionPointInItsFirstParagraph) {
  memhost::DocStore model;
  memhost::MemHost host(&model);
  HostInstall(&host);
  ObjHandle doc = HostNewCustomDocument(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000,
                                        0x480000, 0x480000, 0, 1);
  ObjHandle flow = HostGetId(0, doc, PROP_MAIN_FLOW_IN_DOC);
  ObjHandle frame = HostGetId(doc, flow, PROP_LAST_FRAME_IN_FLOW);
  ObjHandle pgf = HostGetId(doc, frame, PROP_FIRST_PGF);
  TextRange sel = HostGetTextRange(0, doc, PROP_TEXT_SELECTION);
  EXPECT_NE(0u, pgf);
  EXPECT_EQ(pgf, sel.beg.obj);
  EXPECT_EQ(0, sel.beg.offset);
  EXPECT_EQ(pgf, sel.end.obj);
  EXPECT_EQ(0, sel.end.offset);
  HostInstall(nullptr);
}

}  // namespace
