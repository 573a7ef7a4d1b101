#include "sim/usage_html.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "commands/menus.h"
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
  std::vector<TagCount> cells;  // by file
  TagCount total;
  int filesCarrying = 0;
  bool unused = false;
  bool namedOnly = false;  // used by the client's lists, carried by no text
};

// What the client says is used: its used lists, or for the listing by tag
// the tags it heads; null when its output shows no usage.
bool ClientUsed(const RunRecord& r, std::set<std::string>* used, std::set<std::string>* unused) {
  std::vector<std::string> u;
  std::vector<std::string> n;
  if (r.number == CMD_LIST_CHAR_USAGE_BOOK_BY_TAG) {
    for (const OutputSection& s : r.output.sections) {
      for (const OutputList& l : s.lists) {
        if (l.headed) u.push_back(l.heading);
      }
    }
  } else if (!ListedTags(r.output, &u, &n)) {
    return false;
  }
  used->insert(u.begin(), u.end());
  unused->insert(n.begin(), n.end());
  return true;
}

std::vector<Row> Rows(const RunRecord& r, bool* fromClient) {
  std::map<std::string, Row> rows;
  for (size_t i = 0; i < r.files.size(); ++i) {
    for (const auto& kv : r.files[i].counts) {
      Row& row = rows[Readable(kv.first)];
      row.cells.resize(r.files.size());
      row.cells[i] = kv.second;
    }
    for (const std::string& name : r.files[i].defined) rows[name];
  }
  std::set<std::string> used;
  std::set<std::string> unused;
  *fromClient = r.hasOutput && ClientUsed(r, &used, &unused);
  // A tag named by a setting is used without being defined or carried.
  for (const std::string& name : used) rows[name];
  for (const std::string& name : unused) rows[name];
  std::vector<Row> out;
  for (auto& kv : rows) {
    Row row = kv.second;
    row.tag = kv.first;
    row.cells.resize(r.files.size());
    for (const TagCount& c : row.cells) {
      row.total.runs += c.runs;
      row.total.characters += c.characters;
      if (c.runs > 0) ++row.filesCarrying;
    }
    row.unused = *fromClient ? used.count(row.tag) == 0 : row.total.runs == 0;
    row.namedOnly = !row.unused && row.total.runs == 0;
    out.push_back(std::move(row));
  }
  return out;
}

std::string Cell(const TagCount& c, int64_t most, const std::string& key) {
  std::string style;
  if (c.characters > 0 && most > 0) {
    // Shaded on a log scale: a tag on a few words stays visible beside one
    // on whole chapters.
    double share = std::log1p(static_cast<double>(c.characters)) / std::log1p(static_cast<double>(most));
    char rgba[64];
    std::snprintf(rgba, sizeof rgba, "rgba(33, 102, 172, %.3f)", 0.12 + 0.88 * share);
    style = " style=\"background: " + std::string(rgba) + (share > 0.6 ? "; color: #fff" : "") + "\"";
  }
  std::string text = c.runs > 0 ? std::to_string(c.characters) : "";
  return "<td class=\"num\" data-" + key + "=\"" + std::to_string(c.characters) + "\" title=\"" +
         std::to_string(c.runs) + " runs, " + std::to_string(c.characters) + " characters\"" +
         style + ">" + text + "</td>";
}

const char kStyle[] = R"(body { font: 14px/1.4 sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.3em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.6em; }
th { background: #eee; cursor: pointer; user-select: none; }
th[aria-sort="ascending"]::after { content: " \25B2"; }
th[aria-sort="descending"]::after { content: " \25BC"; }
td.num { text-align: right; min-width: 4em; }
tr.unused td.tag { color: #b00; text-decoration: line-through; }
tr.one-file td.tag { color: #a60; }
td.note { font-size: 0.9em; color: #555; }
.legend span { display: inline-block; margin-right: 1.5em; }
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
  bool fromClient = false;
  std::vector<Row> rows = Rows(r, &fromClient);
  int64_t most = 0;
  for (const Row& row : rows) {
    for (const TagCount& c : row.cells) most = std::max(most, c.characters);
  }
  std::string subject = !r.book.empty() ? r.book : r.activeDocument;
  std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  h += "<title>Character tag usage: " + Escape(subject) + "</title>\n";
  h += "<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
  h += "<h1>Character tag usage: " + Escape(subject) + "</h1>\n";
  h += "<p class=\"legend\"><span>Cells: characters carrying the tag (hover for runs)</span>";
  h += "<span>Unused: " +
       std::string(fromClient ? "listed as not used by the command"
                              : "defined but carried by no text (this command lists no usage)") +
       "</span>";
  h += "<span>One file only: carried by text in a single file</span></p>\n";
  h += "<table id=\"usage\">\n<thead><tr><th data-sort=\"name\">Tag</th>"
       "<th data-sort=\"total\">Total</th>";
  for (size_t i = 0; i < r.files.size(); ++i) {
    h += "<th data-sort=\"file" + std::to_string(i + 1) + "\" title=\"" + Escape(r.files[i].file) +
         "\">" + Escape(r.files[i].title) + "</th>";
  }
  h += "<th>Note</th></tr></thead>\n<tbody>\n";
  for (const Row& row : rows) {
    bool oneFile = r.files.size() > 1 && row.filesCarrying == 1;
    std::string cls = row.unused ? "unused" : oneFile ? "one-file" : "";
    std::string note = row.unused      ? "unused"
                       : oneFile       ? "one file only"
                       : row.namedOnly ? "named by formats or settings only"
                                       : "";
    h += "<tr data-name=\"" + Escape(row.tag) + "\"" +
         (cls.empty() ? std::string() : " class=\"" + cls + "\"") + "><td class=\"tag\">" +
         Escape(row.tag) + "</td>" + Cell(row.total, 0, "total");
    for (size_t i = 0; i < row.cells.size(); ++i) {
      h += Cell(row.cells[i], most, "file" + std::to_string(i + 1));
    }
    h += "<td class=\"note\">" + note + "</td></tr>\n";
  }
  h += "</tbody>\n</table>\n<script>\n" + std::string(kScript) + "</script>\n</body>\n</html>\n";
  return h;
}
