// The character tag report: the settings of a document's character formats,
// seventeen lines per format, written into the output document.
#ifndef TAGSMITH_CHARFMT_TAG_REPORT_H
#define TAGSMITH_CHARFMT_TAG_REPORT_H

#include "client/host_api.h"
#include "support/string_list.h"

// The tag of every character format of doc, in catalogue order and without a
// duplicate check, then sorted in byte order. Null when no list could be
// made; the caller destroys it with StringListDestroy.
StringList* GatherCharTagNames(ObjHandle doc);

// A new caller-owned string: v expressed in doc's font-size unit, "%.2f".
// Null when memory runs out.
char* FormatPoints(ObjHandle doc, Metric v);

// Appends the seventeen property lines of character format f of doc to out,
// each a "Body" paragraph.
void WriteTagReport(ObjHandle doc, ObjHandle f, ObjHandle out);

// The report of one format looked up by tag: the tag as "Heading1", then its
// property lines. Returns 1 when written, 0 when doc has no format of that
// name (nothing is written then).
int32_t WriteNamedTagReport(ObjHandle doc, const char* tag, ObjHandle out);

#endif
