// check's baseline: the findings a team has accepted, so that a build fails
// only on new ones. A finding is known by its file, its rule and its tag,
// never by its line, so that editing a document leaves the baseline good;
// as many findings of each such key are accepted as the baseline counts.
// Files are kept relative to the baseline's own folder, so that the check
// may be run from anywhere.
#ifndef TAGSMITH_SIM_CHECK_BASELINE_H
#define TAGSMITH_SIM_CHECK_BASELINE_H

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "sim/check_findings.h"

// file (relative to the baseline's folder), rule id, tag -> how many.
using CheckBaseline = std::map<std::tuple<std::string, std::string, std::string>, size_t>;

// The baseline's text for findings, to be written to path.
std::string CheckBaselineText(const std::vector<CheckFinding>& findings, const std::string& path);

// Reads the baseline text of the file at path; false with *error when it is
// not one.
bool CheckParseBaseline(const std::string& text, const std::string& path, CheckBaseline* baseline,
                        std::string* error);

// Takes out of *findings those the baseline accepts (each entry of it used
// up as it accepts); returns how many.
size_t CheckApplyBaseline(CheckBaseline baseline, const std::string& path,
                          std::vector<CheckFinding>* findings);

#endif
