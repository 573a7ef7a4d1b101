// Writing a document of the in-memory host as MIF: the file it was read
// from, changed where the model changed, or a new file. The parts of the
// writer (mif_writer.h) and what they all use.
#include "mif/mif_writer.h"

#include "mif/mif_document_internal.h"

using memhost::DocStore;
using memhost::Obj;

namespace mifwrite {

Path ParentOf(const Path& p) { return Path(p.begin(), p.end() - (p.empty() ? 0 : 1)); }

// The object a link of the model names: a paragraph of a flow, cell, title or
// footnote, a row of a table, a cell of a row, a table or flow of a chain.
// Every link must name a live object; when one does not, the model is broken
// and a file written from it would silently lack text, so the writer is
// marked to fail and the caller skips the object (null).
const Obj* Linked(Writer& W, ObjHandle h) {
  const Obj* o = W.host.Find(h);
  if (o == nullptr) W.broken = true;
  return o;
}

// Gives a statement made here, once laid out, the look of the host's own:
// a blank after the name of a statement with statements inside, and
// "# end of" its name after its '>'. Only for new statements: what the file
// had keeps its look.
MifNode* HostStyle(MifNode* n) {
  if (n->kind != MIF_STATEMENT || n->children.empty()) return n;
  MifNode& first = n->children.front();
  if (!first.lead.empty() && (first.lead[0] == '\n' || first.lead[0] == '\r')) {
    first.lead.insert(0, " ");
  }
  if (n->trail().empty()) n->set_trail(" # end of " + n->name);
  for (MifNode& c : n->children) HostStyle(&c);
  return n;
}

void AppendWord(MifNode* parent, const char* name, const char* word) {
  MifNode n = MifMakeStatement(name);
  MifSetWord(&n, word);
  MifAppend(parent, std::move(n));
}

int64_t ChildIndex(const MifNode& node, const char* name) {
  for (size_t i = 0; i < node.children.size(); ++i) {
    if (MifIs(node.children[i], name)) return static_cast<int64_t>(i);
  }
  return -1;
}

size_t TopLevelPlace(const MifNode& root, std::initializer_list<const char*> before) {
  for (size_t i = 0; i < root.children.size(); ++i) {
    for (const char* name : before) {
      if (MifIs(root.children[i], name)) return i;
    }
  }
  size_t n = root.children.size();
  while (n > 0 && root.children[n - 1].kind == MIF_COMMENT) --n;
  return n;
}

}  // namespace mifwrite

namespace {

using mifwrite::Writer;

// Writes doc into *tree, which starts as source's tree (or empty).
bool WriteInto(DocStore& host, ObjHandle doc, const MifDocument* source, MifTree* tree,
               std::string* text, MifError* error) {
  if (host.Find(doc) == nullptr) {
    if (error != nullptr)
      *error = MifError{source != nullptr ? source->file : "", 0, "no such document"};
    return false;
  }
  Writer W(host, doc, source, tree);
  bool ok = source != nullptr ? WriteChanged(W) : WriteNew(W);
  if (!ok) {
    if (error != nullptr) {
      *error = MifError{source != nullptr ? source->file : "", 0,
                        "the document links an object that does not exist"};
    }
    return false;
  }
  *text = MifWriteReleasing(tree);
  return true;
}

}  // namespace

bool MifWriteDocument(DocStore& host, ObjHandle doc, const MifDocument* source, std::string* text,
                      MifError* error) {
  MifTree tree;
  if (source != nullptr) tree = source->tree;
  return WriteInto(host, doc, source, &tree, text, error);
}

bool MifWriteDocumentInPlace(DocStore& host, ObjHandle doc, MifDocument* source, std::string* text,
                             MifError* error) {
  return WriteInto(host, doc, source, &source->tree, text, error);
}
