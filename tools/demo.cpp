// Runs "List Character Usage" on a small document of the in-memory host and
// prints the output document, the way the host would show it.
#include <cstdio>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "memhost/doc_builder.h"
#include "memhost/mem_host.h"
#include "memhost/text_dump.h"

int main() {
  memhost::DocStore model;
  memhost::MemHost host(&model);
  HostInstall(&host);
  InitializeHandler(1);
  memhost::DocBuilder doc(model, "C:\\Manuals\\Guide.fm");
  doc.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  doc.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  doc.CharFormat("Code");
  doc.Para({memhost::Run("Tagsmith lists the "), memhost::Run("character tags", "Emphasis"),
            memhost::Run(" a document uses.")});
  doc.Para({memhost::Run("Unused tags can be "), memhost::Run("deleted", "Strong")});
  CommandHandler(CMD_LIST_CHAR_USAGE);
  std::fputs(memhost::DumpDocument(model, model.activeDoc).c_str(), stdout);
  HostInstall(nullptr);
  return 0;
}
