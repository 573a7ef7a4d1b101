// Giving a run back its tag once the paragraph font has taken it off: both
// tag conversion and the removal of overrides strip a run before they
// re-tag it, and a set the host refuses must not leave it bare.
#ifndef TAGSMITH_CHARFMT_RUN_TAGS_H
#define TAGSMITH_CHARFMT_RUN_TAGS_H

#include "client/host_api.h"

// A one-entry list that sets the character tag `tag` alone. Empty when
// memory ran out.
PropVals TagOnlyValues(const char* tag);

// Sets `values` on `run`, trying once more when the host refuses, then
// `fallback` twice the same way. True when one of the sets was taken.
bool SetRunValues(ObjHandle doc, TextRange run, const PropVals* values, const PropVals* fallback);

#endif
