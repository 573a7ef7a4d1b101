#include "sim/check_baseline.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

const char kSchema[] = "tagsmith-check-baseline";

// A finding's file as the baseline at `baseline` names it.
std::string Relative(const std::string& file, const std::string& baseline) {
  std::error_code ec;
  fs::path from = fs::absolute(fs::path(baseline), ec).lexically_normal().parent_path();
  fs::path to = fs::absolute(fs::path(file), ec).lexically_normal();
  fs::path relative = to.lexically_relative(from);
  return (relative.empty() ? to : relative).generic_string();
}

}  // namespace

std::string CheckBaselineText(const std::vector<CheckFinding>& findings, const std::string& path) {
  CheckBaseline counts;
  for (const CheckFinding& f : findings) {
    ++counts[std::make_tuple(Relative(f.file, path), std::string(kCheckRules[f.rule].id), f.tag)];
  }
  json entries = json::array();
  for (const auto& kv : counts) {
    entries.push_back({{"file", std::get<0>(kv.first)},
                       {"rule", std::get<1>(kv.first)},
                       {"tag", std::get<2>(kv.first)},
                       {"count", kv.second}});
  }
  json baseline = {{"schema", kSchema}, {"version", 1}, {"findings", entries}};
  return baseline.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool CheckParseBaseline(const std::string& text, const std::string& path, CheckBaseline* baseline,
                        std::string* error) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object() || j.value("schema", "") != kSchema ||
      !j.contains("findings") || !j["findings"].is_array()) {
    *error = path + ": not a baseline of tagsmith-run check (write one with --write-baseline)";
    return false;
  }
  if (!j.contains("version") || j["version"] != 1) {
    *error = path + ": a baseline of another version than 1";
    return false;
  }
  size_t index = 0;
  for (const json& e : j["findings"]) {
    bool good = e.is_object() && e.contains("file") && e["file"].is_string() &&
                e.contains("rule") && e["rule"].is_string() && e.contains("tag") &&
                e["tag"].is_string() && e.contains("count") && e["count"].is_number_unsigned();
    if (!good) {
      *error = path + ": finding " + std::to_string(index + 1) +
               " needs a file, a rule and a tag (strings) and a count";
      return false;
    }
    (*baseline)[std::make_tuple(e["file"].get<std::string>(), e["rule"].get<std::string>(),
                                e["tag"].get<std::string>())] += e["count"].get<size_t>();
    ++index;
  }
  return true;
}

size_t CheckApplyBaseline(CheckBaseline baseline, const std::string& path,
                          std::vector<CheckFinding>* findings) {
  size_t accepted = 0;
  std::vector<CheckFinding> left;
  for (CheckFinding& f : *findings) {
    auto known = baseline.find(
        std::make_tuple(Relative(f.file, path), std::string(kCheckRules[f.rule].id), f.tag));
    if (known != baseline.end() && known->second > 0) {
      --known->second;
      ++accepted;
    } else {
      left.push_back(std::move(f));
    }
  }
  *findings = std::move(left);
  return accepted;
}
