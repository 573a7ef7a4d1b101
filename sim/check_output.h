// check's findings in the forms that people and CI tools read: the lines of
// compilers and linters, GitHub Actions' workflow commands, a JSON report
// under its own schema (schemas/tagsmith-check-report.schema.json), SARIF
// 2.1.0 for code scanning, and JUnit XML for test dashboards.
#ifndef TAGSMITH_SIM_CHECK_OUTPUT_H
#define TAGSMITH_SIM_CHECK_OUTPUT_H

#include <string>

#include "sim/check_findings.h"

// The formats, by the names --format takes.
extern const char* const kCheckFormats[];
bool CheckKnownFormat(const std::string& name);

// The whole of what check prints on stdout in that format; `version` is
// the tool's, for the reports that name it.
std::string CheckOutput(const std::string& format, const CheckResult& result,
                        const std::string& version);

// The version of the JSON report; a new one whenever a field changes
// meaning or goes away.
constexpr int kCheckReportVersion = 1;

#endif
