#include "sim/check_output.h"

#include <cstdio>
#include <nlohmann/json.hpp>

using json = nlohmann::ordered_json;

const char* const kCheckFormats[] = {"text", "json", "sarif", "github", "junit", nullptr};

bool CheckKnownFormat(const std::string& name) {
  for (const char* const* f = kCheckFormats; *f != nullptr; ++f) {
    if (name == *f) return true;
  }
  return false;
}

namespace {

std::string Dump(const json& j) {
  // A file name given on the command line can hold bytes that are not UTF-8.
  return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string Text(const CheckResult& r) {
  std::string out;
  for (const CheckFinding& f : r.findings) {
    out += f.file + ":";
    if (f.line > 0) out += std::to_string(f.line) + ":" + std::to_string(f.column) + ":";
    out += std::string(" ") + CheckSeverityName(f.severity) + ": " + f.message + " [" +
           kCheckRules[f.rule].id + "]\n";
  }
  return out;
}

// A workflow command's message and its properties escape what would end
// them; a property's value also ':' and ','.
std::string GithubEscaped(const std::string& s, bool property) {
  std::string out;
  for (char c : s) {
    if (c == '%') out += "%25";
    else if (c == '\r') out += "%0D";
    else if (c == '\n') out += "%0A";
    else if (property && c == ':') out += "%3A";
    else if (property && c == ',') out += "%2C";
    else out += c;
  }
  return out;
}

std::string Github(const CheckResult& r) {
  std::string out;
  for (const CheckFinding& f : r.findings) {
    const char* command = f.severity == CheckSeverity::kError     ? "error"
                          : f.severity == CheckSeverity::kWarning ? "warning"
                                                                  : "notice";
    out += std::string("::") + command + " file=" + GithubEscaped(f.file, true);
    if (f.line > 0) {
      out += ",line=" + std::to_string(f.line) + ",col=" + std::to_string(f.column);
    }
    out += ",title=" + GithubEscaped(kCheckRules[f.rule].id, true) +
           "::" + GithubEscaped(f.message, false) + "\n";
  }
  for (const CheckNotChecked& n : r.notChecked) {
    out += "::error file=" + GithubEscaped(n.file, true) +
           ",title=not-checked::" + GithubEscaped(n.file + " was not checked: " + n.reason, false) +
           "\n";
  }
  return out;
}

json Kinds(const CheckResult& r) {
  json kinds = json::object();
  for (const CheckRule& rule : kCheckRules) kinds[rule.id] = 0;
  for (const CheckFinding& f : r.findings)
    kinds[kCheckRules[f.rule].id] = kinds[kCheckRules[f.rule].id].get<int>() + 1;
  return kinds;
}

std::string Json(const CheckResult& r, const std::string& version) {
  json findings = json::array();
  for (const CheckFinding& f : r.findings) {
    findings.push_back({{"file", f.file},
                        {"line", f.line > 0 ? json(f.line) : json(nullptr)},
                        {"column", f.line > 0 ? json(f.column) : json(nullptr)},
                        {"rule", kCheckRules[f.rule].id},
                        {"severity", CheckSeverityName(f.severity)},
                        {"tag", f.tag},
                        {"message", f.message}});
  }
  json notChecked = json::array();
  for (const CheckNotChecked& n : r.notChecked) {
    notChecked.push_back({{"file", n.file}, {"reason", n.reason}});
  }
  json report = {
      {"schema", "tagsmith-check-report"},
      {"version", kCheckReportVersion},
      {"tool", {{"name", "tagsmith-run"}, {"version", version}}},
      {"fail_on", r.failOn == CheckSeverity::kOff ? "never" : CheckSeverityName(r.failOn)},
      {"documents", r.documents},
      {"not_checked", notChecked},
      {"findings", findings},
      {"kinds", Kinds(r)},
      {"ignored", r.ignored},
      {"baselined", r.baselined},
      {"exit_status", r.status}};
  return Dump(report);
}

// A file named as a relative URI reference: '/' between its parts, and
// the bytes that may not stand in a URI percent-encoded. An absolute path
// becomes a file: URI.
std::string Uri(const std::string& file) {
  std::string path = file;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string out = !path.empty() && path[0] == '/' ? "file://" : "";
  for (unsigned char c : path) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 std::string("-._~/!$&'()*+,;=:@").find(static_cast<char>(c)) != std::string::npos;
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

const char* SarifLevel(CheckSeverity s) {
  return s == CheckSeverity::kError ? "error" : s == CheckSeverity::kWarning ? "warning" : "note";
}

std::string Sarif(const CheckResult& r, const std::string& version) {
  json rules = json::array();
  for (const CheckRule& rule : kCheckRules) {
    rules.push_back({{"id", rule.id},
                     {"name", rule.title},
                     {"shortDescription", {{"text", std::string(rule.title) + "."}}},
                     {"fullDescription", {{"text", rule.help}}},
                     {"help", {{"text", rule.help}}},
                     {"defaultConfiguration", {{"level", SarifLevel(rule.severity)}}}});
  }
  json results = json::array();
  for (const CheckFinding& f : r.findings) {
    json location = {{"artifactLocation", {{"uri", Uri(f.file)}}}};
    if (f.line > 0) location["region"] = {{"startLine", f.line}, {"startColumn", f.column}};
    results.push_back({{"ruleId", kCheckRules[f.rule].id},
                       {"ruleIndex", f.rule},
                       {"level", SarifLevel(f.severity)},
                       {"message", {{"text", f.message + "."}}},
                       {"locations", json::array({{{"physicalLocation", location}}})}});
  }
  json notifications = json::array();
  for (const CheckNotChecked& n : r.notChecked) {
    notifications.push_back(
        {{"level", "error"},
         {"message", {{"text", n.file + " was not checked: " + n.reason + "."}}},
         {"locations",
          json::array({{{"physicalLocation", {{"artifactLocation", {{"uri", Uri(n.file)}}}}}}})}});
  }
  json invocation = {{"executionSuccessful", r.notChecked.empty()}, {"exitCode", r.status}};
  if (!notifications.empty()) invocation["toolExecutionNotifications"] = notifications;
  json run = {{"tool",
               {{"driver",
                 {{"name", "tagsmith-run"},
                  {"version", version},
                  {"semanticVersion", version},
                  {"rules", rules}}}}},
              {"invocations", json::array({invocation})},
              {"results", results}};
  json log = {{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
              {"version", "2.1.0"},
              {"runs", json::array({run})}};
  return Dump(log);
}

std::string Xml(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // XML 1.0 has no place for the other control characters.
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
          out += '?';
        } else {
          out += c;
        }
    }
  }
  return out;
}

// A test suite per file, a test case per finding; a clean document is one
// passing case, a file not checked one case in error.
std::string Junit(const CheckResult& r) {
  std::string suites;
  size_t tests = 0;
  size_t failures = 0;
  auto suite = [&](const std::string& file, const std::string& cases, size_t n, size_t failed,
                   size_t errors) {
    suites += "  <testsuite name=\"" + Xml(file) + "\" tests=\"" + std::to_string(n) +
              "\" failures=\"" + std::to_string(failed) + "\" errors=\"" + std::to_string(errors) +
              "\">\n" + cases + "  </testsuite>\n";
    tests += n;
  };
  for (const std::string& doc : r.documents) {
    std::string cases;
    size_t n = 0;
    size_t failed = 0;
    for (const CheckFinding& f : r.findings) {
      if (f.file != doc) continue;
      ++n;
      std::string where = f.line > 0 ? ":" + std::to_string(f.line) : "";
      bool fails = CheckFails(f, r.failOn);
      cases += "    <testcase classname=\"" + Xml(doc) + "\" name=\"" +
               Xml(std::string(kCheckRules[f.rule].id) + where) + "\">\n";
      if (fails) {
        ++failed;
        cases += "      <failure type=\"" + std::string(kCheckRules[f.rule].id) + "\" message=\"" +
                 Xml(f.message) + "\">" + Xml(f.file + where + ": " + f.message) + "</failure>\n";
      } else {
        cases += "      <system-out>" + Xml(f.message) + "</system-out>\n";
      }
      cases += "    </testcase>\n";
    }
    if (n == 0) {
      n = 1;
      cases += "    <testcase classname=\"" + Xml(doc) + "\" name=\"clean\"/>\n";
    }
    failures += failed;
    suite(doc, cases, n, failed, 0);
  }
  for (const CheckNotChecked& c : r.notChecked) {
    suite(c.file,
          "    <testcase classname=\"" + Xml(c.file) +
              "\" name=\"read\">\n      <error message=\"" + Xml(c.reason) +
              "\"/>\n    </testcase>\n",
          1, 0, 1);
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"tagsmith-run check\" tests=\"" +
         std::to_string(tests) + "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
         std::to_string(r.notChecked.size()) + "\">\n" + suites + "</testsuites>\n";
}

}  // namespace

std::string CheckOutput(const std::string& format, const CheckResult& result,
                        const std::string& version) {
  if (format == "json") return Json(result, version);
  if (format == "sarif") return Sarif(result, version);
  if (format == "github") return Github(result);
  if (format == "junit") return Junit(result);
  return Text(result);
}
