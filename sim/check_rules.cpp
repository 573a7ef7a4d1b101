#include "sim/check_findings.h"

const CheckRule kCheckRules[CHECK_RULE_COUNT] = {
    {"unused-format", CheckSeverity::kWarning, "Character format not used",
     "No text, format or setting of the document, nor of any other chapter of its book, uses "
     "this character format: \"Delete Unused Character Tags\" would delete it. Delete it, or "
     "ignore its name in the project file when a template keeps it on purpose."},
    {"character-override", CheckSeverity::kWarning, "Character override",
     "The character properties of this text differ from those of its character tag (or, "
     "untagged, from its paragraph's): \"Remove Overrides\" would reset them. Tag the text "
     "with a character format that has those properties instead."},
    {"undefined-tag", CheckSeverity::kError, "Character tag not defined",
     "Text carries a character tag that no character format of the document defines, so the "
     "tag gives it no properties. Import the format, or retag the text."},
};

int CheckRuleOf(const std::string& id) {
  for (int i = 0; i < CHECK_RULE_COUNT; ++i) {
    if (id == kCheckRules[i].id) return i;
  }
  return -1;
}

const char* CheckSeverityName(CheckSeverity severity) {
  switch (severity) {
    case CheckSeverity::kError: return "error";
    case CheckSeverity::kWarning: return "warning";
    case CheckSeverity::kNote: return "note";
    case CheckSeverity::kOff: break;
  }
  return "off";
}

bool CheckSeverityFromName(const std::string& name, CheckSeverity* severity) {
  for (CheckSeverity s : {CheckSeverity::kOff, CheckSeverity::kNote, CheckSeverity::kWarning,
                          CheckSeverity::kError}) {
    if (name == CheckSeverityName(s)) {
      *severity = s;
      return true;
    }
  }
  return false;
}

bool CheckFails(const CheckFinding& finding, CheckSeverity failOn) {
  return failOn != CheckSeverity::kOff && finding.severity >= failOn;
}
