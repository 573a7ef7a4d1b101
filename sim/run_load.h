// The first phase of a run: the files named, and a book's components, read
// into the host's model; the host folder's output document kept as a file
// the client may open. Also the check that neither standard stream is a
// file the run reads.
#ifndef TAGSMITH_SIM_RUN_LOAD_H
#define TAGSMITH_SIM_RUN_LOAD_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "memhost/doc_store.h"
#include "mif/mif_document.h"
#include "sim/run_options.h"
#include "sim/safe_write.h"

// The document in the host folder that the client adds results to.
extern const char kOutputName[];

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
  // Whether saved differs from what was read.
  bool savedDiffers = false;
  // Once saved is made, the bytes read are let go (original is null): a
  // command may change every chapter of a book before anything is written.
  // What is still asked of them is kept: their digest, for the file to be
  // replaced only while it still holds them, and the formats of their
  // catalog, to count those deleted.
  Sha256Digest originalDigest{};
  std::vector<std::string> originalFormats;
  // The text that source's references describe: saved once the copy was
  // made again from it, else original.
  bool sourceIsSaved = false;
  MifDocument source;
  ObjHandle doc = 0;  // the open document (command-line documents)
};

// The statement tree is what a document costs most to keep; it is read again
// from the file's text when the document is to be written.
void ReleaseTree(Input* in);
// Reads the tree again when it was released; false with *error.
bool RestoreTree(Input* in, std::string* error);
// The digest of the bytes read.
Sha256Digest OriginalDigest(const Input& in);
// Whether text differs from the bytes read: compared with them while they
// are held, else by digest.
bool DiffersFromRead(const Input& in, const std::string& text);
// The formats of the catalog of what was read, in its order.
std::vector<std::string> OriginalFormats(const Input& in);

// What loading gives the later phases: every input, the book, and what
// could not be read.
struct RunInputs {
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
  // Whether the command may change the documents: fewer chapters' models
  // are then kept as read (see KeptModels).
  bool mayChange = true;
  // Whether the documents named keep their statement trees as read. Writing
  // a changed document holds its tree and its model together, so keeping
  // the tree from the start raises no peak a write would not reach, and
  // spares reading it again; a command that only reads frees it at once.
  bool keepDocumentTrees = false;
  // Told of each file before it is read (the done-th of total), and once
  // all of a kind are read; may be empty.
  std::function<void(const std::string& file, size_t done, size_t total)> reading;
};

// The standard stream (1, 2) that is a file the run reads, redirected onto
// it (`1<>FILE`, `>>FILE`), said when it can be; 0 when neither is. Every
// such file is looked at before the run says anything: the files named, a
// book's chapters, the host folder's output document. o.hostDir is set.
int StreamOntoInput(const RunOptions& o);

// Reads o.files (and a book's components) into host; the last document
// named becomes the active one, the book the active book. RUN_OK, or
// RUN_USAGE / RUN_BAD_INPUT, said. The host's file entries of a book's
// chapters refer to I's inputs and to host: both must outlive the run.
int LoadInputs(const RunOptions& o, memhost::DocStore& host, RunInputs* I);

// Every file the run read, by the paths it read them from.
std::vector<std::string> InputPaths(const RunInputs& I);
bool IsInput(const RunInputs& I, const std::string& hostName);
Input* InputNamed(const RunInputs& I, const std::string& hostName);

// The MIF text of `doc`, written over the tree of the text `in` was read
// from. The writer only reads the model, so a saved copy is shown to it as
// it stands rather than copied once more; the tree, read again from the
// text, is spent by the write.
bool WriteInPlace(memhost::DocStore& host, ObjHandle doc, Input* in, std::string* text,
                  std::string* error);

#endif
