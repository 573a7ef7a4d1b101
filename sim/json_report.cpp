#include "sim/json_report.h"

#include <nlohmann/json.hpp>
#include <set>

#include "sim/host_text.h"

using json = nlohmann::ordered_json;

namespace {

json OrNull(const std::string& s) { return s.empty() ? json(nullptr) : json(s); }

json Tags(const TagCounts& counts) {
  json tags = json::object();
  for (const auto& kv : counts) {
    tags[Readable(kv.first)] = {{"runs", kv.second.runs}, {"characters", kv.second.characters}};
  }
  return tags;
}

json Output(const OutputDocument& out, const std::string& writtenTo) {
  json sections = json::array();
  for (const OutputSection& s : out.sections) {
    json lists = json::array();
    for (const OutputList& l : s.lists) {
      lists.push_back(
          {{"heading", l.headed ? json(l.heading) : json(nullptr)}, {"items", l.items}});
    }
    sections.push_back({{"title", s.titled ? json(s.title) : json(nullptr)}, {"lists", lists}});
  }
  json tables = json::array();
  for (const OutputTable& t : out.tables) {
    tables.push_back({{"headings", t.headings}, {"rows", t.rows}});
  }
  return {{"name", OrNull(out.name)},
          {"written_to", OrNull(writtenTo)},
          {"sections", sections},
          {"tables", tables}};
}

json Dialog(const RecordDialog& d) {
  if (d.kind == "choice") {
    return {{"kind", d.kind},
            {"title", d.text},
            {"items", d.items},
            {"answer", d.answered ? json(d.answer) : json(nullptr)}};
  }
  json j = {{"kind", d.kind}, {"text", d.text}};
  if (d.kind == "question") j["answer"] = d.answer;
  return j;
}

json Changed(const RecordChange& c) {
  json j = {{"file", c.file}, {"written_to", OrNull(c.target)}};
  if (!c.compared) return j;
  json deleted = json::array();
  for (const std::string& name : c.changes.formatsDeleted) deleted.push_back(Readable(name));
  json converted = json::array();
  for (const RunChange& r : c.changes.converted) {
    converted.push_back({{"from", Readable(r.from)},
                         {"to", r.to.empty() ? kNoTagDestination : Readable(r.to)},
                         {"runs", r.runs},
                         {"characters", r.characters}});
  }
  json repaired = json::array();
  for (const RunChange& r : c.changes.repaired) {
    repaired.push_back({{"tag", Readable(r.from)}, {"runs", r.runs}, {"characters", r.characters}});
  }
  j["formats_deleted"] = deleted;
  j["runs_converted"] = converted;
  j["runs_repaired"] = repaired;
  j["paragraphs_not_compared"] = c.changes.paragraphsNotCompared;
  return j;
}

// The tags that a format or setting names but that no text carries: sorted,
// each once.
json NamedWithoutText(const std::vector<std::string>& named, const TagCounts& counts) {
  std::set<std::string> carried;
  for (const auto& kv : counts) carried.insert(Readable(kv.first));
  json out = json::array();
  for (const std::string& tag : std::set<std::string>(named.begin(), named.end())) {
    if (carried.count(tag) == 0) out.push_back(tag);
  }
  return out;
}

// The tags the command lists as used that no text carries, each with why.
json UsedWithoutText(const RunRecord& r, const std::vector<std::string>& used) {
  std::set<std::string> carried;
  for (const auto& kv : TotalCounts(r)) carried.insert(Readable(kv.first));
  json out = json::array();
  for (const std::string& tag : std::set<std::string>(used.begin(), used.end())) {
    if (carried.count(tag) != 0) continue;
    NoTextUse why = WhyNoTextUse(r, tag);
    const char* reason = why.named                   ? "named"
                         : !why.variantsUsed.empty() ? "case_variant"
                                                     : "unexplained";
    json j = {{"tag", tag}, {"reason", reason}};
    if (!why.named && !why.variantsUsed.empty()) j["variant_of"] = why.variantsUsed;
    out.push_back(j);
  }
  return out;
}

}  // namespace

std::string JsonReport(const RunRecord& r) {
  json components = json::array();
  for (const RecordComponent& c : r.components) {
    components.push_back({{"file", c.file}, {"read", c.read}});
  }
  json report = {
      {"schema", "tagsmith-run-report"},
      {"version", kJsonReportVersion},
      {"command", {{"given", r.command}, {"call", OrNull(r.call)}, {"book", r.bookCommand}}},
      {"inputs",
       {{"documents", r.documents},
        {"active_document", OrNull(r.activeDocument)},
        {"book", OrNull(r.book)},
        {"components", components}}},
      {"output", r.hasOutput ? Output(r.output, r.outputWrittenTo) : json(nullptr)},
  };
  if (r.counted) {
    json files = json::array();
    std::set<std::string> named;
    for (const RecordFile& f : r.files) {
      files.push_back({{"file", f.file},
                       {"title", f.title},
                       {"tags", Tags(f.counts)},
                       {"named_without_text", NamedWithoutText(f.named, f.counts)}});
      named.insert(f.named.begin(), f.named.end());
    }
    TagCounts total = TotalCounts(r);
    report["counts"] = {
        {"files", files},
        {"total",
         {{"tags", Tags(total)},
          {"named_without_text",
           NamedWithoutText(std::vector<std::string>(named.begin(), named.end()), total)}}}};
    std::vector<std::string> used;
    std::vector<std::string> unused;
    if (ClientUsage(r, &used, &unused))
      report["counts"]["used_without_text"] = UsedWithoutText(r, used);
  }
  json dialogs = json::array();
  for (const RecordDialog& d : r.dialogs) dialogs.push_back(Dialog(d));
  report["dialogs"] = dialogs;
  json changed = json::array();
  for (const RecordChange& c : r.changed) changed.push_back(Changed(c));
  report["files_changed"] = changed;
  json messages = json::array();
  for (const RecordMessage& m : r.messages) {
    messages.push_back({{"file", OrNull(m.file)}, {"text", m.text}});
  }
  report["messages"] = messages;
  if (r.listsRunsLeft) {
    json left = json::array();
    for (const RecordRunLeft& l : r.runsLeft) {
      left.push_back({{"file", l.file}, {"lines", l.lines}, {"run", l.run}});
    }
    report["runs_left"] = left;
  }
  report["exit_status"] = r.status;
  // Bytes that are not UTF-8 cannot come from the host's text (it is made
  // UTF-8 above), but a file name given on the command line can hold any.
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}
