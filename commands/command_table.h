// Every command of the client, one row each: its number, the tag and label
// of its menu item and where that item stands, the string other clients run
// it by, what it works on, and the row of the command handler that runs it.
// The menus, the command handler, the client-call lookup and the tests all
// read it; nothing else names a command's facts.
#ifndef TAGSMITH_COMMANDS_COMMAND_TABLE_H
#define TAGSMITH_COMMANDS_COMMAND_TABLE_H

#include <cstddef>

#include "client/host_api.h"

// Command numbers: what the host passes back to the Command callback. They
// key the table; each has exactly one row.
enum : int32_t {
  CMD_LIST_CHAR_USAGE = 1,
  CMD_DELETE_UNUSED_CHARS = 2,
  CMD_CREATE_CHAR_LIST = 3,
  CMD_REMOVE_NONLIST_CHARS = 4,
  CMD_REMOVE_CHAR_OVERRIDES = 5,
  CMD_FIND_NEXT_CHAR_OVERRIDE = 6,
  CMD_LIST_CHAR_USAGE_BOOK = 7,
  CMD_DELETE_UNUSED_CHARS_BOOK = 8,
  CMD_CREATE_CHAR_LIST_BOOK = 9,
  CMD_REMOVE_NONLIST_CHARS_BOOK = 10,
  CMD_REMOVE_CHAR_OVERRIDES_BOOK = 11,
  CMD_CHAR_TAG_REPORT_ALL = 12,
  CMD_SKIP_MASTER_PAGES = 13,
  CMD_CREATE_CONVERSION_DOC = 15,
  CMD_CONVERT_CHARS = 16,
  CMD_CREATE_CONVERSION_DOC_BOOK = 17,
  CMD_CONVERT_CHARS_BOOK = 18,
  CMD_CHAR_TAG_REPORT_SELECTED = 19,
  CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL = 20,
  CMD_LIST_CHAR_USAGE_BOOK_BY_TAG = 21,
  CMD_CONVERT_OVERRIDES_TO_FORMATS = 22,
  CMD_CONVERT_OVERRIDES_TO_FORMATS_BOOK = 23,
  CMD_ABOUT = 1000,
};

// What a command works on: the active document, the active book (through
// the book walk), or neither (a switch, the About box).
enum CommandTarget { ON_DOCUMENT, ON_BOOK, ON_NEITHER };

struct RowResult;
// A row of the command handler. It gets the active document or book, as
// the row's target says (0 when there is none, or for ON_NEITHER).
typedef RowResult (*CommandRun)(ObjHandle target);

// Where a command's item stands in a "Characters" submenu: the number of
// its group, groups being parted by separators and numbered from 1 in menu
// order; 0 when the item is not in that submenu. Items of one group stand
// in table order. A command in both submenus is one command object, defined
// in the document submenu. A command in neither is run by its client-call
// string alone, so that the host's menus stay as their users know them.
struct MenuPlace {
  uint8_t document;
  uint8_t book;
};

struct CommandRow {
  int32_t number;
  const char* tag;    // the host's name of the command object
  const char* label;  // what the menu shows
  const char* call;   // the client-call string that runs it; null: none
  CommandTarget target;
  MenuPlace place;
  bool inReportMenu;     // in the document submenu's report submenu
  const char* shortcut;  // handed to the host unchanged
  bool switchedOn;       // a switch: shows a check mark, on from the start
  CommandRun run;
};

// In the order of the document submenu, then of the book submenu.
extern const CommandRow kCommandTable[];
extern const size_t kCommandCount;

// The row of a command number; null when the number has none.
const CommandRow* CommandRowOf(int32_t number);
// The row whose client-call string is exactly `s` (whole string, same
// case); null when none is.
const CommandRow* CommandRowOfCall(const char* s);
// Whether the command works on the active book rather than the document.
bool IsBookCommand(int32_t number);

#endif
