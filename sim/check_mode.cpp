// The check runs the client's own clean-up commands on the documents in
// memory and reports what they changed, so that "clean" means exactly what
// the commands would leave alone, book rules included (a format one chapter
// leaves unused but another uses is not unused in a book).
#include "sim/check_mode.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "mif/mif_font.h"
#include "sim/host_text.h"
#include "sim/run_steps.h"

namespace {

struct Finding {
  int32_t line;
  std::string message;
};

// The findings of one file, in the order of its lines.
struct FileFindings {
  std::string file;
  std::vector<Finding> findings;
};

using Names = std::set<std::string>;

std::string Quoted(const std::string& roman) { return "\"" + Readable(roman) + "\""; }

// The character formats of every document of the host, by document.
std::map<ObjHandle, Names> FormatsOf(const memhost::DocStore& host) {
  std::map<ObjHandle, Names> formats;
  host.ForEachObject([&](const memhost::Obj& o) {
    if (o.type == memhost::T_CHAR_FMT) formats[o.doc].insert(host.StringProp(o.h, PROP_NAME));
  });
  return formats;
}

// The line of each catalog entry of the document's text, by format name.
std::map<std::string, int32_t> CatalogLines(const RunDocument& d) {
  std::map<std::string, int32_t> lines;
  MifTree tree;
  MifError error;
  if (!MifParse(*d.original, d.file, &tree, &error)) return lines;
  for (const MifNode* catalog : MifFindAll(tree.root, "FontCatalog")) {
    for (const MifNode& font : catalog->children) {
      std::string name;
      if (MifIs(font, "Font") && MifChildRoman(font, "FTag", tree.encoding, &name)) {
        lines.emplace(name, font.line);
      }
    }
  }
  return lines;
}

void FindUndefined(const RunDocument& d, const Names& defined, FileFindings* out) {
  const MifDocument& source = *d.source;
  for (size_t i = 0; i < source.paras.size(); ++i) {
    for (const MifParaRecord::Run& run : source.paras[i].runs) {
      const std::string& tag = source.runProps[run.props].props.tag;
      if (tag.empty() || defined.count(tag) != 0) continue;
      out->findings.push_back(Finding{MifLineOfText(source, i, run.offset),
                                      "character tag " + Quoted(tag) +
                                          " is used in text, but no character format defines it"});
    }
  }
}

void FindUnused(const RunDocument& before, const Names& had, const Names& has, FileFindings* out) {
  std::map<std::string, int32_t> lines;
  for (const std::string& tag : had) {
    if (has.count(tag) != 0) continue;
    if (lines.empty()) lines = CatalogLines(before);
    auto line = lines.find(tag);
    out->findings.push_back(Finding{line != lines.end() ? line->second : 0,
                                    "character format " + Quoted(tag) + " is not used"});
  }
}

// The run of `runs` (sorted by offset, the first at 0) that holds `offset`.
const MifRunProps& PropsAt(const std::vector<MifRun>& runs, int32_t offset) {
  auto after = std::upper_bound(runs.begin(), runs.end(), offset,
                                [](int32_t at, const MifRun& r) { return at < r.offset; });
  return std::prev(after)->props;
}

std::string Excerpt(const std::string& text, size_t from, size_t to) {
  constexpr size_t kMost = 40;
  to = std::min(to, text.size());
  if (from >= to) return "(the paragraph end)";
  std::string part = Readable(text.substr(from, std::min(to - from, kMost)));
  return "\"" + part + (to - from > kMost ? "...\"" : "\"");
}

// Every stretch of a paragraph whose properties the removal changed.
void FindOverridesIn(const RunDocument& d, size_t para, const MifParaState& now,
                     FileFindings* out) {
  const MifParaState was = MifParaAsRead(*d.source, para);
  if (was.text != now.text || was.runs.empty() || now.runs.empty()) return;
  int32_t end = static_cast<int32_t>(was.text.size());
  for (int32_t k = 0; k <= end;) {
    if (PropsAt(was.runs, k) == PropsAt(now.runs, k)) {
      ++k;
      continue;
    }
    int32_t from = k;
    while (k <= end && PropsAt(was.runs, k) != PropsAt(now.runs, k)) ++k;
    const std::string& tag = PropsAt(was.runs, from).props.tag;
    out->findings.push_back(Finding{
        MifLineOfText(*d.source, para, from),
        "character override on " +
            Excerpt(was.text, static_cast<size_t>(from), static_cast<size_t>(k)) +
            (tag.empty() ? " (no character tag)" : " (character tag " + Quoted(tag) + ")")});
  }
}

void FindOverrides(memhost::DocStore& host, const RunDocument& d, FileFindings* out) {
  // A saved file is not for looking into: an open copy of it is.
  const memhost::DocData* data = host.Data(d.doc);
  ObjHandle copy = data != nullptr && data->isImage ? host.CloneDocument(d.doc, false) : 0;
  ObjHandle doc = copy != 0 ? copy : d.doc;
  std::vector<ObjHandle> paragraphs;
  host.ForEachObject([&](const memhost::Obj& o) {
    if (o.type == memhost::T_PGF && o.doc == doc) paragraphs.push_back(o.h);
  });
  for (ObjHandle p : paragraphs) {
    int64_t para = MifParaIndexOf(host, *d.source, p);
    const memhost::Obj* o = host.Find(p);
    if (para < 0 || o == nullptr) continue;
    FindOverridesIn(d, static_cast<size_t>(para), MifModelParaState(host, d.source, *o), out);
  }
  if (copy != 0) host.DestroyDocument(copy);
}

// Checks one document or book; *found collects the kinds found, *unread
// the book's components that could not be read.
int CheckFile(const RunOptions& options, bool unused, bool overrides, bool undefined,
              std::vector<FileFindings>* results, int* found, std::vector<std::string>* unread) {
  return RunWithSteps(options, [&](RunSteps& run) -> int {
    *unread = run.unread;
    std::vector<RunDocument> before = run.documents();
    std::vector<FileFindings> files(before.size());
    for (size_t i = 0; i < before.size(); ++i) files[i].file = before[i].file;
    std::map<ObjHandle, Names> had = FormatsOf(*run.host);
    auto note = [&](int kind, size_t count) {
      size_t total = 0;
      for (const FileFindings& f : files) total += f.findings.size();
      if (total > count) *found |= kind;
      return total;
    };
    size_t count = 0;
    if (undefined) {
      for (size_t i = 0; i < before.size(); ++i)
        FindUndefined(before[i], had[before[i].doc], &files[i]);
      count = note(CHECK_UNDEFINED, count);
    }
    int status = RUN_OK;
    if (unused) {
      status = run.run(run.book ? "DeleteUnusedCharsBook" : "DeleteUnusedChars");
      std::vector<RunDocument> after = run.documents();
      std::map<ObjHandle, Names> has = FormatsOf(*run.host);
      for (size_t i = 0; i < before.size() && status == RUN_OK; ++i) {
        FindUnused(before[i], had[before[i].doc], has[after[i].doc], &files[i]);
      }
      count = note(CHECK_UNUSED, count);
    }
    // A deletion that did not complete (text it could not read: a book's
    // chapter that is missing) changed nothing, so overrides are still
    // checked; the run's status says that unused formats were not.
    if (overrides && (status == RUN_OK || status == RUN_FAILED)) {
      int removed = run.run(run.book ? "RemoveCharOverridesBook" : "RemoveCharOverrides");
      std::vector<RunDocument> after = run.documents();
      for (size_t i = 0; i < after.size() && removed == RUN_OK; ++i) {
        FindOverrides(*run.host, after[i], &files[i]);
      }
      note(CHECK_OVERRIDES, count);
      if (status == RUN_OK) status = removed;
    }
    for (FileFindings& f : files) {
      std::stable_sort(f.findings.begin(), f.findings.end(),
                       [](const Finding& a, const Finding& b) { return a.line < b.line; });
      results->push_back(std::move(f));
    }
    return status;
  });
}

// Why a file named gave no findings, or not all it could have.
std::string NotChecked(const std::string& file, int status, const std::vector<std::string>& unread,
                       bool unusedUnknown) {
  std::string out;
  if (status == RUN_BAD_INPUT) return file + " (cannot be read)";
  if (status != RUN_MISSING_FILES) {
    out = file + " (the check did not complete, status " + std::to_string(status) + ")";
  }
  for (const std::string& component : unread) {
    out += (out.empty() ? "" : ", ") + component + " (a component of " + file +
           ", missing or cannot be read)";
  }
  // Said once, after the last component it is about.
  if (unusedUnknown && !out.empty())
    out.insert(out.size() - 1, "; no format of the book is called unused");
  return out;
}

}  // namespace

static_assert(static_cast<int>(RUN_MISSING_FILES) < static_cast<int>(CHECK_UNUSED),
              "the statuses of reading lie below the kinds");

int RunCheck(const RunOptions& options) {
  // Each file is checked by a run of its own; the findings of one must not
  // go into another.
  if (RunStreamsClear(options) != RUN_OK) return RUN_USAGE;
  bool all = !options.checkUnused && !options.checkOverrides && !options.checkUndefined;
  int found = 0;
  int failure = RUN_OK;
  size_t findings = 0;
  size_t documents = 0;
  std::string notChecked;
  for (const std::string& file : options.files) {
    RunOptions one = options;
    one.files = {file};
    std::vector<FileFindings> results;
    std::vector<std::string> unread;
    int status = CheckFile(one, all || options.checkUnused, all || options.checkOverrides,
                           all || options.checkUndefined, &results, &found, &unread);
    // A book with a chapter that was not checked is not known to be clean,
    // whatever --allow-missing says; the client's deletion then warns and
    // does not complete, which is that same fact, not another failure.
    bool unusedUnknown = (all || options.checkUnused) && !unread.empty();
    if ((status == RUN_OK || status == RUN_FAILED) && !unread.empty()) status = RUN_MISSING_FILES;
    if (status != RUN_OK) {
      if (failure == RUN_OK) failure = status;
      notChecked += (notChecked.empty() ? "" : ", ") +
                    NotChecked(file, status, unread, unusedUnknown);
    }
    for (const FileFindings& r : results) {
      ++documents;
      for (const Finding& f : r.findings) {
        ++findings;
        if (f.line > 0) {
          std::printf("%s:%d: %s\n", r.file.c_str(), f.line, f.message.c_str());
        } else {
          std::printf("%s: %s\n", r.file.c_str(), f.message.c_str());
        }
      }
    }
  }
  std::fflush(stdout);
  std::fprintf(stderr, "tagsmith-run check: %zu document%s checked, %zu finding%s%s%s\n", documents,
               documents == 1 ? "" : "s", findings, findings == 1 ? "" : "s",
               notChecked.empty() ? "" : "; not checked: ", notChecked.c_str());
  // The kinds found and the first failure both show: the failures' statuses
  // lie below the lowest bit of a kind.
  return found | failure;
}
