// tagsmith-run: the run itself. Loads the files into the in-memory host,
// starts the client, runs one command with the dialogs answered from the
// options, and writes what the command produced.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "memhost/faulty_host.h"
#include "memhost/mem_host.h"
#include "memhost/scripted_host.h"
#include "memhost/text_dump.h"
#include "mif/mif_document.h"
#include "mif/mif_font.h"
#include "mif/mif_roman.h"
#include "sim/client_commands.h"
#include "sim/diff_preview.h"
#include "sim/host_text.h"
#include "sim/json_report.h"
#include "sim/progress.h"
#include "sim/run_record.h"
#include "sim/run_steps.h"
#include "sim/usage_counts.h"
#include "sim/usage_html.h"
#include "sim/safe_write.h"
#include "sim/tagsmith_run.h"
#include "sim/tagsmith_run_client.h"

namespace fs = std::filesystem;

std::string RunBesideProgram(const std::string& relative) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return relative;
  return (self.parent_path() / relative).lexically_normal().string();
}

namespace {

constexpr int32_t kAlertQuestion = 1;
constexpr int32_t kAlertNotice = 2;
constexpr int32_t kAlertWarning = 3;
const char kOutputName[] = "VxOutput.fm";

// Everything said on stderr, for the report's messages.
std::string& Said() {
  static std::string said;
  return said;
}

void Say(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  Said() += text;
}

std::string Normal(const std::string& path) {
  // A network path keeps the two slashes that start it.
  if (path.compare(0, 2, "//") == 0 && path.compare(0, 3, "///") != 0) {
    return "/" + fs::path(path.substr(1)).lexically_normal().generic_string();
  }
  return fs::path(path).lexically_normal().generic_string();
}

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

std::string DefaultHostDir() { return RunBesideProgram(TAGSMITH_RUN_HOST_DIR); }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A label as typed: case, surrounding blanks and a trailing "..." do not count.
std::string LabelKey(std::string s) {
  s = Lower(s);
  while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

// ---- Files ----

struct Input {
  std::string file;      // as given, for messages
  std::string path;      // on disk
  std::string hostName;  // what the host calls it (Roman)
  // The bytes read, shared with the statement tree parsed from them, and
  // the file's stamp then: it is replaced only while it still has both.
  std::shared_ptr<const std::string> original;
  SafeFileStamp stamp;
  // A book chapter the command changed and closed: the text of the host's
  // saved copy, kept instead of its model until everything is written.
  std::shared_ptr<const std::string> saved;
  // The text that source's references describe: saved once the copy was
  // made again from it, else original.
  bool sourceIsSaved = false;
  MifDocument source;
  ObjHandle doc = 0;     // the open document (command-line documents)
};

// The statement tree is what a document costs most to keep; it is read again
// from the file's text when the document is to be written.
void ReleaseTree(Input* in) { in->source.tree = MifTree(); }

bool RestoreTree(Input* in, std::string* error) {
  if (!in->source.tree.root.children.empty()) return true;
  MifError e;
  if (MifParse(in->sourceIsSaved ? in->saved : in->original, in->file, &in->source.tree, &e)) {
    return true;
  }
  *error = MifErrorText(e);
  return false;
}

struct Session {
  const RunOptions& options;
  // The host's documents and files; `api` answers the client's calls over
  // them and `user` answers its dialogs. `calls` counts what the client
  // asks, so that a command that ended at once can be told (it fails none).
  memhost::DocStore host;
  memhost::MemHost api{&host};
  memhost::ScriptedHost user{&api};
  memhost::FaultyHost calls{&user};
  std::vector<std::unique_ptr<Input>> inputs;
  std::unique_ptr<Input> outputSource;  // VxOutput.fm from the host folder
  std::string outputHostName;
  MifBook book;
  ObjHandle bookHandle = 0;
  std::string bookFile;
  bool missing = false;
  std::vector<std::string> unread;  // the book's components not read, by path
  // Standard output or error (1, 2) is a file the run reads: the run stops
  // before it writes anything.
  int streamIsInput = 0;
  // Whether a changed chapter may be kept as its text once closed; not
  // when the steps of a run look at each file as read.
  bool settleChanges = true;
  // Dialogs.
  size_t nextChoice = 0;
  bool cancelled = false;
  bool unanswered = false;
  bool failed = false;
  bool noDocument = false;
  int64_t noticeCall = 0;  // the host call that showed the last notice
  std::string unansweredText;
  std::FILE* tty = nullptr;
  bool progress = false;
  Progress walk;
  size_t consoleShown = 0;
  // When set, each line of the console is said once (the lines said so far).
  std::unique_ptr<std::set<std::string>> consoleOnce;
  // The changed inputs, each with where it is written (empty: it is not).
  std::vector<std::pair<Input*, std::string>> changed;

  explicit Session(const RunOptions& o) : options(o) {}
  ~Session() {
    if (tty != nullptr) std::fclose(tty);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

// Reads a file and its statement tree; false with *why.
bool ReadTree(const std::string& file, std::shared_ptr<const std::string>* text, MifTree* tree,
              SafeFileStamp* stamp, std::string* why) {
  std::string reason;
  std::string bytes;
  if (!SafeReadFile(file, MifLimits().max_bytes, &bytes, &reason, stamp)) {
    *why = file + ": " + reason;
    return false;
  }
  *text = std::make_shared<const std::string>(std::move(bytes));
  MifError error;
  if (!MifParse(*text, file, tree, &error)) {
    *why = MifErrorText(error);
    return false;
  }
  return true;
}

bool ParseFile(const std::string& file, std::shared_ptr<const std::string>* text, MifTree* tree,
               SafeFileStamp* stamp) {
  std::string why;
  if (ReadTree(file, text, tree, stamp, &why)) return true;
  Say(why + "\n");
  return false;
}

std::string RomanName(const std::string& utf8) {
  std::string roman;
  return MifUtf8ToRomanName(utf8, &roman) ? roman : utf8;
}

// Reads a document and keeps it as a file the host can open (a chapter, the
// output document), not as an open document: what it was read into becomes
// the host's saved copy, as saving it would have made it.
void HideAsImage(Session& S, ObjHandle doc) {
  S.host.Data(doc)->isImage = true;
  auto& open = S.host.openDocs;
  open.erase(std::remove(open.begin(), open.end(), doc), open.end());
}

void KeepAsFile(Session& S, Input* in, ObjHandle doc) {
  memhost::FileEntry& entry = S.host.files[in->hostName];
  if (entry.image != 0) S.host.DestroyDocument(entry.image);
  entry.image = doc;
  HideAsImage(S, doc);
  ReleaseTree(in);
}

// A book's chapters are read again from their text when the walk opens them,
// so that only the open ones are held as models, not the whole book.
ObjHandle MakeImage(Session& S, Input* in) {
  ObjHandle active = S.host.activeDoc;
  std::string why;
  MifError error;
  ObjHandle doc = 0;
  ReleaseTree(in);
  in->sourceIsSaved = in->saved != nullptr;
  bool ok = RestoreTree(in, &why) &&
            MifLoadDocumentTree(S.host, in->hostName, &in->source, &doc, &error, MIF_RELEASE_TREE);
  ReleaseTree(in);
  if (!ok) return 0;
  HideAsImage(S, doc);
  // Made from what the command saved, not from what the file holds.
  if (in->saved != nullptr) S.host.Data(doc)->dirty = true;
  S.host.activeDoc = active;
  return doc;
}

bool WriteInPlace(Session& S, ObjHandle doc, Input* in, std::string* text, std::string* error);

// A changed chapter, once closed, is kept as the text it will be written
// as: a model costs several times its text, and a book command may change
// every chapter before anything is written.
bool SettleImage(Session& S, Input* in, ObjHandle image) {
  std::string text;
  std::string error;
  if (!WriteInPlace(S, image, in, &text, &error)) return false;
  in->saved = std::make_shared<const std::string>(std::move(text));
  return true;
}

bool StoreAsFile(Session& S, Input* in) {
  MifError error;
  ObjHandle doc = 0;
  if (!MifLoadDocumentTree(S.host, in->hostName, &in->source, &doc, &error, MIF_RELEASE_TREE)) {
    Say(MifErrorText(error) + "\n");
    return false;
  }
  KeepAsFile(S, in, doc);
  return true;
}

// Whether the file starts as MIF text does (after a byte-order mark, blanks
// and comments), rather than as the host's own binary format.
bool StartsAsMif(const std::string& path) {
  std::string head;
  std::string why;
  if (!SafeReadStart(path, 4096, &head, &why)) return false;
  std::string_view s(head);
  if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
  for (;;) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return false;
    s.remove_prefix(b);
    if (s[0] != '#') break;
    size_t eol = s.find('\n');
    if (eol == std::string_view::npos) return false;
    s.remove_prefix(eol);
  }
  return s.substr(0, 8) == "<MIFFile" || s.substr(0, 5) == "<Book";
}

// A book names its documents by the files the host keeps them in; users
// save each as MIF beside it. When the named file is not there, or is not
// MIF, and a MIF file of the same stem is (any case of the extension),
// *path becomes that.
bool FindExported(std::string* path) {
  std::error_code ec;
  fs::path named(*path);
  if (Lower(named.extension().string()) == ".mif") return false;
  fs::file_status status = fs::status(named, ec);
  // A FIFO, device or socket at the name is the file named, and is refused
  // as any such input is; it is never opened to see what it holds.
  if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status)) return false;
  if (fs::exists(status) && StartsAsMif(*path)) return false;
  fs::path folder = named.has_parent_path() ? named.parent_path() : fs::path(".");
  std::string stem = named.stem().string();
  for (const char* ext : {".mif", ".MIF", ".Mif"}) {
    fs::path candidate = folder / (stem + ext);
    if (fs::is_regular_file(candidate, ec)) {
      *path = candidate.generic_string();
      return true;
    }
  }
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (p.stem().string() == stem && Lower(p.extension().string()) == ".mif" &&
        fs::is_regular_file(p, ec)) {
      *path = p.generic_string();
      return true;
    }
  }
  return false;
}

// Whether a document named by `path` is there to read: the file itself or,
// by the rule above, a MIF file beside it.
bool Findable(std::string path) {
  std::error_code ec;
  return fs::exists(path, ec) || FindExported(&path);
}

struct ComponentFound {
  // An absolute path not here, found beside the book: the name found.
  std::string besideBook;
  bool exported = false;    // read from a MIF file of the same stem
};

// Where a book's component is read from: its path, or a file of the same
// name beside the book when the book was made on another machine, each
// then by the rule of FindExported. Every part of the run that looks at a
// book's chapters must find them here, so that all agree on the files.
ComponentFound FindComponent(const std::string& bookFile, MifBookComponent* c) {
  ComponentFound found;
  // A path of the machine the book was made on: a volume ("O:/...") is no
  // path here at all, not one relative to the working folder.
  std::string beside = MifComponentBesideBook(bookFile, c->fileName);
  if (!beside.empty() && !(fs::path(c->path).is_absolute() && Findable(c->path)) &&
      Findable(beside)) {
    c->path = beside;
    found.besideBook = BaseName(beside);
  }
  found.exported = FindExported(&c->path);
  return found;
}

// A chapter that cannot be read is a file the host cannot open: the walk
// reports it and goes on without it.
bool ReadComponent(Session& S, Input* in, std::string* why) {
  if (!ReadTree(in->path, &in->original, &in->source.tree, &in->stamp, why)) return false;
  if (in->source.tree.is_book) {
    *why = "a book, not a document";
    return false;
  }
  MifError error;
  ObjHandle doc = 0;
  if (!MifLoadDocumentTree(S.host, in->hostName, &in->source, &doc, &error, MIF_RELEASE_TREE)) {
    *why = MifErrorText(error);
    return false;
  }
  KeepAsFile(S, in, doc);
  // Read once to report now what cannot be read; made again when opened.
  memhost::FileEntry& entry = S.host.files[in->hostName];
  S.host.DestroyDocument(entry.image);
  entry.image = 0;
  entry.load = [&S, in] { return MakeImage(S, in); };
  if (S.settleChanges) entry.settle = [&S, in](ObjHandle image) { return SettleImage(S, in, image); };
  return true;
}

// The chapters a book names, as the run reads them; none when the file
// is not a book that can be read (the run says why in its turn).
std::vector<std::string> ChaptersOf(const std::string& file) {
  std::string head;
  std::string why;
  if (!SafeReadStart(file, 4096, &head, &why) || head.find("<Book") == std::string::npos) return {};
  MifBook book;
  std::shared_ptr<const std::string> text;
  if (!ReadTree(file, &text, &book.tree, nullptr, &why) || !book.tree.is_book) return {};
  book.file = file;
  memhost::DocStore scratch;
  ObjHandle handle = 0;
  MifError error;
  if (!MifLoadBookTree(scratch, RomanName(Normal(file)), &book, &handle, &error)) return {};
  std::vector<std::string> chapters;
  for (MifBookComponent& c : book.components) {
    FindComponent(file, &c);
    chapters.push_back(c.path);
  }
  return chapters;
}

// The standard stream (1, 2) that is a file the run reads, redirected onto
// it (`1<>FILE`, `>>FILE`), said when it can be; 0 when neither is. Every
// such file is looked at before the run says anything: the files named, a
// book's chapters, the host folder's output document.
int StreamOntoInput(const RunOptions& o) {
  std::vector<std::string> known = o.files;
  for (const std::string& file : o.files) {
    std::vector<std::string> chapters = ChaptersOf(file);
    known.insert(known.end(), chapters.begin(), chapters.end());
  }
  known.push_back((fs::path(o.hostDir) / kOutputName).string());
  std::string path;
  int stream = SafeStreamAmong(known, &path);
  // Anything said on standard error would go into that file.
  if (stream == STDOUT_FILENO) {
    Say("tagsmith-run: standard output is " + path + ", which is read by this run; a result is "
        "never written onto an input. Nothing was written.\n");
  }
  return stream;
}

int LoadInputs(Session& S) {
  const RunOptions& o = S.options;
  std::vector<ObjHandle> named;
  S.streamIsInput = StreamOntoInput(o);
  if (S.streamIsInput != 0) return RUN_USAGE;
  for (const std::string& file : o.files) {
    auto in = std::make_unique<Input>();
    in->file = file;
    in->path = file;
    if (!ParseFile(file, &in->original, &in->source.tree, &in->stamp)) return RUN_BAD_INPUT;
    in->source.file = file;
    if (in->source.tree.is_book) {
      if (!S.bookFile.empty()) {
        Say("tagsmith-run: more than one book given (" + S.bookFile + ", " + file + ")\n");
        return RUN_USAGE;
      }
      S.bookFile = file;
      S.book.file = file;
      S.book.tree = std::move(in->source.tree);
      continue;
    }
    in->hostName = RomanName(Normal(file));
    for (const auto& other : S.inputs) {
      if (other->hostName == in->hostName) {
        Say("tagsmith-run: " + file + " is named twice\n");
        return RUN_USAGE;
      }
    }
    MifError error;
    if (!MifLoadDocumentTree(S.host, in->hostName, &in->source, &in->doc, &error,
                             MIF_RELEASE_TREE)) {
      Say(MifErrorText(error) + "\n");
      return RUN_BAD_INPUT;
    }
    ReleaseTree(in.get());
    named.push_back(in->doc);
    S.inputs.push_back(std::move(in));
  }

  if (!S.bookFile.empty()) {
    MifError error;
    if (!MifLoadBookTree(S.host, RomanName(Normal(S.bookFile)), &S.book, &S.bookHandle, &error)) {
      Say(MifErrorText(error) + "\n");
      return RUN_BAD_INPUT;
    }
    std::vector<std::string> besideBook;
    std::vector<std::string> exported;
    for (MifBookComponent& c : S.book.components) {
      // A path of the machine the book was made on: a volume ("O:/...")
      // is no path here at all, not one relative to the working folder.
      ComponentFound found = FindComponent(S.bookFile, &c);
      if (!found.besideBook.empty()) besideBook.push_back(found.besideBook);
      if (found.exported) exported.push_back(BaseName(c.path));
      std::string hostName = RomanName(Normal(c.path));
      Input* open = nullptr;
      for (const auto& in : S.inputs) {
        if (in->hostName == hostName) open = in.get();
      }
      if (open != nullptr) {
        // The walk closes it after its pass and opens it again for the next:
        // the host then reads the file, which is what was opened.
        S.host.StoreFile(open->doc, hostName);
        continue;
      }
      // The book walk reports a file it cannot open and goes on; this says
      // which component of the book it was and why.
      std::string where = S.bookFile + ":" + std::to_string(c.line) + ": component " +
                          BaseName(c.path) + ": ";
      std::error_code ec;
      if (!fs::exists(c.path, ec)) {
        Say(where + "no such file (" + c.path + ")\n");
        S.missing = true;
        S.unread.push_back(c.path);
        continue;
      }
      auto in = std::make_unique<Input>();
      in->file = c.path;
      in->path = c.path;
      in->hostName = hostName;
      in->source.file = c.path;
      std::string why;
      if (!ReadComponent(S, in.get(), &why)) {
        Say(where + "cannot be read, skipped: " + why + "\n");
        S.missing = true;
        S.unread.push_back(c.path);
        continue;
      }
      S.inputs.push_back(std::move(in));
    }
    if (!besideBook.empty()) {
      std::string names;
      for (const std::string& n : besideBook) names += (names.empty() ? "" : ", ") + n;
      Say(S.bookFile + ": the book names documents by absolute paths that are not here; "
          "read from the files of the same name beside the book instead: " + names + "\n");
    }
    if (!exported.empty()) {
      std::string names;
      for (const std::string& n : exported) names += (names.empty() ? "" : ", ") + n;
      Say(S.bookFile + ": the book names its documents by files that are not here; "
          "read from the MIF files beside them instead: " + names + "\n");
    }
    // The walk opens the components by the names the host gives them.
    const memhost::Obj* b = S.host.Find(S.bookHandle);
    for (size_t i = 0; b != nullptr && i < b->kids.size(); ++i) {
      S.host.SetStringProp(b->kids[i], PROP_NAME,
                           RomanName(Normal(S.book.components[i].path)));
    }
  }

  // The output document the client looks for in the host's folder.
  std::string dir = o.hostDir;
  bool separated = !dir.empty() && (dir.back() == '/' || dir.back() == '\\');
  S.outputHostName = RomanName(dir + (separated ? "" : "\\") + kOutputName);
  std::string onDisk = (fs::path(dir) / kOutputName).string();
  std::error_code ec;
  if (fs::exists(fs::symlink_status(onDisk, ec))) {
    auto in = std::make_unique<Input>();
    in->file = onDisk;
    in->path = onDisk;
    in->hostName = S.outputHostName;
    in->source.file = onDisk;
    if (!ParseFile(onDisk, &in->original, &in->source.tree, &in->stamp) ||
        !StoreAsFile(S, in.get())) {
      Say("tagsmith-run: the host folder's " + std::string(kOutputName) +
          ", which results are added to, cannot be used; mend or remove it, or give another "
          "--host-dir\n");
      return RUN_BAD_INPUT;
    }
    S.outputSource = std::move(in);
  }

  // The last document named is the active one; the book is the active book.
  S.host.openDocs.clear();
  for (ObjHandle d : named) S.host.openDocs.push_back(d);
  S.host.activeDoc = named.empty() ? 0 : named.back();
  S.host.activeBook = S.bookHandle;
  return RUN_OK;
}

// ---- Dialogs ----

bool AskTerminal(Session& S, const std::string& prompt, std::string* answer) {
  if (S.tty == nullptr) S.tty = std::fopen("/dev/tty", "r+");
  if (S.tty == nullptr) return false;
  std::fputs(prompt.c_str(), S.tty);
  std::fflush(S.tty);
  char line[512];
  if (std::fgets(line, sizeof line, S.tty) == nullptr) return false;
  *answer = line;
  while (!answer->empty() && (answer->back() == '\n' || answer->back() == '\r')) answer->pop_back();
  return true;
}

void Unanswered(Session& S, const std::string& what) {
  if (!S.unanswered) S.unansweredText = what;
  S.unanswered = true;
}

void AnswerAlert(Session& S, memhost::DialogRecord& r) {
  if (r.alertType != kAlertQuestion) {
    Say(std::string(r.alertType == kAlertWarning ? "warning: " : "notice: ") + Readable(r.text) +
        "\n");
    if (r.alertType == kAlertWarning) S.failed = true;
    if (r.alertType == kAlertNotice) S.noticeCall = S.calls.callCount;
    r.answer = 0;
    return;
  }
  std::string question = Readable(r.text);
  if (S.options.answer >= 0) {
    r.answer = S.options.answer;
  } else if (S.options.interactive) {
    std::string reply;
    r.answer = 1;
    if (AskTerminal(S, question + " [y/N] ", &reply)) {
      reply = Lower(reply);
      r.answer = (reply == "y" || reply == "yes") ? 0 : 1;
    } else {
      Unanswered(S, question);
    }
  } else {
    // Answered as cancelled: the command then changes nothing.
    r.answer = 1;
    Unanswered(S, question);
  }
  Say("question: " + question + " -> " + (r.answer == 0 ? "yes" : "no") + "\n");
  if (r.answer != 0) S.cancelled = true;
}

// The item a --choose value names: a 1-based number or an item's text.
int32_t ChoiceIndex(const std::vector<std::string>& items, const std::string& value) {
  bool number = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
  if (number && value.size() < 9) {
    long n = std::stol(value);
    return n >= 1 && static_cast<size_t>(n) <= items.size() ? static_cast<int32_t>(n - 1) : -2;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (Readable(items[i]) == value) return static_cast<int32_t>(i);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    if (LabelKey(Readable(items[i])) == LabelKey(value)) return static_cast<int32_t>(i);
  }
  return -2;
}

void AnswerChoice(Session& S, memhost::DialogRecord& r) {
  std::string title = Readable(r.text);
  r.answer = -1;
  if (S.nextChoice < S.options.choices.size()) {
    const std::string& value = S.options.choices[S.nextChoice++];
    r.answer = ChoiceIndex(r.items, value);
    if (r.answer == -2) {
      Say("tagsmith-run: \"" + value + "\" is none of the items of \"" + title + "\"\n");
      r.answer = -1;
      Unanswered(S, title);
    }
  } else if (S.options.interactive) {
    std::string list = title + "\n";
    for (size_t i = 0; i < r.items.size(); ++i) {
      list += "  " + std::to_string(i + 1) + ". " + Readable(r.items[i]) + "\n";
    }
    std::string reply;
    if (AskTerminal(S, list + "choice (empty cancels): ", &reply)) {
      r.answer = reply.empty() ? -1 : ChoiceIndex(r.items, reply);
      if (r.answer < -1) r.answer = -1;
    } else {
      Unanswered(S, title);
    }
  } else {
    Unanswered(S, title);
  }
  Say("choice: " + title + " -> " +
      (r.answer >= 0 ? Readable(r.items[static_cast<size_t>(r.answer)]) : std::string("cancelled")) +
      "\n");
  if (r.answer < 0) S.cancelled = true;
}

void ShowConsole(Session& S) {
  if (S.user.console.size() <= S.consoleShown) return;
  std::string fresh = S.user.console.substr(S.consoleShown);
  if (S.consoleOnce != nullptr) {
    // Whole lines only: the rest of one comes with the next call.
    size_t end = fresh.rfind('\n');
    if (end == std::string::npos) return;
    fresh.erase(end + 1);
    S.consoleShown += fresh.size();
    std::string lines;
    for (size_t at = 0; at < fresh.size();) {
      size_t nl = fresh.find('\n', at);
      std::string line = fresh.substr(at, nl - at);
      at = nl + 1;
      if (S.consoleOnce->insert(line).second) lines += line + "\n";
    }
    if (lines.empty()) return;
    fresh = lines;
  } else {
    S.consoleShown = S.user.console.size();
  }
  if (S.progress) Say("\r\033[K");
  Say(Readable(fresh));
}

void InstallHostHooks(Session& S) {
  S.user.responder = [&S](memhost::DialogRecord& r) {
    if (S.progress) Say("\r\033[K");
    if (r.kind == memhost::DialogRecord::ALERT) {
      AnswerAlert(S, r);
    } else {
      AnswerChoice(S, r);
    }
    return true;
  };
  S.progress = isatty(STDERR_FILENO) != 0;
  S.walk.files = S.book.components.size();
  S.user.statusObserver = [&S](const std::string& status) {
    ShowConsole(S);
    if (!S.progress) return;
    Say("\r\033[K" +
        ProgressUpdate(&S.walk, Readable(status), Progress::Clock::now(), ProgressWidth()));
    std::fflush(stderr);
  };
}

// ---- Commands ----

void CollectMenu(const memhost::DocStore& host, ObjHandle menu, bool book, const std::string& prefix,
                 std::vector<MenuEntry>* out) {
  const memhost::Obj* m = host.Find(menu);
  if (m == nullptr) return;
  for (ObjHandle item : m->kids) {
    const memhost::Obj* o = host.Find(item);
    if (o == nullptr) continue;
    std::string label = host.StringProp(item, PROP_LABEL);
    if (o->type == memhost::T_COMMAND) {
      out->push_back(MenuEntry{book, prefix + label, host.StringProp(item, PROP_NAME),
                               o->commandNumber});
    } else if (o->type == memhost::T_MENU) {
      CollectMenu(host, item, book, prefix + label + " > ", out);
    }
  }
}

// The client's commands as its menus show them (after Initialize).
std::vector<MenuEntry> MenuEntries(const memhost::DocStore& host) {
  std::vector<MenuEntry> out;
  CollectMenu(host, host.NamedObject(0, OBJ_MENU, "Tagsmith"), false, "", &out);
  CollectMenu(host, host.NamedObject(0, OBJ_MENU, "TagsmithBook"), true, "", &out);
  return out;
}

// What the host sees of a command as it starts, to tell afterwards how it
// ended.
struct CommandStart {
  size_t dialogs;
  bool document;  // a document was active
};

CommandStart Starting(const Session& S) {
  return CommandStart{S.user.dialogs.size(), S.host.activeDoc != 0};
}

// A command of the document menu that finds no document open says so in
// one notice and ends there. That is what the host sees of it: with no
// document active, its only dialog was a notice, and no call followed.
void NoteNoDocument(Session& S, const std::vector<MenuEntry>& menu, int32_t number,
                    const CommandStart& start) {
  if (start.document || !IsDocumentOnly(menu, number)) return;
  if (S.user.dialogs.size() != start.dialogs + 1) return;
  const memhost::DialogRecord& d = S.user.dialogs.back();
  if (d.kind != memhost::DialogRecord::ALERT || d.alertType != kAlertNotice) return;
  if (S.calls.callCount != S.noticeCall) return;
  S.failed = true;
  S.noDocument = true;
}

// The number of the menu command a known call runs; 0 when the menus hold
// none.
int32_t NumberOfCall(const std::vector<MenuEntry>& menu, const KnownCall* call) {
  const MenuEntry* entry = call != nullptr ? MenuCommandTagged(menu, call->tag) : nullptr;
  return entry != nullptr ? entry->number : 0;
}

// A menu label (or command tag) to a command number; 0 when none matches.
int32_t ResolveLabel(const std::vector<MenuEntry>& menu, std::string command, bool haveBook,
                     std::string* message) {
  int menuWanted = -1;  // -1 either, 0 document, 1 book
  std::string key = LabelKey(command);
  for (const char* p : {"doc:", "document:", "book:"}) {
    size_t n = std::strlen(p);
    if (key.compare(0, n, p) == 0) {
      menuWanted = p[0] == 'b' ? 1 : 0;
      key = LabelKey(key.substr(n));
    }
  }
  std::vector<const MenuEntry*> found;
  for (const MenuEntry& e : menu) {
    if (menuWanted >= 0 && e.book != (menuWanted == 1)) continue;
    std::string full = LabelKey(e.label);
    size_t gt = full.rfind("> ");
    std::string last = gt == std::string::npos ? full : full.substr(gt + 2);
    if (key == full || key == last || key == Lower(e.tag)) found.push_back(&e);
  }
  if (found.empty()) {
    *message = "unknown command \"" + command + "\" (tagsmith-run --list shows them)";
    return 0;
  }
  if (found.size() > 1) {
    // The same label on both menus: the book's when a book is given.
    for (const MenuEntry* e : found) {
      if (e->book == haveBook) return e->number;
    }
  }
  return found[0]->number;
}

// ---- Results ----

bool IsInput(const Session& S, const std::string& hostName) {
  for (const auto& in : S.inputs) {
    if (in->hostName == hostName) return true;
  }
  return false;
}

// Every file the run read, by the paths it read them from.
std::vector<std::string> InputPaths(const Session& S) {
  std::vector<std::string> paths;
  for (const auto& in : S.inputs) paths.push_back(in->path);
  if (!S.bookFile.empty()) paths.push_back(S.bookFile);
  if (S.outputSource != nullptr) paths.push_back(S.outputSource->path);
  return paths;
}

ObjHandle OpenDocNamed(Session& S, const std::string& hostName) {
  for (ObjHandle d : S.host.openDocs) {
    if (S.host.StringProp(d, PROP_NAME) == hostName) return d;
  }
  return 0;
}

// The MIF text of `doc`, written over the tree of the text it was read
// from. The writer only reads the model, so a saved copy is shown to it as
// it stands rather than copied once more; the tree, read again from the
// text, is spent by the write.
bool WriteInPlace(Session& S, ObjHandle doc, Input* in, std::string* text, std::string* error) {
  memhost::DocData* data = S.host.Data(doc);
  bool image = data != nullptr && data->isImage;
  if (image) data->isImage = false;
  MifError e;
  bool ok = RestoreTree(in, error) && MifWriteDocumentInPlace(S.host, doc, &in->source, text, &e);
  if (image) data->isImage = true;
  ReleaseTree(in);
  if (!ok && error->empty()) *error = MifErrorText(e);
  return ok;
}

// The MIF text of an input as it stands after the command; false when it
// has not changed.
bool ChangedText(Session& S, Input& in, std::string* text, std::string* error) {
  ObjHandle doc = OpenDocNamed(S, in.hostName);
  if (doc == 0) {
    // Only saving replaces a file's copy.
    auto f = S.host.files.find(in.hostName);
    if (f == S.host.files.end()) return false;
    doc = f->second.image;
    if (doc == 0 && in.saved != nullptr) {
      *text = *in.saved;
      return *text != *in.original;
    }
    if (doc == 0) return false;
  }
  // What the host never changed is what was read: nothing to make.
  const memhost::DocData* data = S.host.Data(doc);
  if (data == nullptr || !data->dirty) return false;
  if (!WriteInPlace(S, doc, &in, text, error)) return false;
  return *text != *in.original;
}

void ReportSelection(Session& S) {
  ObjHandle doc = S.host.activeDoc;
  const memhost::Value* sel = S.host.Prop(doc, PROP_TEXT_SELECTION);
  if (sel == nullptr) return;
  const TextRange& r = sel->range;
  const memhost::Obj* p = S.host.Find(r.beg.obj);
  if (p == nullptr || r.end.obj != r.beg.obj || r.end.offset == r.beg.offset) return;
  int32_t length = static_cast<int32_t>(p->text.size());
  int32_t b = std::min(std::max(r.beg.offset, 0), length);
  int32_t e = r.end.offset > length || r.end.offset < 0 ? length : r.end.offset;
  std::printf("Override in %s: \"%s\" characters %d-%d: \"%s\"\n",
              Readable(BaseName(S.host.StringProp(doc, PROP_NAME))).c_str(),
              Readable(p->text).c_str(), b, e,
              Readable(p->text.substr(static_cast<size_t>(b), static_cast<size_t>(e - b))).c_str());
}

bool StdoutTaken(const RunOptions& o) {
  return SafeIsStdout(o.output) || SafeIsStdout(o.json) || SafeIsStdout(o.html);
}

// Whether what was printed on standard output got there. When it did not
// (its reader has gone), the run writes nothing more.
bool StdoutWritten() {
  errno = 0;
  bool ok = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (!ok) {
    Say(std::string("tagsmith-run: standard output: cannot write") +
        (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) +
        ". Nothing was written.\n");
  }
  return ok;
}

int Finish(Session& S, const char* call) {
  ShowConsole(S);
  if (S.progress) Say("\r\033[K");

  // The output documents: every open document that is none of the inputs.
  std::vector<ObjHandle> outputs;
  for (ObjHandle d : S.host.openDocs) {
    if (!IsInput(S, S.host.StringProp(d, PROP_NAME))) outputs.push_back(d);
  }
  // MIF, a report or a page on standard output takes the place of the
  // readable text.
  for (size_t i = 0; i < outputs.size() && !StdoutTaken(S.options) && !S.options.diff;
       ++i) {
    if (i > 0) std::fputs("\n", stdout);
    std::fputs(Readable(memhost::DumpDocument(S.host, outputs[i])).c_str(), stdout);
  }
  if (call != nullptr && std::strcmp(call, kFindNextOverrideCall) == 0) ReportSelection(S);
  if (!StdoutWritten()) return RUN_BAD_INPUT;

  int status = RUN_OK;
  if (S.unanswered) {
    Say("tagsmith-run: no option answers \"" + S.unansweredText +
        "\"; give --yes/--no, --choose or --interactive. Nothing was written.\n");
    status = RUN_UNANSWERED;
  } else if (S.failed) {
    if (S.noDocument && !S.bookFile.empty() && S.host.openDocs.empty()) {
      Say("tagsmith-run: " + S.bookFile + " is a book, not a document; the book's commands "
          "work on it (tagsmith-run --list)\n");
    }
    Say("tagsmith-run: the command did not complete. Nothing was written.\n");
    status = RUN_FAILED;
  } else if (S.cancelled) {
    Say("tagsmith-run: cancelled. Nothing was written.\n");
    status = RUN_CANCELLED;
  } else if (S.missing && !S.options.allowMissing) {
    Say("tagsmith-run: book components are missing or cannot be read (--allow-missing goes on "
        "regardless). "
        "Nothing was written.\n");
    status = RUN_MISSING_FILES;
  }
  if (status != RUN_OK) return status;

  // Everything is written only once every text is made.
  std::vector<SafeWrite> writes;
  if (!S.options.output.empty()) {
    if (outputs.empty()) {
      Say("tagsmith-run: the command made no output document; --output not written\n");
    } else {
      MifDocument* source = nullptr;
      std::string error;
      if (S.outputSource != nullptr && S.host.StringProp(outputs[0], PROP_NAME) == S.outputHostName) {
        if (!RestoreTree(S.outputSource.get(), &error)) {
          Say(error + "\n");
          return RUN_BAD_INPUT;
        }
        source = &S.outputSource->source;
      }
      std::string text;
      MifError e;
      bool written = source != nullptr
                         ? MifWriteDocumentInPlace(S.host, outputs[0], source, &text, &e)
                         : MifWriteDocument(S.host, outputs[0], nullptr, &text, &e);
      if (source != nullptr) ReleaseTree(S.outputSource.get());
      if (!written) {
        Say(MifErrorText(e) + "\n");
        return RUN_BAD_INPUT;
      }
      writes.push_back(SafeWrite{S.options.output, std::move(text), true, std::string()});
    }
  }
  for (auto& in : S.inputs) {
    std::string text;
    std::string error;
    bool changed = ChangedText(S, *in, &text, &error);
    if (!error.empty()) {
      Say(error + "\n");
      return RUN_BAD_INPUT;
    }
    if (!changed) continue;
    S.changed.emplace_back(in.get(), S.options.inPlace ? in->path : std::string());
    if (S.options.inPlace || (S.options.diff && S.options.outDir.empty())) {
      writes.push_back(SafeWrite{in->path, std::move(text), true, in->path, in->original, in->stamp});
    } else if (!S.options.outDir.empty()) {
      std::string target = (fs::path(S.options.outDir) / BaseName(in->path)).string();
      S.changed.back().second = target;
      writes.push_back(SafeWrite{target, std::move(text), false, std::string()});
    } else {
      Say(in->file + " was changed; give --out-dir DIR or --in-place to write it\n");
    }
  }
  if (S.options.diff) {
    // A target the run would refuse makes no preview either. A folder that
    // --out-dir would make holds nothing to refuse yet.
    std::vector<SafeWrite> present;
    for (const SafeWrite& w : writes) {
      fs::path folder = fs::path(w.path).parent_path();
      std::error_code ec;
      if (folder.empty() || fs::exists(folder, ec)) present.push_back(w);
    }
    std::string why;
    if (!SafeCheckTargets(present, InputPaths(S), &why)) {
      Say(why + ". Nothing was written.\n");
      return RUN_USAGE;
    }
    return PrintDiffPreview(writes) && StdoutWritten() ? RUN_OK : RUN_BAD_INPUT;
  }
  if (writes.empty()) return RUN_OK;
  if (!S.options.outDir.empty() && !S.options.inPlace) {
    std::error_code ec;
    fs::create_directories(S.options.outDir, ec);
    if (ec) {
      Say("tagsmith-run: cannot make the folder " + S.options.outDir + ": " + ec.message() +
          ". Nothing was written.\n");
      return RUN_BAD_INPUT;
    }
  }
  switch (SafeWriteAll(writes, InputPaths(S))) {
    case SAFE_WRITTEN: return RUN_OK;
    case SAFE_REFUSED: return RUN_USAGE;
    case SAFE_FAILED: break;
  }
  return RUN_BAD_INPUT;
}

// A structured document's element definitions still name these formats,
// so the host did not delete them (each said once, however often asked).
void ReportKeptFormats(const Session& S) {
  std::set<std::pair<std::string, std::string>> said;
  for (const auto& kept : S.api.keptInUse()) {
    if (!said.insert(kept).second) continue;
    Say(Readable(BaseName(kept.first)) + ": kept character format \"" + Readable(kept.second) +
        "\": the element definitions name it\n");
  }
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

void ShowTimings(const Clock::time_point* t) {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  char line[256];
  std::snprintf(line, sizeof line,
                "timings: read %.3f s, start %.3f s, command %.3f s, results %.3f s; "
                "peak memory %.1f MB\n",
                Seconds(t[0], t[1]), Seconds(t[1], t[2]), Seconds(t[2], t[3]), Seconds(t[3], t[4]),
                usage.ru_maxrss / 1024.0);
  Say(line);
}

// ---- Reports: --counts, --json, --html ----

struct Reporting {
  RunRecord record;
  std::vector<Input*> subjects;
  std::vector<ObjHandle> before;  // copies of the subjects as read (--json)
};

Input* InputNamed(Session& S, const std::string& hostName) {
  for (const auto& in : S.inputs) {
    if (in->hostName == hostName) return in.get();
  }
  return nullptr;
}

// The documents the command works on, as read: the chapters of the book in
// book order, or the active document.
std::vector<Input*> Subjects(Session& S, bool bookCommand) {
  std::vector<Input*> out;
  if (bookCommand) {
    for (const MifBookComponent& c : S.book.components) {
      Input* in = InputNamed(S, RomanName(Normal(c.path)));
      if (in != nullptr) out.push_back(in);
    }
  } else {
    for (const auto& in : S.inputs) {
      if (in->doc != 0 && in->doc == S.host.activeDoc) out.push_back(in.get());
    }
  }
  return out;
}

void BeginRecord(Session& S, const std::vector<MenuEntry>& menu, int32_t number, Reporting* R) {
  const RunOptions& o = S.options;
  RunRecord& r = R->record;
  r.command = o.command;
  const char* call = CallStringFor(menu, number);
  r.call = call != nullptr ? call : "";
  r.number = number;
  r.bookCommand = IsBookOnly(menu, number);
  for (const auto& in : S.inputs) {
    if (in->doc == 0) continue;
    r.documents.push_back(in->file);
    if (in->doc == S.host.activeDoc) r.activeDocument = in->file;
  }
  r.book = S.bookFile;
  for (const MifBookComponent& c : S.book.components) {
    r.components.push_back(RecordComponent{c.path, InputNamed(S, RomanName(Normal(c.path))) != nullptr});
  }
  r.counted = o.counts;
  R->subjects = Subjects(S, r.bookCommand);
  for (Input* in : R->subjects) {
    // A file's saved copy is out of every call's reach: a copy of it, an
    // open document that is on no list, is what is counted and kept.
    ObjHandle doc = S.host.CloneDocument(r.bookCommand ? S.host.FileImage(in->hostName) : in->doc, false);
    RecordFile f;
    f.file = in->path;
    f.title = Readable(BaseName(in->hostName));
    if (o.counts || !o.html.empty()) {
      f.counts = CountTagUsage(S.host, doc);
      for (const std::string& tag : TagsNamedBesideText(S.host, doc)) f.named.push_back(Readable(tag));
    }
    for (ObjHandle fmt : S.host.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
      f.defined.push_back(Readable(S.host.StringProp(fmt, PROP_NAME)));
    }
    r.files.push_back(std::move(f));
    // Kept to be compared with the documents after the command.
    if (o.json.empty() && o.html.empty()) {
      S.host.DestroyDocument(doc);
      doc = 0;
    }
    R->before.push_back(doc);
  }
}

// The file a line on stderr is about: the input or book its text starts with.
std::string MessageFile(const Session& S, const std::string& line) {
  std::string file;
  size_t best = 0;
  auto consider = [&](const std::string& name, const std::string& path) {
    if (name.size() > best && line.compare(0, name.size(), name) == 0 &&
        line.size() > name.size() && (line[name.size()] == ':' || line[name.size()] == ' ')) {
      best = name.size();
      file = path;
    }
  };
  for (const auto& in : S.inputs) {
    for (const std::string& name : {in->file, in->path, Readable(BaseName(in->hostName))}) {
      consider(name, in->path);
    }
  }
  for (const std::string& named : S.options.files) consider(named, named);
  return file;
}

std::vector<RecordMessage> Messages(const Session& S) {
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
    if (!dialog) out.push_back(RecordMessage{MessageFile(S, line), line});
  }
  return out;
}

void EndRecord(Session& S, int status, Reporting* R) {
  RunRecord& r = R->record;
  r.status = status;
  for (ObjHandle d : S.host.openDocs) {
    if (IsInput(S, S.host.StringProp(d, PROP_NAME))) continue;
    r.hasOutput = true;
    r.output = ReadOutputDocument(S.host, d);
    break;
  }
  r.dialogs = RecordDialogs(S.user);
  r.changed.clear();
  for (const auto& change : S.changed) {
    Input* in = change.first;
    RecordChange c;
    c.file = in->path;
    // Nothing at all is written when the run does not end well.
    if (status == RUN_OK) c.target = change.second;
    for (size_t i = 0; i < R->subjects.size(); ++i) {
      if (R->subjects[i] != in || R->before[i] == 0) continue;
      ObjHandle after = OpenDocNamed(S, in->hostName);
      ObjHandle copy = 0;
      ObjHandle image = after == 0 ? S.host.FileImage(in->hostName) : 0;
      if (image != 0) copy = after = S.host.CloneDocument(image, false);
      if (after == 0) continue;
      c.changes = CompareDocuments(S.host, R->before[i], after);
      c.compared = true;
      RecordFile& f = r.files[i];
      f.changed = true;
      f.countsAfter = CountTagUsage(S.host, after);
      f.definedAfter.clear();
      for (ObjHandle fmt : S.host.Chain(after, PROP_FIRST_CHAR_FMT_IN_DOC)) {
        f.definedAfter.push_back(Readable(S.host.StringProp(fmt, PROP_NAME)));
      }
      if (copy != 0) S.host.DestroyDocument(copy);
    }
    r.changed.push_back(std::move(c));
  }
  r.messages = Messages(S);
}

void PrintCounts(const RunRecord& r) {
  std::printf("\nCharacter tag counts (runs, characters):\n");
  TagCounts total = TotalCounts(r);
  size_t width = 0;
  for (const auto& kv : total) width = std::max(width, Readable(kv.first).size());
  auto block = [width](const std::string& title, const TagCounts& counts) {
    std::printf("%s\n", title.c_str());
    if (counts.empty()) std::printf("  (no text carries a character tag)\n");
    for (const auto& kv : counts) {
      std::printf("  %-*s %8lld %10lld\n", static_cast<int>(width), Readable(kv.first).c_str(),
                  static_cast<long long>(kv.second.runs),
                  static_cast<long long>(kv.second.characters));
    }
  };
  for (const RecordFile& f : r.files) block(f.title, f.counts);
  if (r.bookCommand) block("Total", total);
  // Tags the client lists as used that no text carries, by why it does.
  std::vector<std::string> used;
  std::vector<std::string> unused;
  std::string byName;
  std::string variants;
  std::string neither;
  ClientUsage(r, &used, &unused);
  std::set<std::string> counted;
  for (const auto& kv : total) counted.insert(Readable(kv.first));
  auto add = [](std::string* line, const std::string& item) {
    *line += (line->empty() ? "" : ", ") + item;
  };
  for (const std::string& tag : std::set<std::string>(used.begin(), used.end())) {
    if (counted.count(tag) != 0) continue;
    NoTextUse why = WhyNoTextUse(r, tag);
    std::string of;
    for (const std::string& v : why.variantsUsed) add(&of, v);
    if (why.named) {
      add(&byName, tag);
    } else if (!of.empty()) {
      add(&variants, tag + " (" + of + ")");
    } else {
      add(&neither, tag);
    }
  }
  if (!byName.empty()) std::printf("Used by name only, no text carries them: %s\n", byName.c_str());
  if (!variants.empty()) {
    std::printf("Used only as a case variant of a used tag, no text carries them: %s\n",
                variants.c_str());
  }
  if (!neither.empty()) {
    std::printf("Listed as used, though no text, format or setting names them: %s\n",
                neither.c_str());
  }
  std::fflush(stdout);
}

// The report and the page are written after the documents: one may not take
// the place a changed document gets in --out-dir.
bool ReportsClearOfOutDir(const Session& S, std::string* why) {
  if (S.options.outDir.empty()) return true;
  auto place = [](const std::string& path) {
    return fs::absolute(fs::path(path)).lexically_normal();
  };
  for (const std::string* report : {&S.options.json, &S.options.html}) {
    if (report->empty() || SafeIsStdout(*report)) continue;
    for (const auto& in : S.inputs) {
      if (place(*report) == place((fs::path(S.options.outDir) / BaseName(in->path)).string())) {
        *why = *report + " is where --out-dir puts a changed " + BaseName(in->path);
        return false;
      }
    }
  }
  return true;
}

// A run that stops before its command still leaves its report, so that a
// pipeline can read why. Nothing named on the command line is replaced,
// read yet or not.
int Stop(Session& S, int status) {
  const RunOptions& o = S.options;
  if (o.json.empty()) return status;
  RunRecord r;
  r.command = o.command;
  if (const KnownCall* call = KnownCallOf(o.command)) r.call = call->text;
  for (const auto& in : S.inputs) {
    if (in->doc != 0) r.documents.push_back(in->file);
  }
  r.book = S.bookFile;
  r.messages = Messages(S);
  r.status = status;
  std::vector<std::string> keep = InputPaths(S);
  keep.insert(keep.end(), o.files.begin(), o.files.end());
  SafeWriteAll({SafeWrite{o.json, JsonReport(r), true, std::string()}}, keep);
  return status;
}

// Writes the page and the report; the report last, so that it can tell how
// the run ended. Neither replaces a file the run read or wrote.
int WriteReports(Session& S, Reporting* R, int status) {
  const RunOptions& o = S.options;
  std::vector<std::string> keep = InputPaths(S);
  if (status == RUN_OK) {
    if (!o.output.empty()) keep.push_back(o.output);
    for (const auto& change : S.changed) {
      if (!change.second.empty()) keep.push_back(change.second);
    }
  }
  auto write = [&](const std::string& path, const std::string& text) {
    SafeWriteResult result = SafeWriteAll({SafeWrite{path, text, true, std::string()}}, keep);
    if (result != SAFE_WRITTEN && status == RUN_OK) {
      status = result == SAFE_REFUSED ? RUN_USAGE : RUN_BAD_INPUT;
    }
    if (!SafeIsStdout(path)) keep.push_back(path);
  };
  if (!o.html.empty()) write(o.html, UsageHtml(R->record));
  if (!o.json.empty()) {
    if (status != R->record.status) EndRecord(S, status, R);
    write(o.json, JsonReport(R->record));
  }
  for (ObjHandle copy : R->before) {
    if (copy != 0) S.host.DestroyDocument(copy);
  }
  return status;
}

RunOptions WithDefaults(const RunOptions& options) {
  RunOptions o = options;
  if (o.hostDir.empty()) o.hostDir = DefaultHostDir();
  if (o.library.empty()) o.library = ClientDefaultLibrary();
  return o;
}

ClientSession* StartClient(Session& S) {
  std::string error;
  ClientSession* client = ClientOpen(&S.calls, S.options.library, &error);
  if (client == nullptr) {
    Say("tagsmith-run: " + error + "\n");
    return nullptr;
  }
  ClientInitialize(client, 1);
  return client;
}

// Skip Master Pages starts switched on; choosing it from the menu turns it
// off.
void ToggleSkipMasterPages(ClientSession* client, const std::vector<MenuEntry>& menu) {
  const MenuEntry* skip = MenuCommandTagged(menu, kSkipMasterPagesTag);
  if (skip != nullptr) ClientCommand(client, skip->number);
}

// The document that stands for an input now: the open one, else the file's
// saved copy.
ObjHandle CurrentDocument(Session& S, const Input& in) {
  ObjHandle doc = OpenDocNamed(S, in.hostName);
  return doc != 0 ? doc : S.host.FileImage(in.hostName);
}

}  // namespace

int RunStreamsClear(const RunOptions& options) {
  return StreamOntoInput(WithDefaults(options)) == 0 ? RUN_OK : RUN_USAGE;
}

int RunTagsmith(const RunOptions& options) {
  Clock::time_point t[5];
  t[0] = Clock::now();
  RunOptions o = WithDefaults(options);
  Session S(o);
  S.host.SetStringProp(MifApplication(S.host), PROP_HOST_DIR, o.hostDir);
  int status = LoadInputs(S);
  if (status != RUN_OK) return S.streamIsInput ? status : Stop(S, status);
  std::vector<SafeWrite> named;
  for (const std::string* target : {&o.output, &o.json, &o.html}) {
    if (!target->empty()) named.push_back(SafeWrite{*target, std::string(), true, std::string()});
  }
  if (!named.empty()) {
    // Refused before the command runs, as it could never be written.
    std::string why;
    if (!SafeCheckTargets(named, InputPaths(S), &why) || !ReportsClearOfOutDir(S, &why)) {
      Say(why + ". Nothing was written.\n");
      return RUN_USAGE;
    }
  }
  t[1] = Clock::now();

  ClientSession* client = StartClient(S);
  if (client == nullptr) return Stop(S, RUN_USAGE);
  std::string error;
  std::vector<MenuEntry> menu = MenuEntries(S.host);
  const KnownCall* call = KnownCallOf(o.command);
  int32_t number = call != nullptr ? NumberOfCall(menu, call)
                                   : ResolveLabel(menu, o.command, S.bookHandle != 0, &error);
  if (call != nullptr && number == 0) {
    error = "the client's menus hold no command for \"" + o.command + "\"";
  }
  if (number == 0) {
    ClientClose(client);
    Say("tagsmith-run: " + error + "\n");
    return Stop(S, RUN_USAGE);
  }
  if (IsBookOnly(menu, number) && S.bookHandle == 0) {
    ClientClose(client);
    Say("tagsmith-run: " + o.command + " works on a book: name a MIF book among the files\n");
    return Stop(S, RUN_USAGE);
  }
  if (!o.html.empty() && !IsBookOnly(menu, number) &&
      number != NumberOfCall(menu, KnownCallOf(kListUsageCall))) {
    ClientClose(client);
    Say("tagsmith-run: --html pictures the book commands and List Character Usage only\n");
    return Stop(S, RUN_USAGE);
  }
  // Skip Master Pages starts switched on; the option turns it off as the
  // menu command would.
  if (o.masterPages) ToggleSkipMasterPages(client, menu);
  InstallHostHooks(S);
  Reporting report;
  bool reporting = o.counts || !o.json.empty() || !o.html.empty();
  if (reporting) BeginRecord(S, menu, number, &report);
  t[2] = Clock::now();
  CommandStart start = Starting(S);
  if (call != nullptr) {
    ClientNotify(client, NOTE_CLIENT_CALL, call->text);
  } else {
    ClientCommand(client, number);
  }
  NoteNoDocument(S, menu, number, start);
  t[3] = Clock::now();
  ReportKeptFormats(S);
  status = Finish(S, CallStringFor(menu, number));
  if (reporting) EndRecord(S, status, &report);
  if (o.counts && !StdoutTaken(o)) PrintCounts(report.record);
  if (reporting) status = WriteReports(S, &report, status);
  ClientClose(client);
  t[4] = Clock::now();
  if (o.timings) ShowTimings(t);
  return status;
}

int RunWithSteps(const RunOptions& options, const std::function<int(RunSteps&)>& steps) {
  RunOptions o = WithDefaults(options);
  Session S(o);
  // The steps read each file's lines and paragraphs as read.
  S.settleChanges = false;
  S.host.SetStringProp(MifApplication(S.host), PROP_HOST_DIR, o.hostDir);
  int status = LoadInputs(S);
  if (status != RUN_OK) return status;
  ClientSession* client = StartClient(S);
  if (client == nullptr) return RUN_USAGE;
  std::vector<MenuEntry> menu = MenuEntries(S.host);
  if (o.masterPages) ToggleSkipMasterPages(client, menu);
  InstallHostHooks(S);
  // The steps' commands walk a book again and again: each line of the
  // console is said once, and a component that could not be read is not
  // named again, as reading it named it already.
  S.consoleOnce = std::make_unique<std::set<std::string>>();
  for (const std::string& path : S.unread) {
    S.consoleOnce->insert("Could not open file:" + RomanName(Normal(path)));
  }
  // The caller asked for the commands it runs: their questions need no
  // answer on the terminal, and no command it runs offers a choice.
  S.user.responder = [&S](memhost::DialogRecord& r) {
    if (r.kind == memhost::DialogRecord::ALERT && r.alertType == kAlertQuestion) {
      r.answer = 0;
    } else if (r.kind == memhost::DialogRecord::ALERT) {
      if (S.progress) Say("\r\033[K");
      AnswerAlert(S, r);
    } else {
      r.answer = -1;
      S.cancelled = true;
    }
    return true;
  };
  RunSteps run;
  run.host = &S.host;
  run.book = S.bookHandle != 0;
  run.unread = S.unread;
  run.run = [&S, &menu, client](const std::string& text) -> int {
    const KnownCall* call = KnownCallOf(text);
    if (call == nullptr) return RUN_USAGE;
    S.failed = S.cancelled = false;
    CommandStart start = Starting(S);
    ClientNotify(client, NOTE_CLIENT_CALL, call->text);
    NoteNoDocument(S, menu, NumberOfCall(menu, call), start);
    ShowConsole(S);
    if (S.progress) Say("\r\033[K");
    return S.failed ? RUN_FAILED : S.cancelled ? RUN_CANCELLED : RUN_OK;
  };
  run.documents = [&S]() {
    std::vector<RunDocument> documents;
    for (const auto& in : S.inputs) {
      documents.push_back(
          RunDocument{in->file, in->original.get(), &in->source, CurrentDocument(S, *in)});
    }
    return documents;
  };
  status = steps(run);
  ClientClose(client);
  return S.missing && !o.allowMissing ? RUN_MISSING_FILES : status;
}

int RunList(const RunOptions& options) {
  RunOptions o = options;
  if (o.library.empty()) o.library = ClientDefaultLibrary();
  memhost::DocStore host;
  memhost::MemHost api(&host);
  std::string error;
  ClientSession* client = ClientOpen(&api, o.library, &error);
  if (client == nullptr) {
    Say("tagsmith-run: " + error + "\n");
    return RUN_USAGE;
  }
  ClientInitialize(client, 1);
  std::vector<MenuEntry> menu = MenuEntries(host);
  ClientClose(client);
  std::printf("COMMAND is a client-call string or a menu label (client: %s).\n", ClientKind());
  for (int book = 0; book < 2; ++book) {
    std::printf("\n%s menu, Tools > Characters:\n", book != 0 ? "Book" : "Document");
    for (const MenuEntry& e : menu) {
      if (e.book != (book != 0)) continue;
      std::printf("  %-48s %s\n", e.label.c_str(), ListedCall(menu, e).c_str());
    }
  }
  return RUN_OK;
}
