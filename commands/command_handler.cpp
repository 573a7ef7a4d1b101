#include "commands/command_handler.h"

#include "charfmt/output_document.h"
#include "charfmt/usage_scan.h"
#include "client/text_support.h"
#include "commands/command_rows.h"
#include "commands/command_table.h"
#include "support/memory.h"
#include "tagsmith_version.h"

namespace {

const char kAboutText[] = "Tagsmith \nVersion " TAGSMITH_VERSION "  Build " TAGSMITH_BUILD_NUMBER
                          " (64-bit)";
const char kNoDocumentMessage[] = "Please open a document first.";

ObjHandle TargetOf(const CommandRow& row, ObjHandle doc, ObjHandle book) {
  switch (row.target) {
    case ON_DOCUMENT: return doc;
    case ON_BOOK: return book;
    case ON_NEITHER: break;
  }
  return 0;
}

}  // namespace

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

RowResult RunAbout(ObjHandle) { return Done(HostAlert(kAboutText, ALERT_NOTICE)); }

int32_t CommandHandler(int32_t number) {
  EnsureTextSupport();
  ObjHandle doc = HostGetId(0, 0, PROP_ACTIVE_DOC);
  ObjHandle book = HostGetId(0, 0, PROP_ACTIVE_BOOK);
  const CommandRow* row = CommandRowOf(number);
  RowResult r = row == nullptr ? Done() : row->run(TargetOf(*row, doc, book));
  if (!r.endsAtOnce) HostMarkDone();
  return r.value;
}
