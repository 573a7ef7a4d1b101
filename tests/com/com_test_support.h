// Shared set-up of the COM tests: a host whose results are scripted, over
// the in-memory host, and a connection made through F_ApiClientInit.
#ifndef TAGSMITH_TESTS_COM_COM_TEST_SUPPORT_H
#define TAGSMITH_TESTS_COM_COM_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "client/host_wrapper.h"
#include "memhost/host_stack.h"
#include "comhost/com_host.h"

namespace comtest {

// Values every operation with an allocated result hands back, so that each
// kind of host block passes through the bridge.
class ScriptedHostC : public HostWrapper {
 public:
  explicit ScriptedHostC(HostApi* target) : HostWrapper(target) {}
  char* GetString(ObjHandle, ObjHandle, int32_t prop) override;
  HostStrings GetStrings(ObjHandle, ObjHandle, int32_t) override;
  MetricList GetMetrics(ObjHandle, ObjHandle, int32_t) override;
  PropVal GetPropVal(ObjHandle, ObjHandle, int32_t) override;
  PropVals GetProps(ObjHandle, ObjHandle) override;
  TextItems GetTextForRange(ObjHandle, TextRange, int32_t) override;
  PropVal GetTextPropVal(ObjHandle, TextLoc, int32_t) override;
  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override;
};

// One value of every value-type code that owns memory, and a property by
// name: what GetProps returns.
PropVals EveryKindOfValue();
// Deep equality of two values, by code (pointers must differ where memory is
// owned).
::testing::AssertionResult SameValue(const PropVal& a, const PropVal& b);

// A test connected to a COM host over a scripted in-memory host.
class ConnectedTest : public ::testing::Test {
 protected:
  ConnectedTest() : scripted(&mem.faults), host(&scripted, true) {}
  void SetUp() override;
  void TearDown() override;
  // F_ApiClientInit with the given module handle and an empty description.
  int32_t Connect(void* module = nullptr);
  // The blocks handed out from `from` on.
  std::vector<comhost::TaskBlock> BlocksSince(size_t from) const;

  memhost::HostStack mem;
  ScriptedHostC scripted;
  comhost::ComHostC host;
  PropVals emptyDescription{0, nullptr};
};

}  // namespace comtest

#endif
