// The built library, loaded as the host loads it and driven only through
// its exported entry and the callbacks it registers; what it does shows in
// the in-memory host behind the COM host.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "memhost/text_dump.h"
#include "comhost/com_host.h"
#include "comhost/module_loader.h"

namespace {

using EntryFn = int32_t (*)(void*, IUnknown*, IUnknown*, PropVals*);

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module = comhost::LoadModule(TS_PLUGIN);
    ASSERT_NE(nullptr, module) << TS_PLUGIN;
    entry = reinterpret_cast<EntryFn>(comhost::ModuleSymbol(module, "F_ApiClientInit"));
    ASSERT_NE(nullptr, entry);
  }
  void TearDown() override {
    host.DropCallback();
    EXPECT_EQ(0, host.HeldReferences());
    comhost::UnloadModule(module);
  }

  // A document using one of its two character formats.
  ObjHandle BuildDocument() {
    memhost::DocBuilder b(mem.model, "C:\\docs\\chapter.fm");
    b.CharFormat("Emphasis");
    b.CharFormat("Unused");
    b.Para({memhost::Run("plain "), memhost::Run("stressed", "Emphasis")});
    return b.doc;
  }

  // Everything written into documents other than `source`.
  std::string Output(ObjHandle source) {
    std::string all;
    for (ObjHandle doc : mem.model.openDocs) {
      if (doc != source) all += memhost::DumpDocument(mem.model, doc);
    }
    return all;
  }

  memhost::HostStack mem;
  comhost::ComHostC host{&mem.faults, true};
  void* module = nullptr;
  EntryFn entry = nullptr;
};

TEST_F(PluginTest, RegistersWithTheDescriptionFromItsVersionResource) {
  ASSERT_EQ(0, entry(module, host.Object(), nullptr, nullptr));
  std::vector<std::pair<int32_t, std::string>> expected = {{2, "Tagsmith"},
                                                           {3, "Standard"},
                                                           {4, "Tagsmith (Frame 2019 64-bit)"},
                                                           {5, "Maker MakerSGML"}};
  EXPECT_EQ(expected, host.description);
  EXPECT_EQ(module, host.moduleGiven);
  ASSERT_NE(nullptr, host.notifications0);
}

TEST_F(PluginTest, InitializeBuildsTheMenus) {
  ASSERT_EQ(0, entry(module, host.Object(), nullptr, nullptr));
  ASSERT_EQ(S_OK, host.notifications0->Initialize(1));
  ObjHandle submenu = mem.model.NamedObject(0, OBJ_MENU, "Tagsmith");
  ASSERT_NE(0u, submenu);
  EXPECT_EQ("Characters", mem.model.StringProp(submenu, PROP_LABEL));
  ObjHandle command = mem.model.NamedObject(0, OBJ_COMMAND, "ListCharUsage");
  ASSERT_NE(0u, command);
  EXPECT_EQ(1, mem.model.CommandNumberOf(command));
  EXPECT_EQ(1u, mem.mem.notifications().count(NOTE_CLIENT_CALL));
}

TEST_F(PluginTest, CommandOneWritesTheUsageList) {
  ObjHandle doc = BuildDocument();
  ASSERT_EQ(0, entry(module, host.Object(), nullptr, nullptr));
  ASSERT_EQ(S_OK, host.notifications0->Initialize(1));
  ASSERT_EQ(S_OK, host.notifications0->Command(1));
  std::string out = Output(doc);
  EXPECT_EQ(1u, Count(out, "Character Tags Used:")) << out;
  EXPECT_NE(std::string::npos, out.find("Emphasis")) << out;
  EXPECT_NE(std::string::npos, out.find("Character Tags Not Used:")) << out;
  EXPECT_NE(std::string::npos, out.find("Unused")) << out;
  for (const comhost::TaskBlock& block : host.handedOut) EXPECT_EQ(1, comhost::TaskFreesOf(block));
}

TEST_F(PluginTest, TheClientCallDoesTheSame) {
  ObjHandle doc = BuildDocument();
  ASSERT_EQ(0, entry(module, host.Object(), nullptr, nullptr));
  ASSERT_EQ(S_OK, host.notifications0->Initialize(1));
  ASSERT_EQ(S_OK, host.notifications0->Notify(NOTE_CLIENT_CALL, 0, "ListCharUsage", 0));
  std::string out = Output(doc);
  EXPECT_EQ(1u, Count(out, "Character Tags Used:")) << out;
  EXPECT_NE(std::string::npos, out.find("Emphasis")) << out;
}

// As tagsmith-run drives it: no note per call; blocks it keeps for the
// client are still freed at its end (or the leak checker says so).
void RunUnwatched(comhost::ComHostC* quiet, EntryFn entry, void* module) {
  ASSERT_EQ(0, entry(module, quiet->Object(), nullptr, nullptr));
  ASSERT_EQ(S_OK, quiet->notifications0->Initialize(1));
  ASSERT_EQ(S_OK, quiet->notifications0->Command(1));
  EXPECT_TRUE(quiet->slots.empty());
  quiet->DropCallback();
}

TEST_F(PluginTest, UnwatchedTheHostNotesNothingPerCall) {
  ObjHandle doc = BuildDocument();
  comhost::ComHostC quiet{&mem.faults};
  RunUnwatched(&quiet, entry, module);
  EXPECT_TRUE(quiet.handedOut.empty());
  EXPECT_NE(std::string::npos, Output(doc).find("Emphasis"));
}

TEST_F(PluginTest, UnwatchedTheHostFreesTheBlocksItKeeps) {
  BuildDocument();
  comhost::ComHostC quiet{&mem.faults};
  quiet.arrangeAnswer = S_OK;
  RunUnwatched(&quiet, entry, module);
  EXPECT_FALSE(quiet.handedOut.empty());
}

TEST_F(PluginTest, AfterTearDownTheLibraryHoldsNothing) {
  const size_t live = comhost::TaskLiveBlocks();
  ASSERT_EQ(0, entry(module, host.Object(), nullptr, nullptr));
  EXPECT_GT(host.HeldReferences(), 0);
  host.DropCallback();
  EXPECT_EQ(0, host.HeldReferences());
  EXPECT_EQ(live, comhost::TaskLiveBlocks());
}

}  // namespace
