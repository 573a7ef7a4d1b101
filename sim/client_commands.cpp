#include "sim/client_commands.h"

const char kListUsageCall[] = "ListCharUsage";
const char kListUsageByTagCall[] = "ListCharUsageBookByTag";
const char kFindNextOverrideCall[] = "FindNextCharOverride";
const char kSkipMasterPagesTag[] = "SkipMasterPages";
const char kConvertOverridesCall[] = "ConvertOverridesToFormats";
const char kMakeFormatsQuestion[] =
    "Create new character formats for overrides that match no format?";

// As the client's users have them. Five strings are not the tags of the
// commands they run.
const KnownCall kKnownCalls[] = {
    {"TagsmithAbout", "TagsmithAbout"},
    {kListUsageCall, "ListCharUsage"},
    {"ListCharUsageBook", "ListCharUsageBook"},
    {"ListCharUsageBookIndividual", "ListCharUsageBookIndividualFile"},
    {kListUsageByTagCall, "CharUsageBookByFormat"},
    {"DeleteUnusedChars", "DeleteUnusedChars", CHANGES_DOCUMENTS},
    {"DeleteUnusedCharsBook", "DeleteUnusedCharsBook", CHANGES_DOCUMENTS},
    {"CreateCharList", "CreateCharList"},
    {"CreateConversionDocument", "CreateCharConversionDocument"},
    {"CreateCharListBook", "CreateCharListBook"},
    {"CreateConversionDocumentBook", "CreateCharConversionDocumentBook"},
    {"RemoveNonlistChars", "RemoveNonlistChars", CHANGES_DOCUMENTS},
    {"RemoveNonlistCharsBook", "RemoveNonlistCharsBook", CHANGES_DOCUMENTS},
    {"ConvertCharsDoc", "ConvertCharsInDoc", CHANGES_DOCUMENTS},
    {"ConvertCharsBook", "ConvertCharsBook", CHANGES_DOCUMENTS},
    {"RemoveCharOverrides", "RemoveCharOverrides", CHANGES_DOCUMENTS},
    {"RemoveCharOverridesBook", "RemoveCharOverridesBook", CHANGES_DOCUMENTS},
    {kFindNextOverrideCall, "FindNextCharOverride"},
    {"GenerateCharacterTagReport", "GenerateCharacterTagReport"},
    {"GenerateCharacterTagReportSingle", "GenerateCharacterTagReportSingle"},
    // Run by other clients and scripts only: the host's menus stay as they are.
    {kConvertOverridesCall, "ConvertOverridesToFormats", CHANGES_DOCUMENTS, CALL_ONLY_DOCUMENT},
    {"ConvertOverridesToFormatsBook", "ConvertOverridesToFormatsBook", CHANGES_DOCUMENTS,
     CALL_ONLY_BOOK},
};
const size_t kKnownCallCount = sizeof kKnownCalls / sizeof kKnownCalls[0];

std::vector<MenuEntry> WithCallOnlyCommands(std::vector<MenuEntry> menu) {
  int32_t number = 0;
  for (const KnownCall& call : kKnownCalls) {
    if (call.callOnly == IN_A_MENU) continue;
    menu.push_back(MenuEntry{call.callOnly == CALL_ONLY_BOOK, call.text, call.tag, --number, true});
  }
  return menu;
}

const KnownCall* KnownCallOf(const std::string& text) {
  for (const KnownCall& call : kKnownCalls) {
    if (text == call.text) return &call;
  }
  return nullptr;
}

bool MayChangeDocuments(const std::string& command) {
  const KnownCall* known = KnownCallOf(command);
  return known == nullptr || known->changes == CHANGES_DOCUMENTS;
}

const MenuEntry* MenuCommandTagged(const std::vector<MenuEntry>& menu, const std::string& tag) {
  for (const MenuEntry& e : menu) {
    if (e.tag == tag) return &e;
  }
  return nullptr;
}

const MenuEntry* MenuCommandNumbered(const std::vector<MenuEntry>& menu, int32_t number) {
  for (const MenuEntry& e : menu) {
    if (e.number == number) return &e;
  }
  return nullptr;
}

const char* CallStringFor(const std::vector<MenuEntry>& menu, int32_t number) {
  const MenuEntry* entry = MenuCommandNumbered(menu, number);
  if (entry == nullptr) return nullptr;
  for (const KnownCall& call : kKnownCalls) {
    if (entry->tag == call.tag) return call.text;
  }
  return nullptr;
}

namespace {

bool InMenu(const std::vector<MenuEntry>& menu, int32_t number, bool book) {
  for (const MenuEntry& e : menu) {
    if (e.number == number && e.book == book) return true;
  }
  return false;
}

}  // namespace

bool IsBookOnly(const std::vector<MenuEntry>& menu, int32_t number) {
  return InMenu(menu, number, true) && !InMenu(menu, number, false);
}

bool IsDocumentOnly(const std::vector<MenuEntry>& menu, int32_t number) {
  return InMenu(menu, number, false) && !InMenu(menu, number, true);
}

std::string ListedCall(const std::vector<MenuEntry>& menu, const MenuEntry& entry) {
  const char* call = CallStringFor(menu, entry.number);
  if (call != nullptr) return call;
  if (entry.tag == kSkipMasterPagesTag) return "(menu only; see --master-pages)";
  return "(menu only)";
}
