// What `tagsmith-run check` finds, and the kinds of finding it knows: plain
// records shared by the check, its project file, its baseline and the
// formats it prints them in.
#ifndef TAGSMITH_SIM_CHECK_FINDINGS_H
#define TAGSMITH_SIM_CHECK_FINDINGS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Ordered: a finding fails the check when its severity is at least the
// failing one. kOff turns a kind of finding off; as the failing severity it
// means that nothing fails.
enum class CheckSeverity { kOff, kNote, kWarning, kError };

// The kinds of finding, in the order of kCheckRules.
enum CheckRuleIndex : int {
  CHECK_RULE_UNUSED = 0,     // a character format nothing uses
  CHECK_RULE_OVERRIDE = 1,   // text whose properties differ from its tag or paragraph
  CHECK_RULE_UNDEFINED = 2,  // text tagged with a format the document does not define
  CHECK_RULE_COUNT = 3,
};

struct CheckRule {
  const char* id;          // stable: project files, baselines and CI tools name it
  CheckSeverity severity;  // unless a project file says otherwise
  const char* title;
  const char* help;
};

extern const CheckRule kCheckRules[CHECK_RULE_COUNT];

// -1 when no rule has that id.
int CheckRuleOf(const std::string& id);

// "error", "warning", "note", "off".
const char* CheckSeverityName(CheckSeverity severity);
bool CheckSeverityFromName(const std::string& name, CheckSeverity* severity);

struct CheckFinding {
  std::string file;  // as named, or as the book names its chapter
  int32_t line = 0;  // of the MIF statement concerned; 0 when not known
  int32_t column = 0;
  int rule = CHECK_RULE_UNUSED;
  CheckSeverity severity = CheckSeverity::kWarning;
  std::string tag;  // the character tag concerned, empty for untagged text
  std::string message;
};

// A file named, or a book's component, that was not checked through.
struct CheckNotChecked {
  std::string file;
  std::string reason;
};

struct CheckResult {
  std::vector<std::string> documents;  // every document checked, chapters included
  std::vector<CheckFinding> findings;  // reported: neither ignored nor in the baseline
  std::vector<CheckNotChecked> notChecked;
  size_t ignored = 0;    // findings on tags the project file ignores
  size_t baselined = 0;  // findings the baseline accepts
  CheckSeverity failOn = CheckSeverity::kWarning;
  int status = 0;
};

// Whether a finding fails the check.
bool CheckFails(const CheckFinding& finding, CheckSeverity failOn);

#endif
