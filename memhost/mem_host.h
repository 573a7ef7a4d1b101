// MemHost: a faithful implementation of the host interface over a document
// model (DocStore). Tests, benchmarks and the host simulator all run the
// client against it, as it is or under a wrapper: ScriptedHost answers its
// dialogs from a script and captures its console, FaultyHost fails chosen
// calls.
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
//   paragraph's font and removes its character tag;
// - a character format that the document's element definitions name is not
//   deleted (STATUS_IN_USE).
// With nobody at it, a dialog takes its default: a message or question is
// answered 0 (confirmed), a scroll box its default index (-1 when there is
// none); console text goes nowhere.
#ifndef TAGSMITH_MEMHOST_MEM_HOST_H
#define TAGSMITH_MEMHOST_MEM_HOST_H

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "client/host_api.h"
#include "memhost/doc_store.h"

namespace memhost {

class MemHost final : public HostApi {
 public:
  // The host over `store`, which it changes as host calls do and which must
  // outlive it.
  explicit MemHost(DocStore* store) : store_(*store) {}
  ~MemHost() override;
  MemHost(const MemHost&) = delete;
  MemHost& operator=(const MemHost&) = delete;

  // The notifications the client asked for and did not switch off.
  const std::set<int32_t>& notifications() const { return notifications_; }
  // Character formats the host would not delete because something still
  // names them: the document's name and the format's, in the order refused.
  const std::vector<std::pair<std::string, std::string>>& keptInUse() const { return keptInUse_; }

  // ---- HostApi ----
  int32_t Alert(const char* message, int32_t type) override;
  int32_t ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                    int32_t defaultIndex) override;
  int32_t PrintConsole(const char* text) override;
  int32_t RequestNotification(int32_t note, int32_t enable) override;
  int32_t ExecuteCodes(int32_t count, const int32_t* codes) override;
  ObjHandle DefineMenu(const char* tag, const char* label) override;
  ObjHandle DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) override;
  ObjHandle DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag, const char* label,
                                const char* shortcut) override;
  int32_t AddItemToMenu(ObjHandle menu, ObjHandle item) override;
  int32_t AddMenuToMenu(ObjHandle parent, ObjHandle menu) override;
  ObjHandle GetNamedObject(ObjHandle doc, int32_t type, const char* name) override;
  ObjHandle NewNamedObject(ObjHandle doc, int32_t type, const char* name) override;
  int32_t DeleteObject(ObjHandle doc, ObjHandle obj) override;
  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override;
  ObjHandle SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                         PropVals** ret) override;
  int32_t CloseDocument(ObjHandle doc, int32_t flags) override;
  ObjHandle NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap, Metric top,
                              Metric bottom, Metric left, Metric right, int32_t sidedness,
                              int32_t flag) override;
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
  bool PeekTextPropVal(ObjHandle doc, TextLoc at, int32_t prop, PropVal* view,
                       size_t* length) override;
  void SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) override;
  TextLoc AddText(ObjHandle doc, TextLoc at, const char* text) override;
  ObjHandle NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                     int32_t headingRows, int32_t footingRows, TextLoc at) override;

 private:
  // Records that the document holding `o` (or `o`, a document) changed,
  // unless prop is one of the view's.
  void MarkChanged(const Obj& o, int32_t prop = 0);
  bool Bad(ObjHandle h, Obj** out);
  // A live document (or book, when bookToo); else HostErrno and true.
  bool BadDoc(ObjHandle doc, Obj** out, bool bookToo);
  // The object a property operation addresses: (0, 0) is the application.
  bool BadTarget(ObjHandle doc, ObjHandle obj, Obj** out);
  // Fills the zeroed *out with the text property as GetTextPropVal hands it
  // out, but for a string, which is left null and named by *kept (the
  // document's own).
  void TextPropAt(ObjHandle doc, TextLoc at, int32_t prop, PropVal* out, const std::string** kept);
  CharProps WithValues(const CharProps& old, const PropVals* values);
  void ApplyCharValues(ObjHandle doc, Obj& pgf, int32_t from, int32_t to, bool withEnd,
                       const PropVals* values);
  void ResetToParagraphFont(ObjHandle doc, Obj& pgf, int32_t from, int32_t to, bool withEnd);
  TextLoc InsertText(ObjHandle doc, TextLoc at, const std::string& text);
  void ReturnList(PropVals** ret, PropVals* own);
  ObjHandle OpenBookOrDoc(const std::string& path, bool* failed);

  DocStore& store_;
  std::set<int32_t> notifications_;
  std::vector<std::pair<std::string, std::string>> keptInUse_;
  PropVals openReturn_{0, nullptr};
  PropVals saveReturn_{0, nullptr};
};

}  // namespace memhost

#endif
