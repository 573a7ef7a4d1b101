// The usage picture (--html): a self-contained page with a matrix of
// character tags by file, each cell shaded by the characters that carry the
// tag there, unused tags and tags used in one file only marked, sortable by
// name, total and file. No network, no script from elsewhere.
#ifndef TAGSMITH_SIM_USAGE_HTML_H
#define TAGSMITH_SIM_USAGE_HTML_H

#include <string>

#include "sim/run_record.h"

// The page for a run whose record holds counts.
std::string UsageHtml(const RunRecord& record);

#endif
