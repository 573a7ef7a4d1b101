// The abstract host interface. Everything above client/ reaches documents,
// books, menus and dialogs only through the free functions declared here,
// which forward to the installed HostApi: the COM bridge in the real client,
// the in-memory host in tests and in the simulator.
//
// Rules that hold for every operation:
// - On failure it stores a nonzero value in HostErrno and returns its failure
//   value (0, null, an empty list or record, or the host's nonzero status).
// - It never clears HostErrno. A caller that must know whether one call
//   failed sets HostErrno to 0 first and tests it afterwards.
// - Everything it returns (strings, lists, property values) is a copy in the
//   client heap (malloc) owned by the caller; free with the routines of
//   host_lists.h or MemRelease. Arguments passed in stay the caller's.
// - With no host installed every operation returns its failure value and sets
//   HostErrno to ERR_CALL_FAILED (-1).
#ifndef TAGSMITH_CLIENT_HOST_API_H
#define TAGSMITH_CLIENT_HOST_API_H

#include <cstddef>
#include <cstdint>

#include "client/host_numbers.h"
#include "client/host_types.h"

// Process-wide error number of host operations. Starts at 0.
extern int32_t HostErrno;

class HostApi {
 public:
  virtual ~HostApi() = default;

  // --- Dialogs, console and notifications ---

  // Shows a message. type 1 asks a question (0 = confirmed, anything else
  // cancels), 2 is a notice, 3 a warning. A failed call sets HostErrno and
  // answers -1, so that a question never shown never reads as confirmed;
  // the host's own status is not reported.
  virtual int32_t Alert(const char* message, int32_t type) = 0;
  // Offers the items for a choice. On 0 *chosen holds a 0-based index into
  // items; -1 means cancelled or failed and *chosen is not to be read. items
  // stays the caller's.
  virtual int32_t ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                            int32_t defaultIndex) = 0;
  // Writes text to the host's console. Returns a status.
  virtual int32_t PrintConsole(const char* text) = 0;
  // Asks the host to deliver notification `note` to the Notify callback.
  virtual int32_t RequestNotification(int32_t note, int32_t enable) = 0;
  // Runs count built-in function codes, in order, on the current selection.
  virtual int32_t ExecuteCodes(int32_t count, const int32_t* codes) = 0;

  // --- Menus and named objects (menus at document 0) ---

  // A new menu on no menu bar yet; 0 on failure.
  virtual ObjHandle DefineMenu(const char* tag, const char* label) = 0;
  // A new menu appended to `parent` (a menu bar or menu); 0 on failure.
  virtual ObjHandle DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) = 0;
  // A new command appended to `menu`; choosing it later calls Command with
  // `number`. The shortcut is stored unchanged. 0 on failure.
  virtual ObjHandle DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                        const char* label, const char* shortcut) = 0;
  // Appends an existing command or separator (it may sit on other menus too).
  virtual int32_t AddItemToMenu(ObjHandle menu, ObjHandle item) = 0;
  // Appends `menu` to `parent` as a submenu.
  virtual int32_t AddMenuToMenu(ObjHandle parent, ObjHandle menu) = 0;
  // The object of `type` named `name` in `doc` (0: the application); 0 when
  // there is none, which is how callers test existence.
  virtual ObjHandle GetNamedObject(ObjHandle doc, int32_t type, const char* name) = 0;
  // Creates an object of `type` named `name`; 0 on failure.
  virtual ObjHandle NewNamedObject(ObjHandle doc, int32_t type, const char* name) = 0;
  // Deletes `obj`. Handles of all other objects stay valid.
  virtual int32_t DeleteObject(ObjHandle doc, ObjHandle obj) = 0;

  // --- Documents ---

  // Opens the document or book at `path`. *ret must point to a list or be
  // null: its contents are freed first, then *ret is pointed at the host's
  // single return-parameter list for opening (filled even on failure), whose
  // contents the caller frees with PropValsFree and whose record it never
  // frees. 0 on failure.
  virtual ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) = 0;
  // Saves `doc` under `path` (UTF-8); *ret as for OpenDocument, with a list of
  // its own. Returns the saved document, 0 on failure.
  virtual ObjHandle SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                                 PropVals** ret) = 0;
  virtual int32_t CloseDocument(ObjHandle doc, int32_t flags) = 0;
  // A new, empty, untitled document with one text column; 0 on failure.
  virtual ObjHandle NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                                      Metric top, Metric bottom, Metric left, Metric right,
                                      int32_t sidedness, int32_t flag) = 0;
  virtual int32_t Redisplay(ObjHandle doc) = 0;
  virtual int32_t ScrollToText(ObjHandle doc, TextRange range) = 0;

  // --- Properties, addressed as (document, object); (0, 0) is the application ---

  virtual int32_t GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  virtual void SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) = 0;
  virtual ObjHandle GetId(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  virtual void SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) = 0;
  virtual Metric GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  // A new caller-owned copy; an empty host string gives an allocated empty
  // string; null on failure.
  virtual char* GetString(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  virtual void SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) = 0;
  // Empty (count 0, null array) on failure.
  virtual HostStrings GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  virtual MetricList GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  virtual void SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) = 0;
  // All zero on failure.
  virtual TextRange GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  virtual void SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) = 0;
  // All zero on failure; free with PropValFree.
  virtual PropVal GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) = 0;
  // Every property of the object; empty on failure; free with PropValsFree.
  virtual PropVals GetProps(ObjHandle doc, ObjHandle obj) = 0;
  virtual void SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) = 0;

  // --- Text ---

  // The items of the kinds in `mask` within the range, in increasing offset
  // order; empty on failure; free with TextItemsFree.
  virtual TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) = 0;
  // The property of the text at `at`. Past the end of the object's text the
  // call fails with ERR_OFFSET_RANGE. All zero on failure.
  virtual PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) = 0;
  // What GetTextPropVal would return, written to *view without copying: its
  // string (of *length bytes) stays the host's and holds only until the next
  // call. For a host that hands values on into another heap, so that it
  // copies them once. False, and nothing done, when the host offers no such
  // look.
  virtual bool PeekTextPropVal(ObjHandle, TextLoc, int32_t, PropVal*, size_t*) { return false; }
  virtual void SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) = 0;
  // Inserts text; a "\n" ends the paragraph and starts a new one. Returns the
  // position just after the inserted text.
  virtual TextLoc AddText(ObjHandle doc, TextLoc at, const char* text) = 0;
  // A new table anchored at `at`; its rows and cells are read afterwards.
  virtual ObjHandle NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                             int32_t headingRows, int32_t footingRows, TextLoc at) = 0;
};

// Installs the host every free function forwards to (null: none). The caller
// keeps ownership. Returns the previous one.
HostApi* HostInstall(HostApi* host);
HostApi* HostInstalled();

// Exit flag of the client: set by HostMarkDone at the end of each command.
// HostMarkDoneCount counts the calls, so tests can see which paths end a
// command properly.
extern int32_t HostExitFlag;
extern int32_t HostMarkDoneCount;
void HostMarkDone();

int32_t HostAlert(const char* message, int32_t type);
int32_t HostScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                      int32_t defaultIndex);
int32_t HostPrintConsole(const char* text);
int32_t HostRequestNotification(int32_t note, int32_t enable);
int32_t HostExecuteCodes(int32_t count, const int32_t* codes);

ObjHandle HostDefineMenu(const char* tag, const char* label);
ObjHandle HostDefineAndAddMenu(ObjHandle parent, const char* tag, const char* label);
ObjHandle HostDefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                  const char* label, const char* shortcut);
int32_t HostAddItemToMenu(ObjHandle menu, ObjHandle item);
int32_t HostAddMenuToMenu(ObjHandle parent, ObjHandle menu);
ObjHandle HostGetNamedObject(ObjHandle doc, int32_t type, const char* name);
ObjHandle HostNewNamedObject(ObjHandle doc, int32_t type, const char* name);
int32_t HostDeleteObject(ObjHandle doc, ObjHandle obj);

ObjHandle HostOpenDocument(const char* path, const PropVals* params, PropVals** ret);
ObjHandle HostSaveDocument(ObjHandle doc, const char* path, const PropVals* params, PropVals** ret);
int32_t HostCloseDocument(ObjHandle doc, int32_t flags);
ObjHandle HostNewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                                Metric top, Metric bottom, Metric left, Metric right,
                                int32_t sidedness, int32_t flag);
int32_t HostRedisplay(ObjHandle doc);
int32_t HostScrollToText(ObjHandle doc, TextRange range);

int32_t HostGetInt(ObjHandle doc, ObjHandle obj, int32_t prop);
void HostSetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value);
ObjHandle HostGetId(ObjHandle doc, ObjHandle obj, int32_t prop);
void HostSetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value);
Metric HostGetMetric(ObjHandle doc, ObjHandle obj, int32_t prop);
char* HostGetString(ObjHandle doc, ObjHandle obj, int32_t prop);
void HostSetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value);
HostStrings HostGetStrings(ObjHandle doc, ObjHandle obj, int32_t prop);
MetricList HostGetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop);
void HostSetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value);
TextRange HostGetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop);
void HostSetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value);
PropVal HostGetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop);
PropVals HostGetProps(ObjHandle doc, ObjHandle obj);
void HostSetProps(ObjHandle doc, ObjHandle obj, const PropVals* values);

TextItems HostGetTextForRange(ObjHandle doc, TextRange range, int32_t mask);
PropVal HostGetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop);
void HostSetTextProps(ObjHandle doc, TextRange range, const PropVals* values);
TextLoc HostAddText(ObjHandle doc, TextLoc at, const char* text);
ObjHandle HostNewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                       int32_t headingRows, int32_t footingRows, TextLoc at);

#endif
