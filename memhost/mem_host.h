// MemHost: a faithful in-memory implementation of the host interface. Tests,
// benchmarks and the host simulator all run the client against it.
//
// Behaviour the client relies on and that MemHost reproduces:
// - handles carry their object type in the top byte;
// - reading the text property past the end of a paragraph fails with
//   ERR_OFFSET_RANGE; the paragraph end itself is a valid position, with
//   properties of its own that only a range ending at OFFSET_OBJ_END changes
//   (OFFSET_BEFORE_OBJ_END is a bound, not a position);
// - anchors of tables, footnotes, frames and markers are positions of the
//   text with character properties, left out of string items;
// - the footnotes in text order (PROP_NEXT_FN) are not the document's list
//   of them (PROP_NEXT_FN_IN_DOC);
// - a handle of the wrong kind, or object 0 beside a document, fails the
//   call; a failed question answers -1;
// - AddText returns the position just after the inserted text, and "\n" ends
//   the paragraph, moving what followed into a new one;
// - opening a path gives the document already open under that path, else a
//   fresh copy of the saved file; closing drops the document and its handles;
//   saving stores a copy under the path;
// - CODE_DEFAULT_PGF_FONT returns the active document's selection to its
//   paragraph's font and removes its character tag.
// Dialogs are answered from scripts (or a responder) and recorded; console
// text is captured; any one call can be made to fail.
#ifndef TAGSMITH_MEMHOST_MEM_HOST_H
#define TAGSMITH_MEMHOST_MEM_HOST_H

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "client/host_api.h"
#include "memhost/model.h"

namespace memhost {

struct DialogRecord {
  enum Kind { ALERT, SCROLL_BOX } kind;
  int32_t alertType;  // ALERT only
  std::string text;   // message or title
  std::vector<std::string> items;  // SCROLL_BOX only
  int32_t defaultIndex;
  int32_t answer;  // alert answer, or chosen index (-1 cancelled)
};

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
  bool failOpen = false;
  bool failSave = false;
};

class MemHost : public HostApi {
 public:
  MemHost();
  ~MemHost() override;
  MemHost(const MemHost&) = delete;
  MemHost& operator=(const MemHost&) = delete;

  // ---- HostApi ----
  int32_t Alert(const char* message, int32_t type) override;
  int32_t ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                    int32_t defaultIndex) override;
  int32_t PrintConsole(const char* text) override;
  int32_t RequestNotification(int32_t note, int32_t enable) override;
  int32_t ExecuteCodes(int32_t count, const int32_t* codes) override;
  ObjHandle DefineMenu(const char* tag, const char* label) override;
  ObjHandle DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) override;
  ObjHandle DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                const char* label, const char* shortcut) override;
  int32_t AddItemToMenu(ObjHandle menu, ObjHandle item) override;
  int32_t AddMenuToMenu(ObjHandle parent, ObjHandle menu) override;
  ObjHandle GetNamedObject(ObjHandle doc, int32_t type, const char* name) override;
  ObjHandle NewNamedObject(ObjHandle doc, int32_t type, const char* name) override;
  int32_t DeleteObject(ObjHandle doc, ObjHandle obj) override;
  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override;
  ObjHandle SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                         PropVals** ret) override;
  int32_t CloseDocument(ObjHandle doc, int32_t flags) override;
  ObjHandle NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                              Metric top, Metric bottom, Metric left, Metric right,
                              int32_t sidedness, int32_t flag) override;
  int32_t Redisplay(ObjHandle doc) override;
  int32_t ScrollToText(ObjHandle doc, TextRange range) override;
  int32_t GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) override;
  ObjHandle GetId(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) override;
  Metric GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  char* GetString(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) override;
  HostStrings GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  MetricList GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) override;
  TextRange GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) override;
  PropVal GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  PropVals GetProps(ObjHandle doc, ObjHandle obj) override;
  void SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) override;
  TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) override;
  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override;
  // A class over this one that changes GetTextPropVal changes this too.
  bool PeekTextPropVal(ObjHandle doc, TextLoc at, int32_t prop, PropVal* view,
                       size_t* length) override;
  void SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) override;
  TextLoc AddText(ObjHandle doc, TextLoc at, const char* text) override;
  ObjHandle NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                     int32_t headingRows, int32_t footingRows, TextLoc at) override;

  // ---- Scripting and observation ----

  // Answers for the next questions and notices (HostAlert), in order. When
  // none is queued a question is answered by `defaultAlertAnswer`.
  std::deque<int32_t> alertAnswers;
  int32_t defaultAlertAnswer = 0;
  // Chosen indexes for the next scroll boxes (-1 cancels). When none is
  // queued the default index is taken, or -1 when there is none.
  std::deque<int32_t> choices;
  // When set, asked first for every dialog; returns false to fall back to the
  // queues. It fills in record.answer.
  std::function<bool(DialogRecord&)> responder;
  std::vector<DialogRecord> dialogs;
  std::string console;
  // Character formats the host would not delete because something still
  // names them: the document's name and the format's, in the order refused.
  std::vector<std::pair<std::string, std::string>> keptInUse;
  std::set<int32_t> notifications;
  // Called with the status line of a book whenever it changes.
  std::function<void(const std::string&)> statusObserver;

  // The n-th host call from now (1 = the next) fails with `status` (stored
  // in HostErrno, and returned by calls whose result is a status). 0: off.
  void FailNthCall(int64_t n, int32_t status);
  // When set, asked before every call with the call's name; a call it
  // answers with a status other than 0 fails with that status as above.
  std::function<int32_t(const char* op)> failWith;
  int64_t callCount = 0;       // every HostApi call so far
  // When set, the name of every call is appended to callLog (an alert with
  // its type: "Alert1" is a question).
  bool recordCalls = false;
  std::vector<std::string> callLog;
  int64_t failedCalls = 0;     // calls failed by FailNthCall
  int32_t redisplayCount = 0;

  // ---- Model access for builders, tests and the simulator ----

  Obj* Find(ObjHandle h);  // live object or null
  // Every live object, saved files' copies included, in creation order.
  void ForEachObject(const std::function<void(const Obj&)>& visit) const;
  const Obj* Find(ObjHandle h) const;
  ObjHandle NewObject(int32_t type, ObjHandle doc);
  DocData* Data(ObjHandle doc);
  void SetProp(ObjHandle h, int32_t prop, const Value& v);
  const Value* Prop(ObjHandle h, int32_t prop) const;
  void SetIntProp(ObjHandle h, int32_t prop, int32_t v, int32_t type = VT_INT);
  void SetStringProp(ObjHandle h, int32_t prop, const std::string& v);
  int32_t IntProp(ObjHandle h, int32_t prop) const;
  std::string StringProp(ObjHandle h, int32_t prop) const;

  // Chains of a document (flows, tables, footnotes, formats, ...), keyed by
  // the property that gives their first member.
  void AppendToChain(ObjHandle doc, int32_t firstProp, ObjHandle obj);
  void RemoveFromChain(ObjHandle obj);
  const std::vector<ObjHandle>& Chain(ObjHandle doc, int32_t firstProp);
  ObjHandle ChainFirst(ObjHandle doc, int32_t firstProp);
  // Containers: appends `kid` to `parent`'s kids (or table titles).
  void AppendKid(ObjHandle parent, ObjHandle kid);
  void InsertKid(ObjHandle parent, uint32_t at, ObjHandle kid);
  void AppendTitle(ObjHandle table, ObjHandle pgf);
  void RemoveKid(ObjHandle kid);

  // Documents and books.
  ObjHandle NewDocument(const std::string& path);  // open, with no flow yet
  ObjHandle NewBook(const std::string& path);
  ObjHandle activeDoc = 0;
  ObjHandle activeBook = 0;
  std::vector<ObjHandle> openDocs;  // in the host's order
  std::vector<ObjHandle> openBooks;
  void Activate(ObjHandle doc);
  // Default catalogs and one flow with a frame and an empty paragraph, as a
  // new document of the host has them. Returns the empty paragraph.
  ObjHandle AddDefaultContent(ObjHandle doc);

  // Files: what opening a path finds.
  std::map<std::string, FileEntry> files;
  // Saves a copy of `doc` as the file at `path` (as SaveDocument does).
  void StoreFile(ObjHandle doc, const std::string& path);
  // The file's saved copy, made again by its loader when it was let go.
  ObjHandle FileImage(const std::string& path);
  void SetFileFailures(const std::string& path, bool failOpen, bool failSave);
  // A deep copy of a document with all its objects; `asImage` keeps it off
  // the open documents.
  ObjHandle CloneDocument(ObjHandle doc, bool asImage);
  void DestroyDocument(ObjHandle doc);

  // Named objects of the application (menus, commands, separators; doc 0) or
  // of a document (formats, colours).
  ObjHandle NamedObject(ObjHandle doc, int32_t type, const std::string& name) const;
  void SetName(ObjHandle h, const std::string& name);
  void RemoveNamedObject(ObjHandle doc, int32_t type, const std::string& name);

  // Text of paragraphs.
  uint32_t Intern(ObjHandle doc, const CharProps& props);
  const CharProps& PropsAt(const Obj& pgf, int32_t offset) const;
  // Fills the zeroed *out with the text property as GetTextPropVal hands it
  // out, but for a string, which is left null and named by *kept (the
  // document's own).
  void TextPropAt(ObjHandle doc, TextLoc at, int32_t prop, PropVal* out,
                  const std::string** kept);
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
  // Next paragraph in reading order (across the frames of a flow).
  ObjHandle NextPgf(ObjHandle pgf) const;
  ObjHandle FirstPgfOf(ObjHandle container) const;
  ObjHandle NewParagraphAfter(ObjHandle pgf);

  // Menus.
  int32_t CommandNumberOf(ObjHandle command) const;
  std::string ShortcutOf(ObjHandle command) const;

 private:
  bool Fault(const char* op, int32_t* status = nullptr);
  // Records that the document holding `o` (or `o`, a document) changed,
  // unless prop is one of the view's.
  void MarkChanged(const Obj& o, int32_t prop = 0);
  bool Bad(ObjHandle h, Obj** out);
  // A live document (or book, when bookToo); else HostErrno and true.
  bool BadDoc(ObjHandle doc, Obj** out, bool bookToo);
  // The object a property operation addresses: (0, 0) is the application.
  bool BadTarget(ObjHandle doc, ObjHandle obj, Obj** out);
  ObjHandle StructuralId(const Obj& o, ObjHandle doc, int32_t prop, bool* known);
  std::vector<ObjHandle> FootnotesInTextOrder(ObjHandle doc);
  void CollectFootnotes(ObjHandle pgf, std::vector<ObjHandle>* out, int depth);
  int32_t StructuralInt(const Obj& o, int32_t prop, bool* known);
  CharProps WithValues(const CharProps& old, const PropVals* values);
  void ApplyCharValues(ObjHandle doc, Obj& pgf, int32_t from, int32_t to, bool withEnd,
                       const PropVals* values);
  void ResetToParagraphFont(ObjHandle doc, Obj& pgf, int32_t from, int32_t to, bool withEnd);
  TextLoc InsertText(ObjHandle doc, TextLoc at, const std::string& text);
  void ReturnList(PropVals** ret, PropVals* own);
  ObjHandle OpenBookOrDoc(const std::string& path, bool* failed);

  static constexpr uint32_t kMaxSerial = 0xFFFFFF;
  uint32_t FreeSerial();
  std::vector<std::unique_ptr<Obj>> objects_;  // by serial (low 24 bits)
  uint32_t reuseCursor_ = 0;
  // Documents' and books' data, by serial: asked for on every host call.
  std::vector<std::unique_ptr<DocData>> docData_;
  void KeepDocData(ObjHandle doc, std::unique_ptr<DocData> data);
  std::map<std::pair<int32_t, std::string>, ObjHandle> appNamed_;
  int64_t failAt_ = 0;
  int32_t failStatus_ = -1;
  PropVals openReturn_{0, nullptr};
  PropVals saveReturn_{0, nullptr};
  ObjHandle app_ = 0;
};

}  // namespace memhost

#endif
