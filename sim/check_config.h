// check's project file: which kinds of finding it reports and how severe
// each is, the severity that fails the check, and the tags it ignores (a
// format a template keeps on purpose). An INI-like text, so that a team
// can write it by hand and a fault in it is named by its line:
//
//   # comment
//   [check]
//   fail-on = warning          (error, warning, note or never)
//   [rules]
//   unused-format = note       (error, warning, note or off)
//   [ignore]
//   tag = Template*            (a name, or a pattern with * ? [...]; one a line)
#ifndef TAGSMITH_SIM_CHECK_CONFIG_H
#define TAGSMITH_SIM_CHECK_CONFIG_H

#include <string>
#include <vector>

#include "sim/check_findings.h"

// The name the project file is looked for under.
extern const char kCheckConfigName[];

struct CheckConfig {
  std::string path;  // the file read; empty for the defaults
  CheckSeverity severity[CHECK_RULE_COUNT];
  bool failOnSet = false;
  CheckSeverity failOn = CheckSeverity::kWarning;
  std::vector<std::string> ignoreTags;
};

CheckConfig CheckDefaultConfig();

// Reads text, the contents of path, over the defaults. False with *error,
// "path:line: what is wrong", at the first fault.
bool CheckParseConfig(const std::string& text, const std::string& path, CheckConfig* config,
                      std::string* error);

// The nearest project file in the folder of `input` or a folder above it;
// empty when there is none.
std::string CheckFindConfig(const std::string& input);

// Whether a tag matches a pattern: '*' any run of characters, '?' any one,
// "[...]" one of those listed (ranges a-z, '!' or '^' first negates); any
// other character stands for itself. Letter case counts, as it does in the
// host's tags.
bool CheckTagMatches(const std::string& pattern, const std::string& tag);

// Whether the project file ignores a tag.
bool CheckIgnores(const CheckConfig& config, const std::string& tag);

#endif
