// F_ApiClientInit, the callback object and the tear-down, driven by a COM
// host as the real host drives them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/com_bridge.h"
#include "plugin/com_callbacks.h"
#include "plugin/entry.h"
#include "client/host_lists.h"
#include "support/format.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"
#include "tests/com/com_test_support.h"
#include "comhost/module_loader.h"

namespace {

using comtest::ConnectedTest;

std::vector<GUID> ExpectedAskingOrder() {
  std::vector<GUID> ids(kHostInterfaceIds, kHostInterfaceIds + kHostInterfaceCount);
  ids.insert(ids.end(), kHostAuxiliaryIds, kHostAuxiliaryIds + kHostAuxiliaryCount);
  return ids;
}

bool SameIds(const std::vector<GUID>& a, const std::vector<GUID>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!ComSameId(a[i], b[i])) return false;
  }
  return true;
}

// What the handlers received.
struct Received {
  std::vector<int32_t> initialized, commands;
  int32_t note = 0;
  ObjHandle doc = 0;
  const char* s = nullptr;
  std::vector<std::string> fields;  // "<null>" for an absent one
  std::vector<std::string> more;
} g_received;

int32_t RecordInitialize(int32_t code) {
  g_received.initialized.push_back(code);
  return 0;
}
int32_t RecordCommand(int32_t number) {
  g_received.commands.push_back(number);
  return 0;
}
void RecordNotify(int32_t note, ObjHandle doc, const char* s, int32_t) {
  g_received.note = note;
  g_received.doc = doc;
  g_received.s = s;
  if (note != kNotePackedFields) return;
  const PackedFields* f = reinterpret_cast<const PackedFields*>(s);
  for (const char* field : f->fields) g_received.fields.push_back(field ? field : "<null>");
  for (uint32_t i = 0; i < f->more.len; ++i) g_received.more.push_back(f->more.val[i]);
}

class EntryTest : public ConnectedTest {
 protected:
  void SetUp() override {
    ConnectedTest::SetUp();
    g_received = Received{};
    ClientUseHandlers(ClientHandlers{RecordInitialize, RecordCommand, RecordNotify});
  }
};

TEST_F(EntryTest, NullHostObjectFailsWithoutACallbackObject) {
  EXPECT_EQ(-1, F_ApiClientInit(nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(nullptr, ClientRuntime.callback);
  EXPECT_TRUE(host.asked.empty());
}

// The interfaces that were obtained are given back: nothing would ever
// release them otherwise.
TEST_F(EntryTest, HostWithoutTheMainInterfaceFailsAndKeepsNothing) {
  host.offer[kHostMainInterface] = false;
  EXPECT_EQ(-1, Connect());
  EXPECT_FALSE(host.registered);
  EXPECT_EQ(nullptr, ClientRuntime.callback);
  EXPECT_EQ(0, host.HeldReferences());
  EXPECT_EQ(static_cast<size_t>(kHostInterfaceCount), host.asked.size());
}

TEST_F(EntryTest, ConnectingAsksInOrderAndRegistersTheCallbackObject) {
  host.offer[0] = false;  // a further interface the host lacks changes nothing
  void* module = reinterpret_cast<void*>(0x1234);
  ASSERT_EQ(0, Connect(module));
  EXPECT_TRUE(SameIds(ExpectedAskingOrder(), host.asked));
  EXPECT_TRUE(host.registered);
  EXPECT_EQ(0x15000000, host.registerConstant);
  EXPECT_EQ(module, host.moduleGiven);
  EXPECT_EQ(1, host.moduleCalls);
  EXPECT_EQ(0, ComHostKeepsResults);
  ASSERT_NE(nullptr, host.notifications0);
  ASSERT_NE(nullptr, host.notifications1);
  ASSERT_NE(nullptr, host.cms0);
  EXPECT_EQ(0, HostExitFlag);
  EXPECT_EQ(&HostPrintConsole, GetConsoleSink());
}

TEST_F(EntryTest, TheHostKeepsResultsWhenItsFirstAuxiliaryAnswersZero) {
  host.arrangeAnswer = S_OK;
  ASSERT_EQ(0, Connect());
  EXPECT_EQ(1, ComHostKeepsResults);
}

TEST_F(EntryTest, AGivenDescriptionIsPassedUnchanged) {
  void* module = comhost::LoadModule(TS_MODULE_REORDERED);
  ASSERT_NE(nullptr, module);
  PropVals given{0, nullptr};
  PropValsSetString(&given, 2, "Given");
  ASSERT_EQ(0, F_ApiClientInit(module, host.Object(), nullptr, &given));
  ASSERT_EQ(1u, host.description.size());
  EXPECT_EQ(2, host.description[0].first);
  EXPECT_EQ("Given", host.description[0].second);
  EXPECT_EQ(1u, given.len);
  PropValsFree(&given);
  host.DropCallback();
  comhost::UnloadModule(module);
}

TEST_F(EntryTest, WithoutADescriptionTheModulesVersionResourceIsRead) {
  void* module = comhost::LoadModule(TS_MODULE_REORDERED);
  ASSERT_NE(nullptr, module);
  ASSERT_EQ(0, F_ApiClientInit(module, host.Object(), nullptr, nullptr));
  std::vector<std::pair<int32_t, std::string>> expected = {{2, "name"}, {8, "vendor"}, {11, "out"}};
  EXPECT_EQ(expected, host.description);
  host.DropCallback();
  comhost::UnloadModule(module);
}

TEST_F(EntryTest, WithoutDescriptionOrModuleAnEmptyOneIsRegistered) {
  ASSERT_EQ(0, F_ApiClientInit(nullptr, host.Object(), nullptr, nullptr));
  EXPECT_TRUE(host.descriptionGiven);
  EXPECT_TRUE(host.description.empty());
}

TEST_F(EntryTest, CallbacksReachTheHandlers) {
  ASSERT_EQ(0, Connect());
  EXPECT_EQ(S_OK, host.notifications0->Initialize(1));
  EXPECT_EQ(S_OK, host.notifications0->Command(7));
  EXPECT_EQ(S_OK, host.notifications0->Quit());
  EXPECT_EQ(S_OK, host.notifications0->Message(0, 1, 2));
  EXPECT_EQ(S_OK, host.notifications0->DialogEvent(1, 2, 3));
  EXPECT_EQ(S_OK, host.notifications1->HtmlDialogEventEx(1, nullptr, nullptr));
  EXPECT_EQ(std::vector<int32_t>{1}, g_received.initialized);
  EXPECT_EQ(std::vector<int32_t>{7}, g_received.commands);

  const char* text = "ListCharUsage";
  EXPECT_EQ(S_OK, host.notifications0->Notify(NOTE_CLIENT_CALL, 0x0100002A, text, 4));
  EXPECT_EQ(NOTE_CLIENT_CALL, g_received.note);
  EXPECT_EQ(0x0100002Au, g_received.doc);
  EXPECT_EQ(text, g_received.s);
}

TEST_F(EntryTest, Notification75IsUnpackedAtEverySeparator) {
  ASSERT_EQ(0, Connect());
  EXPECT_EQ(S_OK, host.notifications0->Notify(75, 0,
                                              "a\x1E"
                                              "b\x1E",
                                              0));
  std::vector<std::string> expected = {"a", "b", "", "<null>", "<null>", "<null>"};
  EXPECT_EQ(expected, g_received.fields);
  EXPECT_TRUE(g_received.more.empty());
}

TEST(PackedFields, PiecesBeyondTheSixthGoToTheList) {
  PackedFields f;
  ASSERT_EQ(0, PackedFieldsUnpack("1\x1E"
                                  "2\x1E"
                                  "3\x1E"
                                  "4\x1E"
                                  "5\x1E"
                                  "6\x1E"
                                  "7\x1E"
                                  "8",
                                  &f));
  EXPECT_STREQ("6", f.fields[5]);
  ASSERT_EQ(2u, f.more.len);
  EXPECT_STREQ("7", f.more.val[0]);
  EXPECT_STREQ("8", f.more.val[1]);
  PackedFieldsFree(&f);
  EXPECT_EQ(nullptr, f.fields[0]);

  ASSERT_EQ(0, PackedFieldsUnpack("", &f));
  EXPECT_STREQ("", f.fields[0]);
  EXPECT_EQ(nullptr, f.fields[1]);
  PackedFieldsFree(&f);

  ASSERT_EQ(0, PackedFieldsUnpack(nullptr, &f));
  EXPECT_EQ(nullptr, f.fields[0]);
  PackedFieldsFree(&f);
}

TEST(PackedFields, RunningOutOfMemoryKeepsWhatWasUnpacked) {
  PackedFields f;
  MemFailNth(2);
  EXPECT_EQ(-1, PackedFieldsUnpack("a\x1E"
                                   "b\x1E"
                                   "c",
                                   &f));
  MemFailNth(0);
  EXPECT_STREQ("a", f.fields[0]);
  EXPECT_EQ(nullptr, f.fields[1]);
  PackedFieldsFree(&f);
}

TEST_F(EntryTest, GetResourceHandsOverTheModulePathOrAResource) {
  void* module = comhost::LoadModule(TS_MODULE_REORDERED);
  ASSERT_NE(nullptr, module);
  ASSERT_EQ(0, F_ApiClientInit(module, host.Object(), nullptr, &emptyDescription));

  ResourceBlob blob{99, nullptr};
  ASSERT_EQ(S_OK, host.notifications0->GetResource(0, nullptr, &blob));
  ASSERT_NE(nullptr, blob.data);
  const char* path = static_cast<const char*>(blob.data);
  EXPECT_EQ(std::strlen(path) + 1, blob.len);  // the terminating zero counts
  EXPECT_NE(std::string::npos, std::string(path).find("ts_fixture_reordered"));
  EXPECT_TRUE(comhost::TaskBlockLive(blob.data));
  CoTaskMemFree(blob.data);

  // The version resource is the one every client module carries.
  blob = ResourceBlob{0, nullptr};
  ASSERT_EQ(S_OK, host.notifications0->GetResource(16, "#1", &blob));
  EXPECT_GT(blob.len, 0u);
  CoTaskMemFree(blob.data);

  const size_t live = comhost::TaskLiveBlocks();
  blob = ResourceBlob{5, reinterpret_cast<void*>(1)};
  EXPECT_EQ(E_FAIL, host.notifications0->GetResource(6, "Missing", &blob));
  EXPECT_EQ(0u, blob.len);
  EXPECT_EQ(nullptr, blob.data);
  EXPECT_EQ(live, comhost::TaskLiveBlocks());

  host.DropCallback();
  comhost::UnloadModule(module);
}

TEST_F(EntryTest, CmsCommandAnswersWithAnEmptyRecord) {
  ASSERT_EQ(0, Connect());
  CmsCommandResult result{1, reinterpret_cast<char*>(1), 1, nullptr};
  EXPECT_EQ(S_OK, host.cms0->CMSCommand(1, nullptr, 2, nullptr, &result));
  EXPECT_EQ(0, result.code);
  EXPECT_EQ(nullptr, result.text);
  EXPECT_EQ(0u, result.count);
  ASSERT_NE(nullptr, result.values);
  // The host frees what it receives with the task allocator.
  EXPECT_TRUE(comhost::TaskBlockLive(result.values));
  CoTaskMemFree(result.values);
}

TEST_F(EntryTest, EveryPartAnswersForTheSameObject) {
  ASSERT_EQ(0, Connect());
  void* fromFirst = nullptr;
  void* fromThird = nullptr;
  ASSERT_EQ(S_OK, host.notifications0->QueryInterface(kIidUnknown, &fromFirst));
  ASSERT_EQ(S_OK, host.cms0->QueryInterface(kIidUnknown, &fromThird));
  EXPECT_EQ(fromFirst, fromThird);
  EXPECT_EQ(fromFirst, ClientRuntime.callback->Unknown());
  static_cast<IUnknown*>(fromFirst)->Release();
  static_cast<IUnknown*>(fromThird)->Release();

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, host.notifications1->QueryInterface(kHostInterfaceIds[0], &none));
  EXPECT_EQ(nullptr, none);
}

TEST_F(EntryTest, TearDownReleasesEverythingAndLaterCallsFail) {
  comhost::ComCountedC companion;
  ASSERT_EQ(0, F_ApiClientInit(nullptr, host.Object(), &companion, &emptyDescription));
  EXPECT_EQ(2, companion.refs);
  EXPECT_GT(host.HeldReferences(), 0);
  HostSetInt(0, 0, PROP_DISPLAYING, 1);

  host.releases.clear();
  host.DropCallback();
  EXPECT_EQ(0, host.HeldReferences());
  // The set first (the main interface in its place among the thirteen),
  // then the three auxiliary interfaces.
  EXPECT_EQ("fffmfffffffffaaa", host.releases);
  EXPECT_EQ(1, companion.refs);
  EXPECT_EQ(nullptr, ClientRuntime.callback);
  EXPECT_EQ(nullptr, ClientRuntime.companion);
  EXPECT_EQ(1, HostExitFlag);

  host.slots.clear();
  HostErrno = 0;
  EXPECT_EQ(0, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  EXPECT_TRUE(host.slots.empty());
}

// A companion whose release calls back into the dying callback object: the
// references it takes and drops must not start a second tear-down.
class ReentrantCompanionC final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override {
    if (callback != nullptr) {
      callback->AddRef();
      callback->Release();
      ++reentered;
    }
    return static_cast<ULONG>(--refs);
  }
  IUnknown* callback = nullptr;
  int32_t refs = 1;
  int reentered = 0;
};

TEST_F(EntryTest, ReferencesTakenDuringTearDownDoNotStartAnother) {
  ReentrantCompanionC companion;
  ASSERT_EQ(0, F_ApiClientInit(nullptr, host.Object(), &companion, &emptyDescription));
  companion.callback = host.notifications0;
  host.DropCallback();
  EXPECT_EQ(1, companion.reentered);
  EXPECT_EQ(1, companion.refs);
  EXPECT_EQ(0, host.HeldReferences());
}

TEST_F(EntryTest, AHostThatKeepsNoReferenceTearsDownInsideTheEntry) {
  comhost::ComCountedC companion;
  host.keepCallback = false;
  EXPECT_EQ(-1, F_ApiClientInit(nullptr, host.Object(), &companion, &emptyDescription));
  EXPECT_TRUE(host.registered);
  EXPECT_EQ(nullptr, ClientRuntime.callback);
  EXPECT_EQ(0, host.HeldReferences());
  EXPECT_EQ(1, companion.refs);
  EXPECT_EQ(1, HostExitFlag);
}

}  // namespace
