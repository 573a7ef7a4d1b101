#include "commands/menus.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "memhost/mem_host.h"
#include "tests/host_test.h"

namespace {

struct Item {
  std::string label;
  std::string tag;
  int32_t number;
  std::string shortcut;
  int32_t type;
};

class MenusTest : public HostTest {
 protected:
  ObjHandle Named(int32_t type, const char* name) { return model.NamedObject(0, type, name); }

  std::vector<Item> Items(ObjHandle menu) {
    std::vector<Item> out;
    for (ObjHandle h : model.Find(menu)->kids) {
      out.push_back({model.StringProp(h, PROP_LABEL), model.StringProp(h, PROP_NAME),
                     model.CommandNumberOf(h), model.ShortcutOf(h), HandleType(h)});
    }
    return out;
  }

  std::vector<std::string> Tags(ObjHandle menu) {
    std::vector<std::string> out;
    for (const Item& i : Items(menu)) out.push_back(i.tag);
    return out;
  }
};

TEST_F(MenusTest, DocumentSubmenuHoldsEveryCommandInOrder) {
  EXPECT_EQ(0, InitializeHandler(1));
  ObjHandle sub = Named(OBJ_MENU, "Tagsmith");
  ASSERT_NE(0u, sub);
  EXPECT_EQ("Characters", model.StringProp(sub, PROP_LABEL));
  std::vector<std::string> expected = {"ListCharUsage",
                                       "DeleteUnusedChars",
                                       "Separator1",
                                       "CreateCharList",
                                       "RemoveNonlistChars",
                                       "Separator2",
                                       "CreateCharConversionDocument",
                                       "ConvertCharsInDoc",
                                       "Separator3",
                                       "RemoveCharOverrides",
                                       "FindNextCharOverride",
                                       "Separator4",
                                       "SkipMasterPages",
                                       "Separator5",
                                       "CharacterTagReport",
                                       "Sep6",
                                       "TagsmithAbout"};
  EXPECT_EQ(expected, Tags(sub));

  const std::vector<Item> items = Items(sub);
  const std::vector<std::pair<int32_t, std::string>> commands = {
      {CMD_LIST_CHAR_USAGE, "List Character Usage"},
      {CMD_DELETE_UNUSED_CHARS, "Delete Unused Character Tags"},
      {CMD_CREATE_CHAR_LIST, "Create Character Tag List"},
      {CMD_REMOVE_NONLIST_CHARS, "Remove Non-list Character Tags"},
      {CMD_CREATE_CONVERSION_DOC, "Create Conversion Document"},
      {CMD_CONVERT_CHARS, "Convert Characters"},
      {CMD_REMOVE_CHAR_OVERRIDES, "Remove Overrides"},
      {CMD_FIND_NEXT_CHAR_OVERRIDE, "Find Next Override"},
      {CMD_SKIP_MASTER_PAGES, "Skip Master Pages"},
      {CMD_ABOUT, "About Tagsmith..."}};
  size_t next = 0;
  for (const Item& i : items) {
    if (i.type != OBJ_COMMAND) continue;
    ASSERT_LT(next, commands.size());
    EXPECT_EQ(commands[next].first, i.number) << i.tag;
    EXPECT_EQ(commands[next].second, i.label) << i.tag;
    EXPECT_EQ(i.tag == "FindNextCharOverride" ? "\\!nov" : "", i.shortcut) << i.tag;
    ++next;
  }
  EXPECT_EQ(commands.size(), next);

  ObjHandle report = Named(OBJ_MENU, "CharacterTagReport");
  EXPECT_EQ("Generate Character Tag Report", model.StringProp(report, PROP_LABEL));
  std::vector<Item> reportItems = Items(report);
  ASSERT_EQ(2u, reportItems.size());
  EXPECT_EQ(12, reportItems[0].number);
  EXPECT_EQ("All Tags", reportItems[0].label);
  EXPECT_EQ("GenerateCharacterTagReport", reportItems[0].tag);
  EXPECT_EQ(19, reportItems[1].number);
  EXPECT_EQ("Selected Tag...", reportItems[1].label);
  EXPECT_EQ("GenerateCharacterTagReportSingle", reportItems[1].tag);
  EXPECT_EQ(1, HostMarkDoneCount);
  EXPECT_EQ(1u, mem.notifications().count(NOTE_CLIENT_CALL));
}

TEST_F(MenusTest, BookSubmenuSharesSkipMasterPagesAndAbout) {
  InitializeHandler(1);
  ObjHandle sub = Named(OBJ_MENU, "TagsmithBook");
  std::vector<std::string> expected = {"ListCharUsageBook",
                                       "ListCharUsageBookIndividualFile",
                                       "CharUsageBookByFormat",
                                       "DeleteUnusedCharsBook",
                                       "Separator1",
                                       "CreateCharListBook",
                                       "RemoveNonlistCharsBook",
                                       "Separator2",
                                       "CreateCharConversionDocumentBook",
                                       "ConvertCharsBook",
                                       "Separator3",
                                       "RemoveCharOverridesBook",
                                       "Separator4",
                                       "SkipMasterPages",
                                       "Separator5",
                                       "TagsmithAbout"};
  EXPECT_EQ(expected, Tags(sub));
  std::vector<Item> items = Items(sub);
  EXPECT_EQ(7, items[0].number);
  EXPECT_EQ(20, items[1].number);
  EXPECT_EQ("List Character Usage - Individual", items[1].label);
  EXPECT_EQ(21, items[2].number);
  EXPECT_EQ("List Character Usage - By Tag", items[2].label);
  EXPECT_EQ(18, items[9].number);

  // One command object stands in both submenus, switched on.
  ObjHandle skip = Named(OBJ_COMMAND, "SkipMasterPages");
  EXPECT_EQ(skip, model.Find(sub)->kids[13]);
  EXPECT_EQ(skip, model.Find(Named(OBJ_MENU, "Tagsmith"))->kids[12]);
  EXPECT_EQ(1, model.IntProp(skip, PROP_CAN_HAVE_CHECK_MARK));
  EXPECT_EQ(1, model.IntProp(skip, PROP_CHECK_MARK_IS_ON));
  EXPECT_EQ(Named(OBJ_COMMAND, "TagsmithAbout"), model.Find(sub)->kids.back());
}

TEST_F(MenusTest, FreshHostGetsToolsMenusOnBothBars) {
  InitializeHandler(1);
  ObjHandle tools = Named(OBJ_MENU, "VxTools");
  ObjHandle toolsBook = Named(OBJ_MENU, "VxToolsBook");
  EXPECT_EQ("Tools", model.StringProp(tools, PROP_LABEL));
  EXPECT_EQ("Tools", model.StringProp(toolsBook, PROP_LABEL));
  EXPECT_EQ(std::vector<ObjHandle>{tools}, model.Find(Named(OBJ_MENU, "!MakerMainMenu"))->kids);
  EXPECT_EQ(std::vector<ObjHandle>{toolsBook}, model.Find(Named(OBJ_MENU, "!BookMainMenu"))->kids);
  EXPECT_EQ((std::vector<ObjHandle>{tools, toolsBook}),
            model.Find(Named(OBJ_MENU, "!QuickMakerMainMenu"))->kids);
  EXPECT_EQ(std::vector<ObjHandle>{Named(OBJ_MENU, "Tagsmith")}, model.Find(tools)->kids);
  EXPECT_EQ(std::vector<ObjHandle>{Named(OBJ_MENU, "TagsmithBook")}, model.Find(toolsBook)->kids);
}

TEST_F(MenusTest, ExistingToolsMenuIsReusedAndPlacedByLabelIgnoringCase) {
  ObjHandle bar = Named(OBJ_MENU, "!MakerMainMenu");
  ObjHandle tools = host.DefineAndAddMenu(bar, "VxTools", "Tools");
  ObjHandle before = host.DefineAndAddCommand(900, tools, "Other1", "Bookmarks", "");
  ObjHandle sameWord = host.DefineAndAddCommand(901, tools, "Other2", "characters", "");
  ObjHandle after = host.DefineAndAddCommand(902, tools, "Other3", "Indexes", "");
  InitializeHandler(1);
  ObjHandle sub = Named(OBJ_MENU, "Tagsmith");
  EXPECT_EQ((std::vector<ObjHandle>{before, sub, sameWord, after}), model.Find(tools)->kids);
  // Reused, so not added to the quick menu bar a second time.
  for (ObjHandle h : model.Find(Named(OBJ_MENU, "!QuickMakerMainMenu"))->kids) {
    EXPECT_NE(tools, h);
  }
}

TEST_F(MenusTest, SubmenuBetweenLabelsThatSortAroundIt) {
  ObjHandle bar = Named(OBJ_MENU, "!BookMainMenu");
  ObjHandle tools = host.DefineAndAddMenu(bar, "VxToolsBook", "Tools");
  ObjHandle a = host.DefineAndAddCommand(900, tools, "A", "Alpha", "");
  ObjHandle z = host.DefineAndAddCommand(901, tools, "Z", "zeta", "");
  InitializeHandler(1);
  EXPECT_EQ((std::vector<ObjHandle>{a, Named(OBJ_MENU, "TagsmithBook"), z}),
            model.Find(tools)->kids);
}

TEST_F(MenusTest, OtherCodesOnlyAskForClientCalls) {
  EXPECT_EQ(0, InitializeHandler(2));
  EXPECT_EQ(0u, Named(OBJ_MENU, "Tagsmith"));
  EXPECT_EQ(0u, Named(OBJ_MENU, "VxTools"));
  EXPECT_EQ(0, HostMarkDoneCount);
  EXPECT_EQ(std::set<int32_t>{NOTE_CLIENT_CALL}, mem.notifications());
}

TEST_F(MenusTest, MissingSeparatorAndMenuBarAreLeftOut) {
  model.RemoveNamedObject(0, OBJ_MENU_SEPARATOR, "Separator3");
  model.RemoveNamedObject(0, OBJ_MENU, "!BookMainMenu");
  InitializeHandler(1);
  std::vector<std::string> tags = Tags(Named(OBJ_MENU, "Tagsmith"));
  EXPECT_EQ(16u, tags.size());
  EXPECT_EQ("ConvertCharsInDoc", tags[7]);
  EXPECT_EQ("RemoveCharOverrides", tags[8]);
  // No book bar: no book Tools menu, but the book submenu is still defined
  // and the client still asks for its notification.
  EXPECT_EQ(0u, Named(OBJ_MENU, "VxToolsBook"));
  EXPECT_NE(0u, Named(OBJ_MENU, "TagsmithBook"));
  EXPECT_EQ(1u, mem.notifications().count(NOTE_CLIENT_CALL));
  EXPECT_EQ(1, HostMarkDoneCount);
}

TEST_F(MenusTest, NoHostMeansEveryCallFailsQuietly) {
  HostInstall(nullptr);
  HostErrno = 0;
  EXPECT_EQ(ERR_CALL_FAILED, InitializeHandler(1));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
}

}  // namespace
