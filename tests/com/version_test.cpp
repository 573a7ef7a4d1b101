// The client description read from a module's version resource.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "client/host_lists.h"
#include "plugin/version_info.h"
#include "comhost/module_loader.h"

namespace {

using Description = std::vector<std::pair<int32_t, std::string>>;

Description DescriptionOf(const char* path) {
  void* module = comhost::LoadModule(path);
  EXPECT_NE(nullptr, module) << path;
  PropVals list{0, nullptr};
  BuildClientDescription(module, &list);
  Description out;
  for (uint32_t i = 0; i < list.len; ++i) {
    EXPECT_EQ(VT_STRING, list.val[i].propVal.valType);
    out.emplace_back(list.val[i].propIdent.num, list.val[i].propVal.u.sval);
  }
  PropValsFree(&list);
  comhost::UnloadModule(module);
  return out;
}

TEST(ClientDescription, TheClientDescribesItselfWithFourEntries) {
  Description expected = {{2, "Tagsmith"},
                          {3, "Standard"},
                          {4, "Tagsmith (Frame 2019 64-bit)"},
                          {5, "Maker MakerSGML"}};
  EXPECT_EQ(expected, DescriptionOf(TS_PLUGIN));
}

TEST(ClientDescription, OrderFollowsTheKeyTableNotTheResource) {
  Description expected = {{2, "name"}, {8, "vendor"}, {11, "out"}};
  EXPECT_EQ(expected, DescriptionOf(TS_MODULE_REORDERED));
}

TEST(ClientDescription, OnlyTheUsEnglishUnicodeTableIsRead) {
  EXPECT_TRUE(DescriptionOf(TS_MODULE_GERMAN).empty());
}

TEST(ClientDescription, AModuleWithoutVersionResourceGivesAnEmptyDescription) {
  EXPECT_TRUE(DescriptionOf(TS_MODULE_NONE).empty());
  PropVals list{0, nullptr};
  BuildClientDescription(nullptr, &list);
#ifndef _WIN32
  // Elsewhere no module handle means no file; on Windows it is the program's.
  EXPECT_EQ(0u, list.len);
#endif
  PropValsFree(&list);
}

TEST(ModuleFile, APathThatDoesNotFitIsNotCut) {
  void* module = comhost::LoadModule(TS_MODULE_NONE);
  ASSERT_NE(nullptr, module);
  char path[kModulePathSize];
  uint32_t length = ModuleFilePath(module, path, sizeof path);
  ASSERT_GT(length, 4u);
  char small[4];
  EXPECT_EQ(0u, ModuleFilePath(module, small, sizeof small));
  comhost::UnloadModule(module);
}

}  // namespace
