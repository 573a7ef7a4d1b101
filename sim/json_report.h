// The machine-readable report of a run (--json): one JSON document, its
// schema described in the README ("Machine-readable results").
#ifndef TAGSMITH_SIM_JSON_REPORT_H
#define TAGSMITH_SIM_JSON_REPORT_H

#include <string>

#include "sim/run_record.h"

// Raised whenever the report's shape changes in a way a reader could notice.
constexpr int kJsonReportVersion = 1;

std::string JsonReport(const RunRecord& record);

#endif
