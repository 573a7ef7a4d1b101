#include "commands/command_table.h"

#include "commands/command_rows.h"
#include "support/strings.h"

namespace {

const char kNoShortcut[] = "";
// Backslash, exclamation mark, n, o, v.
const char kFindNextShortcut[] = "\\!nov";

}  // namespace

// Some client-call strings differ from the tags of the menu commands they
// run: other clients already send these, so they stay as they are. Skip
// Master Pages is a switch of the user's and has no string.
// Left as laid out by hand: a row per command, its facts side by side.
// clang-format off
const CommandRow kCommandTable[] = {
    // number, tag, label, client call, works on, {document group, book group},
    // in the report submenu, shortcut, switched on, row
    {CMD_LIST_CHAR_USAGE, "ListCharUsage", "List Character Usage", "ListCharUsage", ON_DOCUMENT,
     {1, 0}, false, kNoShortcut, false, RunListCharUsage},
    {CMD_DELETE_UNUSED_CHARS, "DeleteUnusedChars", "Delete Unused Character Tags",
     "DeleteUnusedChars", ON_DOCUMENT, {1, 0}, false, kNoShortcut, false, RunDeleteUnusedChars},
    {CMD_CREATE_CHAR_LIST, "CreateCharList", "Create Character Tag List", "CreateCharList",
     ON_DOCUMENT, {2, 0}, false, kNoShortcut, false, RunCreateCharList},
    {CMD_REMOVE_NONLIST_CHARS, "RemoveNonlistChars", "Remove Non-list Character Tags",
     "RemoveNonlistChars", ON_DOCUMENT, {2, 0}, false, kNoShortcut, false, RunRemoveNonlistChars},
    {CMD_CREATE_CONVERSION_DOC, "CreateCharConversionDocument", "Create Conversion Document",
     "CreateConversionDocument", ON_DOCUMENT, {3, 0}, false, kNoShortcut, false,
     RunCreateConversionDocument},
    {CMD_CONVERT_CHARS, "ConvertCharsInDoc", "Convert Characters", "ConvertCharsDoc", ON_DOCUMENT,
     {3, 0}, false, kNoShortcut, false, RunConvertChars},
    {CMD_REMOVE_CHAR_OVERRIDES, "RemoveCharOverrides", "Remove Overrides", "RemoveCharOverrides",
     ON_DOCUMENT, {4, 0}, false, kNoShortcut, false, RunRemoveOverrides},
    {CMD_FIND_NEXT_CHAR_OVERRIDE, "FindNextCharOverride", "Find Next Override",
     "FindNextCharOverride", ON_DOCUMENT, {4, 0}, false, kFindNextShortcut, false,
     RunFindNextOverride},
    {CMD_SKIP_MASTER_PAGES, "SkipMasterPages", "Skip Master Pages", nullptr, ON_NEITHER, {5, 5},
     false, kNoShortcut, true, RunSkipMasterPages},
    {CMD_CHAR_TAG_REPORT_ALL, "GenerateCharacterTagReport", "All Tags",
     "GenerateCharacterTagReport", ON_DOCUMENT, {6, 0}, true, kNoShortcut, false,
     RunCharTagReportAll},
    {CMD_CHAR_TAG_REPORT_SELECTED, "GenerateCharacterTagReportSingle", "Selected Tag...",
     "GenerateCharacterTagReportSingle", ON_DOCUMENT, {6, 0}, true, kNoShortcut, false,
     RunCharTagReportSelected},
    {CMD_ABOUT, "TagsmithAbout", "About Tagsmith...", "TagsmithAbout", ON_NEITHER, {7, 6}, false,
     kNoShortcut, false, RunAbout},
    {CMD_LIST_CHAR_USAGE_BOOK, "ListCharUsageBook", "List Character Usage", "ListCharUsageBook",
     ON_BOOK, {0, 1}, false, kNoShortcut, false, RunListCharUsageBook},
    {CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL, "ListCharUsageBookIndividualFile",
     "List Character Usage - Individual", "ListCharUsageBookIndividual", ON_BOOK, {0, 1}, false,
     kNoShortcut, false, RunListCharUsageBookIndividual},
    {CMD_LIST_CHAR_USAGE_BOOK_BY_TAG, "CharUsageBookByFormat", "List Character Usage - By Tag",
     "ListCharUsageBookByTag", ON_BOOK, {0, 1}, false, kNoShortcut, false,
     RunListCharUsageBookByTag},
    {CMD_DELETE_UNUSED_CHARS_BOOK, "DeleteUnusedCharsBook", "Delete Unused Character Tags",
     "DeleteUnusedCharsBook", ON_BOOK, {0, 1}, false, kNoShortcut, false,
     RunDeleteUnusedCharsBook},
    {CMD_CREATE_CHAR_LIST_BOOK, "CreateCharListBook", "Create Character Tag List",
     "CreateCharListBook", ON_BOOK, {0, 2}, false, kNoShortcut, false, RunCreateCharListBook},
    {CMD_REMOVE_NONLIST_CHARS_BOOK, "RemoveNonlistCharsBook", "Remove Non-list Character Tags",
     "RemoveNonlistCharsBook", ON_BOOK, {0, 2}, false, kNoShortcut, false,
     RunRemoveNonlistCharsBook},
    {CMD_CREATE_CONVERSION_DOC_BOOK, "CreateCharConversionDocumentBook",
     "Create Conversion Document", "CreateConversionDocumentBook", ON_BOOK, {0, 3}, false,
     kNoShortcut, false, RunCreateConversionDocumentBook},
    {CMD_CONVERT_CHARS_BOOK, "ConvertCharsBook", "Convert Characters", "ConvertCharsBook", ON_BOOK,
     {0, 3}, false, kNoShortcut, false, RunConvertCharsBook},
    {CMD_REMOVE_CHAR_OVERRIDES_BOOK, "RemoveCharOverridesBook", "Remove Overrides",
     "RemoveCharOverridesBook", ON_BOOK, {0, 4}, false, kNoShortcut, false,
     RunRemoveOverridesBook},
    {CMD_CONVERT_OVERRIDES_TO_FORMATS, "ConvertOverridesToFormats", "Convert Overrides to Formats",
     "ConvertOverridesToFormats", ON_DOCUMENT, {0, 0}, false, kNoShortcut, false,
     RunConvertOverridesToFormats},
    {CMD_CONVERT_OVERRIDES_TO_FORMATS_BOOK, "ConvertOverridesToFormatsBook",
     "Convert Overrides to Formats", "ConvertOverridesToFormatsBook", ON_BOOK, {0, 0}, false,
     kNoShortcut, false, RunConvertOverridesToFormatsBook},
};
// clang-format on
const size_t kCommandCount = sizeof kCommandTable / sizeof kCommandTable[0];

const CommandRow* CommandRowOf(int32_t number) {
  for (const CommandRow& row : kCommandTable) {
    if (row.number == number) return &row;
  }
  return nullptr;
}

const CommandRow* CommandRowOfCall(const char* s) {
  // No two strings are equal, so the order they are tried in is no matter.
  for (const CommandRow& row : kCommandTable) {
    if (row.call != nullptr && StrEquals(s, row.call)) return &row;
  }
  return nullptr;
}

bool IsBookCommand(int32_t number) {
  const CommandRow* row = CommandRowOf(number);
  return row != nullptr && row->target == ON_BOOK;
}
