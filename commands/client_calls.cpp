#include "commands/client_calls.h"

#include "commands/command_handler.h"
#include "commands/menus.h"
#include "support/strings.h"

// Tested in this order. Some strings differ from the tags of the menu
// commands they run: other clients already send these, so they stay as they
// are. "Skip Master Pages" is a switch of the user's and has no string.
const ClientCall kClientCalls[] = {
    {"TagsmithAbout", CMD_ABOUT},
    {"ListCharUsage", CMD_LIST_CHAR_USAGE},
    {"ListCharUsageBook", CMD_LIST_CHAR_USAGE_BOOK},
    {"ListCharUsageBookIndividual", CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL},
    {"ListCharUsageBookByTag", CMD_LIST_CHAR_USAGE_BOOK_BY_TAG},
    {"DeleteUnusedChars", CMD_DELETE_UNUSED_CHARS},
    {"DeleteUnusedCharsBook", CMD_DELETE_UNUSED_CHARS_BOOK},
    {"CreateCharList", CMD_CREATE_CHAR_LIST},
    {"CreateConversionDocument", CMD_CREATE_CONVERSION_DOC},
    {"CreateCharListBook", CMD_CREATE_CHAR_LIST_BOOK},
    {"CreateConversionDocumentBook", CMD_CREATE_CONVERSION_DOC_BOOK},
    {"RemoveNonlistChars", CMD_REMOVE_NONLIST_CHARS},
    {"RemoveNonlistCharsBook", CMD_REMOVE_NONLIST_CHARS_BOOK},
    {"ConvertCharsDoc", CMD_CONVERT_CHARS},
    {"ConvertCharsBook", CMD_CONVERT_CHARS_BOOK},
    {"RemoveCharOverrides", CMD_REMOVE_CHAR_OVERRIDES},
    {"RemoveCharOverridesBook", CMD_REMOVE_CHAR_OVERRIDES_BOOK},
    {"FindNextCharOverride", CMD_FIND_NEXT_CHAR_OVERRIDE},
    {"GenerateCharacterTagReport", CMD_CHAR_TAG_REPORT_ALL},
    {"GenerateCharacterTagReportSingle", CMD_CHAR_TAG_REPORT_SELECTED},
};
const size_t kClientCallCount = sizeof kClientCalls / sizeof kClientCalls[0];

namespace {

// "SetDocId <n>" and "SetBookId <n>" name the document or book a caller has
// in mind. Every command works on the host's active document or book, so
// they are taken and nothing is done with them.
bool NamesTarget(const char* s) {
  return StrStartsWith(s, "SetDocId ") != 0 || StrStartsWith(s, "SetBookId ") != 0;
}

}  // namespace

void NotifyHandler(int32_t note, ObjHandle, const char* s, int32_t) {
  // Only the client call carries a string; other notifications may pass
  // something else in its place, so nothing is read for them.
  if (note != NOTE_CLIENT_CALL) return;
  if (NamesTarget(s)) return;
  for (const ClientCall& call : kClientCalls) {
    if (StrEquals(s, call.text)) CommandHandler(call.command);
  }
}
