// Character overrides: runs of text whose character properties differ from
// what their character tag (or, for untagged text, their paragraph) gives
// them. Finding them one at a time from the insertion point, returning every
// one of a document to its tag or paragraph, and the switch that keeps both
// away from master pages.
#ifndef TAGSMITH_COMMANDS_OVERRIDES_H
#define TAGSMITH_COMMANDS_OVERRIDES_H

#include "client/host_api.h"
#include "commands/command_rows.h"

// What FindOverrideInParagraph found.
constexpr int32_t OVERRIDE_NONE = 0;
constexpr int32_t OVERRIDE_UNTAGGED = 1;  // untagged text that differs from its paragraph
constexpr int32_t OVERRIDE_TAGGED = 2;    // tagged text that differs where its tag leaves it as is

// PageKindOf when no page is found above the object.
constexpr int32_t PAGE_KIND_NONE = 19;

// A paragraph keeps being repaired while overrides remain, but never more
// often than this: a repair the host does not carry out would otherwise find
// the same run for ever.
constexpr int32_t kMaxRepairsPerParagraph = 501;

// Examines the runs of `pgf` from the one holding offset `start` (every run
// when start is 0; none when start lies inside the last run). Each run
// examined becomes the document's selection; on an override the page showing
// it is made current and the window scrolled to it. Returns an OVERRIDE_*.
int32_t FindOverrideInParagraph(ObjHandle doc, ObjHandle pgf, int32_t start);

// 1 when the text at `at` has every compared property of its paragraph.
int32_t MatchesParagraphFont(ObjHandle doc, TextLoc at, ObjHandle pgf);
// 1 when no property that the character format `tag` leaves as is differs
// from the paragraph's; also 1 when the document has no such format.
int32_t MatchesCharFormat(ObjHandle doc, TextLoc at, ObjHandle pgf, const char* tag);
// 1 when the text at `at` and `obj` carry the same value of `prop`.
int32_t SamePropInt(ObjHandle doc, TextLoc at, ObjHandle obj, int32_t prop);
int32_t SamePropString(ObjHandle doc, TextLoc at, ObjHandle obj, int32_t prop);

// Returns every override of the paragraph to its tag or paragraph font.
// Returns the number of repairs made (at most kMaxRepairsPerParagraph).
int32_t RemoveOverridesInParagraph(ObjHandle doc, ObjHandle pgf);
// The same for every flow (those starting on a master page only when the
// switch is off), table and footnote of the document. The repairs act on the
// active document's selection, so `doc` must be the active document.
void RemoveOverridesInDocument(ObjHandle doc);

// The places "Remove Overrides" repairs, for every command that works on
// overrides: visit gets each paragraph of the flows (those starting on a
// master page only when the switch is off), of every table and of every
// footnote, with the document's walk flag set meanwhile.
typedef void (*OverrideParagraphVisit)(ObjHandle doc, ObjHandle pgf, void* context);
void ForEachOverrideParagraph(ObjHandle doc, OverrideParagraphVisit visit, void* context);
// FindOverrideInParagraph, also giving the range of the run found.
int32_t FindOverrideRunFrom(ObjHandle doc, ObjHandle pgf, int32_t start, TextRange* run);

// The object type of the first page above `obj` (5 body, 6 master, 7
// reference, 8 hidden), or PAGE_KIND_NONE.
int32_t PageKindOf(ObjHandle doc, ObjHandle obj);
// 1 when the check mark of the "SkipMasterPages" command is on.
int32_t SkipMasterPagesOn();

// The commands "Find Next Override" and "Skip Master Pages".
RowResult FindNextOverride(ObjHandle doc);
RowResult ToggleSkipMasterPages();

#endif
