#include "commands/command_handler.h"

#include "charfmt/output_document.h"
#include "charfmt/usage_scan.h"
#include "client/text_support.h"
#include "commands/command_rows.h"
#include "commands/menus.h"
#include "support/memory.h"
#include "tagsmith_version.h"

namespace {

const char kAboutText[] =
    "Tagsmith \nVersion " TAGSMITH_VERSION "  Build " TAGSMITH_BUILD_NUMBER " (64-bit)";

RowResult RunRow(int32_t number, ObjHandle doc, ObjHandle book) {
  if (IsBookCommand(number)) return RunBookCommand(number, book);
  switch (number) {
    case CMD_LIST_CHAR_USAGE: return RunListCharUsage(doc);
    case CMD_DELETE_UNUSED_CHARS: return RunDeleteUnusedChars(doc);
    case CMD_CREATE_CHAR_LIST: return RunCreateCharList(doc);
    case CMD_REMOVE_NONLIST_CHARS: return RunRemoveNonlistChars(doc);
    case CMD_REMOVE_CHAR_OVERRIDES: return RunRemoveOverrides(doc);
    case CMD_FIND_NEXT_CHAR_OVERRIDE: return RunFindNextOverride(doc);
    case CMD_CHAR_TAG_REPORT_ALL: return RunCharTagReportAll(doc);
    case CMD_SKIP_MASTER_PAGES: return RunSkipMasterPages();
    case CMD_CREATE_CONVERSION_DOC: return RunCreateConversionDocument(doc);
    case CMD_CONVERT_CHARS: return RunConvertChars(doc);
    case CMD_CHAR_TAG_REPORT_SELECTED: return RunCharTagReportSelected(doc);
    case CMD_ABOUT: return RunAbout();
    default: return Done();  // a number without a row does nothing
  }
}

}  // namespace

const char kNoDocumentMessage[] = "Please open a document first.";

bool IsBookCommand(int32_t number) {
  switch (number) {
    case CMD_LIST_CHAR_USAGE_BOOK:
    case CMD_DELETE_UNUSED_CHARS_BOOK:
    case CMD_CREATE_CHAR_LIST_BOOK:
    case CMD_REMOVE_NONLIST_CHARS_BOOK:
    case CMD_REMOVE_CHAR_OVERRIDES_BOOK:
    case CMD_CREATE_CONVERSION_DOC_BOOK:
    case CMD_CONVERT_CHARS_BOOK:
    case CMD_LIST_CHAR_USAGE_BOOK_INDIVIDUAL:
    case CMD_LIST_CHAR_USAGE_BOOK_BY_TAG:
      return true;
    default:
      return false;
  }
}

RowResult NoDocumentNotice() { return EndAtOnce(HostAlert(kNoDocumentMessage, ALERT_NOTICE)); }

bool Confirmed(const char* question, int32_t* answer) {
  // A question the host could not show is no answer: a change the user
  // never agreed to must not follow from it, whatever the call returned.
  HostErrno = 0;
  int32_t a = HostAlert(question, ALERT_QUESTION);
  bool failed = HostErrno != 0;
  if (answer != nullptr) *answer = failed ? -1 : a;
  return a == 0 && !failed;
}

int32_t ChooseListType() {
  char empty[] = "Empty";
  char inUse[] = "Character Tags in Use";
  char all[] = "All Character Tags";
  char* items[] = {empty, inUse, all};
  HostStrings list{3, items};
  int32_t chosen = -1;
  if (HostScrollBox(&chosen, "Choose a list type", &list, -1) != 0) return -1;
  return chosen;
}

RowResult RunAbout() { return Done(HostAlert(kAboutText, ALERT_NOTICE)); }

int32_t CommandHandler(int32_t number) {
  EnsureTextSupport();
  ObjHandle doc = HostGetId(0, 0, PROP_ACTIVE_DOC);
  ObjHandle book = HostGetId(0, 0, PROP_ACTIVE_BOOK);
  RowResult r = RunRow(number, doc, book);
  if (!r.endsAtOnce) HostMarkDone();
  return r.value;
}
