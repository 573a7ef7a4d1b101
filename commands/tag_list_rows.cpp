// The rows of Delete Unused Character Tags, Create Character Tag List and
// Remove Non-list Character Tags for a document.
#include "charfmt/tag_lists.h"
#include "charfmt/usage_scan.h"
#include "commands/command_rows.h"

const char kIncompleteScanWarning[] =
    "Some of the text could not be read, so no character tags were deleted.";
const char kIncompleteListWarning[] =
    "Some of the text could not be read, so no list of tags to keep was made.";

RowResult RunDeleteUnusedChars(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  StringList* used = StringListCreate(1, 1);
  StringList* unused = StringListCreate(1, 1);
  int32_t answer = 0;
  if (used != nullptr && unused != nullptr) {
    if (CharTagUsageScan(doc, used, unused) != 0) {
      answer = HostAlert(kIncompleteScanWarning, ALERT_WARNING);
    } else if (Confirmed("Are you sure you want to delete unused character tags?", &answer)) {
      DeleteUnusedTags(doc, used, unused);
    }
  }
  StringListDestroy(used);
  StringListDestroy(unused);
  return Done(answer);
}

RowResult RunCreateCharList(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  int32_t listType = ChooseListType();
  if (listType < 0) return EndAtOnce(listType);
  bool noInsertionPoint = false;
  bool scanMissed = false;
  CreateTagList(doc, listType, &noInsertionPoint, &scanMissed);
  if (scanMissed) return Done(HostAlert(kIncompleteListWarning, ALERT_WARNING));
  return noInsertionPoint ? EndAtOnce() : Done();
}

RowResult RunRemoveNonlistChars(ObjHandle doc) {
  // No active document is needed to look for the list: the warning tells the
  // user what is missing first. Pruning handle 0 changes nothing.
  ObjHandle listDoc = FindListDocument(kKeepListHeading);
  if (listDoc == 0) {
    return Done(HostAlert("The list of character tags to keep could not be found.", ALERT_WARNING));
  }
  ObjHandle table = FindListTable(listDoc, kKeepListHeading);
  int32_t answer = 0;
  if (Confirmed("Are you sure you want to keep only the character tags listed?", &answer)) {
    PruneToKeepList(doc, listDoc, table);
  }
  return Done(answer);
}
