// The rows of Create Conversion Document and Convert Characters for a
// document.
#include "charfmt/conversion.h"
#include "charfmt/tag_lists.h"
#include "commands/command_rows.h"

RowResult RunCreateConversionDocument(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  int32_t listType = ChooseListType();
  if (listType < 0) return EndAtOnce(listType);
  bool noInsertionPoint = false;
  CreateConversionDocument(doc, listType, &noInsertionPoint);
  return noInsertionPoint ? EndAtOnce() : Done();
}

RowResult RunConvertChars(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  ObjHandle tableDoc = FindListDocument(kConversionHeading);
  if (tableDoc == 0) {
    return Done(
        HostAlert("The list of character tags to convert could not be found.", ALERT_WARNING));
  }
  ObjHandle table = FindListTable(tableDoc, kConversionHeading);
  int32_t answer = 0;
  if (Confirmed("Are you sure you want to convert character tags?", &answer)) {
    ConvertCharacterTags(doc, tableDoc, table);
  }
  return Done(answer);
}
