#include "commands/menus.h"

#include "support/case_fold.h"
#include "support/memory.h"

namespace {

struct MenuCommand {
  int32_t number;
  const char* tag;
  const char* label;
};

// An entry of a submenu: a command to define, a predefined separator to find,
// or an existing command object to reuse.
struct MenuEntry {
  enum Kind { COMMAND, SEPARATOR, REUSE } kind;
  MenuCommand command;  // COMMAND
  const char* name;     // SEPARATOR: the separator; REUSE: the command tag
};

const char kNoShortcut[] = "";
// Backslash, exclamation mark, n, o, v: handed to the host unchanged.
const char kFindNextShortcut[] = "\\!nov";

ObjHandle Separator(const char* name) { return HostGetNamedObject(0, OBJ_MENU_SEPARATOR, name); }

ObjHandle DefineCommand(ObjHandle menu, const MenuCommand& c) {
  const char* shortcut =
      c.number == CMD_FIND_NEXT_CHAR_OVERRIDE ? kFindNextShortcut : kNoShortcut;
  return HostDefineAndAddCommand(c.number, menu, c.tag, c.label, shortcut);
}

void AddEntries(ObjHandle menu, const MenuEntry* entries, int count) {
  for (int i = 0; i < count; ++i) {
    const MenuEntry& e = entries[i];
    switch (e.kind) {
      case MenuEntry::COMMAND:
        DefineCommand(menu, e.command);
        break;
      case MenuEntry::SEPARATOR:
        HostAddItemToMenu(menu, Separator(e.name));
        break;
      case MenuEntry::REUSE:
        HostAddItemToMenu(menu, HostGetNamedObject(0, OBJ_COMMAND, e.name));
        break;
    }
  }
}

// The "Tools" menu of a menu bar: reused when another client made it,
// otherwise created on the bar and added to the quick menu bar too.
ObjHandle ToolsMenu(const char* tag, const char* menuBar) {
  ObjHandle tools = HostGetNamedObject(0, OBJ_MENU, tag);
  if (tools == 0) {
    tools = HostDefineAndAddMenu(HostGetNamedObject(0, OBJ_MENU, menuBar), tag, "Tools");
    HostAddMenuToMenu(HostGetNamedObject(0, OBJ_MENU, "!QuickMakerMainMenu"), tools);
  }
  return tools;
}

void BuildDocumentMenu() {
  ObjHandle tools = ToolsMenu("VxTools", "!MakerMainMenu");
  ObjHandle sub = HostDefineMenu("Tagsmith", "Characters");
  const MenuEntry first[] = {
      {MenuEntry::COMMAND, {CMD_LIST_CHAR_USAGE, "ListCharUsage", "List Character Usage"}, nullptr},
      {MenuEntry::COMMAND,
       {CMD_DELETE_UNUSED_CHARS, "DeleteUnusedChars", "Delete Unused Character Tags"}, nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator1"},
      {MenuEntry::COMMAND, {CMD_CREATE_CHAR_LIST, "CreateCharList", "Create Character Tag List"},
       nullptr},
      {MenuEntry::COMMAND,
       {CMD_REMOVE_NONLIST_CHARS, "RemoveNonlistChars", "Remove Non-list Character Tags"}, nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator2"},
      {MenuEntry::COMMAND,
       {CMD_CREATE_CONVERSION_DOC, "CreateCharConversionDocument", "Create Conversion Document"},
       nullptr},
      {MenuEntry::COMMAND, {CMD_CONVERT_CHARS, "ConvertCharsInDoc", "Convert Characters"}, nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator3"},
      {MenuEntry::COMMAND, {CMD_REMOVE_CHAR_OVERRIDES, "RemoveCharOverrides", "Remove Overrides"},
       nullptr},
      {MenuEntry::COMMAND,
       {CMD_FIND_NEXT_CHAR_OVERRIDE, "FindNextCharOverride", "Find Next Override"}, nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator4"},
  };
  AddEntries(sub, first, sizeof first / sizeof first[0]);

  ObjHandle skip = DefineCommand(sub, {CMD_SKIP_MASTER_PAGES, "SkipMasterPages", "Skip Master Pages"});
  HostSetInt(0, skip, PROP_CAN_HAVE_CHECK_MARK, 1);
  HostSetInt(0, skip, PROP_CHECK_MARK_IS_ON, 1);
  HostAddItemToMenu(sub, Separator("Separator5"));

  ObjHandle report = HostDefineMenu("CharacterTagReport", "Generate Character Tag Report");
  DefineCommand(report, {CMD_CHAR_TAG_REPORT_ALL, "GenerateCharacterTagReport", "All Tags"});
  DefineCommand(report,
                {CMD_CHAR_TAG_REPORT_SELECTED, "GenerateCharacterTagReportSingle", "Selected Tag..."});
  HostAddMenuToMenu(sub, report);

  HostAddItemToMenu(sub, HostNewNamedObject(0, OBJ_MENU_SEPARATOR, "Sep6"));
  DefineCommand(sub, {CMD_ABOUT, "TagsmithAbout", "About Tagsmith..."});

  HostAddMenuToMenu(tools, sub);
  PlaceMenuByLabel(tools, sub);
}

void BuildBookMenu() {
  ObjHandle tools = ToolsMenu("VxToolsBook", "!BookMainMenu");
  ObjHandle sub = HostDefineMenu("TagsmithBook", "Characters");
  const MenuEntry entries[] = {
      {MenuEntry::COMMAND, {CMD_LIST_CHAR_USAGE_BOOK, "ListCharUsageBook", "List Character Usage"},
       nullptr},
      {MenuEntry::COMMAND,
       {CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL, "ListCharUsageBookIndividualFile",
        "List Character Usage - Individual"},
       nullptr},
      {MenuEntry::COMMAND,
       {CMD_LIST_CHAR_USAGE_BOOK_BY_TAG, "CharUsageBookByFormat", "List Character Usage - By Tag"},
       nullptr},
      {MenuEntry::COMMAND,
       {CMD_DELETE_UNUSED_CHARS_BOOK, "DeleteUnusedCharsBook", "Delete Unused Character Tags"},
       nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator1"},
      {MenuEntry::COMMAND,
       {CMD_CREATE_CHAR_LIST_BOOK, "CreateCharListBook", "Create Character Tag List"}, nullptr},
      {MenuEntry::COMMAND,
       {CMD_REMOVE_NONLIST_CHARS_BOOK, "RemoveNonlistCharsBook", "Remove Non-list Character Tags"},
       nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator2"},
      {MenuEntry::COMMAND,
       {CMD_CREATE_CONVERSION_DOC_BOOK, "CreateCharConversionDocumentBook",
        "Create Conversion Document"},
       nullptr},
      {MenuEntry::COMMAND, {CMD_CONVERT_CHARS_BOOK, "ConvertCharsBook", "Convert Characters"},
       nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator3"},
      {MenuEntry::COMMAND,
       {CMD_REMOVE_CHAR_OVERRIDES_BOOK, "RemoveCharOverridesBook", "Remove Overrides"}, nullptr},
      {MenuEntry::SEPARATOR, {}, "Separator4"},
      {MenuEntry::REUSE, {}, "SkipMasterPages"},
      {MenuEntry::SEPARATOR, {}, "Separator5"},
      {MenuEntry::REUSE, {}, "TagsmithAbout"},
  };
  AddEntries(sub, entries, sizeof entries / sizeof entries[0]);
  HostAddMenuToMenu(tools, sub);
  PlaceMenuByLabel(tools, sub);
}

}  // namespace

void PlaceMenuByLabel(ObjHandle parent, ObjHandle submenu) {
  char* label = nullptr;
  for (ObjHandle item = HostGetId(0, parent, PROP_FIRST_MENU_ITEM); item != 0;
       item = HostGetId(parent, item, PROP_NEXT_MENU_ITEM)) {
    StrReleaseAndClear(&label);
    label = HostGetString(0, item, PROP_LABEL);
    if (StrCompareNoCase(label, "Characters") >= 0) {
      HostSetId(parent, submenu, PROP_NEXT_MENU_ITEM, item);
      break;
    }
  }
  StrReleaseAndClear(&label);
}

int32_t InitializeHandler(int32_t code) {
  if (code == 1) {
    BuildDocumentMenu();
    BuildBookMenu();
    HostMarkDone();
  }
  return HostRequestNotification(NOTE_CLIENT_CALL, 1);
}
