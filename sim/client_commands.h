// The client's commands as the host and the host's users know them: the
// command items of the menus the client registered, and the client-call
// strings that other clients send, each with the tag of the menu command it
// runs. The runner knows no more of the client than this.
#ifndef TAGSMITH_SIM_CLIENT_COMMANDS_H
#define TAGSMITH_SIM_CLIENT_COMMANDS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A command item of the client's "Characters" submenus.
struct MenuEntry {
  bool book;          // in the book submenu; false: the document submenu
  std::string label;  // with the submenu's label in front: "A > B"
  std::string tag;    // the host's name of the command object
  int32_t number;     // what the host passes back to the Command callback
  // Reached by its client-call string alone: no menu holds it, and the
  // number is the runner's own (below 0), never passed to the client.
  bool callOnly = false;
};

// What a command that no menu holds works on, as its users know it.
enum CallOnlyTarget { IN_A_MENU = 0, CALL_ONLY_DOCUMENT, CALL_ONLY_BOOK };

// Whether a command may change the documents it works on: a run of one
// ends with a line saying what it changed and what was written.
enum CallChanges { LEAVES_DOCUMENTS = 0, CHANGES_DOCUMENTS };

// A client-call string and the tag of the menu command it runs (for a
// command no menu holds, the tag it would have).
struct KnownCall {
  const char* text;
  const char* tag;
  CallChanges changes = LEAVES_DOCUMENTS;
  CallOnlyTarget callOnly = IN_A_MENU;
};
extern const KnownCall kKnownCalls[];
extern const size_t kKnownCallCount;

// Calls and tags the runner itself has a use for.
extern const char kListUsageCall[];         // the picture of --html covers it
extern const char kListUsageByTagCall[];    // lists files under each tag
extern const char kFindNextOverrideCall[];  // leaves a selection to report
extern const char kSkipMasterPagesTag[];    // the switch of --master-pages
extern const char kConvertOverridesCall[];  // lists the runs it leaves (and ...Book)
// The question by which turning overrides into formats asks to make new
// ones: --create answers it, --yes does not.
extern const char kMakeFormatsQuestion[];

// The menu's commands with those that no menu holds added at the end, so
// that they are found like the others by their string.
std::vector<MenuEntry> WithCallOnlyCommands(std::vector<MenuEntry> menu);

// The known call that is exactly `text`; null when none is.
const KnownCall* KnownCallOf(const std::string& text);
// Whether the command a run names may change documents: any named by a
// label or number may, as the menus are not read yet.
bool MayChangeDocuments(const std::string& command);
// The item of the menu command with that tag or number; null when the
// menus hold none.
const MenuEntry* MenuCommandTagged(const std::vector<MenuEntry>& menu, const std::string& tag);
const MenuEntry* MenuCommandNumbered(const std::vector<MenuEntry>& menu, int32_t number);
// The client-call string of the command with that number; null when it
// has none.
const char* CallStringFor(const std::vector<MenuEntry>& menu, int32_t number);
// A command that stands in the book submenu only works on the book; one in
// the document submenu only, on the document. One in both (a switch, the
// About box) works on neither.
bool IsBookOnly(const std::vector<MenuEntry>& menu, int32_t number);
bool IsDocumentOnly(const std::vector<MenuEntry>& menu, int32_t number);
// What --list shows beside a menu item: the call string that runs it, or
// that only the menu does.
std::string ListedCall(const std::vector<MenuEntry>& menu, const MenuEntry& entry);

#endif
