// The rows of the command handler, one function per command, and the
// conventions they share. The command table (commands/command_table.h)
// says which row runs for which command and what it gets. A row either ends normally (the handler then calls
// HostMarkDone) or "at once" (no HostMarkDone).
#ifndef TAGSMITH_COMMANDS_COMMAND_ROWS_H
#define TAGSMITH_COMMANDS_COMMAND_ROWS_H

#include "client/host_api.h"

struct RowResult {
  int32_t value;    // the last alert answer or operation status, or 0
  bool endsAtOnce;  // true: return without HostMarkDone
};

inline RowResult Done(int32_t value = 0) { return RowResult{value, false}; }
inline RowResult EndAtOnce(int32_t value = 0) { return RowResult{value, true}; }

// Shared dialogs.
constexpr int32_t ALERT_QUESTION = 1;
constexpr int32_t ALERT_NOTICE = 2;
constexpr int32_t ALERT_WARNING = 3;
// "Please open a document first." and the end at once that goes with it.
RowResult NoDocumentNotice();
// A confirmation question: true only for the confirming answer 0 of a
// question that was really shown (a failed call counts as cancelled, -1).
bool Confirmed(const char* question, int32_t* answer);
// The warning by which a deleting command declines when its scan missed
// text: a tag that text uses could be among the ones it would delete.
extern const char kIncompleteScanWarning[];
// The warning by which "Create Character Tag List" declines to list the tags
// in use from a scan that missed text: pruning by such a list could delete a
// used tag it left out.
extern const char kIncompleteListWarning[];
// "Choose a list type": 0 "Empty", 1 "Character Tags in Use", 2 "All
// Character Tags"; -1 when cancelled.
int32_t ChooseListType();

// Rows of the commands that work on the active document (0 when none is).
RowResult RunListCharUsage(ObjHandle doc);
RowResult RunDeleteUnusedChars(ObjHandle doc);
RowResult RunCreateCharList(ObjHandle doc);
RowResult RunRemoveNonlistChars(ObjHandle doc);
RowResult RunCreateConversionDocument(ObjHandle doc);
RowResult RunConvertChars(ObjHandle doc);
RowResult RunRemoveOverrides(ObjHandle doc);
RowResult RunFindNextOverride(ObjHandle doc);
RowResult RunCharTagReportAll(ObjHandle doc);
RowResult RunCharTagReportSelected(ObjHandle doc);
RowResult RunConvertOverridesToFormats(ObjHandle doc);
// Rows of the commands that work on every file of the active book.
RowResult RunListCharUsageBook(ObjHandle book);
RowResult RunListCharUsageBookIndividual(ObjHandle book);
RowResult RunListCharUsageBookByTag(ObjHandle book);
RowResult RunDeleteUnusedCharsBook(ObjHandle book);
RowResult RunCreateCharListBook(ObjHandle book);
RowResult RunCreateConversionDocumentBook(ObjHandle book);
RowResult RunRemoveNonlistCharsBook(ObjHandle book);
RowResult RunConvertCharsBook(ObjHandle book);
RowResult RunRemoveOverridesBook(ObjHandle book);
RowResult RunConvertOverridesToFormatsBook(ObjHandle book);
// Rows of the commands that work on neither (they get 0).
RowResult RunSkipMasterPages(ObjHandle);
RowResult RunAbout(ObjHandle);

#endif
