#include "sim/run_load.h"

#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "mif/mif_font.h"
#include "sim/kept_models.h"
#include "sim/run_names.h"
#include "sim/run_say.h"
#include "sim/run_summary.h"

namespace fs = std::filesystem;

const char kOutputName[] = "VxOutput.fm";

void ReleaseTree(Input* in) { in->source.tree = MifTree(); }

bool RestoreTree(Input* in, std::string* error) {
  if (!in->source.tree.root.children.empty()) return true;
  const std::shared_ptr<const std::string>& text = in->sourceIsSaved ? in->saved : in->original;
  // The bytes read are let go once the saved text is made, and every model
  // made after is made from that text: no tree of them is asked for then.
  if (text == nullptr) {
    *error = in->file + ": the text read is no longer held";
    return false;
  }
  MifError e;
  if (MifParse(text, in->file, &in->source.tree, &e)) return true;
  *error = MifErrorText(e);
  return false;
}

Sha256Digest OriginalDigest(const Input& in) {
  return in.original != nullptr ? Sha256Of(*in.original) : in.originalDigest;
}

bool DiffersFromRead(const Input& in, const std::string& text) {
  return in.original != nullptr ? text != *in.original : Sha256Of(text) != in.originalDigest;
}

std::vector<std::string> OriginalFormats(const Input& in) {
  return in.original != nullptr ? CatalogFormats(*in.original) : in.originalFormats;
}

namespace {

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

// Reads a document and keeps it as a file the host can open (a chapter, the
// output document), not as an open document: what it was read into becomes
// the host's saved copy, as saving it would have made it.
void HideAsImage(memhost::DocStore& host, ObjHandle doc) {
  host.Data(doc)->isImage = true;
  auto& open = host.openDocs;
  open.erase(std::remove(open.begin(), open.end(), doc), open.end());
}

void KeepAsFile(memhost::DocStore& host, Input* in, ObjHandle doc) {
  memhost::FileEntry& entry = host.files[in->hostName];
  if (entry.image != 0) host.DestroyDocument(entry.image);
  entry.image = doc;
  HideAsImage(host, doc);
  ReleaseTree(in);
}

// A book's chapters are read again from their text when the walk opens them,
// so that only the open ones are held as models, not the whole book.
ObjHandle MakeImage(memhost::DocStore& host, Input* in) {
  ObjHandle active = host.activeDoc;
  std::string why;
  MifError error;
  ObjHandle doc = 0;
  ReleaseTree(in);
  in->sourceIsSaved = in->saved != nullptr;
  bool ok = RestoreTree(in, &why) &&
            MifLoadDocumentTree(host, in->hostName, &in->source, &doc, &error, MIF_RELEASE_TREE);
  ReleaseTree(in);
  if (!ok) return 0;
  HideAsImage(host, doc);
  // Made from what the command saved, not from what the file holds.
  if (in->saved != nullptr) host.Data(doc)->dirty = true;
  host.activeDoc = active;
  return doc;
}

// A changed chapter, once closed, is kept as the text it will be written
// as: a model costs several times its text, and a book command may change
// every chapter before anything is written.
bool SettleImage(memhost::DocStore& host, Input* in, ObjHandle image) {
  std::string text;
  std::string error;
  if (!WriteInPlace(host, image, in, &text, &error)) return false;
  in->savedDiffers = DiffersFromRead(*in, text);
  if (in->original != nullptr) {
    in->originalDigest = Sha256Of(*in->original);
    in->originalFormats = CatalogFormats(*in->original);
    in->original = nullptr;
  }
  in->saved = std::make_shared<const std::string>(std::move(text));
  return true;
}

bool StoreAsFile(memhost::DocStore& host, Input* in) {
  MifError error;
  ObjHandle doc = 0;
  if (!MifLoadDocumentTree(host, in->hostName, &in->source, &doc, &error, MIF_RELEASE_TREE)) {
    Say(MifErrorText(error) + "\n");
    return false;
  }
  KeepAsFile(host, in, doc);
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
  bool exported = false;  // read from a MIF file of the same stem
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
bool ReadComponent(memhost::DocStore& host, bool settle, KeptModels* keep, Input* in,
                   std::string* why) {
  if (!ReadTree(in->path, &in->original, &in->source.tree, &in->stamp, why)) return false;
  if (in->source.tree.is_book) {
    *why = "a book, not a document";
    return false;
  }
  MifError error;
  ObjHandle doc = 0;
  if (!MifLoadDocumentTree(host, in->hostName, &in->source, &doc, &error, MIF_RELEASE_TREE)) {
    *why = MifErrorText(error);
    return false;
  }
  KeepAsFile(host, in, doc);
  // Read now to report what cannot be read, and kept as read while the
  // models kept stay within the budget; any other is made again when opened.
  memhost::FileEntry& entry = host.files[in->hostName];
  size_t cost = in->original->size();
  entry.keep = KeepModel(keep, cost);
  if (!entry.keep) {
    host.DestroyDocument(entry.image);
    entry.image = 0;
  }
  entry.load = [&host, in] { return MakeImage(host, in); };
  if (settle) entry.settle = [&host, in](ObjHandle image) { return SettleImage(host, in, image); };
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

}  // namespace

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
    Say("tagsmith-run: standard output is " + path +
        ", which is read by this run; a result is "
        "never written onto an input. Nothing was written.\n");
  }
  return stream;
}

namespace {

// A document is read into a statement tree that is freed, statement by
// statement, while its model is made. The allocator keeps small freed
// blocks apart in its fast lists, where blocks of another size never reach
// them: the model then grows beside the spent tree rather than in its room,
// and a long document of short paragraphs peaks at a fifth more. While the
// inputs are read the fast lists are off, so that freed blocks merge at
// once; after, the commands' many small blocks of one size are faster with
// them.
class MergedFrees {
 public:
#if defined(__GLIBC__)
  MergedFrees() { mallopt(M_MXFAST, 0); }
  ~MergedFrees() { mallopt(M_MXFAST, 64 * sizeof(size_t) / 4); }  // the allocator's default
#else
  MergedFrees() = default;
#endif
  MergedFrees(const MergedFrees&) = delete;
  MergedFrees& operator=(const MergedFrees&) = delete;
};

}  // namespace

int LoadInputs(const RunOptions& o, memhost::DocStore& host, RunInputs* I) {
  MergedFrees merged;
  std::vector<ObjHandle> named;
  I->streamIsInput = StreamOntoInput(o);
  if (I->streamIsInput != 0) return RUN_USAGE;
  auto reading = [I](const std::string& file, size_t done, size_t total) {
    if (I->reading) I->reading(file, done, total);
  };
  for (const std::string& file : o.files) {
    reading(file, static_cast<size_t>(&file - o.files.data()), o.files.size());
    auto in = std::make_unique<Input>();
    in->file = file;
    in->path = file;
    if (!ParseFile(file, &in->original, &in->source.tree, &in->stamp)) return RUN_BAD_INPUT;
    in->source.file = file;
    if (in->source.tree.is_book) {
      if (!I->bookFile.empty()) {
        Say("tagsmith-run: more than one book given (" + I->bookFile + ", " + file + ")\n");
        return RUN_USAGE;
      }
      I->bookFile = file;
      I->book.file = file;
      I->book.tree = std::move(in->source.tree);
      continue;
    }
    in->hostName = RomanName(Normal(file));
    for (const auto& other : I->inputs) {
      if (other->hostName == in->hostName) {
        Say("tagsmith-run: " + file + " is named twice\n");
        return RUN_USAGE;
      }
    }
    MifError error;
    MifTreeUse use = I->keepDocumentTrees ? MIF_KEEP_TREE : MIF_RELEASE_TREE;
    if (!MifLoadDocumentTree(host, in->hostName, &in->source, &in->doc, &error, use)) {
      Say(MifErrorText(error) + "\n");
      return RUN_BAD_INPUT;
    }
    if (use == MIF_RELEASE_TREE) ReleaseTree(in.get());
    named.push_back(in->doc);
    I->inputs.push_back(std::move(in));
  }

  if (!I->bookFile.empty()) {
    MifError error;
    if (!MifLoadBookTree(host, RomanName(Normal(I->bookFile)), &I->book, &I->bookHandle, &error)) {
      Say(MifErrorText(error) + "\n");
      return RUN_BAD_INPUT;
    }
    std::vector<std::string> besideBook;
    std::vector<std::string> exported;
    KeptModels keep = KeptModelsFor(I->mayChange);
    for (MifBookComponent& c : I->book.components) {
      reading(BaseName(c.path), static_cast<size_t>(&c - I->book.components.data()),
              I->book.components.size());
      // A path of the machine the book was made on: a volume ("O:/...")
      // is no path here at all, not one relative to the working folder.
      ComponentFound found = FindComponent(I->bookFile, &c);
      if (!found.besideBook.empty()) besideBook.push_back(found.besideBook);
      if (found.exported) exported.push_back(BaseName(c.path));
      std::string hostName = RomanName(Normal(c.path));
      Input* open = nullptr;
      for (const auto& in : I->inputs) {
        if (in->hostName == hostName) open = in.get();
      }
      if (open != nullptr) {
        // The walk closes it after its pass and opens it again for the next:
        // the host then reads the file, which is what was opened.
        host.StoreFile(open->doc, hostName);
        continue;
      }
      // The book walk reports a file it cannot open and goes on; this says
      // which component of the book it was and why.
      std::string where = I->bookFile + ":" + std::to_string(c.line) + ": component " +
                          BaseName(c.path) + ": ";
      std::error_code ec;
      if (!fs::exists(c.path, ec)) {
        Say(where + "no such file (" + c.path + ")\n");
        I->missing = true;
        I->unread.push_back(c.path);
        continue;
      }
      auto in = std::make_unique<Input>();
      in->file = c.path;
      in->path = c.path;
      in->hostName = hostName;
      in->source.file = c.path;
      std::string why;
      if (!ReadComponent(host, I->settleChanges, &keep, in.get(), &why)) {
        Say(where + "cannot be read, skipped: " + why + "\n");
        I->missing = true;
        I->unread.push_back(c.path);
        continue;
      }
      I->inputs.push_back(std::move(in));
    }
    // Each way of finding a component elsewhere is said once, naming them all.
    auto sayFound = [&I](const std::vector<std::string>& found, const char* how) {
      if (found.empty()) return;
      std::string names;
      for (const std::string& n : found) names += (names.empty() ? "" : ", ") + n;
      SayNote(I->bookFile + how + names + "\n");
    };
    sayFound(besideBook,
             ": the book names documents by absolute paths that are not here; "
             "read from the files of the same name beside the book instead: ");
    sayFound(exported,
             ": the book names its documents by files that are not here; "
             "read from the MIF files beside them instead: ");
    // The walk opens the components by the names the host gives them.
    const memhost::Obj* b = host.Find(I->bookHandle);
    for (size_t i = 0; b != nullptr && i < b->kids.size(); ++i) {
      host.SetStringProp(b->kids[i], PROP_NAME, RomanName(Normal(I->book.components[i].path)));
    }
  }

  // The output document the client looks for in the host's folder.
  std::string dir = o.hostDir;
  bool separated = !dir.empty() && (dir.back() == '/' || dir.back() == '\\');
  I->outputHostName = RomanName(dir + (separated ? "" : "\\") + kOutputName);
  std::string onDisk = (fs::path(dir) / kOutputName).string();
  std::error_code ec;
  if (fs::exists(fs::symlink_status(onDisk, ec))) {
    auto in = std::make_unique<Input>();
    in->file = onDisk;
    in->path = onDisk;
    in->hostName = I->outputHostName;
    in->source.file = onDisk;
    if (!ParseFile(onDisk, &in->original, &in->source.tree, &in->stamp) ||
        !StoreAsFile(host, in.get())) {
      Say("tagsmith-run: the host folder's " + std::string(kOutputName) +
          ", which results are added to, cannot be used; mend or remove it, or give another "
          "--host-dir\n");
      return RUN_BAD_INPUT;
    }
    I->outputSource = std::move(in);
  }

  // The last document named is the active one; the book is the active book.
  host.openDocs.clear();
  for (ObjHandle d : named) host.openDocs.push_back(d);
  host.activeDoc = named.empty() ? 0 : named.back();
  host.activeBook = I->bookHandle;
  size_t total = I->bookFile.empty() ? o.files.size() : I->book.components.size();
  reading(std::string(), total, total);
  return RUN_OK;
}

Input* InputNamed(const RunInputs& I, const std::string& hostName) {
  for (const auto& in : I.inputs) {
    if (in->hostName == hostName) return in.get();
  }
  return nullptr;
}

bool IsInput(const RunInputs& I, const std::string& hostName) {
  for (const auto& in : I.inputs) {
    if (in->hostName == hostName) return true;
  }
  return false;
}

// Every file the run read, by the paths it read them from.
std::vector<std::string> InputPaths(const RunInputs& I) {
  std::vector<std::string> paths;
  for (const auto& in : I.inputs) paths.push_back(in->path);
  if (!I.bookFile.empty()) paths.push_back(I.bookFile);
  if (I.outputSource != nullptr) paths.push_back(I.outputSource->path);
  return paths;
}

bool WriteInPlace(memhost::DocStore& host, ObjHandle doc, Input* in, std::string* text,
                  std::string* error) {
  memhost::DocData* data = host.Data(doc);
  bool image = data != nullptr && data->isImage;
  if (image) data->isImage = false;
  MifError e;
  bool ok = RestoreTree(in, error) && MifWriteDocumentInPlace(host, doc, &in->source, text, &e);
  if (image) data->isImage = true;
  ReleaseTree(in);
  if (!ok && error->empty()) *error = MifErrorText(e);
  return ok;
}
