// The row of "List Character Usage" for a document.
#include "charfmt/output_document.h"
#include "charfmt/usage_scan.h"
#include "commands/command_rows.h"
#include "support/memory.h"
#include "support/string_list.h"

RowResult RunListCharUsage(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  StringList* used = StringListCreate(1, 1);
  StringList* unused = StringListCreate(1, 1);
  if (used != nullptr && unused != nullptr) {
    CharTagUsageScan(doc, used, unused);
    ObjHandle out = OpenOutputDocument();
    // Without an output document there is nowhere to write; the host would
    // refuse every paragraph anyway.
    if (out != 0) {
      char* title = DocumentTitle(doc);
      AppendOutputParagraph(out, title, "Heading1");
      StrReleaseAndClear(&title);
      WriteUsedBlock(out, used);
      WriteUnusedBlock(out, unused);
    }
  }
  StringListDestroy(used);
  StringListDestroy(unused);
  return Done();
}
