#include "plugin/com_bridge.h"

#include <cstring>

#include "plugin/com_memory.h"
#include "client/host_lists.h"
#include "client/typed_parts.h"
#include "support/memory.h"

int32_t ComHostKeepsResults = 0;

namespace {

FmApiInterfacesC g_interfaces;
// The return-parameter lists of opening and saving. Callers are pointed at
// them and empty them; the records themselves are never theirs.
PropVals g_openReturns = {0, nullptr};
PropVals g_saveReturns = {0, nullptr};

void ReleaseInto(IUnknown** slot) {
  if (*slot != nullptr) (*slot)->Release();
  *slot = nullptr;
}

IUnknown* Ask(IUnknown* host, const GUID& iid) {
  void* out = nullptr;
  if (FAILED(host->QueryInterface(iid, &out))) return nullptr;
  return static_cast<IUnknown*>(out);
}

// The held main interface, or -1 in HostErrno when there is none.
IHostMainApi0* Api() {
  IHostMainApi0* api = g_interfaces.Main();
  if (api == nullptr) HostErrno = ERR_CALL_FAILED;
  return api;
}

bool Reached(HRESULT hr) {
  if (SUCCEEDED(hr)) return true;
  HostErrno = ComFailureErrno(hr);
  return false;
}

// The host's status for a call whose COM part succeeded.
bool Succeeded(int32_t status) {
  if (status == 0) return true;
  HostErrno = status;
  return false;
}

// For operations whose result is the status itself.
int32_t StatusResult(HRESULT hr, int32_t status) {
  if (Reached(hr) && status != 0) HostErrno = status;
  return status;
}

void SetterResult(HRESULT hr, int32_t status) {
  if (Reached(hr) && status != 0) HostErrno = status;
}

PropIdent ByNumber(int32_t prop) { return PropIdent{prop, nullptr}; }

// --- Copies into the client heap -------------------------------------------
// Each returns false when memory ran out; the copy is then left empty.

// Measured a byte at a time: the host wrote the string just before it
// returned, and the wide reads of a library strlen would wait for those
// writes to reach the cache, where byte reads are served from them. Results
// are mostly short names. Unrolled, which also keeps the compiler from
// making it a strlen call again.
size_t FreshLength(const char* s) {
  for (size_t n = 0;; n += 4) {
    if (s[n] == '\0') return n;
    if (s[n + 1] == '\0') return n + 1;
    if (s[n + 2] == '\0') return n + 2;
    if (s[n + 3] == '\0') return n + 3;
  }
}

bool CopyString(const char* host, char** out) {
  *out = nullptr;
  if (host == nullptr) return true;
  size_t size = FreshLength(host) + 1;
  *out = static_cast<char*>(MemAllocate(static_cast<uint32_t>(size), 0));
  if (*out == nullptr) return false;
  std::memcpy(*out, host, size);
  return true;
}

bool CopyMetrics(const MetricList& host, MetricList* out) {
  *out = MetricList{0, nullptr};
  if (host.val == nullptr || host.len == 0) return true;
  out->val = static_cast<Metric*>(MemAllocateZeroed(host.len, sizeof(Metric), 0));
  if (out->val == nullptr) return false;
  std::memcpy(out->val, host.val, host.len * sizeof(Metric));
  out->len = host.len;
  return true;
}

// The host's blocks go back to it unless it keeps them.
template <typename T>
void GiveBack(T* result, void (*free)(T*)) {
  if (!ComHostKeepsResults) free(result);
}

// A result copied for the caller: status first (the copy is dropped when the
// host reported an error), then the copy itself. A copy that ran out of
// memory is a call that did not complete.
template <typename T>
bool Deliver(int32_t status, bool copied, T* copy, void (*freeCopy)(T*)) {
  if (!Succeeded(status)) {
    freeCopy(copy);
    return false;
  }
  if (!copied) {
    freeCopy(copy);
    HostErrno = ERR_CALL_FAILED;
    return false;
  }
  return true;
}

inline bool CopyPropVal(const PropVal& host, PropVal* out) {
  if (!PropValIsPlain(host)) return PropValCopy(out, &host) == 0;
  *out = PropVal{};
  out->propIdent.num = host.propIdent.num;
  out->propVal.valType = host.propVal.valType;
  if (host.propVal.valType != VT_STRING) {
    out->propVal.u.ival = host.propVal.u.ival;
    return true;
  }
  return CopyString(host.propVal.u.sval, &out->propVal.u.sval);
}

void GiveBackPropVal(PropVal* host) {
  if (ComHostKeepsResults) return;
  if (!PropValIsPlain(*host)) {
    TaskFreePropVal(host);
  } else if (host->propVal.valType == VT_STRING) {
    TaskFreeString(&host->propVal.u.sval);
  }
}

void FreeClientString(char** s) { StrReleaseAndClear(s); }
void FreeClientMetrics(MetricList* list) {
  MemRelease(list->val);
  *list = MetricList{0, nullptr};
}

// Fills the bridge's own return list from the host's for opening or saving.
void TakeReturns(const PropVals& host, PropVals* own, PropVals** callerRef) {
  if (callerRef != nullptr && *callerRef != nullptr) PropValsFree(*callerRef);
  PropValsFree(own);  // what the previous call left, should no caller have emptied it
  if (PropValsCopy(own, &host) != 0) PropValsFree(own);
  if (callerRef != nullptr) *callerRef = own;
}

class ComBridgeC final : public HostApi {
 public:
  int32_t Alert(const char* message, int32_t type) override {
    // A question that could not be put is never taken as confirmed: the
    // callers go ahead on 0, and a busy host must not stand for a yes.
    constexpr int32_t kNoAnswer = -1;
    IHostMainApi0* api = Api();
    if (api == nullptr) return kNoAnswer;
    int32_t answer = kNoAnswer;
    if (!Reached(api->Alert(message, type, &answer))) return kNoAnswer;
    return answer;
  }

  int32_t ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                    int32_t defaultIndex) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return -1;
    int32_t status = -1;
    int32_t index = 0;
    if (!Reached(api->ScrollBox(&status, &index, title, items, defaultIndex))) return -1;
    if (status != 0) return -1;
    if (chosen != nullptr) *chosen = index;
    return 0;
  }

  int32_t PrintConsole(const char* text) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->PrintConsole(text, &status);
    return StatusResult(hr, status);
  }

  int32_t RequestNotification(int32_t note, int32_t enable) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->RequestNotification(note, enable, &status);
    return StatusResult(hr, status);
  }

  int32_t ExecuteCodes(int32_t count, const int32_t* codes) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    FunctionCodes list{count > 0 ? static_cast<uint32_t>(count) : 0u, codes};
    HRESULT hr = api->ExecuteCodes(&list, &status);
    return StatusResult(hr, status);
  }

  ObjHandle DefineMenu(const char* tag, const char* label) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->DefineMenu(tag, label, status, out);
    });
  }

  ObjHandle DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->DefineAndAddMenu(parent, tag, label, status, out);
    });
  }

  ObjHandle DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag, const char* label,
                                const char* shortcut) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->DefineAndAddCommand(number, menu, tag, label, shortcut, status, out);
    });
  }

  int32_t AddItemToMenu(ObjHandle menu, ObjHandle item) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->AddItemToMenu(menu, item, &status);
    return StatusResult(hr, status);
  }

  int32_t AddMenuToMenu(ObjHandle parent, ObjHandle menu) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->AddMenuToMenu(parent, menu, &status);
    return StatusResult(hr, status);
  }

  ObjHandle GetNamedObject(ObjHandle doc, int32_t type, const char* name) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->GetNamedObject(doc, type, name, status, out);
    });
  }

  ObjHandle NewNamedObject(ObjHandle doc, int32_t type, const char* name) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->NewNamedObject(doc, type, name, status, out);
    });
  }

  int32_t DeleteObject(ObjHandle doc, ObjHandle obj) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->DeleteObject(doc, obj, &status);
    return StatusResult(hr, status);
  }

  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return 0;
    int32_t status = -1;
    ObjHandle doc = 0;
    PropVals host{0, nullptr};
    if (!Reached(api->OpenDocument(path, params, &status, &doc, &host))) return 0;
    TakeReturns(host, &g_openReturns, ret);
    GiveBack(&host, TaskFreePropVals);
    return Succeeded(status) ? doc : 0;
  }

  ObjHandle SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                         PropVals** ret) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return 0;
    int32_t status = -1;
    ObjHandle saved = 0;
    PropVals host{0, nullptr};
    if (!Reached(api->SaveDocument(doc, path, params, &status, &saved, &host))) return 0;
    TakeReturns(host, &g_saveReturns, ret);
    GiveBack(&host, TaskFreePropVals);
    return Succeeded(status) ? saved : 0;
  }

  int32_t CloseDocument(ObjHandle doc, int32_t flags) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->CloseDocument(doc, flags, &status);
    return StatusResult(hr, status);
  }

  ObjHandle NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap, Metric top,
                              Metric bottom, Metric left, Metric right, int32_t sidedness,
                              int32_t flag) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->NewCustomDocument(width, height, columns, gap, top, bottom, left, right,
                                    sidedness, flag, status, out);
    });
  }

  int32_t Redisplay(ObjHandle doc) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->Redisplay(doc, &status);
    return StatusResult(hr, status);
  }

  int32_t ScrollToText(ObjHandle doc, TextRange range) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return ERR_CALL_FAILED;
    int32_t status = -1;
    HRESULT hr = api->ScrollToText(doc, &range, &status);
    return StatusResult(hr, status);
  }

  int32_t GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    return Scalar<int32_t>([&](IHostMainApi0* api, const PropIdent* id, int32_t* status,
                               int32_t* out) { return api->GetInt(doc, obj, id, status, out); },
                           prop);
  }

  void SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) override {
    Set([&](IHostMainApi0* api, const PropIdent* id,
            int32_t* status) { return api->SetInt(doc, obj, id, value, status); },
        prop);
  }

  ObjHandle GetId(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    return Scalar<ObjHandle>([&](IHostMainApi0* api, const PropIdent* id, int32_t* status,
                                 ObjHandle* out) { return api->GetId(doc, obj, id, status, out); },
                             prop);
  }

  void SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) override {
    Set([&](IHostMainApi0* api, const PropIdent* id,
            int32_t* status) { return api->SetId(doc, obj, id, value, status); },
        prop);
  }

  Metric GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    return Scalar<Metric>([&](IHostMainApi0* api, const PropIdent* id, int32_t* status,
                              Metric* out) { return api->GetMetric(doc, obj, id, status, out); },
                          prop);
  }

  char* GetString(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return nullptr;
    int32_t status = -1;
    char* host = nullptr;
    PropIdent id = ByNumber(prop);
    if (!Reached(api->GetString(doc, obj, &id, &status, &host))) return nullptr;
    char* copy = nullptr;
    bool copied = status == 0 && CopyString(host, &copy);
    GiveBack(&host, TaskFreeString);
    return Deliver(status, copied, &copy, FreeClientString) ? copy : nullptr;
  }

  void SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) override {
    Set([&](IHostMainApi0* api, const PropIdent* id,
            int32_t* status) { return api->SetString(doc, obj, id, value, status); },
        prop);
  }

  HostStrings GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    HostStrings none{0, nullptr};
    IHostMainApi0* api = Api();
    if (api == nullptr) return none;
    int32_t status = -1;
    HostStrings host{0, nullptr};
    PropIdent id = ByNumber(prop);
    if (!Reached(api->GetStrings(doc, obj, &id, &status, &host))) return none;
    HostStrings copy{0, nullptr};
    bool copied = status == 0 && HostStringsCopy(&copy, &host) == 0;
    GiveBack(&host, TaskFreeHostStrings);
    return Deliver(status, copied, &copy, HostStringsFree) ? copy : none;
  }

  MetricList GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    MetricList none{0, nullptr};
    IHostMainApi0* api = Api();
    if (api == nullptr) return none;
    int32_t status = -1;
    MetricList host{0, nullptr};
    PropIdent id = ByNumber(prop);
    if (!Reached(api->GetMetrics(doc, obj, &id, &status, &host))) return none;
    MetricList copy{0, nullptr};
    bool copied = status == 0 && CopyMetrics(host, &copy);
    GiveBack(&host, TaskFreeMetricList);
    return Deliver(status, copied, &copy, FreeClientMetrics) ? copy : none;
  }

  void SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) override {
    Set([&](IHostMainApi0* api, const PropIdent* id,
            int32_t* status) { return api->SetMetrics(doc, obj, id, value, status); },
        prop);
  }

  TextRange GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    return Scalar<TextRange>(
        [&](IHostMainApi0* api, const PropIdent* id, int32_t* status, TextRange* out) {
          return api->GetTextRange(doc, obj, id, status, out);
        },
        prop);
  }

  void SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) override {
    Set([&](IHostMainApi0* api, const PropIdent* id,
            int32_t* status) { return api->SetTextRange(doc, obj, id, &value, status); },
        prop);
  }

  PropVal GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    PropIdent id = ByNumber(prop);
    return PropValResult([&](IHostMainApi0* api, int32_t* status, PropVal* out) {
      return api->GetPropVal(doc, obj, &id, status, out);
    });
  }

  PropVals GetProps(ObjHandle doc, ObjHandle obj) override {
    PropVals none{0, nullptr};
    IHostMainApi0* api = Api();
    if (api == nullptr) return none;
    int32_t status = -1;
    PropVals host{0, nullptr};
    if (!Reached(api->GetProps(doc, obj, &status, &host))) return none;
    PropVals copy{0, nullptr};
    bool copied = status == 0 && PropValsCopy(&copy, &host) == 0;
    GiveBack(&host, TaskFreePropVals);
    return Deliver(status, copied, &copy, PropValsFree) ? copy : none;
  }

  void SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return;
    int32_t status = -1;
    HRESULT hr = api->SetProps(doc, obj, values, &status);
    SetterResult(hr, status);
  }

  TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) override {
    TextItems none{0, nullptr};
    IHostMainApi0* api = Api();
    if (api == nullptr) return none;
    int32_t status = -1;
    TextItems host{0, nullptr};
    if (!Reached(api->GetTextForRange(doc, &range, mask, &status, &host))) return none;
    TextItems copy{0, nullptr};
    bool copied = status == 0 && TextItemsCopy(&copy, &host) == 0;
    GiveBack(&host, TaskFreeTextItems);
    return Deliver(status, copied, &copy, TextItemsFree) ? copy : none;
  }

  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override {
    PropIdent id = ByNumber(prop);
    return PropValResult([&](IHostMainApi0* api, int32_t* status, PropVal* out) {
      return api->GetTextPropVal(doc, &at, &id, status, out);
    });
  }

  void SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) override {
    IHostMainApi0* api = Api();
    if (api == nullptr) return;
    int32_t status = -1;
    HRESULT hr = api->SetTextProps(doc, &range, values, &status);
    SetterResult(hr, status);
  }

  TextLoc AddText(ObjHandle doc, TextLoc at, const char* text) override {
    TextLoc none{0, 0};
    IHostMainApi0* api = Api();
    if (api == nullptr) return none;
    int32_t status = -1;
    TextLoc after{0, 0};
    if (!Reached(api->AddText(doc, &at, text, &status, &after))) return none;
    return Succeeded(status) ? after : none;
  }

  ObjHandle NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                     int32_t headingRows, int32_t footingRows, TextLoc at) override {
    return Handle([&](IHostMainApi0* api, int32_t* status, ObjHandle* out) {
      return api->NewTable(doc, format, columns, bodyRows, headingRows, footingRows, &at, status,
                           out);
    });
  }

 private:
  // The common shape for a value returned by value: the value counts only
  // when both the COM call and the host succeeded.
  template <typename T, typename Call>
  static T Scalar(Call call, int32_t prop) {
    IHostMainApi0* api = Api();
    if (api == nullptr) return T{};
    int32_t status = -1;
    T value{};
    PropIdent id = ByNumber(prop);
    if (!Reached(call(api, &id, &status, &value))) return T{};
    return Succeeded(status) ? value : T{};
  }

  template <typename Call>
  static ObjHandle Handle(Call call) {
    IHostMainApi0* api = Api();
    if (api == nullptr) return 0;
    int32_t status = -1;
    ObjHandle value = 0;
    if (!Reached(call(api, &status, &value))) return 0;
    return Succeeded(status) ? value : 0;
  }

  template <typename Call>
  static void Set(Call call, int32_t prop) {
    IHostMainApi0* api = Api();
    if (api == nullptr) return;
    int32_t status = -1;
    PropIdent id = ByNumber(prop);
    HRESULT hr = call(api, &id, &status);
    SetterResult(hr, status);
  }

  // The copy is made in the caller's record itself: a record written field
  // by field and then moved whole would be read back before its stores land.
  template <typename Call>
  static PropVal PropValResult(Call call) {
    PropVal copy{};
    IHostMainApi0* api = Api();
    if (api == nullptr) return copy;
    int32_t status = -1;
    PropVal host{};
    if (!Reached(call(api, &status, &host))) return copy;
    bool copied = status == 0 && CopyPropVal(host, &copy);
    GiveBackPropVal(&host);
    if (!Deliver(status, copied, &copy, PropValFree)) copy = PropVal{};
    return copy;
  }
};

ComBridgeC g_bridge;

}  // namespace

void FmApiInterfacesC::Acquire(IUnknown* host) {
  for (int i = 0; i < kHostInterfaceCount; ++i) {
    ReleaseInto(&interfaces[i]);
    interfaces[i] = Ask(host, kHostInterfaceIds[i]);
  }
}

void FmApiInterfacesC::AcquireAuxiliary(IUnknown* host) {
  for (int i = 0; i < kHostAuxiliaryCount; ++i) {
    ReleaseInto(&auxiliary[i]);
    auxiliary[i] = Ask(host, kHostAuxiliaryIds[i]);
  }
}

void FmApiInterfacesC::Release() {
  for (IUnknown*& p : interfaces) ReleaseInto(&p);
  for (IUnknown*& p : auxiliary) ReleaseInto(&p);
}

FmApiInterfacesC& ComHostInterfaces() { return g_interfaces; }

HostApi* ComBridge() { return &g_bridge; }

void ComBridgeDropReturnLists() {
  PropValsFree(&g_openReturns);
  PropValsFree(&g_saveReturns);
}

int32_t ComFailureErrno(HRESULT hr) {
  return hr == RPC_E_SERVERCALL_RETRYLATER ? ERR_HOST_BUSY : ERR_CALL_FAILED;
}
