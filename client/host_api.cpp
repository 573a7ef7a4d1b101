#include "client/host_api.h"

int32_t HostErrno = 0;
int32_t HostExitFlag = 0;
int32_t HostMarkDoneCount = 0;

namespace {
HostApi* g_host = nullptr;

// Returns the installed host, or records that the call could not be made.
HostApi* Host() {
  if (g_host == nullptr) HostErrno = ERR_CALL_FAILED;
  return g_host;
}
}  // namespace

HostApi* HostInstall(HostApi* host) {
  HostApi* previous = g_host;
  g_host = host;
  return previous;
}

HostApi* HostInstalled() { return g_host; }

void HostMarkDone() {
  HostExitFlag = 1;
  ++HostMarkDoneCount;
}

#define FORWARD(failure, call)         \
  HostApi* host = Host();              \
  if (host == nullptr) return failure; \
  return host->call

#define FORWARD_VOID(call)     \
  HostApi* host = Host();      \
  if (host == nullptr) return; \
  host->call

int32_t HostAlert(const char* message, int32_t type) { FORWARD(-1, Alert(message, type)); }
int32_t HostScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                      int32_t defaultIndex) {
  FORWARD(-1, ScrollBox(chosen, title, items, defaultIndex));
}
int32_t HostPrintConsole(const char* text) { FORWARD(ERR_CALL_FAILED, PrintConsole(text)); }
int32_t HostRequestNotification(int32_t note, int32_t enable) {
  FORWARD(ERR_CALL_FAILED, RequestNotification(note, enable));
}
int32_t HostExecuteCodes(int32_t count, const int32_t* codes) {
  FORWARD(ERR_CALL_FAILED, ExecuteCodes(count, codes));
}

ObjHandle HostDefineMenu(const char* tag, const char* label) { FORWARD(0, DefineMenu(tag, label)); }
ObjHandle HostDefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) {
  FORWARD(0, DefineAndAddMenu(parent, tag, label));
}
ObjHandle HostDefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                  const char* label, const char* shortcut) {
  FORWARD(0, DefineAndAddCommand(number, menu, tag, label, shortcut));
}
int32_t HostAddItemToMenu(ObjHandle menu, ObjHandle item) {
  FORWARD(ERR_CALL_FAILED, AddItemToMenu(menu, item));
}
int32_t HostAddMenuToMenu(ObjHandle parent, ObjHandle menu) {
  FORWARD(ERR_CALL_FAILED, AddMenuToMenu(parent, menu));
}
ObjHandle HostGetNamedObject(ObjHandle doc, int32_t type, const char* name) {
  FORWARD(0, GetNamedObject(doc, type, name));
}
ObjHandle HostNewNamedObject(ObjHandle doc, int32_t type, const char* name) {
  FORWARD(0, NewNamedObject(doc, type, name));
}
int32_t HostDeleteObject(ObjHandle doc, ObjHandle obj) {
  FORWARD(ERR_CALL_FAILED, DeleteObject(doc, obj));
}

ObjHandle HostOpenDocument(const char* path, const PropVals* params, PropVals** ret) {
  FORWARD(0, OpenDocument(path, params, ret));
}
ObjHandle HostSaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                           PropVals** ret) {
  FORWARD(0, SaveDocument(doc, path, params, ret));
}
int32_t HostCloseDocument(ObjHandle doc, int32_t flags) {
  FORWARD(ERR_CALL_FAILED, CloseDocument(doc, flags));
}
ObjHandle HostNewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                                Metric top, Metric bottom, Metric left, Metric right,
                                int32_t sidedness, int32_t flag) {
  FORWARD(
      0, NewCustomDocument(width, height, columns, gap, top, bottom, left, right, sidedness, flag));
}
int32_t HostRedisplay(ObjHandle doc) { FORWARD(ERR_CALL_FAILED, Redisplay(doc)); }
int32_t HostScrollToText(ObjHandle doc, TextRange range) {
  FORWARD(ERR_CALL_FAILED, ScrollToText(doc, range));
}

int32_t HostGetInt(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD(0, GetInt(doc, obj, prop));
}
void HostSetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) {
  FORWARD_VOID(SetInt(doc, obj, prop, value));
}
ObjHandle HostGetId(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD(0, GetId(doc, obj, prop));
}
void HostSetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) {
  FORWARD_VOID(SetId(doc, obj, prop, value));
}
Metric HostGetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD(0, GetMetric(doc, obj, prop));
}
char* HostGetString(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD(nullptr, GetString(doc, obj, prop));
}
void HostSetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) {
  FORWARD_VOID(SetString(doc, obj, prop, value));
}
HostStrings HostGetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD((HostStrings{0, nullptr}), GetStrings(doc, obj, prop));
}
MetricList HostGetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD((MetricList{0, nullptr}), GetMetrics(doc, obj, prop));
}
void HostSetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) {
  FORWARD_VOID(SetMetrics(doc, obj, prop, value));
}
TextRange HostGetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD((TextRange{{0, 0}, {0, 0}}), GetTextRange(doc, obj, prop));
}
void HostSetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) {
  FORWARD_VOID(SetTextRange(doc, obj, prop, value));
}
PropVal HostGetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FORWARD(PropVal{}, GetPropVal(doc, obj, prop));
}
PropVals HostGetProps(ObjHandle doc, ObjHandle obj) {
  FORWARD((PropVals{0, nullptr}), GetProps(doc, obj));
}
void HostSetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) {
  FORWARD_VOID(SetProps(doc, obj, values));
}

TextItems HostGetTextForRange(ObjHandle doc, TextRange range, int32_t mask) {
  FORWARD((TextItems{0, nullptr}), GetTextForRange(doc, range, mask));
}
PropVal HostGetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) {
  FORWARD(PropVal{}, GetTextPropVal(doc, at, prop));
}
void HostSetTextProps(ObjHandle doc, TextRange range, const PropVals* values) {
  FORWARD_VOID(SetTextProps(doc, range, values));
}
TextLoc HostAddText(ObjHandle doc, TextLoc at, const char* text) {
  FORWARD((TextLoc{0, 0}), AddText(doc, at, text));
}
ObjHandle HostNewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                       int32_t headingRows, int32_t footingRows, TextLoc at) {
  FORWARD(0, NewTable(doc, format, columns, bodyRows, headingRows, footingRows, at));
}
