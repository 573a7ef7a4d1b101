// Conversion tables ("Source Tag" / "Destination Tag") and the re-tagging of
// text by them.
#ifndef TAGSMITH_CHARFMT_CONVERSION_H
#define TAGSMITH_CHARFMT_CONVERSION_H

#include "client/host_api.h"
#include "support/string_list.h"

extern const char kConversionHeading[];   // "Source Tag"
extern const char kDestinationHeading[];  // "Destination Tag"
// The destination that returns text to its paragraph's own font.
extern const char kDefaultParagraphFormat[];

// The two-column conversion table of `listType` (see tag_lists.h) in the
// output document, sources in the first column and the second left empty.
// The first form scans `doc` when the type needs it; the second takes lists
// already scanned. Both return the table, or 0 when none was made
// (`noInsertionPoint` as for BuildTagTable).
ObjHandle CreateConversionDocument(ObjHandle doc, int32_t listType,
                                   bool* noInsertionPoint = nullptr);
ObjHandle CreateConversionDocumentFromLists(int32_t listType, const StringList* used,
                                            const StringList* unused,
                                            bool* noInsertionPoint = nullptr);

// Re-tags every run of the flows and tables of `doc` whose character tag is a
// source of `table` (in `tableDoc`; the first row naming it counts): the run
// takes the destination character format, or returns to the paragraph font
// for "Default Paragraph Format". A run whose destination is empty or names
// no format is left as it is. A paragraph end, which carries a tag of its
// own, is converted with the last run when it carries that run's tag, and
// by the same rule as a run when it is tagged apart (an empty paragraph's,
// say). Footnotes are not converted.
void ConvertCharacterTags(ObjHandle doc, ObjHandle tableDoc, ObjHandle table);

#endif
