// The client's menus in the host: the "Characters" submenus of the document
// and book "Tools" menus, and one host command per operation.
#ifndef TAGSMITH_COMMANDS_MENUS_H
#define TAGSMITH_COMMANDS_MENUS_H

#include "client/host_api.h"

// Command numbers: what the host passes back to the Command callback.
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
  CMD_ABOUT = 1000,
};

// Called by the Initialize callback. Code 1 builds the menus; every code asks
// for the client-call notification, whose status is returned.
int32_t InitializeHandler(int32_t code);

// Moves `submenu`, just appended to `parent`, before the first item whose
// label is not less than "Characters" ignoring case.
void PlaceMenuByLabel(ObjHandle parent, ObjHandle submenu);

#endif
