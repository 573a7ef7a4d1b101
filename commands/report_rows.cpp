// Generate Character Tag Report: "All Tags" and "Selected Tag...".
#include "charfmt/output_document.h"
#include "charfmt/tag_report.h"
#include "commands/command_rows.h"
#include "support/memory.h"

// Neither row asks for a document: with none active there is nothing to
// report and the command simply ends.
RowResult RunCharTagReportAll(ObjHandle doc) {
  if (doc == 0) return Done();
  StringList* names = GatherCharTagNames(doc);
  if (names == nullptr) return Done();
  ObjHandle out = OpenOutputDocument();
  for (uint32_t i = 0; i < StringListCount(names); ++i) {
    if (WriteNamedTagReport(doc, StringListAt(names, i), out) != 0) {
      AppendOutputParagraph(out, "", "Body");
    }
  }
  StringListDestroy(names);
  return Done();
}

RowResult RunCharTagReportSelected(ObjHandle doc) {
  if (doc == 0) return Done();
  StringList* names = GatherCharTagNames(doc);
  if (names == nullptr) return Done();
  uint32_t count = StringListCount(names);
  // The box borrows the list's strings; only the pointer array is new. One
  // spare slot keeps an empty catalogue from being a zero-byte request.
  char** items = static_cast<char**>(MemAllocateZeroed(count + 1, sizeof(char*), 0));
  if (items == nullptr) {
    StringListDestroy(names);
    return Done();
  }
  for (uint32_t i = 0; i < count; ++i) items[i] = names->items[i];
  HostStrings list{count, items};
  int32_t chosen = -1;
  int32_t status = HostScrollBox(&chosen, "Choose a format.", &list, 0);
  // An index the list does not hold counts as a cancel.
  if (status == 0 && chosen >= 0 && static_cast<uint32_t>(chosen) < count) {
    ObjHandle out = OpenOutputDocument();
    WriteNamedTagReport(doc, StringListAt(names, static_cast<uint32_t>(chosen)), out);
  }
  MemRelease(items);
  StringListDestroy(names);
  return Done(status);
}
