// DocStore: the document model of the in-memory host. It holds every object
// the host exposes (the application, documents, books, their flows, frames,
// paragraphs and text, tables, footnotes, formats, menus) and the files that
// opening a path finds. MIF reading and doc_builder write into it directly;
// MemHost (mem_host.h) answers host calls over it.
//
// Nothing here is a host call: no operation counts as one, fails by fault
// injection or sets HostErrno, and none checks what a host call would: the
// handles given must name objects of the store (documents where a document
// is asked for), but where a function says what it does without one.
#ifndef TAGSMITH_MEMHOST_DOC_STORE_H
#define TAGSMITH_MEMHOST_DOC_STORE_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "memhost/model.h"

namespace memhost {

// What opening a path finds.
struct FileEntry {
  ObjHandle image = 0;  // saved copy, 0 when the file has none yet
  // Makes the saved copy again from what the file holds, so that a copy
  // nobody changed need not be kept; 0 when it cannot.
  std::function<ObjHandle()> load;
  // Keeps a changed saved copy in a cheaper form that `load` makes it again
  // from, so that a command changing many files need not hold each one's
  // model until the end. Called when the last open document of the file is
  // closed; false when it cannot, and the copy is kept as it is.
  std::function<bool(ObjHandle image)> settle;
  // Whether a saved copy made by `load` is kept while nothing changes it,
  // each opening then a copy of it: reading a file again costs several
  // times as much as copying what was read, and a book command may open
  // every file once for each of its formats.
  bool keep = false;
  bool failOpen = false;
  bool failSave = false;
};

class DocStore {
 public:
  // The application with its font names, the host's three menu bars and
  // five separators; no document.
  DocStore();
  DocStore(const DocStore&) = delete;
  DocStore& operator=(const DocStore&) = delete;

  // ---- Objects ----

  // The live object h names, or null (for any handle): also null for the
  // objects of a saved file's copy, which are no live objects of the host.
  Obj* Find(ObjHandle h);
  const Obj* Find(ObjHandle h) const;
  // The live object of that handle, whether its document is open or a saved
  // copy: Find without the look at the document, for a caller that has
  // found the object's document itself.
  Obj* FindInAnyDocument(ObjHandle h) {
    uint32_t serial = h & 0xFFFFFFu;
    if (h == 0 || serial >= objects_.size()) return nullptr;
    Obj* o = objects_[serial].get();
    return o != nullptr && o->alive && o->h == h ? o : nullptr;
  }
  const Obj* FindInAnyDocument(ObjHandle h) const {
    return const_cast<DocStore*>(this)->FindInAnyDocument(h);
  }
  // Every live object, saved files' copies included, in creation order.
  void ForEachObject(const std::function<void(const Obj&)>& visit) const;
  // A new object of `type` owned by `doc` (0: the application); 0 once the
  // handles' 24 bits of serial are all taken by live objects.
  ObjHandle NewObject(int32_t type, ObjHandle doc);
  // The data of a document or book (also a saved copy's); null for anything
  // else.
  DocData* Data(ObjHandle doc);
  // The application object: what (0, 0) addresses in a host call.
  ObjHandle App() const { return app_; }

  // ---- Stored properties (no structural ones: see MemHost) ----

  void SetProp(ObjHandle h, int32_t prop, const Value& v);
  // Null when nothing is stored, or h names nothing.
  const Value* Prop(ObjHandle h, int32_t prop) const;
  void SetIntProp(ObjHandle h, int32_t prop, int32_t v, int32_t type = VT_INT);
  void SetStringProp(ObjHandle h, int32_t prop, const std::string& v);
  // 0 or "" when nothing is stored.
  int32_t IntProp(ObjHandle h, int32_t prop) const;
  std::string StringProp(ObjHandle h, int32_t prop) const;

  // ---- Chains and containers ----

  // Chains of a document (flows, tables, footnotes, formats, ...), keyed by
  // the property that gives their first member. An object is on one chain
  // at most.
  void AppendToChain(ObjHandle doc, int32_t firstProp, ObjHandle obj);
  void RemoveFromChain(ObjHandle obj);
  // The members in order; valid until the chain next changes.
  const std::vector<ObjHandle>& Chain(ObjHandle doc, int32_t firstProp);
  ObjHandle ChainFirst(ObjHandle doc, int32_t firstProp);
  // Containers: `kid` becomes the last (or at-th) of `parent`'s kids, and
  // knows its parent and index. Both objects must exist.
  void AppendKid(ObjHandle parent, ObjHandle kid);
  void InsertKid(ObjHandle parent, uint32_t at, ObjHandle kid);
  // A table title's paragraph, after those it has.
  void AppendTitle(ObjHandle table, ObjHandle pgf);
  void RemoveKid(ObjHandle kid);

  // ---- Documents, books and files ----

  // An open, active document (or book) named `path`, with no flow yet.
  ObjHandle NewDocument(const std::string& path);
  ObjHandle NewBook(const std::string& path);
  // The active document or book, 0 when none is open.
  ObjHandle activeDoc = 0;
  ObjHandle activeBook = 0;
  std::vector<ObjHandle> openDocs;  // in the host's order
  std::vector<ObjHandle> openBooks;
  // Makes an open (or opened) document or book the active one.
  void Activate(ObjHandle doc);
  // Default catalogs and one flow with a frame and an empty paragraph, as a
  // new document of the host has them. Returns the empty paragraph.
  ObjHandle AddDefaultContent(ObjHandle doc);

  // Files by path: what opening a path finds.
  std::map<std::string, FileEntry> files;
  // Saves a copy of `doc` as the file at `path` (as SaveDocument does).
  void StoreFile(ObjHandle doc, const std::string& path);
  // The file's saved copy, made again by its loader when it was let go; 0
  // when there is none.
  ObjHandle FileImage(const std::string& path);
  // Opening or saving the file at `path` fails from now on (or no longer).
  void SetFileFailures(const std::string& path, bool failOpen, bool failSave);
  // A deep copy of a document with all its objects, handles among them
  // mapped to the copies; `asImage` keeps it off the open documents as a
  // saved file's copy.
  ObjHandle CloneDocument(ObjHandle doc, bool asImage);
  // Drops a document (open or a saved copy) and every object it owns; the
  // last open one becomes the active one when it was.
  void DestroyDocument(ObjHandle doc);

  // ---- Named objects ----

  // Named objects of the application (menus, commands, separators; doc 0) or
  // of a document (formats, colours); 0 when there is none.
  ObjHandle NamedObject(ObjHandle doc, int32_t type, const std::string& name) const;
  // Names (or renames) h; a character format also takes it as its tag and
  // joins the document's chain of them.
  void SetName(ObjHandle h, const std::string& name);
  // Drops the named object, from every menu too.
  void RemoveNamedObject(ObjHandle doc, int32_t type, const std::string& name);

  // ---- Paragraph text ----

  // The index of `props` in the document's table of character properties,
  // added when new.
  uint32_t Intern(ObjHandle doc, const CharProps& props);
  // The properties at offset; at the paragraph end, the end's own.
  const CharProps& PropsAt(const Obj& pgf, int32_t offset) const;
  // The paragraph's font: what its unset properties read as.
  CharProps ParagraphFont(ObjHandle pgf) const;
  void AppendText(ObjHandle pgf, const std::string& text, const CharProps& props);
  // A zero-width item at offset (an anchor whose position the text already
  // holds, or an item of another kind).
  void AddMarker(ObjHandle pgf, int32_t offset, int32_t kind, int32_t datum = 0);
  // An anchor: a new position at offset, with `props` (default: those of the
  // text before it), and its item.
  void AddAnchor(ObjHandle pgf, int32_t offset, int32_t kind, int32_t datum,
                 const CharProps* props = nullptr);
  // The properties of the paragraph end.
  void SetEndProps(ObjHandle pgf, const CharProps& props);
  // Next paragraph in reading order (across the frames of a flow); 0 after
  // the last.
  ObjHandle NextPgf(ObjHandle pgf) const;
  ObjHandle FirstPgfOf(ObjHandle container) const;
  // A new empty paragraph after pgf, with its properties.
  ObjHandle NewParagraphAfter(ObjHandle pgf);
  // A table of the format named `format`, with the rows and columns asked
  // for (columns >= 1, no count negative) and one empty paragraph in each
  // cell, formatted as the document's CellHeading or CellBody; anchored at
  // offset of anchorPgf, a paragraph of doc.
  ObjHandle AddTable(ObjHandle doc, const std::string& format, int32_t columns, int32_t bodyRows,
                     int32_t headingRows, int32_t footingRows, ObjHandle anchorPgf, int32_t offset);

  // ---- Menus ----

  // What DefineAndAddCommand stored; 0 or "" for anything else.
  int32_t CommandNumberOf(ObjHandle command) const;
  std::string ShortcutOf(ObjHandle command) const;
  // Stores both for a command.
  void SetCommand(ObjHandle command, int32_t number, const std::string& shortcut);

 private:
  static constexpr uint32_t kMaxSerial = 0xFFFFFF;
  uint32_t FreeSerial();
  void KeepDocData(ObjHandle doc, std::unique_ptr<DocData> data);

  std::vector<std::unique_ptr<Obj>> objects_;  // by serial (low 24 bits)
  uint32_t reuseCursor_ = 0;
  // Documents' and books' data, by serial: asked for on every host call.
  std::vector<std::unique_ptr<DocData>> docData_;
  std::map<std::pair<int32_t, std::string>, ObjHandle> appNamed_;
  // Commands' numbers and shortcuts, apart from their objects: a few dozen
  // commands against objects by the million. A command made again on a
  // taken serial gets its own when it is defined.
  struct Command {
    int32_t number = 0;
    std::string shortcut;
  };
  std::map<ObjHandle, Command> commands_;
  ObjHandle app_ = 0;
};

}  // namespace memhost

#endif
