// Which character tags a document uses: text of flows, tables and footnotes,
// building blocks of format texts and format pages, and tag-naming properties.
#ifndef TAGSMITH_CHARFMT_USAGE_SCAN_H
#define TAGSMITH_CHARFMT_USAGE_SCAN_H

#include "client/host_api.h"
#include "support/string_list.h"

// Runs the whole scan on an open document. `used` and `unused` are the
// caller's and may already hold names from other documents of a book: the
// result accumulates. Both come back sorted in byte order. Returns 0, or -1
// when some of the document could not be read: the lists then say what was
// seen, so a name in `unused` may still be in use, and nothing may be
// deleted on their strength.
int32_t CharTagUsageScan(ObjHandle doc, StringList* used, StringList* unused);
// The single rule by which a name becomes used.
void MarkTagUsed(const char* name, StringList* used, StringList* unused);
// Marks every character tag of doc written in text as "<tag>".
void ScanFormatText(ObjHandle doc, StringList* used, StringList* unused, const char* text);

#endif
