// Writing a document of the in-memory host as MIF, in parts: what the parts
// share. Only the writer's own files include this; everyone else writes
// through MifWriteDocument (mif_document.h).
//
// One write runs on one Writer. Written from a file it read, the document
// is the file's tree, changed only where the model differs from what was
// read (mif_write_changed.cpp, which brings each paragraph in line through
// mif_write_paragraph.cpp and mif_write_refont.cpp); written new, the tree
// is made from the model alone (mif_write_new.cpp). Both make statements
// from the model (mif_write_build.cpp) and font changes and catalog entries
// (mif_write_fonts.cpp).
#ifndef TAGSMITH_MIF_MIF_WRITER_H
#define TAGSMITH_MIF_MIF_WRITER_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mif/mif_document.h"
#include "mif/mif_font.h"

namespace mifwrite {

// A statement of the tree by the child indexes on the way to it.
using Path = std::vector<uint32_t>;

struct Writer {
  memhost::DocStore& host;
  ObjHandle doc;
  const MifDocument* src;  // what was read; null for a new file
  MifTree* tree;           // what is written
  MifEncoding enc;
  ObjHandle app;
  std::map<ObjHandle, int32_t> newTableIds;
  // Source paragraphs by the path of the statement that holds them.
  std::map<Path, std::vector<size_t>> parasByParent;  // node indexes
  // Formats of the file's catalog that the document no longer has: a font
  // change naming one leaned on its entry and must now say everything.
  std::set<std::string> gone;
  // Set when a link of the model named no live object: the write fails.
  bool broken = false;

  Writer(memhost::DocStore& h, ObjHandle d, const MifDocument* s, MifTree* t)
      : host(h), doc(d), src(s), tree(t), enc(t->encoding), app(MifApplication(h)) {}
};

// ---- Of every part (mif_document_write.cpp) ----

Path ParentOf(const Path& p);
// The live object a link of the model names; null, with the write marked
// broken, when there is none: the caller skips it.
const memhost::Obj* Linked(Writer& W, ObjHandle h);
// Gives a statement made here the look of the host's own; returns n.
MifNode* HostStyle(MifNode* n);
// Appends <name word> to parent.
void AppendWord(MifNode* parent, const char* name, const char* word);
// Index of the first child of node named `name`, or -1.
int64_t ChildIndex(const MifNode& node, const char* name);
// Where a new top-level statement goes: before the first of `before`, else
// before the closing comment, else at the end.
size_t TopLevelPlace(const MifNode& root, std::initializer_list<const char*> before);

// ---- Font changes and the character catalog (mif_write_fonts.cpp) ----

// The paragraph's own font, with no tag.
MifRunProps ParagraphFontOf(Writer& W, ObjHandle pgf);
// A <Font> changing to P in a paragraph whose font is F.
MifNode BuildFont(Writer& W, const MifRunProps& P, const MifRunProps& F);
// A <Font> entry of the catalog for character format f.
MifNode BuildCatalogFont(Writer& W, ObjHandle f);
// Fills W.gone from the file's catalogs; before anything reads it.
void FindGoneFormats(Writer& W);
// The file's catalog without the gone formats, with the document's new ones.
void SyncFontCatalog(Writer& W);

// ---- Statements made from the model (mif_write_build.cpp) ----

// The <TblID> or footnote ID an anchor marker points at; 0 when none.
int32_t AnchorId(Writer& W, const memhost::Marker& m);
// The text of paragraph pgf, its font changes and anchors, into a <ParaLine>.
void AppendLineContent(Writer& W, MifNode* line, const memhost::Obj& pgf);
// A <Para>; its line in the text frame textRectId when that is 0 or more.
MifNode BuildPara(Writer& W, const memhost::Obj& pgf, int32_t textRectId);
// A <Tbl> of the given ID.
MifNode BuildTable(Writer& W, ObjHandle table, int32_t id);
// A <TextFlow>; its first line in the text frame textRectId (0 or more).
MifNode BuildFlow(Writer& W, ObjHandle flow, int32_t textRectId);
std::vector<ObjHandle> FlowParagraphs(Writer& W, ObjHandle flow);

// ---- A paragraph of the file (mif_write_paragraph.cpp) ----

// Brings the file's <Para> read as paragraph sourcePara in line with pgf,
// keeping what did not change as the file wrote it.
void UpdatePara(Writer& W, MifNode* para, const memhost::Obj& pgf, size_t sourcePara);
// Characters of a text statement of a <ParaLine>, as the reader counted them.
int32_t UnitLength(Writer& W, const MifNode& c);
// Puts node before the character at offset o of the paragraph.
void InsertAt(Writer& W, MifNode* para, int32_t o, MifNode node);
bool HasAnchor(const std::vector<MifAnchor>& list, int32_t kind, int32_t id);

// ---- The font changes of a paragraph placed anew (mif_write_refont.cpp) ----

// Same text, the runs of cur where the file had those of old.
void Refont(Writer& W, MifNode* para, const memhost::Obj& pgf, const MifParaState& old,
            const MifParaState& cur);
// The runs of old on the positions of cur, whose text differs only by
// anchors added or gone.
std::vector<MifRun> RunsOnNewPositions(const MifParaState& old, const MifParaState& cur);

// ---- The whole document; false when the model is broken ----

bool WriteChanged(Writer& W);  // into the file's tree (mif_write_changed.cpp)
bool WriteNew(Writer& W);      // into an empty tree (mif_write_new.cpp)

}  // namespace mifwrite

#endif
