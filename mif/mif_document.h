// MIF documents and books in the in-memory host: a file read into the host's
// document model, and a document of the host written back as MIF.
//
// The reader keeps the file's statement tree beside the model. The writer
// starts from that tree and changes only what the model changed: character
// formats deleted or added, the character runs of paragraphs (tags and
// overrides), paragraphs and tables added. Everything else (layout,
// graphics, markers, conditions, structure, unknown statements) is written
// back exactly as it was read, so reading and writing an unchanged document
// gives back its bytes.
//
// How MIF maps onto the host's notions is described in the README, section
// "The MIF mapping".
#ifndef TAGSMITH_MIF_MIF_DOCUMENT_H
#define TAGSMITH_MIF_MIF_DOCUMENT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "memhost/doc_store.h"
#include "mif/mif_tree.h"

// The characters of paragraphs that stand for statements rather than text.
constexpr char kMifCharVariable = ' ';  // a <Variable>: its text is the host's to compute

// A run's properties with its colour by name, so that runs of two copies of
// a document compare equal.
struct MifRunProps {
  memhost::CharProps props;  // colour slot 0
  std::string color;
  bool operator==(const MifRunProps& o) const { return props == o.props && color == o.color; }
  bool operator!=(const MifRunProps& o) const { return !(*this == o); }
};

struct MifRun {
  int32_t offset;
  MifRunProps props;
  bool operator==(const MifRun& o) const { return offset == o.offset && props == o.props; }
};

// A table or footnote anchored in a paragraph, by its ID in the file.
struct MifAnchor {
  int32_t offset;
  int32_t kind;  // memhost::ITEM_TABLE_ANCHOR or ITEM_FOOTNOTE_ANCHOR
  int32_t id;
  bool operator==(const MifAnchor& o) const {
    return offset == o.offset && kind == o.kind && id == o.id;
  }
};

// A paragraph as the model holds it: text, format, runs and anchors.
struct MifParaState {
  std::string text;
  std::string format;
  std::vector<MifRun> runs;
  std::vector<MifAnchor> anchors;
};

// A paragraph as the model held it when read, to tell what a command
// changed. Its runs name their properties by index into
// MifDocument::runProps, and its format by index into MifDocument::formats,
// as the paragraphs of a document share a few; few have anchors. Its text
// and runs lie in MifDocument::paraText and paraRuns with every other
// paragraph's, as a long document holds one record for each paragraph:
// MifRecordText and MifRecordRuns give them. (A file over 512 MB is never
// read, and its text is never longer than the file.)
struct MifParaRecord {
  struct Run {
    int32_t offset;
    uint32_t props;
  };
  uint32_t textAt = 0;
  uint32_t textSize = 0;
  uint32_t runsAt = 0;
  uint32_t runCount = 0;
  memhost::RareList<MifAnchor> anchors;
  uint32_t format = 0;
};

// The runs of a record, in order of their offsets.
struct MifRecordRunList {
  const MifParaRecord::Run* first;
  const MifParaRecord::Run* last;
  const MifParaRecord::Run* begin() const { return first; }
  const MifParaRecord::Run* end() const { return last; }
  size_t size() const { return static_cast<size_t>(last - first); }
  bool empty() const { return first == last; }
  const MifParaRecord::Run& operator[](size_t i) const { return first[i]; }
};

enum MifRefKind {
  MIF_NODE_PARA = 1,  // <Para>
  MIF_NODE_FLOW,      // <TextFlow>
  MIF_NODE_CELL,      // <Cell> (paragraphs in its <CellContent>)
  MIF_NODE_NOTE,      // <FNote> in <Notes>
  MIF_NODE_TABLE,     // <Tbl> (title paragraphs in <TblTitle> <TblTitleContent>)
  MIF_NODE_FRAME,     // <TextRect> on a page
};

// A long document holds one for each paragraph: its path, the child indexes
// from the root, lies in MifDocument::paths with every other node's rather
// than in a block of its own.
struct MifNodeRef {
  uint32_t pathAt = 0;    // where its path starts in MifDocument::paths
  uint32_t pathSize = 0;  // how many indexes it has
  int32_t kind = 0;       // MIF_NODE_*
  int32_t id = 0;         // tables and footnotes: their ID in the file
  uint32_t para = 0;      // paragraphs: index into MifDocument::paras
};

// Where the text of a paragraph comes from in the file: the line of its
// <Para> (offset -1) and of each <Font> statement in it, with the offset from
// which that font applies.
struct MifTextLine {
  uint32_t para;  // index into MifDocument::paras
  int32_t offset;
  int32_t line;
};

struct MifDocument {
  std::string file;  // where it was read from
  std::string name;  // the host's name for it when read
  MifTree tree;
  std::vector<MifNodeRef> nodes;
  std::vector<uint32_t> paths;  // the paths of nodes, one after another
  std::vector<MifParaRecord> paras;
  std::string paraText;                      // the records' texts, one after another
  std::vector<MifParaRecord::Run> paraRuns;  // the records' runs, one after another
  std::vector<MifRunProps> runProps;         // every distinct run of paras
  std::vector<std::string> formats;          // every distinct format name of paras, "" first
  std::vector<MifTextLine> textLines;        // by paragraph, then offset
};

// Reads the MIF document `file` into the host as a new open document named
// `name`; *doc receives its handle. A file that is not a MIF document (or
// that cannot be read) is an error naming the file and line.
bool MifLoadDocument(memhost::DocStore& host, const std::string& file, const std::string& name,
                     MifDocument* source, ObjHandle* doc, MifError* error);
// The same for a tree already parsed (source->tree); source->file names it.
// MIF_RELEASE_TREE frees the tree while it is read, for a caller that keeps
// only the model: source->tree is empty afterwards, and the tree must be
// parsed again to write the document.
enum MifTreeUse { MIF_KEEP_TREE, MIF_RELEASE_TREE };
bool MifLoadDocumentTree(memhost::DocStore& host, const std::string& name, MifDocument* source,
                         ObjHandle* doc, MifError* error, MifTreeUse use = MIF_KEEP_TREE);

// The MIF text of document `doc`: source's tree changed where the model
// differs from what was read, or a new file when source is null. False, with
// *error set and *text untouched, when doc is no live document or a link of
// its model (a paragraph, row, cell, table) names no live object.
bool MifWriteDocument(memhost::DocStore& host, ObjHandle doc, const MifDocument* source,
                      std::string* text, MifError* error);
// The same, written from source's own tree rather than a copy of it: the
// tree is spent, freed as it is written (or left half changed, on failure).
bool MifWriteDocumentInPlace(memhost::DocStore& host, ObjHandle doc, MifDocument* source,
                             std::string* text, MifError* error);

// ---- Paragraphs and where they were read from ----

// The index into source.paras of a paragraph of the document read from
// source, or of a copy of it; -1 for a paragraph made since.
int64_t MifParaIndexOf(const memhost::DocStore& host, const MifDocument& source, ObjHandle pgf);
// A paragraph of the model: text, format, runs and anchors (tables and
// footnotes by their ID in the file; 0 for those made since).
MifParaState MifModelParaState(memhost::DocStore& host, const MifDocument* source,
                               const memhost::Obj& pgf);
// Paragraph `para` of source as it was read, in the same form.
MifParaState MifParaAsRead(const MifDocument& source, size_t para);
// A record's text and runs.
inline std::string_view MifRecordText(const MifDocument& source, const MifParaRecord& r) {
  return std::string_view(source.paraText).substr(r.textAt, r.textSize);
}
inline MifRecordRunList MifRecordRuns(const MifDocument& source, const MifParaRecord& r) {
  const MifParaRecord::Run* at = source.paraRuns.data() + r.runsAt;
  return MifRecordRunList{at, at + r.runCount};
}
// The line that the text at `offset` of paragraph `para` was read from: the
// last <Font> statement that applies there, else the <Para>; 0 when unknown.
int32_t MifLineOfText(const MifDocument& source, size_t para, int32_t offset);

// ---- Books ----

struct MifBookComponent {
  std::string fileName;  // as the book writes it, decoded (UTF-8): <c\>ch1.mif
  std::string path;      // resolved against the book's folder (UTF-8, for the disk)
  std::string hostName;  // the same path as the host names it (Roman)
  int32_t line = 0;      // of its <BookComponent>
};

struct MifBook {
  std::string file;
  MifTree tree;
  std::vector<MifBookComponent> components;
};

// Reads the MIF book `file` into the host as a new book named `name`, one
// component (a document file) per <BookComponent> naming a <FileName>.
bool MifLoadBook(memhost::DocStore& host, const std::string& file, const std::string& name,
                 MifBook* book, ObjHandle* handle, MifError* error);
// The same for a tree already parsed (book->tree); book->file names it.
bool MifLoadBookTree(memhost::DocStore& host, const std::string& name, MifBook* book,
                     ObjHandle* handle, MifError* error);
// A component's file name in the host's token form resolved against the
// folder of the book file: relative names join it, <r\>, <v\> and <h\>
// start from the root, a volume or a network host.
std::string MifResolveComponent(const std::string& bookFile, const std::string& fileName);
// Where a component named from the root, a volume or a network host (the
// path of the machine the book was made on) is looked for when that path is
// not here: the file of the same name in the book's folder. Empty for a
// name relative to the book.
std::string MifComponentBesideBook(const std::string& bookFile, const std::string& fileName);

#endif
