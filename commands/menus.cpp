#include "commands/menus.h"

#include "commands/command_table.h"
#include "support/case_fold.h"
#include "support/memory.h"

namespace {

// The separators between the groups of a submenu, in order: the first
// stands before group 2. The host predefines the first five; the sixth is
// made here.
const char* const kSeparators[] = {"Separator1", "Separator2", "Separator3",
                                   "Separator4", "Separator5", "Sep6"};
constexpr int kPredefinedSeparators = 5;
constexpr int kSeparatorCount = sizeof kSeparators / sizeof kSeparators[0];

ObjHandle SeparatorBefore(int group) {
  int n = group - 2;
  if (n < kPredefinedSeparators) return HostGetNamedObject(0, OBJ_MENU_SEPARATOR, kSeparators[n]);
  return HostNewNamedObject(0, OBJ_MENU_SEPARATOR, kSeparators[n]);
}

void DefineCommand(ObjHandle menu, const CommandRow& row) {
  ObjHandle command = HostDefineAndAddCommand(row.number, menu, row.tag, row.label, row.shortcut);
  if (row.switchedOn) {
    HostSetInt(0, command, PROP_CAN_HAVE_CHECK_MARK, 1);
    HostSetInt(0, command, PROP_CHECK_MARK_IS_ON, 1);
  }
}

uint8_t GroupIn(const CommandRow& row, bool book) {
  return book ? row.place.book : row.place.document;
}

// The items of one group: its commands in table order. The report submenu
// stands where its first command would, and is added once it holds them all.
void AddGroup(ObjHandle sub, bool book, int group) {
  ObjHandle report = 0;
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    if (GroupIn(row, book) != group) continue;
    if (book && row.place.document != 0) {
      // Defined with the document submenu: the same object stands here too.
      HostAddItemToMenu(sub, HostGetNamedObject(0, OBJ_COMMAND, row.tag));
    } else if (row.inReportMenu) {
      if (report == 0)
        report = HostDefineMenu("CharacterTagReport", "Generate Character Tag Report");
      DefineCommand(report, row);
    } else {
      DefineCommand(sub, row);
    }
  }
  if (report != 0) HostAddMenuToMenu(sub, report);
}

void AddCommands(ObjHandle sub, bool book) {
  int groups = 0;
  for (size_t i = 0; i < kCommandCount; ++i) {
    if (GroupIn(kCommandTable[i], book) > groups) groups = GroupIn(kCommandTable[i], book);
  }
  for (int group = 1; group <= groups && group <= kSeparatorCount + 1; ++group) {
    if (group > 1) HostAddItemToMenu(sub, SeparatorBefore(group));
    AddGroup(sub, book, group);
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

void BuildSubmenu(bool book) {
  ObjHandle tools = book ? ToolsMenu("VxToolsBook", "!BookMainMenu")
                         : ToolsMenu("VxTools", "!MakerMainMenu");
  ObjHandle sub = HostDefineMenu(book ? "TagsmithBook" : "Tagsmith", "Characters");
  AddCommands(sub, book);
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
    BuildSubmenu(false);
    BuildSubmenu(true);
    HostMarkDone();
  }
  return HostRequestNotification(NOTE_CLIENT_CALL, 1);
}
