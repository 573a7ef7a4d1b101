#include "memhost/faulty_host.h"

#include "client/host_lists.h"

namespace memhost {

FaultyHost::~FaultyHost() {
  PropValsFree(&openReturn_);
  PropValsFree(&saveReturn_);
}

void FaultyHost::FailNthCall(int64_t n, int32_t status) {
  failAt_ = n <= 0 ? 0 : callCount + n;
  failStatus_ = status;
}

bool FaultyHost::Injecting(const char* op, int32_t* status) {
  ++callCount;
  if (recordCalls) callLog.emplace_back(op);
  int32_t failing = 0;
  if (failAt_ != 0 && callCount == failAt_) {
    failAt_ = 0;
    failing = failStatus_;
  } else if (failWith) {
    failing = failWith(op);
  }
  if (failing == 0) return false;
  ++failedCalls;
  HostErrno = failing;
  if (status != nullptr) *status = failing;
  return true;
}

void FaultyHost::ReturnEmpty(PropVals** ret, PropVals* own) {
  if (ret == nullptr) return;
  if (*ret != nullptr) PropValsFree(*ret);
  PropValsFree(own);
  *ret = own;
}

int32_t FaultyHost::Alert(const char* message, int32_t type) {
  bool failed = Fault("Alert");
  if (recordCalls) callLog.back() += std::to_string(type);
  // As the bridge: a question that could not be put is no confirmation.
  if (failed) return -1;
  return HostWrapper::Alert(message, type);
}

int32_t FaultyHost::ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                              int32_t defaultIndex) {
  if (Fault("ScrollBox")) return -1;
  return HostWrapper::ScrollBox(chosen, title, items, defaultIndex);
}

// A call whose result is a status: the injected one.
#define FAULTY_STATUS_CALL(op, ...)      \
  int32_t status = 0;                    \
  if (Fault(op, &status)) return status; \
  return HostWrapper::__VA_ARGS__

int32_t FaultyHost::PrintConsole(const char* text) {
  FAULTY_STATUS_CALL("PrintConsole", PrintConsole(text));
}

int32_t FaultyHost::RequestNotification(int32_t note, int32_t enable) {
  FAULTY_STATUS_CALL("RequestNotification", RequestNotification(note, enable));
}

int32_t FaultyHost::ExecuteCodes(int32_t count, const int32_t* codes) {
  FAULTY_STATUS_CALL("ExecuteCodes", ExecuteCodes(count, codes));
}

int32_t FaultyHost::AddItemToMenu(ObjHandle menu, ObjHandle item) {
  FAULTY_STATUS_CALL("AddItemToMenu", AddItemToMenu(menu, item));
}

int32_t FaultyHost::AddMenuToMenu(ObjHandle parent, ObjHandle menu) {
  FAULTY_STATUS_CALL("AddItemToMenu", AddMenuToMenu(parent, menu));
}

int32_t FaultyHost::DeleteObject(ObjHandle doc, ObjHandle obj) {
  FAULTY_STATUS_CALL("DeleteObject", DeleteObject(doc, obj));
}

int32_t FaultyHost::CloseDocument(ObjHandle doc, int32_t flags) {
  FAULTY_STATUS_CALL("CloseDocument", CloseDocument(doc, flags));
}

int32_t FaultyHost::Redisplay(ObjHandle doc) { FAULTY_STATUS_CALL("Redisplay", Redisplay(doc)); }

int32_t FaultyHost::ScrollToText(ObjHandle doc, TextRange range) {
  FAULTY_STATUS_CALL("ScrollToText", ScrollToText(doc, range));
}

#undef FAULTY_STATUS_CALL

// Any other call: its failure value.
#define FAULTY_CALL(op, failure, ...) \
  if (Fault(op)) return failure;      \
  return HostWrapper::__VA_ARGS__

ObjHandle FaultyHost::DefineMenu(const char* tag, const char* label) {
  FAULTY_CALL("DefineMenu", 0, DefineMenu(tag, label));
}

ObjHandle FaultyHost::DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) {
  FAULTY_CALL("DefineAndAddMenu", 0, DefineAndAddMenu(parent, tag, label));
}

ObjHandle FaultyHost::DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                          const char* label, const char* shortcut) {
  FAULTY_CALL("DefineAndAddCommand", 0, DefineAndAddCommand(number, menu, tag, label, shortcut));
}

ObjHandle FaultyHost::GetNamedObject(ObjHandle doc, int32_t type, const char* name) {
  FAULTY_CALL("GetNamedObject", 0, GetNamedObject(doc, type, name));
}

ObjHandle FaultyHost::NewNamedObject(ObjHandle doc, int32_t type, const char* name) {
  FAULTY_CALL("NewNamedObject", 0, NewNamedObject(doc, type, name));
}

ObjHandle FaultyHost::OpenDocument(const char* path, const PropVals* params, PropVals** ret) {
  if (Fault("OpenDocument")) {
    ReturnEmpty(ret, &openReturn_);
    return 0;
  }
  return HostWrapper::OpenDocument(path, params, ret);
}

ObjHandle FaultyHost::SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                                   PropVals** ret) {
  if (Fault("SaveDocument")) {
    ReturnEmpty(ret, &saveReturn_);
    return 0;
  }
  return HostWrapper::SaveDocument(doc, path, params, ret);
}

ObjHandle FaultyHost::NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                                        Metric top, Metric bottom, Metric left, Metric right,
                                        int32_t sidedness, int32_t flag) {
  FAULTY_CALL(
      "NewCustomDocument", 0,
      NewCustomDocument(width, height, columns, gap, top, bottom, left, right, sidedness, flag));
}

int32_t FaultyHost::GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetInt", 0, GetInt(doc, obj, prop));
}

void FaultyHost::SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) {
  FAULTY_CALL("SetInt", , SetInt(doc, obj, prop, value));
}

ObjHandle FaultyHost::GetId(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetId", 0, GetId(doc, obj, prop));
}

void FaultyHost::SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) {
  FAULTY_CALL("SetId", , SetId(doc, obj, prop, value));
}

Metric FaultyHost::GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetInt", 0, GetMetric(doc, obj, prop));
}

char* FaultyHost::GetString(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetString", nullptr, GetString(doc, obj, prop));
}

void FaultyHost::SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) {
  FAULTY_CALL("SetString", , SetString(doc, obj, prop, value));
}

HostStrings FaultyHost::GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetStrings", (HostStrings{0, nullptr}), GetStrings(doc, obj, prop));
}

MetricList FaultyHost::GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetMetrics", (MetricList{0, nullptr}), GetMetrics(doc, obj, prop));
}

void FaultyHost::SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) {
  FAULTY_CALL("SetMetrics", , SetMetrics(doc, obj, prop, value));
}

TextRange FaultyHost::GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetTextRange", (TextRange{{0, 0}, {0, 0}}), GetTextRange(doc, obj, prop));
}

void FaultyHost::SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) {
  FAULTY_CALL("SetTextRange", , SetTextRange(doc, obj, prop, value));
}

PropVal FaultyHost::GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) {
  FAULTY_CALL("GetPropVal", PropVal{}, GetPropVal(doc, obj, prop));
}

PropVals FaultyHost::GetProps(ObjHandle doc, ObjHandle obj) {
  FAULTY_CALL("GetProps", (PropVals{0, nullptr}), GetProps(doc, obj));
}

void FaultyHost::SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) {
  FAULTY_CALL("SetProps", , SetProps(doc, obj, values));
}

TextItems FaultyHost::GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) {
  FAULTY_CALL("GetTextForRange", (TextItems{0, nullptr}), GetTextForRange(doc, range, mask));
}

PropVal FaultyHost::GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) {
  FAULTY_CALL("GetTextPropVal", PropVal{}, GetTextPropVal(doc, at, prop));
}

bool FaultyHost::PeekTextPropVal(ObjHandle doc, TextLoc at, int32_t prop, PropVal* view,
                                 size_t* length) {
  if (Fault("GetTextPropVal")) {
    *view = PropVal{};
    *length = 0;
    return true;
  }
  return target()->PeekTextPropVal(doc, at, prop, view, length);
}

void FaultyHost::SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) {
  FAULTY_CALL("SetTextProps", , SetTextProps(doc, range, values));
}

TextLoc FaultyHost::AddText(ObjHandle doc, TextLoc at, const char* text) {
  FAULTY_CALL("AddText", (TextLoc{0, 0}), AddText(doc, at, text));
}

ObjHandle FaultyHost::NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                               int32_t headingRows, int32_t footingRows, TextLoc at) {
  FAULTY_CALL("NewTable", 0,
              NewTable(doc, format, columns, bodyRows, headingRows, footingRows, at));
}

#undef FAULTY_CALL

}  // namespace memhost
