// Turning overrides into character formats: every overridden run in the
// places "Remove Overrides" repairs is tagged with a format that gives it
// exactly the look it has, one of the catalog's or, when the user agrees, a
// new one; the look of every character stays, the override goes.
#ifndef TAGSMITH_COMMANDS_OVERRIDE_FORMATS_H
#define TAGSMITH_COMMANDS_OVERRIDE_FORMATS_H

#include "charfmt/char_looks.h"
#include "client/host_api.h"
#include "support/string_list.h"

extern const char kCreateFormatsQuestion[];

// The runs tagged with one format.
struct FormatUse {
  char* name;
  int32_t runs;
  StringList* sameLook;  // the other formats that give those runs their look
};

// What the conversion did in one document.
struct OverrideFormatsReport {
  FormatUse* uses;  // in the order first used
  uint32_t useCount;
  uint32_t useCapacity;
  StringList* created;  // "Name: what it sets", in the order made
  StringList* left;     // the runs left as they were, each described
  int32_t unfinished;   // formats made without their properties that could not be deleted
};

// Whether formats may be made for looks no format gives: asked of the user
// the first time one is needed, then kept for the rest of the command.
struct CreateConsent {
  bool asked;
  bool agreed;
};

// Converts the overrides of doc (the active document), adding to report.
// False when the catalog could not be read: nothing is converted then, as
// no run can be told to match no format.
bool ConvertOverridesInDocument(ObjHandle doc, CreateConsent* consent,
                                OverrideFormatsReport* report);
void OverrideFormatsReportFree(OverrideFormatsReport* report);

// Writes the report of doc into the output document out.
void WriteOverrideFormatsReport(ObjHandle out, ObjHandle doc, const OverrideFormatsReport* report);

#endif
