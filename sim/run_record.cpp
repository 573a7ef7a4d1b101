#include "sim/run_record.h"

#include <filesystem>
#include <set>

#include "mif/mif_roman.h"
#include "sim/client_commands.h"
#include "sim/host_text.h"
#include "support/case_fold.h"

namespace {

constexpr int32_t kAlertQuestion = 1;
constexpr int32_t kAlertWarning = 3;

std::string CellText(memhost::DocStore& host, ObjHandle cell) {
  std::string text;
  for (ObjHandle p = host.FirstPgfOf(cell); p != 0; p = host.NextPgf(p)) {
    if (!text.empty()) text += "\n";
    text += Readable(memhost::VisibleText(host.Find(p)->text));
  }
  return text;
}

OutputTable ReadTable(memhost::DocStore& host, ObjHandle table) {
  OutputTable out;
  const memhost::Obj* t = host.Find(table);
  if (t == nullptr) return out;
  for (ObjHandle row : t->kids) {
    const memhost::Obj* r = host.Find(row);
    if (r == nullptr) continue;
    std::vector<std::string> cells;
    for (ObjHandle cell : r->kids) cells.push_back(CellText(host, cell));
    if (host.IntProp(row, memhost::MEM_PROP_ROW_KIND) == 0) {
      out.headings = std::move(cells);
    } else {
      out.rows.push_back(std::move(cells));
    }
  }
  return out;
}

}  // namespace

OutputDocument ReadOutputDocument(memhost::DocStore& host, ObjHandle doc) {
  OutputDocument out;
  std::string path = host.StringProp(doc, PROP_NAME);
  // The host's paths use either separator.
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  out.name = Readable(std::filesystem::path(path).filename().string());
  const memhost::Value* flow = host.Prop(doc, PROP_MAIN_FLOW_IN_DOC);
  if (flow == nullptr) return out;
  for (ObjHandle p = host.FirstPgfOf(static_cast<ObjHandle>(flow->i)); p != 0;
       p = host.NextPgf(p)) {
    const memhost::Obj* pgf = host.Find(p);
    std::string format = host.StringProp(p, memhost::MEM_PROP_PGF_TAG);
    std::string text = Readable(memhost::VisibleText(pgf->text));
    // Empty paragraphs only separate or end the output.
    if (!text.empty()) {
      if (format == "Heading1" || out.sections.empty()) {
        out.sections.emplace_back();
        out.sections.back().titled = format == "Heading1";
        if (format == "Heading1") out.sections.back().title = text;
      }
      OutputSection& section = out.sections.back();
      if (format == "Heading2" || (format != "Heading1" && section.lists.empty())) {
        section.lists.emplace_back();
        section.lists.back().headed = format == "Heading2";
        if (format == "Heading2") section.lists.back().heading = text;
      }
      if (format != "Heading1" && format != "Heading2") section.lists.back().items.push_back(text);
    }
    for (const memhost::Marker& m : pgf->markers) {
      if (m.kind == memhost::ITEM_TABLE_ANCHOR) {
        out.tables.push_back(ReadTable(host, static_cast<ObjHandle>(m.datum)));
      }
    }
  }
  return out;
}

std::vector<RecordDialog> RecordDialogs(const memhost::ScriptedHost& host) {
  std::vector<RecordDialog> out;
  for (const memhost::DialogRecord& r : host.dialogs) {
    RecordDialog d;
    d.text = Readable(r.text);
    if (r.kind == memhost::DialogRecord::SCROLL_BOX) {
      d.kind = "choice";
      for (const std::string& item : r.items) d.items.push_back(Readable(item));
      d.answered = r.answer >= 0 && static_cast<size_t>(r.answer) < r.items.size();
      if (d.answered) d.answer = d.items[static_cast<size_t>(r.answer)];
    } else if (r.alertType == kAlertQuestion) {
      d.kind = "question";
      d.answered = r.answer == 0;
      d.answer = d.answered ? "yes" : "no";
    } else {
      d.kind = r.alertType == kAlertWarning ? "warning" : "notice";
    }
    out.push_back(std::move(d));
  }
  return out;
}

TagCounts TotalCounts(const RunRecord& record) {
  TagCounts total;
  for (const RecordFile& f : record.files) AddCounts(f.counts, &total);
  return total;
}

bool ListedTags(const OutputDocument& output, std::vector<std::string>* used,
                std::vector<std::string>* unused) {
  bool found = false;
  for (const OutputSection& s : output.sections) {
    for (const OutputList& l : s.lists) {
      std::vector<std::string>* into = l.heading == "Character Tags Used:"       ? used
                                       : l.heading == "Character Tags Not Used:" ? unused
                                                                                 : nullptr;
      if (into == nullptr) continue;
      found = true;
      into->insert(into->end(), l.items.begin(), l.items.end());
    }
  }
  return found;
}

NoTextUse WhyNoTextUse(const RunRecord& record, const std::string& tag) {
  NoTextUse why;
  std::set<std::string> carried;
  std::set<std::string> named;
  for (const RecordFile& f : record.files) {
    for (const auto& kv : f.counts) carried.insert(Readable(kv.first));
    named.insert(f.named.begin(), f.named.end());
  }
  why.named = named.count(tag) != 0;
  if (why.named) return why;
  // The scan compares the host's bytes through its own fold.
  auto folded = [](const std::string& readable) {
    std::string roman;
    MifUtf8ToRoman(readable, &roman);
    for (char& c : roman) c = static_cast<char>(CaseFoldTable[static_cast<unsigned char>(c)]);
    return roman;
  };
  const std::string key = folded(tag);
  std::set<std::string> used = carried;
  used.insert(named.begin(), named.end());
  for (const std::string& other : used) {
    if (other != tag && folded(other) == key) why.variantsUsed.push_back(other);
  }
  return why;
}

bool ClientUsage(const RunRecord& r, std::vector<std::string>* used,
                 std::vector<std::string>* unused) {
  if (!r.hasOutput) return false;
  if (r.call != kListUsageByTagCall) return ListedTags(r.output, used, unused);
  std::set<std::string> headed;
  for (const OutputSection& s : r.output.sections) {
    for (const OutputList& l : s.lists) {
      if (l.headed && headed.insert(l.heading).second) used->push_back(l.heading);
    }
  }
  std::set<std::string> defined;
  for (const RecordFile& f : r.files) defined.insert(f.defined.begin(), f.defined.end());
  for (const std::string& name : defined) {
    if (headed.count(name) == 0) unused->push_back(name);
  }
  return true;
}
