#include "sim/check_config.h"

#include <filesystem>

namespace fs = std::filesystem;

const char kCheckConfigName[] = ".tagsmith.ini";

namespace {

std::string Trimmed(const std::string& s) {
  size_t from = s.find_first_not_of(" \t\r");
  if (from == std::string::npos) return std::string();
  size_t to = s.find_last_not_of(" \t\r");
  return s.substr(from, to - from + 1);
}

// One "[...]" at pattern[p] (p after '['), against c; *end after its ']'.
// False when the bracket is not closed: the '[' then stands for itself.
bool BracketMatches(const std::string& pattern, size_t p, char c, bool* matched, size_t* end) {
  bool negate = p < pattern.size() && (pattern[p] == '!' || pattern[p] == '^');
  if (negate) ++p;
  bool found = false;
  bool first = true;
  for (; p < pattern.size(); first = false) {
    if (pattern[p] == ']' && !first) {
      *matched = found != negate;
      *end = p + 1;
      return true;
    }
    char lo = pattern[p];
    char hi = lo;
    if (p + 2 < pattern.size() && pattern[p + 1] == '-' && pattern[p + 2] != ']') {
      hi = pattern[p + 2];
      p += 3;
    } else {
      ++p;
    }
    if (lo <= c && c <= hi) found = true;
  }
  return false;
}

bool Matches(const std::string& pattern, size_t p, const std::string& tag, size_t t) {
  while (p < pattern.size()) {
    char c = pattern[p];
    if (c == '*') {
      // Runs of '*' are one; then every place the rest may start.
      while (p < pattern.size() && pattern[p] == '*') ++p;
      for (size_t from = t; from <= tag.size(); ++from) {
        if (Matches(pattern, p, tag, from)) return true;
      }
      return false;
    }
    if (t >= tag.size()) return false;
    if (c == '?') {
      ++p;
      ++t;
      continue;
    }
    if (c == '[') {
      bool matched = false;
      size_t end = 0;
      if (BracketMatches(pattern, p + 1, tag[t], &matched, &end)) {
        if (!matched) return false;
        p = end;
        ++t;
        continue;
      }
    }
    if (c != tag[t]) return false;
    ++p;
    ++t;
  }
  return t == tag.size();
}

}  // namespace

CheckConfig CheckDefaultConfig() {
  CheckConfig c;
  for (int i = 0; i < CHECK_RULE_COUNT; ++i) c.severity[i] = kCheckRules[i].severity;
  return c;
}

bool CheckParseConfig(const std::string& text, const std::string& path, CheckConfig* config,
                      std::string* error) {
  config->path = path;
  // Editors on some systems start a UTF-8 file with a byte order mark.
  size_t bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::string section;
  int number = 0;
  for (size_t start = bom; start < text.size();) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    std::string line = Trimmed(text.substr(start, nl - start));
    start = nl + 1;
    ++number;
    auto fault = [&](const std::string& what) {
      *error = path + ":" + std::to_string(number) + ": " + what;
      return false;
    };
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']') return fault("a section's name ends with ']'");
      section = Trimmed(line.substr(1, line.size() - 2));
      if (section != "check" && section != "rules" && section != "ignore") {
        return fault("unknown section [" + section + "] (check, rules, ignore)");
      }
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) return fault("expected KEY = VALUE, not \"" + line + "\"");
    std::string key = Trimmed(line.substr(0, eq));
    std::string value = Trimmed(line.substr(eq + 1));
    if (section.empty()) return fault("\"" + key + "\" stands before any [section]");
    if (value.empty()) return fault("\"" + key + "\" has no value");
    if (section == "check") {
      if (key != "fail-on") return fault("unknown key \"" + key + "\" in [check] (fail-on)");
      CheckSeverity s = CheckSeverity::kOff;
      if (value != "never" && (!CheckSeverityFromName(value, &s) || s == CheckSeverity::kOff)) {
        return fault("fail-on is error, warning, note or never, not \"" + value + "\"");
      }
      config->failOnSet = true;
      config->failOn = s;
    } else if (section == "rules") {
      int rule = CheckRuleOf(key);
      if (rule < 0) {
        std::string known;
        for (const CheckRule& r : kCheckRules)
          known += (known.empty() ? "" : ", ") + std::string(r.id);
        return fault("unknown rule \"" + key + "\" (" + known + ")");
      }
      if (!CheckSeverityFromName(value, &config->severity[rule])) {
        return fault(key + " is error, warning, note or off, not \"" + value + "\"");
      }
    } else {
      if (key != "tag") return fault("unknown key \"" + key + "\" in [ignore] (tag)");
      config->ignoreTags.push_back(value);
    }
  }
  return true;
}

std::string CheckFindConfig(const std::string& input) {
  std::error_code ec;
  fs::path dir = fs::absolute(fs::path(input), ec).lexically_normal().parent_path();
  if (ec) return std::string();
  for (;;) {
    fs::path candidate = dir / kCheckConfigName;
    if (fs::is_regular_file(candidate, ec)) return candidate.string();
    if (!dir.has_relative_path()) return std::string();
    dir = dir.parent_path();
  }
}

bool CheckTagMatches(const std::string& pattern, const std::string& tag) {
  return Matches(pattern, 0, tag, 0);
}

bool CheckIgnores(const CheckConfig& config, const std::string& tag) {
  for (const std::string& pattern : config.ignoreTags) {
    if (CheckTagMatches(pattern, tag)) return true;
  }
  return false;
}
