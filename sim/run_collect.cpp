#include "sim/run_collect.h"

#include <cstring>
#include <set>

#include "sim/doc_changes.h"
#include "sim/host_text.h"
#include "sim/run_names.h"
#include "sim/run_say.h"
#include "sim/runs_left.h"
#include "sim/usage_counts.h"

namespace {

// The documents the command works on, as read: the chapters of the book in
// book order, or the active document.
std::vector<Input*> Subjects(const memhost::DocStore& host, const RunInputs& I, bool bookCommand) {
  std::vector<Input*> out;
  if (bookCommand) {
    for (const MifBookComponent& c : I.book.components) {
      Input* in = InputNamed(I, RomanName(Normal(c.path)));
      if (in != nullptr) out.push_back(in);
    }
  } else {
    for (const auto& in : I.inputs) {
      if (in->doc != 0 && in->doc == host.activeDoc) out.push_back(in.get());
    }
  }
  return out;
}

// The file a line on stderr is about: the input or book its text starts with.
std::string MessageFile(const RunInputs& I, const RunOptions& o, const std::string& line) {
  std::string file;
  size_t best = 0;
  auto consider = [&](const std::string& name, const std::string& path) {
    if (name.size() > best && line.compare(0, name.size(), name) == 0 &&
        line.size() > name.size() && (line[name.size()] == ':' || line[name.size()] == ' ')) {
      best = name.size();
      file = path;
    }
  };
  for (const auto& in : I.inputs) {
    for (const std::string& name : {in->file, in->path, Readable(BaseName(in->hostName))}) {
      consider(name, in->path);
    }
  }
  for (const std::string& named : o.files) consider(named, named);
  return file;
}

}  // namespace

ObjHandle OpenDocNamed(const memhost::DocStore& host, const std::string& hostName) {
  for (ObjHandle d : host.openDocs) {
    if (host.StringProp(d, PROP_NAME) == hostName) return d;
  }
  return 0;
}

ObjHandle CurrentDocument(memhost::DocStore& host, const Input& in) {
  ObjHandle doc = OpenDocNamed(host, in.hostName);
  return doc != 0 ? doc : host.FileImage(in.hostName);
}

std::vector<ObjHandle> OutputDocuments(const memhost::DocStore& host, const RunInputs& I) {
  std::vector<ObjHandle> outputs;
  for (ObjHandle d : host.openDocs) {
    if (!IsInput(I, host.StringProp(d, PROP_NAME))) outputs.push_back(d);
  }
  return outputs;
}

bool ChangedText(memhost::DocStore& host, Input& in, std::shared_ptr<const std::string>* text,
                 std::string* error) {
  ObjHandle doc = OpenDocNamed(host, in.hostName);
  if (doc == 0) {
    // Only saving replaces a file's copy.
    auto f = host.files.find(in.hostName);
    if (f == host.files.end()) return false;
    doc = f->second.image;
    if (doc == 0 && in.saved != nullptr) {
      *text = in.saved;
      return in.savedDiffers;
    }
    if (doc == 0) return false;
  }
  // What the host never changed is what was read: nothing to make.
  const memhost::DocData* data = host.Data(doc);
  if (data == nullptr || !data->dirty) return false;
  std::string made;
  if (!WriteInPlace(host, doc, &in, &made, error)) return false;
  bool differs = DiffersFromRead(in, made);
  *text = std::make_shared<const std::string>(std::move(made));
  return differs;
}

// A structured document's element definitions still name these formats,
// so the host did not delete them (each said once, however often asked).
void ReportKeptFormats(const memhost::MemHost& api) {
  std::set<std::pair<std::string, std::string>> said;
  for (const auto& kept : api.keptInUse()) {
    if (!said.insert(kept).second) continue;
    SayNote(Readable(BaseName(kept.first)) + ": kept character format \"" + Readable(kept.second) +
            "\": the element definitions name it\n");
  }
}

void BeginRecord(memhost::DocStore& host, const RunInputs& I, const RunOptions& o,
                 const std::vector<MenuEntry>& menu, int32_t number, Reporting* R) {
  RunRecord& r = R->record;
  r.command = o.command;
  const char* call = CallStringFor(menu, number);
  r.call = call != nullptr ? call : "";
  r.number = number;
  r.bookCommand = IsBookOnly(menu, number);
  for (const auto& in : I.inputs) {
    if (in->doc == 0) continue;
    r.documents.push_back(in->file);
    if (in->doc == host.activeDoc) r.activeDocument = in->file;
  }
  r.book = I.bookFile;
  for (const MifBookComponent& c : I.book.components) {
    r.components.push_back(
        RecordComponent{c.path, InputNamed(I, RomanName(Normal(c.path))) != nullptr});
  }
  r.counted = o.counts;
  R->subjects = Subjects(host, I, r.bookCommand);
  for (Input* in : R->subjects) {
    // A file's saved copy is out of every call's reach: a copy of it, an
    // open document that is on no list, is what is counted and kept.
    ObjHandle doc =
        host.CloneDocument(r.bookCommand ? host.FileImage(in->hostName) : in->doc, false);
    RecordFile f;
    f.file = in->path;
    f.title = Readable(BaseName(in->hostName));
    if (o.counts || !o.html.empty()) {
      f.counts = CountTagUsage(host, doc);
      for (const std::string& tag : TagsNamedBesideText(host, doc))
        f.named.push_back(Readable(tag));
    }
    for (ObjHandle fmt : host.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
      f.defined.push_back(Readable(host.StringProp(fmt, PROP_NAME)));
    }
    r.files.push_back(std::move(f));
    // Kept to be compared with the documents after the command.
    if (o.json.empty() && o.html.empty()) {
      host.DestroyDocument(doc);
      doc = 0;
    }
    R->before.push_back(doc);
  }
}

std::vector<RecordMessage> Messages(const RunInputs& I, const RunOptions& o) {
  std::vector<RecordMessage> out;
  // On a terminal a status line is cleared ("\r\033[K") and replaced, never
  // ended: only ended lines are messages.
  std::string said;
  const std::string& all = Said();
  for (size_t start = 0; start < all.size();) {
    size_t cr = all.find('\r', start);
    std::string piece = all.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
    start = cr == std::string::npos ? all.size() : cr + 1;
    if (piece.compare(0, 3, "\033[K") == 0) piece.erase(0, 3);
    size_t ended = piece.rfind('\n');
    if (ended != std::string::npos) said += piece.substr(0, ended + 1);
  }
  size_t start = 0;
  while (start < said.size()) {
    size_t nl = said.find('\n', start);
    if (nl == std::string::npos) nl = said.size();
    std::string line = said.substr(start, nl - start);
    start = nl + 1;
    if (line.empty()) continue;
    // The dialogs are reported as such.
    bool dialog = false;
    for (const char* p : {"question: ", "choice: ", "notice: ", "warning: "}) {
      if (line.compare(0, std::strlen(p), p) == 0) dialog = true;
    }
    if (!dialog) out.push_back(RecordMessage{MessageFile(I, o, line), line});
  }
  return out;
}

void EndRecord(RunHost& H, const RunInputs& I, const RunOptions& o, const ChangedInputs& changed,
               int status, Reporting* R) {
  RunRecord& r = R->record;
  r.status = status;
  for (ObjHandle d : H.host.openDocs) {
    if (IsInput(I, H.host.StringProp(d, PROP_NAME))) continue;
    r.hasOutput = true;
    r.output = ReadOutputDocument(H.host, d);
    // Nothing at all is written when the run does not end well.
    if (status == RUN_OK && !o.diff) r.outputWrittenTo = o.output;
    break;
  }
  r.listsRunsLeft = r.call.rfind(kConvertOverridesCall, 0) == 0;
  if (r.listsRunsLeft && r.hasOutput) {
    for (const RunLeft& left : RunsLeft(r.output, I)) {
      r.runsLeft.push_back(RecordRunLeft{left.file, left.lines, left.run});
    }
  }
  r.dialogs = RecordDialogs(H.user);
  r.changed.clear();
  for (const auto& change : changed) {
    Input* in = change.first;
    RecordChange c;
    c.file = in->path;
    // Nothing at all is written when the run does not end well.
    if (status == RUN_OK) c.target = change.second;
    for (size_t i = 0; i < R->subjects.size(); ++i) {
      if (R->subjects[i] != in || R->before[i] == 0) continue;
      ObjHandle after = OpenDocNamed(H.host, in->hostName);
      ObjHandle copy = 0;
      ObjHandle image = after == 0 ? H.host.FileImage(in->hostName) : 0;
      if (image != 0) copy = after = H.host.CloneDocument(image, false);
      if (after == 0) continue;
      c.changes = CompareDocuments(H.host, R->before[i], after);
      c.compared = true;
      RecordFile& f = r.files[i];
      f.changed = true;
      f.countsAfter = CountTagUsage(H.host, after);
      f.definedAfter.clear();
      for (ObjHandle fmt : H.host.Chain(after, PROP_FIRST_CHAR_FMT_IN_DOC)) {
        f.definedAfter.push_back(Readable(H.host.StringProp(fmt, PROP_NAME)));
      }
      if (copy != 0) H.host.DestroyDocument(copy);
    }
    r.changed.push_back(std::move(c));
  }
  r.messages = Messages(I, o);
}
