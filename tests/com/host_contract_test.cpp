// The rules every implementation of the host interface keeps (see the
// contract block of client/host_api.h), checked once against each of them:
// the in-memory host installed directly, the COM bridge over the COM test
// host (itself over an in-memory host), and no working host at all.
#include <gtest/gtest.h>

#include <string>

#include "plugin/com_bridge.h"
#include "client/host_lists.h"
#include "support/memory.h"
#include "tests/com/com_test_support.h"

namespace {

// ---- Working hosts ----

enum class Working { kMemHost, kBridge };

std::string WorkingName(const ::testing::TestParamInfo<Working>& info) {
  return info.param == Working::kMemHost ? "MemHost" : "Bridge";
}

// `mem` is what answers in both cases, so the tests script it alike.
class WorkingHostContract : public comtest::ConnectedTest,
                            public ::testing::WithParamInterface<Working> {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    if (GetParam() == Working::kBridge) {
      ASSERT_EQ(0, Connect());
    } else {
      HostInstall(&mem.faults);
    }
  }
};

TEST_P(WorkingHostContract, SuccessNeverClearsHostErrnoAndFailureSetsIt) {
  mem.mem.SetString(0, 0, PROP_HOST_DIR, "C:\\Host");
  HostErrno = 77;
  EXPECT_EQ(1, HostGetInt(0, 0, PROP_DISPLAYING));
  char* dir = HostGetString(0, 0, PROP_HOST_DIR);
  EXPECT_NE(nullptr, dir);
  MemRelease(dir);
  HostSetInt(0, 0, PROP_DISPLAYING, 1);
  EXPECT_EQ(0, HostPrintConsole("line"));
  EXPECT_EQ(77, HostErrno);

  HostErrno = 0;
  EXPECT_EQ(0, HostGetInt(0, 0x0C00FFFF, PROP_NAME));
  EXPECT_EQ(memhost::STATUS_BAD_OBJECT, HostErrno);
}

// A question that could not be put must not read as confirmed (answer 0).
TEST_P(WorkingHostContract, AnAlertThatFailsIsNoAnswer) {
  mem.faults.FailNthCall(1, -1);
  EXPECT_EQ(-1, HostAlert("Are you sure you want to go on?", 1));
  EXPECT_EQ(-1, HostErrno);
  mem.script.alertAnswers.push_back(0);
  EXPECT_EQ(0, HostAlert("Are you sure you want to go on?", 1));
}

TEST_P(WorkingHostContract, ScrollBoxHandsBackTheChoiceAndCancelLeavesItAlone) {
  HostStrings items{0, nullptr};
  const char* names[] = {"a", "b", "c"};
  items.len = 3;
  items.val = const_cast<char**>(names);
  mem.script.choices.push_back(2);
  int32_t chosen = -5;
  EXPECT_EQ(0, HostScrollBox(&chosen, "Pick", &items, -1));
  EXPECT_EQ(2, chosen);
  mem.script.choices.push_back(-1);
  chosen = -5;
  EXPECT_EQ(-1, HostScrollBox(&chosen, "Pick", &items, -1));
  EXPECT_EQ(-5, chosen);
}

INSTANTIATE_TEST_SUITE_P(Hosts, WorkingHostContract,
                         ::testing::Values(Working::kMemHost, Working::kBridge), WorkingName);

// ---- No working host ----

enum class Absent { kNoHost, kUnconnectedBridge };

std::string AbsentName(const ::testing::TestParamInfo<Absent>& info) {
  return info.param == Absent::kNoHost ? "NoHost" : "UnconnectedBridge";
}

class AbsentHostContract : public ::testing::TestWithParam<Absent> {
 protected:
  void SetUp() override {
    HostInstall(GetParam() == Absent::kNoHost ? nullptr : ComBridge());
    HostErrno = 0;
  }
  void TearDown() override {
    HostInstall(nullptr);
    HostErrno = 0;
  }
};

TEST_P(AbsentHostContract, EveryOperationFailsWithMinusOne) {
  EXPECT_EQ(0, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(nullptr, HostGetString(0, 0, PROP_HOST_DIR));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(0u, HostGetProps(1, 1).len);
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(ERR_CALL_FAILED, HostPrintConsole("x"));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  HostSetInt(0, 0, PROP_DISPLAYING, 1);
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  const HostStrings noItems{0, nullptr};
  int32_t chosen = 7;
  EXPECT_EQ(-1, HostScrollBox(&chosen, "t", &noItems, -1));
  EXPECT_EQ(7, chosen);
  EXPECT_EQ(-1, HostScrollBox(&chosen, "t", nullptr, -1));
  EXPECT_EQ(7, chosen);
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  HostStrings list = HostGetStrings(0, 0, PROP_FONT_FAMILY_NAMES);
  EXPECT_EQ(0u, list.len);
  EXPECT_EQ(nullptr, list.val);
  TextRange r = HostGetTextRange(0, 1, PROP_TEXT_SELECTION);
  EXPECT_EQ(0u, r.beg.obj);
  PropVals* ret = nullptr;
  EXPECT_EQ(0u, HostOpenDocument("x.fm", nullptr, &ret));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(-1, HostAlert("q", 1));  // never a confirmation
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
}

INSTANTIATE_TEST_SUITE_P(Hosts, AbsentHostContract,
                         ::testing::Values(Absent::kNoHost, Absent::kUnconnectedBridge),
                         AbsentName);

}  // namespace
