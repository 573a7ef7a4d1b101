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
#include "sim/check_baseline.h"
#include "sim/check_config.h"
#include "sim/check_output.h"
#include "sim/host_text.h"
#include "sim/run_steps.h"
#include "sim/safe_write.h"
#include "tagsmith_version.h"

namespace {

struct Finding {
  int32_t line;
  int rule;
  std::string tag;  // readable
  std::string message;
  int32_t column = 0;
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
    for (const MifParaRecord::Run& run : MifRecordRuns(source, source.paras[i])) {
      const std::string& tag = source.runProps[run.props].props.tag;
      if (tag.empty() || defined.count(tag) != 0) continue;
      out->findings.push_back(Finding{
          MifLineOfText(source, i, run.offset), CHECK_RULE_UNDEFINED, Readable(tag),
          "character tag " + Quoted(tag) + " is used in text, but no character format defines it"});
    }
  }
}

void FindUnused(const RunDocument& before, const Names& had, const Names& has, FileFindings* out) {
  std::map<std::string, int32_t> lines;
  for (const std::string& tag : had) {
    if (has.count(tag) != 0) continue;
    if (lines.empty()) lines = CatalogLines(before);
    auto line = lines.find(tag);
    out->findings.push_back(Finding{line != lines.end() ? line->second : 0, CHECK_RULE_UNUSED,
                                    Readable(tag),
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
        MifLineOfText(*d.source, para, from), CHECK_RULE_OVERRIDE, Readable(tag),
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

// The column of each finding: that of the statement's '<' on its line.
void FindColumns(const std::string& text, std::vector<Finding>* findings) {
  size_t at = 0;
  int32_t line = 1;
  for (Finding& f : *findings) {  // in the order of their lines
    if (f.line <= 0) continue;
    while (line < f.line && at < text.size()) {
      size_t nl = text.find('\n', at);
      at = nl == std::string::npos ? text.size() : nl + 1;
      ++line;
    }
    size_t end = text.find('\n', at);
    size_t lt = text.find('<', at);
    f.column = lt != std::string::npos && lt < end ? static_cast<int32_t>(lt - at + 1) : 1;
  }
}

// Checks one document or book for the kinds asked for; *unread gets the
// book's components that could not be read.
int CheckFile(const RunOptions& options, const bool (&kinds)[CHECK_RULE_COUNT],
              std::vector<FileFindings>* results, std::vector<std::string>* unread) {
  return RunWithSteps(options, [&](RunSteps& run) -> int {
    *unread = run.unread;
    std::vector<RunDocument> before = run.documents();
    std::vector<FileFindings> files(before.size());
    for (size_t i = 0; i < before.size(); ++i) files[i].file = before[i].file;
    std::map<ObjHandle, Names> had = FormatsOf(*run.host);
    if (kinds[CHECK_RULE_UNDEFINED]) {
      for (size_t i = 0; i < before.size(); ++i)
        FindUndefined(before[i], had[before[i].doc], &files[i]);
    }
    int status = RUN_OK;
    if (kinds[CHECK_RULE_UNUSED]) {
      status = run.run(run.book ? "DeleteUnusedCharsBook" : "DeleteUnusedChars");
      std::vector<RunDocument> after = run.documents();
      std::map<ObjHandle, Names> has = FormatsOf(*run.host);
      for (size_t i = 0; i < before.size() && status == RUN_OK; ++i) {
        FindUnused(before[i], had[before[i].doc], has[after[i].doc], &files[i]);
      }
    }
    // A deletion that did not complete (text it could not read: a book's
    // chapter that is missing) changed nothing, so overrides are still
    // checked; the run's status says that unused formats were not.
    if (kinds[CHECK_RULE_OVERRIDE] && (status == RUN_OK || status == RUN_FAILED)) {
      int removed = run.run(run.book ? "RemoveCharOverridesBook" : "RemoveCharOverrides");
      std::vector<RunDocument> after = run.documents();
      for (size_t i = 0; i < after.size() && removed == RUN_OK; ++i) {
        FindOverrides(*run.host, after[i], &files[i]);
      }
      if (status == RUN_OK) status = removed;
    }
    for (size_t i = 0; i < files.size(); ++i) {
      FileFindings& f = files[i];
      std::stable_sort(f.findings.begin(), f.findings.end(),
                       [](const Finding& a, const Finding& b) { return a.line < b.line; });
      FindColumns(*before[i].original, &f.findings);
      results->push_back(std::move(f));
    }
    return status;
  });
}

// Why a file named gave no findings, or not all it could have.
std::vector<CheckNotChecked> NotChecked(const std::string& file, int status,
                                        const std::vector<std::string>& unread,
                                        bool unusedUnknown) {
  std::vector<CheckNotChecked> out;
  if (status == RUN_BAD_INPUT) return {{file, "cannot be read"}};
  if (status != RUN_MISSING_FILES) {
    out.push_back({file, "the check did not complete, status " + std::to_string(status)});
  }
  for (const std::string& component : unread) {
    out.push_back({component, "a component of " + file + ", missing or cannot be read"});
  }
  // Said once, after the last component it is about.
  if (unusedUnknown && !out.empty())
    out.back().reason += "; no format of the book is called unused";
  return out;
}

// The project file of each file named (the one given, or the nearest one
// found), read before anything is checked; false when one is bad.
bool ReadConfigs(const RunOptions& options, std::vector<CheckConfig>* configs) {
  std::map<std::string, CheckConfig> read;
  auto load = [&](const std::string& path, CheckConfig* config) {
    if (path.empty()) {
      *config = CheckDefaultConfig();
      return true;
    }
    auto known = read.find(path);
    if (known != read.end()) {
      *config = known->second;
      return true;
    }
    std::string text;
    std::string why;
    constexpr size_t kMost = 1 << 20;
    CheckConfig c = CheckDefaultConfig();
    if (!SafeReadFile(path, kMost, &text, &why)) {
      std::fprintf(stderr, "tagsmith-run: %s: %s\n", path.c_str(), why.c_str());
      return false;
    }
    if (!CheckParseConfig(text, path, &c, &why)) {
      std::fprintf(stderr, "tagsmith-run: %s\n", why.c_str());
      return false;
    }
    *config = read[path] = c;
    return true;
  };
  for (const std::string& file : options.files) {
    configs->emplace_back();
    if (!load(options.checkConfig.empty() ? CheckFindConfig(file) : options.checkConfig,
              &configs->back()))
      return false;
  }
  return true;
}

bool ReadBaseline(const std::string& path, CheckBaseline* baseline) {
  std::string text;
  std::string why;
  constexpr size_t kMost = 64 << 20;
  if (!SafeReadFile(path, kMost, &text, &why)) {
    std::fprintf(stderr, "tagsmith-run: %s: %s\n", path.c_str(), why.c_str());
    return false;
  }
  if (!CheckParseBaseline(text, path, baseline, &why)) {
    std::fprintf(stderr, "tagsmith-run: %s\n", why.c_str());
    return false;
  }
  return true;
}

// "4 unused-format, 7 character-override", in the order of the rules.
std::string KindsFound(const std::vector<CheckFinding>& findings) {
  size_t counts[CHECK_RULE_COUNT] = {};
  for (const CheckFinding& f : findings) ++counts[f.rule];
  std::string out;
  for (int i = 0; i < CHECK_RULE_COUNT; ++i) {
    if (counts[i] == 0) continue;
    out += (out.empty() ? "" : ", ") + std::to_string(counts[i]) + " " + kCheckRules[i].id;
  }
  return out;
}

}  // namespace

int RunCheck(const RunOptions& options) {
  // Each file is checked by a run of its own; the findings of one must not
  // go into another.
  if (RunStreamsClear(options) != RUN_OK) return RUN_USAGE;
  std::vector<CheckConfig> configs;
  CheckBaseline baseline;
  if (!ReadConfigs(options, &configs)) return RUN_USAGE;
  if (!options.checkBaseline.empty() && !ReadBaseline(options.checkBaseline, &baseline))
    return RUN_USAGE;

  CheckResult result;
  // The severity that fails: asked for, else the first project file's.
  result.failOn = CheckSeverity::kWarning;
  if (!options.checkFailOn.empty()) {
    if (options.checkFailOn == "never" ||
        !CheckSeverityFromName(options.checkFailOn, &result.failOn))
      result.failOn = CheckSeverity::kOff;
  } else {
    for (const CheckConfig& c : configs) {
      if (!c.failOnSet) continue;
      result.failOn = c.failOn;
      break;
    }
  }
  bool all = !options.checkUnused && !options.checkOverrides && !options.checkUndefined;
  const bool asked[CHECK_RULE_COUNT] = {all || options.checkUnused, all || options.checkOverrides,
                                        all || options.checkUndefined};
  int failure = RUN_OK;
  for (size_t n = 0; n < options.files.size(); ++n) {
    const std::string& file = options.files[n];
    const CheckConfig& config = configs[n];
    RunOptions one = options;
    one.files = {file};
    bool kinds[CHECK_RULE_COUNT];
    for (int i = 0; i < CHECK_RULE_COUNT; ++i) {
      kinds[i] = asked[i] && config.severity[i] != CheckSeverity::kOff;
    }
    std::vector<FileFindings> results;
    std::vector<std::string> unread;
    int status = CheckFile(one, kinds, &results, &unread);
    // A book with a chapter that was not checked is not known to be clean,
    // whatever --allow-missing says; the client's deletion then warns and
    // does not complete, which is that same fact, not another failure.
    bool unusedUnknown = kinds[CHECK_RULE_UNUSED] && !unread.empty();
    if ((status == RUN_OK || status == RUN_FAILED) && !unread.empty()) status = RUN_MISSING_FILES;
    if (status != RUN_OK) {
      if (failure == RUN_OK) failure = status == RUN_BAD_INPUT ? CHECK_UNREADABLE : status;
      for (CheckNotChecked& c : NotChecked(file, status, unread, unusedUnknown)) {
        result.notChecked.push_back(std::move(c));
      }
    }
    for (const FileFindings& r : results) {
      result.documents.push_back(r.file);
      for (const Finding& f : r.findings) {
        if (CheckIgnores(config, f.tag)) {
          ++result.ignored;
          continue;
        }
        CheckFinding c;
        c.file = r.file;
        c.line = f.line;
        c.column = f.column;
        c.rule = f.rule;
        c.severity = config.severity[f.rule];
        c.tag = f.tag;
        c.message = f.message;
        result.findings.push_back(std::move(c));
      }
    }
  }
  std::vector<CheckFinding> found = result.findings;
  if (!options.checkBaseline.empty()) {
    result.baselined = CheckApplyBaseline(baseline, options.checkBaseline, &result.findings);
  }
  bool wrote = false;
  if (!options.checkWriteBaseline.empty()) {
    // A baseline without the findings of a file not checked would accept
    // too little: it is written only when everything was checked.
    if (failure != RUN_OK) {
      std::fprintf(stderr, "tagsmith-run: not everything was checked; %s not written\n",
                   options.checkWriteBaseline.c_str());
    } else {
      std::vector<std::string> inputs = result.documents;
      inputs.insert(inputs.end(), options.files.begin(), options.files.end());
      SafeWriteResult written = SafeWriteAll(
          {SafeWrite{options.checkWriteBaseline,
                     CheckBaselineText(found, options.checkWriteBaseline), true, std::string()}},
          inputs);
      if (written == SAFE_REFUSED) return RUN_USAGE;
      if (written != SAFE_WRITTEN) return CHECK_UNREADABLE;
      wrote = true;
    }
  }
  bool fails = false;
  for (const CheckFinding& f : result.findings) fails = fails || CheckFails(f, result.failOn);
  // Not knowing whether a file is clean weighs more than what was found;
  // the baseline just written accepts every finding.
  result.status = failure != RUN_OK ? failure : fails && !wrote ? CHECK_FOUND : CHECK_CLEAN;

  std::string out = CheckOutput(options.checkFormat.empty() ? "text" : options.checkFormat, result,
                                TAGSMITH_VERSION);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  size_t documents = result.documents.size();
  size_t findings = result.findings.size();
  std::string summary = "tagsmith-run check: " + std::to_string(documents) + " document" +
                        (documents == 1 ? "" : "s") + " checked, " + std::to_string(findings) +
                        " finding" + (findings == 1 ? "" : "s");
  std::string kinds = KindsFound(result.findings);
  if (!kinds.empty()) summary += " (" + kinds + ")";
  if (result.baselined != 0) {
    summary += ", " + std::to_string(result.baselined) + " more accepted by the baseline";
  }
  if (result.ignored != 0) summary += ", " + std::to_string(result.ignored) + " on ignored tags";
  if (wrote) summary += "; the baseline written accepts them all";
  for (size_t i = 0; i < result.notChecked.size(); ++i) {
    const CheckNotChecked& c = result.notChecked[i];
    summary += (i == 0 ? "; not checked: " : ", ") + c.file + " (" + c.reason + ")";
  }
  std::fprintf(stderr, "%s\n", summary.c_str());
  return result.status;
}
