#include "sim/usage_html.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "sim/host_text.h"

namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

struct Row {
  std::string tag;
  std::vector<TagCount> cells;  // by file, after the command in a file it changed
  std::vector<bool> defined;    // by file: the file defines a format of the name
  TagCount total;
  int filesCarrying = 0;
  std::string mark;  // the row's class
  std::string note;
};

void AddNote(Row* row, const std::string& note) {
  row->note += (row->note.empty() ? "" : "; ") + note;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

std::string Counted(int64_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// What the command did to one tag over the files it changed.
struct TagChanges {
  std::vector<std::string> deletedFrom;  // file titles
  std::map<std::string, TagCount> convertedTo;
};

std::map<std::string, TagChanges> ChangesByTag(const RunRecord& r) {
  std::map<std::string, TagChanges> out;
  for (const RecordChange& c : r.changed) {
    if (!c.compared) continue;
    std::string title;
    for (const RecordFile& f : r.files) {
      if (f.file == c.file) title = f.title;
    }
    for (const std::string& name : c.changes.formatsDeleted) {
      out[Readable(name)].deletedFrom.push_back(title);
    }
    for (const RunChange& run : c.changes.converted) {
      TagCount& to = out[Readable(run.from)].convertedTo[Readable(run.to)];
      to.runs += run.runs;
      to.characters += run.characters;
    }
  }
  return out;
}

// Why a tag that no text carries is still listed as used, or kept.
std::string NoTextNote(const RunRecord& r, const std::string& tag, bool listedUsed) {
  NoTextUse why = WhyNoTextUse(r, tag);
  if (listedUsed) {
    if (why.named) return "named by formats or settings only";
    if (!why.variantsUsed.empty())
      return "used only as a case variant of " + Joined(why.variantsUsed);
    return "listed as used, though no text, format or setting names it";
  }
  if (why.named) return "carried by no text; named by formats or settings";
  if (!why.variantsUsed.empty())
    return "carried by no text; a case variant of " + Joined(why.variantsUsed);
  return "carried by no text";
}

std::vector<Row> Rows(const RunRecord& r, bool listing, const std::set<std::string>& used,
                      const std::set<std::string>& unused) {
  std::map<std::string, Row> rows;
  for (size_t i = 0; i < r.files.size(); ++i) {
    const RecordFile& f = r.files[i];
    for (const auto& kv : f.counts) rows[Readable(kv.first)];
    for (const std::string& name : f.defined) rows[name];
    for (const auto& kv : f.changed ? f.countsAfter : f.counts) {
      Row& row = rows[Readable(kv.first)];
      row.cells.resize(r.files.size());
      row.cells[i] = kv.second;
    }
    for (const std::string& name : f.definedAfter) rows[name];
  }
  // A tag named by a setting is used without being defined or carried.
  for (const std::string& name : used) rows[name];
  for (const std::string& name : unused) rows[name];
  std::map<std::string, TagChanges> changes = ChangesByTag(r);
  std::vector<Row> out;
  for (auto& kv : rows) {
    Row row = kv.second;
    row.tag = kv.first;
    row.cells.resize(r.files.size());
    for (const RecordFile& f : r.files) {
      const std::vector<std::string>& defined = f.changed ? f.definedAfter : f.defined;
      row.defined.push_back(std::find(defined.begin(), defined.end(), row.tag) != defined.end());
    }
    for (const TagCount& c : row.cells) {
      row.total.runs += c.runs;
      row.total.characters += c.characters;
      if (c.runs > 0) ++row.filesCarrying;
    }
    auto changed = changes.find(row.tag);
    if (changed != changes.end()) {
      const TagChanges& c = changed->second;
      if (!c.deletedFrom.empty()) {
        row.mark = "deleted";
        AddNote(&row, r.files.size() > 1 ? "deleted from " + Joined(c.deletedFrom) : "deleted");
        // Deleting a format leaves the tag on its text, undefined.
        if (row.total.runs > 0) AddNote(&row, "text still carries it");
      }
      for (const auto& to : c.convertedTo) {
        if (row.mark.empty()) row.mark = "converted";
        AddNote(&row, "converted to " +
                          (to.first.empty() ? std::string(kNoTagDestination) : to.first) + " (" +
                          Counted(to.second.runs, "run") + ", " +
                          Counted(to.second.characters, "character") + ")");
      }
    }
    bool oneFile = r.files.size() > 1 && row.filesCarrying == 1;
    if (listing && unused.count(row.tag) != 0) {
      row.mark = "unused";
      AddNote(&row, "unused");
    } else if (oneFile) {
      if (row.mark.empty()) row.mark = "one-file";
      AddNote(&row, "one file only");
    } else if (row.total.runs == 0 && row.mark != "deleted" &&
               (!listing || used.count(row.tag) != 0)) {
      AddNote(&row, NoTextNote(r, row.tag, listing));
    }
    out.push_back(std::move(row));
  }
  return out;
}

// A file's cell tells three things apart: text carries the tag (its
// characters), the file defines the format but no text carries it ("0"),
// and the file has no such format (empty). Text carrying a tag the file does
// not define is outlined.
enum class Kind { kTotal, kDefined, kUndefined };

std::string Cell(const TagCount& c, int64_t most, const std::string& key,
                 Kind kind = Kind::kTotal) {
  std::string style;
  if (c.characters > 0 && most > 0) {
    // Shaded on a log scale: a tag on a few words stays visible beside one
    // on whole chapters.
    double share = std::log1p(static_cast<double>(c.characters)) /
                   std::log1p(static_cast<double>(most));
    char rgba[64];
    std::snprintf(rgba, sizeof rgba, "rgba(33, 102, 172, %.3f)", 0.12 + 0.88 * share);
    style = " style=\"background: " + std::string(rgba) + (share > 0.6 ? "; color: #fff" : "") +
            "\"";
  }
  std::string text = c.runs > 0 ? std::to_string(c.characters) : "";
  std::string title = std::to_string(c.runs) + " runs, " + std::to_string(c.characters) +
                      " characters";
  std::string kindClass;
  if (kind == Kind::kDefined && c.runs == 0) {
    kindClass = " defined";
    text = "0";
    title = "defined here, not used here";
  } else if (kind == Kind::kUndefined && c.runs == 0) {
    title = "not defined here";
  } else if (kind == Kind::kUndefined) {
    kindClass = " undefined";
    title += "; not defined here";
  }
  return "<td class=\"num" + kindClass + "\" data-" + key + "=\"" + std::to_string(c.characters) +
         "\" title=\"" + title + "\"" + style + ">" + text + "</td>";
}

const char kStyle[] = R"(body { font: 14px/1.4 sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.3em; }
.scroll { display: inline-block; overflow: auto; max-height: 85vh; max-width: 100%;
  border: 1px solid #ccc; }
table { border-collapse: separate; border-spacing: 0; }
th, td { border-right: 1px solid #ccc; border-bottom: 1px solid #ccc; padding: 0.2em 0.6em; }
th { background: #eee; cursor: pointer; user-select: none; white-space: nowrap; }
thead th { position: sticky; top: 0; z-index: 2; }
td.tag { position: sticky; left: 0; z-index: 1; background: #fff; white-space: nowrap; }
thead th:first-child { left: 0; z-index: 3; }
td.num.defined { color: #888; }
td.num.undefined { outline: 2px dashed #b00; outline-offset: -3px; }
.swatch { display: inline-block; width: 6em; height: 0.9em; vertical-align: middle;
  background: linear-gradient(to right, rgba(33, 102, 172, 0.12), rgba(33, 102, 172, 1)); }
.sample { display: inline-block; min-width: 1.5em; padding: 0 0.3em; text-align: center;
  border: 1px solid #ccc; }
th[aria-sort="ascending"]::after { content: " \25B2"; }
th[aria-sort="descending"]::after { content: " \25BC"; }
td.num { text-align: right; min-width: 4em; }
tr.unused td.tag, tr.deleted td.tag, .tagmark.unused, .tagmark.deleted {
  color: #b00; text-decoration: line-through; }
tr.converted td.tag, .tagmark.converted { color: #60a; }
tr.one-file td.tag, .tagmark.one-file { color: #a60; }
td.note { font-size: 0.9em; color: #555; }
.legend li { margin: 0.1em 0; }
)";

// Sorting: a click on a heading sorts by it, a second click reverses; the
// page's address may name the first sort (#sort=name, #sort=total,
// #sort=file2), so a link can show the picture already sorted.
const char kScript[] = R"((function () {
  var table = document.getElementById('usage');
  var body = table.tBodies[0];
  var heads = table.tHead.rows[0].cells;
  function value(row, key) {
    if (key === 'name') return row.getAttribute('data-name');
    var cell = row.querySelector('[data-' + key + ']');
    return cell ? Number(cell.getAttribute('data-' + key)) : 0;
  }
  function sortBy(key, descending) {
    var rows = Array.prototype.slice.call(body.rows);
    rows.sort(function (a, b) {
      var x = value(a, key), y = value(b, key), c;
      if (key === 'name') c = x < y ? -1 : x > y ? 1 : 0; else c = x - y;
      if (descending) c = -c;
      if (c === 0) c = a.getAttribute('data-name') < b.getAttribute('data-name') ? -1 : 1;
      return c;
    });
    rows.forEach(function (row) { body.appendChild(row); });
    for (var i = 0; i < heads.length; i++) {
      var h = heads[i];
      if (h.getAttribute('data-sort') === key) {
        h.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
      } else {
        h.removeAttribute('aria-sort');
      }
    }
    table.setAttribute('data-sorted', key + (descending ? ' descending' : ' ascending'));
  }
  for (var i = 0; i < heads.length; i++) {
    (function (h) {
      var key = h.getAttribute('data-sort');
      if (!key) return;
      h.addEventListener('click', function () {
        var first = key !== 'name';
        sortBy(key, h.getAttribute('aria-sort') ? h.getAttribute('aria-sort') === 'ascending' : first);
      });
    })(heads[i]);
  }
  var m = /(?:^#|&)sort=(name|total|file\d+)/.exec(location.hash);
  if (m) sortBy(m[1], m[1] !== 'name');
})();
)";

}  // namespace

std::string UsageHtml(const RunRecord& r) {
  std::vector<std::string> usedList;
  std::vector<std::string> unusedList;
  bool listing = ClientUsage(r, &usedList, &unusedList);
  std::set<std::string> used(usedList.begin(), usedList.end());
  // A listing of each file on its own may list a tag as used in one file and
  // unused in another: used somewhere is used.
  std::set<std::string> unused;
  for (const std::string& name : unusedList) {
    if (used.count(name) == 0) unused.insert(name);
  }
  std::vector<Row> rows = Rows(r, listing, used, unused);
  bool changed = false;
  for (const RecordFile& f : r.files) changed = changed || f.changed;
  int64_t most = 0;
  for (const Row& row : rows) {
    for (const TagCount& c : row.cells) most = std::max(most, c.characters);
  }
  std::string subject = !r.book.empty() ? r.book : r.activeDocument;
  std::string heading = "Character tag usage" + (listing ? std::string() : " after " + r.command) +
                        ": " + subject;
  std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  h += "<title>" + Escape(heading) + "</title>\n";
  h += "<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
  h += "<h1>" + Escape(heading) + "</h1>\n";
  if (!listing) {
    // What the run did to the files, so that no cell is taken for the state
    // of a file the run did not write.
    std::string what;
    for (const RecordChange& c : r.changed) {
      for (const RecordFile& f : r.files) {
        if (f.file != c.file || !f.changed) continue;
        what += (what.empty() ? "" : ", ") + Escape(f.title) +
                (c.target.empty() ? " (not written)" : " (written to " + Escape(c.target) + ")");
      }
    }
    h += "<p class=\"run\">" +
         (what.empty() ? std::string("The run changed no document: the counts are those of the "
                                     "documents as read.")
                       : "Changed by the run: " + what +
                             ". The counts of a changed document are those after the run.") +
         (r.status != 0 ? " The run ended with exit status " + std::to_string(r.status) +
                              ": nothing was written."
                        : "") +
         "</p>\n";
  }
  h += "<ul class=\"legend\">\n<li>A number: the characters whose text carries the tag in that "
       "file (hover for its runs); " +
       (most > 0 ? "shaded <span class=\"swatch\"></span> on a logarithmic scale, darkest at " +
                       std::to_string(most) + " characters, the largest cell"
                 : std::string("no text carries a tag, so no cell is shaded")) +
       "</li>\n"
       "<li><span class=\"sample defined\" style=\"color: #888\">0</span> the file defines the "
       "format, but no text there carries it; <span class=\"sample\">&nbsp;</span> (empty) the "
       "file has no such format</li>\n"
       "<li><span class=\"sample undefined\" style=\"outline: 2px dashed #b00\">n</span> text "
       "carries the tag, but the file defines no such format</li>\n";
  if (listing) {
    h += "<li><span class=\"tagmark unused\">Struck through</span>: listed as unused by the "
         "command</li>\n";
  }
  if (changed) {
    h += "<li><span class=\"tagmark deleted\">Struck through</span>: a character format the run "
         "deleted</li>\n<li><span class=\"tagmark converted\">Purple</span>: text the run gave "
         "another tag</li>\n";
  }
  h += "<li><span class=\"tagmark one-file\">Brown</span>: carried by text in a single file</li>\n"
       "<li>Heading and tag column stay in view while the table scrolls; a click on a heading "
       "sorts by it</li>\n</ul>\n";
  h +=
      "<div class=\"scroll\" id=\"scroll\">\n<table id=\"usage\">\n<thead><tr><th data-sort=\"name\">Tag</th>"
      "<th data-sort=\"total\">Total</th>";
  for (size_t i = 0; i < r.files.size(); ++i) {
    h += "<th data-sort=\"file" + std::to_string(i + 1) + "\" title=\"" + Escape(r.files[i].file) +
         "\">" + Escape(r.files[i].title) + "</th>";
  }
  h += "<th>Note</th></tr></thead>\n<tbody>\n";
  for (const Row& row : rows) {
    h += "<tr data-name=\"" + Escape(row.tag) + "\"" +
         (row.mark.empty() ? std::string() : " class=\"" + row.mark + "\"") +
         "><td class=\"tag\">" + Escape(row.tag) + "</td>" + Cell(row.total, 0, "total");
    for (size_t i = 0; i < row.cells.size(); ++i) {
      h += Cell(row.cells[i], most, "file" + std::to_string(i + 1),
                row.defined[i] ? Kind::kDefined : Kind::kUndefined);
    }
    h += "<td class=\"note\">" + Escape(row.note) + "</td></tr>\n";
  }
  h += "</tbody>\n</table>\n</div>\n<script>\n" + std::string(kScript) +
       "</script>\n</body>\n</html>\n";
  return h;
}
