// The host operations over COM: which method each one calls, how transport
// failures and host statuses reach HostErrno, and who owns every block.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plugin/com_bridge.h"
#include "client/host_lists.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"
#include "tests/com/com_test_support.h"

namespace {

using comtest::ConnectedTest;

const HostStrings kNoItems{0, nullptr};
const PropVals kNoProps{0, nullptr};

class BridgeTest : public ConnectedTest {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    ASSERT_EQ(0, Connect());
    host.slots.clear();
  }
};

// One call of every operation with an allocated result, each result freed
// again by the caller.
void CallEveryAllocatingOperation() {
  char* s = HostGetString(0, 0, 2);
  MemRelease(s);
  HostStrings strings = HostGetStrings(0, 0, 3);
  HostStringsFree(&strings);
  MetricList metrics = HostGetMetrics(0, 0, 4);
  MemRelease(metrics.val);
  PropVal one = HostGetPropVal(0, 0, 5);
  PropValFree(&one);
  PropVals all = HostGetProps(0, 0);
  PropValsFree(&all);
  TextItems items = HostGetTextForRange(1, TextRange{}, ITEM_STRING);
  TextItemsFree(&items);
  PropVal tag = HostGetTextPropVal(1, TextLoc{}, PROP_CHAR_TAG);
  PropValFree(&tag);
  PropVals* ret = nullptr;
  HostOpenDocument("x.fm", nullptr, &ret);
  PropValsFree(ret);
}

// The rules common to every host (failure values, HostErrno, no host at
// all) are checked in host_contract_test.cpp; these are the bridge's own.

// Each operation reaches the host through its own position of the main
// interface; the test host's table was laid out from the host's numbering.
TEST_F(BridgeTest, EachOperationCallsItsPosition) {
  const TextRange range{};
  const TextLoc at{};
  const MetricList metrics{0, nullptr};
  const int32_t code = CODE_DEFAULT_PGF_FONT;
  struct Case {
    int slot;
    std::function<void()> call;
  };
  const std::vector<Case> cases = {
      {7, [&] { HostExecuteCodes(1, &code); }},
      {8, [] { HostRequestNotification(NOTE_CLIENT_CALL, 1); }},
      {13, [] { HostDefineMenu("m", "M"); }},
      {14, [] { HostAddItemToMenu(1, 2); }},
      {15, [] { HostAddMenuToMenu(1, 2); }},
      {16, [] { HostDefineAndAddMenu(1, "m", "M"); }},
      {20, [] { HostAlert("?", 2); }},
      {24, [] { HostPrintConsole("line"); }},
      {26,
       [] {
         int32_t c;
         HostScrollBox(&c, "t", &kNoItems, -1);
       }},
      {32,
       [] {
         PropVals* r = nullptr;
         HostOpenDocument("x", nullptr, &r);
         PropValsFree(r);
       }},
      {33,
       [] {
         PropVals* r = nullptr;
         HostSaveDocument(1, "x", nullptr, &r);
         PropValsFree(r);
       }},
      {34, [] { HostNewCustomDocument(1, 1, 1, 0, 0, 0, 0, 0, 0, 1); }},
      {35, [] { HostCloseDocument(1, 1); }},
      {56, [&] { HostScrollToText(1, range); }},
      {66, [] { HostRedisplay(1); }},
      {67, [] { HostDeleteObject(1, 2); }},
      {68, [] { HostGetNamedObject(0, OBJ_MENU, "x"); }},
      {70, [] { HostNewNamedObject(0, OBJ_MENU_SEPARATOR, "x"); }},
      {73, [&] { HostAddText(1, at, "t"); }},
      {81,
       [] {
         PropVal v = HostGetPropVal(1, 1, 2);
         PropValFree(&v);
       }},
      {83,
       [] {
         PropVals v = HostGetProps(1, 1);
         PropValsFree(&v);
       }},
      {84, [] { HostSetProps(1, 1, &kNoProps); }},
      {85, [] { HostGetInt(1, 1, 2); }},
      {86, [] { HostSetInt(1, 1, 2, 3); }},
      {89, [] { HostGetId(1, 1, 2); }},
      {90, [] { HostSetId(1, 1, 2, 3); }},
      {91, [] { HostGetMetric(1, 1, 2); }},
      {95, [] { HostGetTextRange(1, 1, 2); }},
      {96, [&] { HostSetTextRange(1, 1, 2, range); }},
      {97, [] { MemRelease(HostGetString(1, 1, 2)); }},
      {98, [] { HostSetString(1, 1, 2, "v"); }},
      {99,
       [] {
         HostStrings v = HostGetStrings(1, 1, 2);
         HostStringsFree(&v);
       }},
      {101,
       [] {
         MetricList v = HostGetMetrics(1, 1, 2);
         MemRelease(v.val);
       }},
      {102, [&] { HostSetMetrics(1, 1, 2, &metrics); }},
      {110,
       [&] {
         TextItems v = HostGetTextForRange(1, range, 1);
         TextItemsFree(&v);
       }},
      {140, [&] { HostNewTable(1, "Format A", 1, 1, 1, 0, at); }},
      {143,
       [&] {
         PropVal v = HostGetTextPropVal(1, at, PROP_CHAR_TAG);
         PropValFree(&v);
       }},
      {146, [&] { HostSetTextProps(1, range, &kNoProps); }},
      {164, [] { HostDefineAndAddCommand(1, 1, "c", "C", ""); }},
  };
  for (const Case& c : cases) {
    host.slots.clear();
    c.call();
    EXPECT_EQ(std::vector<int>{c.slot}, host.slots) << "expected position " << c.slot;
  }
}

TEST_F(BridgeTest, BusyHostGivesMinus88AndOtherFailuresMinusOne) {
  const size_t before = host.handedOut.size();
  host.failWith = RPC_E_SERVERCALL_RETRYLATER;
  EXPECT_EQ(0, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(ERR_HOST_BUSY, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(nullptr, HostGetString(0, 0, 2));
  EXPECT_EQ(ERR_HOST_BUSY, HostErrno);
  HostErrno = 0;
  // The status as it stood: the host never wrote it.
  EXPECT_EQ(-1, HostRequestNotification(NOTE_CLIENT_CALL, 1));
  EXPECT_EQ(ERR_HOST_BUSY, HostErrno);
  HostErrno = 0;
  HostSetInt(0, 0, PROP_DISPLAYING, 1);
  EXPECT_EQ(ERR_HOST_BUSY, HostErrno);

  host.failWith = E_FAIL;
  HostErrno = 0;
  EXPECT_EQ(0u, HostGetProps(1, 1).len);
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  int32_t chosen = 5;
  EXPECT_EQ(-1, HostScrollBox(&chosen, "t", &kNoItems, 0));
  EXPECT_EQ(5, chosen);
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  EXPECT_EQ(before, host.handedOut.size());
}

TEST_F(BridgeTest, HostStatusReachesHostErrnoAndTheFailureValueIsReturned) {
  host.injectStatus = true;
  host.injectedStatus = 5;
  EXPECT_EQ(0, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(5, HostErrno);

  HostErrno = 0;
  EXPECT_EQ(5, HostCloseDocument(1, 1));
  EXPECT_EQ(5, HostErrno);

  HostErrno = 0;
  HostSetString(0, 0, 2, "v");
  EXPECT_EQ(5, HostErrno);

  // The host's string still goes back to it; the caller gets none.
  HostErrno = 0;
  const size_t before = host.handedOut.size();
  EXPECT_EQ(nullptr, HostGetString(0, 0, 2));
  EXPECT_EQ(5, HostErrno);
  for (const comhost::TaskBlock& block : BlocksSince(before))
    EXPECT_EQ(1, comhost::TaskFreesOf(block));

  // A scroll box reports only that nothing was chosen.
  HostErrno = 0;
  int32_t chosen = 9;
  EXPECT_EQ(-1, HostScrollBox(&chosen, "t", &kNoItems, 0));
  EXPECT_EQ(0, HostErrno);
  EXPECT_EQ(9, chosen);
}

TEST_F(BridgeTest, StringsAreCopiesAndNullStaysNull) {
  char* empty = HostGetString(0, 0, 1);
  ASSERT_NE(nullptr, empty);
  EXPECT_STREQ("", empty);
  MemRelease(empty);
  EXPECT_EQ(nullptr, HostGetString(0, 0, 0));
  char* text = HostGetString(0, 0, 2);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("host text", text);
  EXPECT_FALSE(comhost::TaskBlockLive(text));
  MemRelease(text);
  for (int32_t length = 0; length < 40; ++length) {
    char* s = HostGetString(0, 0, 100 + length);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(std::string(static_cast<size_t>(length), 'x'), s);
    MemRelease(s);
  }
}

// A copy the client heap cannot hold is a call that did not complete; the
// host's block still goes back.
TEST_F(BridgeTest, ACopyThatRunsOutOfMemoryFailsTheCall) {
  const size_t before = host.handedOut.size();
  HostErrno = 0;
  MemFailNth(2);  // the in-memory host's own string is the first allocation
  EXPECT_EQ(nullptr, HostGetString(0, 0, 2));
  MemFailNth(0);
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  std::vector<comhost::TaskBlock> blocks = BlocksSince(before);
  ASSERT_EQ(1u, blocks.size());
  EXPECT_EQ(1, comhost::TaskFreesOf(blocks[0]));
}

// The same on the host's side: a result the host could not hand over whole
// fails the call, and every block it did hand over still goes back.
TEST_F(BridgeTest, AHandOverThatRunsOutOfMemoryFailsTheCall) {
  for (long n = 0; n < 6; ++n) {
    SCOPED_TRACE(n);
    const size_t before = host.handedOut.size();
    host.handsBeforeFailure = n;
    HostErrno = 0;
    PropVals all = HostGetProps(1, 1);
    host.handsBeforeFailure = -1;
    EXPECT_EQ(0u, all.len);
    EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
    for (const comhost::TaskBlock& block : BlocksSince(before))
      EXPECT_EQ(1, comhost::TaskFreesOf(block));
  }
  HostErrno = 0;
}

TEST_F(BridgeTest, EveryHostBlockIsGivenBackExactlyOnce) {
  const size_t before = host.handedOut.size();
  const int straysBefore = comhost::TaskStrayFrees();
  CallEveryAllocatingOperation();
  std::vector<comhost::TaskBlock> blocks = BlocksSince(before);
  EXPECT_GT(blocks.size(), 40u);  // every nested part of every kind of value
  for (const comhost::TaskBlock& block : blocks)
    EXPECT_EQ(1, comhost::TaskFreesOf(block)) << block.address << " #" << block.serial;
  EXPECT_EQ(straysBefore, comhost::TaskStrayFrees());
}

TEST_F(BridgeTest, PropertiesCopyDeeplyIntoTheClientHeap) {
  PropVals expected = comtest::EveryKindOfValue();
  const size_t before = host.handedOut.size();
  PropVals got = HostGetProps(1, 1);
  ASSERT_EQ(expected.len, got.len);
  for (uint32_t i = 0; i < got.len; ++i)
    EXPECT_TRUE(comtest::SameValue(expected.val[i], got.val[i]));
  // The property by name: its name and its string are client blocks of their
  // own, readable after the host's blocks are gone.
  ASSERT_EQ(0, got.val[0].propIdent.num);
  EXPECT_STREQ("Custom", got.val[0].propIdent.name);
  EXPECT_STREQ("custom value", got.val[0].propVal.u.sval);
  EXPECT_NE(static_cast<void*>(got.val[0].propIdent.name), got.val[0].propVal.u.sval);
  // Only this call's blocks were all live while the copies were made; an
  // earlier block's address may since have gone to the client heap.
  for (const comhost::TaskBlock& block : BlocksSince(before)) {
    EXPECT_NE(block.address, static_cast<void*>(got.val[0].propIdent.name));
    EXPECT_NE(block.address, static_cast<void*>(got.val[0].propVal.u.sval));
  }
  PropValsFree(&got);
  PropValsFree(&expected);
}

TEST_F(BridgeTest, TextItemsKeepTheirOrderAndOnlyStringsAreCopied) {
  TextItems items = HostGetTextForRange(1, TextRange{}, ITEM_STRING | ITEM_PGF_END);
  ASSERT_EQ(3u, items.len);
  EXPECT_STREQ("first", items.val[0].u.sdata);
  EXPECT_EQ(0x12345, items.val[1].u.idata);
  EXPECT_EQ(5, items.val[2].offset);
  EXPECT_STREQ("second", items.val[2].u.sdata);
  TextItemsFree(&items);
}

TEST_F(BridgeTest, OpeningEmptiesTheCallersListAndPointsItAtTheBridgesOwn) {
  PropVals mine = PropValsAllocate(1);
  PropValsSetString(&mine, 3, "stale");
  PropVals* ret = &mine;
  EXPECT_EQ(0x01000042u, HostOpenDocument("a.fm", nullptr, &ret));
  EXPECT_EQ(0u, mine.len);
  EXPECT_EQ(nullptr, mine.val);
  ASSERT_NE(&mine, ret);
  EXPECT_EQ(17u, ret->len);
  PropVals* first = ret;

  // A host error still fills the list; the next open overwrites it.
  host.injectStatus = true;
  host.injectedStatus = 12;
  EXPECT_EQ(0u, HostOpenDocument("b.fm", nullptr, &ret));
  EXPECT_EQ(12, HostErrno);
  EXPECT_EQ(first, ret);
  EXPECT_EQ(17u, ret->len);
  PropValsFree(ret);
  EXPECT_EQ(0u, ret->len);
}

TEST_F(BridgeTest, SavingHasAReturnListOfItsOwn) {
  PropVals* opened = nullptr;
  HostOpenDocument("a.fm", nullptr, &opened);
  PropVals* saved = nullptr;
  HostSaveDocument(1, "b.fm", nullptr, &saved);
  ASSERT_NE(nullptr, saved);
  EXPECT_NE(opened, saved);
  EXPECT_EQ(17u, opened->len);
  PropValsFree(opened);
  PropValsFree(saved);
}

// The numbers callers and other clients see are fixed; the names alone
// would follow any change.
TEST(HostNumbersTest, ErrorNumbersHaveTheirValues) {
  EXPECT_EQ(-1, ERR_CALL_FAILED);
  EXPECT_EQ(-21, ERR_OFFSET_RANGE);
  EXPECT_EQ(-42, ERR_NO_PARAM_LIST);
  EXPECT_EQ(-88, ERR_HOST_BUSY);
}

// A question that could not be put must not read as confirmed (answer 0).
TEST_F(BridgeTest, AnAlertThatFailsIsNeverAConfirmation) {
  host.failWith = RPC_E_SERVERCALL_RETRYLATER;
  EXPECT_NE(0, HostAlert("Are you sure you want to delete?", 1));
  EXPECT_EQ(ERR_HOST_BUSY, HostErrno);
  host.failWith = S_OK;
  mem.script.alertAnswers.push_back(0);
  EXPECT_EQ(0, HostAlert("Are you sure you want to delete?", 1));
}

class KeepingHostTest : public ConnectedTest {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    host.arrangeAnswer = S_OK;
    ASSERT_EQ(0, Connect());
  }
};

TEST_F(KeepingHostTest, BlocksTheHostKeepsAreNeverFreedButStillCopied) {
  EXPECT_EQ(1, ComHostKeepsResults);
  const size_t before = host.handedOut.size();
  CallEveryAllocatingOperation();
  std::vector<comhost::TaskBlock> blocks = BlocksSince(before);
  EXPECT_FALSE(blocks.empty());
  for (const comhost::TaskBlock& block : blocks)
    EXPECT_EQ(0, comhost::TaskFreesOf(block)) << block.address;

  PropVals got = HostGetProps(1, 1);
  ASSERT_EQ(17u, got.len);
  for (const comhost::TaskBlock& block : host.handedOut)
    EXPECT_NE(block.address, static_cast<void*>(got.val[0].propIdent.name));
  PropValsFree(&got);
}

// Blocks given back are handed out again, each whole and apart from every
// live one; where the allocator is this project's own, giving one back twice
// stops the process before the heap is hurt.
TEST(TaskAllocator, BlocksComeBackWholeAndAFreedBlockCannotBeFreedAgain) {
  std::set<void*> live;
  for (int round = 0; round < 2; ++round) {
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size : {0, 1, 16, 17, 256, 257, 4000}) {
      auto* block = static_cast<unsigned char*>(CoTaskMemAlloc(size));
      ASSERT_NE(nullptr, block);
      EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t));
      EXPECT_TRUE(live.insert(block).second);
      std::memset(block, static_cast<int>(size & 0xff), size);
      blocks.emplace_back(block, size);
    }
    for (const auto& [block, size] : blocks) {
      for (size_t i = 0; i < size; ++i) ASSERT_EQ(size & 0xff, block[i]) << size;
      CoTaskMemFree(block);
      live.erase(block);
    }
  }
#ifndef _WIN32
  void* block = CoTaskMemAlloc(8);
  CoTaskMemFree(block);
  EXPECT_DEATH(CoTaskMemFree(block), "");
#endif
}

}  // namespace
