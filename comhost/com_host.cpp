#include "comhost/com_host.h"

#include <cstring>

#include "client/host_lists.h"
#include "client/typed_parts.h"
#include "support/memory.h"

namespace comhost {

// ---------------------------------------------------------------------------
// Task blocks handed out

void ComHostC::Note(void* block) {
  handedOut.push_back(watch ? TaskBlockAt(block) : TaskBlock{block, 0});
}

char* ComHostC::HandString(const char* s) {
  return s != nullptr ? HandString(s, std::strlen(s)) : nullptr;
}

namespace {

template <typename T>
T* HandArray(ComHostC* host, uint32_t count, const T* src) {
  if (src == nullptr || count == 0) return nullptr;
  T* copy = static_cast<T*>(host->Hand(count * sizeof(T)));
  if (copy != nullptr) std::memcpy(static_cast<void*>(copy), src, count * sizeof(T));
  return copy;
}

void HandStrings(ComHostC* host, HostStrings* dst, const HostStrings& src) {
  dst->val = HandArray(host, src.len, src.val);
  dst->len = dst->val != nullptr ? src.len : 0;
  for (uint32_t i = 0; i < dst->len; ++i) dst->val[i] = host->HandString(src.val[i]);
}

void* HandBlock(void* host, uint32_t count, uint32_t size) {
  size_t bytes = static_cast<size_t>(count) * size;
  void* block = static_cast<ComHostC*>(host)->Hand(bytes);
  if (block != nullptr) std::memset(block, 0, bytes);
  return block;
}
// The host keeps its log of handed-out blocks until the client frees them.
void KeepBlock(void*, void*) {}

void HandTypedVal(ComHostC* host, TypedVal* dst, const TypedVal& src) {
  TypedPartsCopy(dst, &src, BlockHeap{host, HandBlock, KeepBlock});
}

void HandTextItems(ComHostC* host, TextItems* dst, const TextItems& src) {
  dst->val = HandArray(host, src.len, src.val);
  dst->len = dst->val != nullptr ? src.len : 0;
  for (uint32_t i = 0; i < dst->len; ++i) {
    if (src.val[i].dataType == ITEM_STRING)
      dst->val[i].u.sdata = host->HandString(src.val[i].u.sdata);
  }
}

}  // namespace

void HandPropVal(ComHostC* host, PropVal* dst, const PropVal& src) {
  dst->propIdent = src.propIdent;
  if (src.propIdent.num == 0) dst->propIdent.name = host->HandString(src.propIdent.name);
  HandTypedVal(host, &dst->propVal, src.propVal);
}

namespace {

// Hands over a value the operation gave, the value itself left as it was;
// the length of its string, when known, spares measuring it.
void HandOverPropVal(ComHostC* host, PropVal* dst, const PropVal& src,
                     const size_t* length = nullptr) {
  if (!PropValIsPlain(src)) {
    HandPropVal(host, dst, src);
    return;
  }
  *dst = PropVal{};
  dst->propIdent.num = src.propIdent.num;
  dst->propVal.valType = src.propVal.valType;
  const char* s = src.propVal.u.sval;
  if (src.propVal.valType != VT_STRING) {
    dst->propVal.u.ival = src.propVal.u.ival;
  } else if (s != nullptr) {
    dst->propVal.u.sval = length != nullptr ? host->HandString(s, *length) : host->HandString(s);
  }
}

}  // namespace

void HandPropVals(ComHostC* host, PropVals* dst, const PropVals& src) {
  dst->val = HandArray(host, src.len, src.val);
  dst->len = dst->val != nullptr ? src.len : 0;
  for (uint32_t i = 0; i < dst->len; ++i) HandPropVal(host, &dst->val[i], src.val[i]);
}

// ---------------------------------------------------------------------------
// IUnknown of every part

namespace {

HRESULT STDMETHODCALLTYPE PartQueryInterface(HostPart* self, REFIID iid, void** out) {
  return self->host->QueryRoot(iid, out);
}
ULONG STDMETHODCALLTYPE PartAddRef(HostPart* self) { return static_cast<ULONG>(++self->refs); }
ULONG STDMETHODCALLTYPE PartRelease(HostPart* self) {
  self->host->releases += self->role;
  return static_cast<ULONG>(--self->refs);
}

HRESULT STDMETHODCALLTYPE Arrange(HostPart* self, int32_t) {
  self->host->keepsBlocks = self->host->arrangeAnswer == 0;
  return self->host->arrangeAnswer;
}
HRESULT STDMETHODCALLTYPE SetModule(HostPart* self, void* module) {
  self->host->moduleGiven = module;
  ++self->host->moduleCalls;
  return S_OK;
}

// A slot of the main interface the client has no business calling.
HRESULT STDMETHODCALLTYPE Reserved(HostPart* self) {
  self->host->Record(-1);
  return E_NOTIMPL;
}

template <typename F>
const void* Fn(F f) {
  return reinterpret_cast<const void*>(f);
}

const void* const kUnknownTable[] = {Fn(PartQueryInterface), Fn(PartAddRef), Fn(PartRelease)};
const void* const kArrangeTable[] = {Fn(PartQueryInterface), Fn(PartAddRef), Fn(PartRelease),
                                     Fn(Arrange)};
const void* const kModuleTable[] = {Fn(PartQueryInterface), Fn(PartAddRef), Fn(PartRelease),
                                    Fn(SetModule)};

// ---------------------------------------------------------------------------
// The main API interface, one function per position

// Every operation: record the position, fail if asked to, run the HostApi
// operation with a clean HostErrno and report what it left there as status.
#define ENTER(slot)                            \
  ComHostC* h = self->host;                    \
  h->Record(slot);                             \
  if (FAILED(h->failWith)) return h->failWith; \
  const int32_t errnoBefore = HostErrno;       \
  h->handFailed = false;                       \
  HostErrno = 0
#define LEAVE()                         \
  *status = h->TakeStatus(errnoBefore); \
  return S_OK

HRESULT STDMETHODCALLTYPE Register(HostPart* self, IUnknown* callback, int32_t constant,
                                   const PropVals* description) {
  ComHostC* h = self->host;
  h->Record(3);
  h->registered = true;
  h->registerConstant = constant;
  h->descriptionGiven = description != nullptr;
  for (uint32_t i = 0; description != nullptr && i < description->len; ++i) {
    const PropVal& v = description->val[i];
    h->description.emplace_back(v.propIdent.num, v.propVal.valType == VT_STRING && v.propVal.u.sval
                                                     ? v.propVal.u.sval
                                                     : "");
  }
  if (h->keepCallback && callback != nullptr) {
    callback->QueryInterface(kIidFrameMakerNotifications0,
                             reinterpret_cast<void**>(&h->notifications0));
    callback->QueryInterface(kIidFrameMakerNotifications1,
                             reinterpret_cast<void**>(&h->notifications1));
    callback->QueryInterface(kIidFrameMakerCMSNotifications0, reinterpret_cast<void**>(&h->cms0));
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ExecuteCodes(HostPart* self, const FunctionCodes* codes,
                                       int32_t* status) {
  ENTER(7);
  h->api->ExecuteCodes(static_cast<int32_t>(codes->len), codes->val);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE RequestNotification(HostPart* self, int32_t note, int32_t enable,
                                              int32_t* status) {
  ENTER(8);
  h->api->RequestNotification(note, enable);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE DefineMenu(HostPart* self, const char* tag, const char* label,
                                     int32_t* status, ObjHandle* menu) {
  ENTER(13);
  *menu = h->api->DefineMenu(tag, label);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE AddItemToMenu(HostPart* self, ObjHandle menu, ObjHandle item,
                                        int32_t* status) {
  ENTER(14);
  h->api->AddItemToMenu(menu, item);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE AddMenuToMenu(HostPart* self, ObjHandle parent, ObjHandle menu,
                                        int32_t* status) {
  ENTER(15);
  h->api->AddMenuToMenu(parent, menu);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE DefineAndAddMenu(HostPart* self, ObjHandle parent, const char* tag,
                                           const char* label, int32_t* status, ObjHandle* menu) {
  ENTER(16);
  *menu = h->api->DefineAndAddMenu(parent, tag, label);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE Alert(HostPart* self, const char* message, int32_t type,
                                int32_t* answer) {
  ComHostC* h = self->host;
  h->Record(20);
  if (FAILED(h->failWith)) return h->failWith;
  *answer = h->api->Alert(message, type);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PrintConsole(HostPart* self, const char* text, int32_t* status) {
  ENTER(24);
  h->api->PrintConsole(text);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE ScrollBox(HostPart* self, int32_t* status, int32_t* chosen,
                                    const char* title, const HostStrings* items,
                                    int32_t defaultIndex) {
  ENTER(26);
  if (h->api->ScrollBox(chosen, title, items, defaultIndex) != 0 && HostErrno == 0)
    HostErrno = -1;  // the host's way of saying the user cancelled
  LEAVE();
}

HRESULT STDMETHODCALLTYPE OpenDocument(HostPart* self, const char* path, const PropVals* params,
                                       int32_t* status, ObjHandle* doc, PropVals* ret) {
  ENTER(32);
  PropVals* returned = nullptr;
  *doc = h->api->OpenDocument(path, params, &returned);
  if (returned != nullptr) {
    HandPropVals(h, ret, *returned);
    PropValsFree(returned);
  }
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SaveDocument(HostPart* self, ObjHandle doc, const char* path,
                                       const PropVals* params, int32_t* status, ObjHandle* savedDoc,
                                       PropVals* ret) {
  ENTER(33);
  PropVals* returned = nullptr;
  *savedDoc = h->api->SaveDocument(doc, path, params, &returned);
  if (returned != nullptr) {
    HandPropVals(h, ret, *returned);
    PropValsFree(returned);
  }
  LEAVE();
}

HRESULT STDMETHODCALLTYPE NewCustomDocument(HostPart* self, Metric width, Metric height,
                                            int32_t columns, Metric gap, Metric top, Metric bottom,
                                            Metric left, Metric right, int32_t sidedness,
                                            int32_t flag, int32_t* status, ObjHandle* doc) {
  ENTER(34);
  *doc = h->api->NewCustomDocument(width, height, columns, gap, top, bottom, left, right, sidedness,
                                   flag);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE CloseDocument(HostPart* self, ObjHandle doc, int32_t flags,
                                        int32_t* status) {
  ENTER(35);
  h->api->CloseDocument(doc, flags);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE ScrollToText(HostPart* self, ObjHandle doc, const TextRange* range,
                                       int32_t* status) {
  ENTER(56);
  h->api->ScrollToText(doc, *range);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE Redisplay(HostPart* self, ObjHandle doc, int32_t* status) {
  ENTER(66);
  h->api->Redisplay(doc);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE DeleteObject(HostPart* self, ObjHandle doc, ObjHandle obj,
                                       int32_t* status) {
  ENTER(67);
  h->api->DeleteObject(doc, obj);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetNamedObject(HostPart* self, ObjHandle doc, int32_t type,
                                         const char* name, int32_t* status, ObjHandle* obj) {
  ENTER(68);
  *obj = h->api->GetNamedObject(doc, type, name);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE NewNamedObject(HostPart* self, ObjHandle doc, int32_t type,
                                         const char* name, int32_t* status, ObjHandle* obj) {
  ENTER(70);
  *obj = h->api->NewNamedObject(doc, type, name);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE AddText(HostPart* self, ObjHandle doc, const TextLoc* at,
                                  const char* text, int32_t* status, TextLoc* after) {
  ENTER(73);
  *after = h->api->AddText(doc, *at, text);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetPropVal(HostPart* self, ObjHandle doc, ObjHandle obj,
                                     const PropIdent* prop, int32_t* status, PropVal* value) {
  ENTER(81);
  PropVal v = h->api->GetPropVal(doc, obj, prop->num);
  HandOverPropVal(h, value, v);
  PropValFree(&v);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetProps(HostPart* self, ObjHandle doc, ObjHandle obj, int32_t* status,
                                   PropVals* values) {
  ENTER(83);
  PropVals v = h->api->GetProps(doc, obj);
  HandPropVals(h, values, v);
  PropValsFree(&v);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetProps(HostPart* self, ObjHandle doc, ObjHandle obj,
                                   const PropVals* values, int32_t* status) {
  ENTER(84);
  h->api->SetProps(doc, obj, values);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetInt(HostPart* self, ObjHandle doc, ObjHandle obj,
                                 const PropIdent* prop, int32_t* status, int32_t* value) {
  ENTER(85);
  *value = h->api->GetInt(doc, obj, prop->num);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetInt(HostPart* self, ObjHandle doc, ObjHandle obj,
                                 const PropIdent* prop, int32_t value, int32_t* status) {
  ENTER(86);
  h->api->SetInt(doc, obj, prop->num, value);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetId(HostPart* self, ObjHandle doc, ObjHandle obj, const PropIdent* prop,
                                int32_t* status, ObjHandle* value) {
  ENTER(89);
  *value = h->api->GetId(doc, obj, prop->num);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetId(HostPart* self, ObjHandle doc, ObjHandle obj, const PropIdent* prop,
                                ObjHandle value, int32_t* status) {
  ENTER(90);
  h->api->SetId(doc, obj, prop->num, value);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetMetric(HostPart* self, ObjHandle doc, ObjHandle obj,
                                    const PropIdent* prop, int32_t* status, Metric* value) {
  ENTER(91);
  *value = h->api->GetMetric(doc, obj, prop->num);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetTextRange(HostPart* self, ObjHandle doc, ObjHandle obj,
                                       const PropIdent* prop, int32_t* status, TextRange* value) {
  ENTER(95);
  *value = h->api->GetTextRange(doc, obj, prop->num);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetTextRange(HostPart* self, ObjHandle doc, ObjHandle obj,
                                       const PropIdent* prop, const TextRange* value,
                                       int32_t* status) {
  ENTER(96);
  h->api->SetTextRange(doc, obj, prop->num, *value);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetString(HostPart* self, ObjHandle doc, ObjHandle obj,
                                    const PropIdent* prop, int32_t* status, char** value) {
  ENTER(97);
  char* s = h->api->GetString(doc, obj, prop->num);
  *value = h->HandString(s);
  MemRelease(s);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetString(HostPart* self, ObjHandle doc, ObjHandle obj,
                                    const PropIdent* prop, const char* value, int32_t* status) {
  ENTER(98);
  h->api->SetString(doc, obj, prop->num, value);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetStrings(HostPart* self, ObjHandle doc, ObjHandle obj,
                                     const PropIdent* prop, int32_t* status, HostStrings* value) {
  ENTER(99);
  HostStrings v = h->api->GetStrings(doc, obj, prop->num);
  HandStrings(h, value, v);
  HostStringsFree(&v);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetMetrics(HostPart* self, ObjHandle doc, ObjHandle obj,
                                     const PropIdent* prop, int32_t* status, MetricList* value) {
  ENTER(101);
  MetricList v = h->api->GetMetrics(doc, obj, prop->num);
  value->val = HandArray(h, v.len, v.val);
  value->len = value->val != nullptr ? v.len : 0;
  MemRelease(v.val);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetMetrics(HostPart* self, ObjHandle doc, ObjHandle obj,
                                     const PropIdent* prop, const MetricList* value,
                                     int32_t* status) {
  ENTER(102);
  h->api->SetMetrics(doc, obj, prop->num, value);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetTextForRange(HostPart* self, ObjHandle doc, const TextRange* range,
                                          int32_t mask, int32_t* status, TextItems* items) {
  ENTER(110);
  TextItems v = h->api->GetTextForRange(doc, *range, mask);
  HandTextItems(h, items, v);
  TextItemsFree(&v);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE NewTable(HostPart* self, ObjHandle doc, const char* format,
                                   int32_t columns, int32_t bodyRows, int32_t headingRows,
                                   int32_t footingRows, const TextLoc* at, int32_t* status,
                                   ObjHandle* table) {
  ENTER(140);
  *table = h->api->NewTable(doc, format, columns, bodyRows, headingRows, footingRows, *at);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE GetTextPropVal(HostPart* self, ObjHandle doc, const TextLoc* at,
                                         const PropIdent* prop, int32_t* status, PropVal* value) {
  ENTER(143);
  // A look at the value spares copying it twice, into the client heap first.
  PropVal view;
  size_t length = 0;
  if (h->api->PeekTextPropVal(doc, *at, prop->num, &view, &length)) {
    HandOverPropVal(h, value, view, &length);
    LEAVE();
  }
  PropVal v = h->api->GetTextPropVal(doc, *at, prop->num);
  HandOverPropVal(h, value, v);
  PropValFree(&v);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE SetTextProps(HostPart* self, ObjHandle doc, const TextRange* range,
                                       const PropVals* values, int32_t* status) {
  ENTER(146);
  h->api->SetTextProps(doc, *range, values);
  LEAVE();
}

HRESULT STDMETHODCALLTYPE DefineAndAddCommand(HostPart* self, int32_t number, ObjHandle menu,
                                              const char* tag, const char* label,
                                              const char* shortcut, int32_t* status,
                                              ObjHandle* command) {
  ENTER(164);
  *command = h->api->DefineAndAddCommand(number, menu, tag, label, shortcut);
  LEAVE();
}

#undef ENTER
#undef LEAVE

constexpr int kMainSlots = 165;

struct MainTable {
  const void* slots[kMainSlots];
};

MainTable BuildMainTable() {
  MainTable t;
  for (const void*& slot : t.slots) slot = Fn(Reserved);
  t.slots[0] = Fn(PartQueryInterface);
  t.slots[1] = Fn(PartAddRef);
  t.slots[2] = Fn(PartRelease);
  t.slots[3] = Fn(Register);
  t.slots[7] = Fn(ExecuteCodes);
  t.slots[8] = Fn(RequestNotification);
  t.slots[13] = Fn(DefineMenu);
  t.slots[14] = Fn(AddItemToMenu);
  t.slots[15] = Fn(AddMenuToMenu);
  t.slots[16] = Fn(DefineAndAddMenu);
  t.slots[20] = Fn(Alert);
  t.slots[24] = Fn(PrintConsole);
  t.slots[26] = Fn(ScrollBox);
  t.slots[32] = Fn(OpenDocument);
  t.slots[33] = Fn(SaveDocument);
  t.slots[34] = Fn(NewCustomDocument);
  t.slots[35] = Fn(CloseDocument);
  t.slots[56] = Fn(ScrollToText);
  t.slots[66] = Fn(Redisplay);
  t.slots[67] = Fn(DeleteObject);
  t.slots[68] = Fn(GetNamedObject);
  t.slots[70] = Fn(NewNamedObject);
  t.slots[73] = Fn(AddText);
  t.slots[81] = Fn(GetPropVal);
  t.slots[83] = Fn(GetProps);
  t.slots[84] = Fn(SetProps);
  t.slots[85] = Fn(GetInt);
  t.slots[86] = Fn(SetInt);
  t.slots[89] = Fn(GetId);
  t.slots[90] = Fn(SetId);
  t.slots[91] = Fn(GetMetric);
  t.slots[95] = Fn(GetTextRange);
  t.slots[96] = Fn(SetTextRange);
  t.slots[97] = Fn(GetString);
  t.slots[98] = Fn(SetString);
  t.slots[99] = Fn(GetStrings);
  t.slots[101] = Fn(GetMetrics);
  t.slots[102] = Fn(SetMetrics);
  t.slots[110] = Fn(GetTextForRange);
  t.slots[140] = Fn(NewTable);
  t.slots[143] = Fn(GetTextPropVal);
  t.slots[146] = Fn(SetTextProps);
  t.slots[164] = Fn(DefineAndAddCommand);
  return t;
}

const MainTable kMainTable = BuildMainTable();

// The root answers for the host object itself.
HRESULT STDMETHODCALLTYPE RootQueryInterface(HostPart* self, REFIID iid, void** out) {
  return self->host->QueryRoot(iid, out);
}
const void* const kRootTable[] = {Fn(RootQueryInterface), Fn(PartAddRef), Fn(PartRelease)};

}  // namespace

// ---------------------------------------------------------------------------

ComHostC::ComHostC(HostApi* target, bool watched)
    : watch(watched),
      api(target),
      root_{kRootTable, this, 1, 'r'},
      main_{kMainTable.slots, this, 0, 'm'} {
  if (watch) TaskSpyInstall();
  for (bool& o : offer) o = true;
  for (bool& o : offerAuxiliary) o = true;
  for (HostPart& p : further_) p = HostPart{kUnknownTable, this, 0, 'f'};
  auxiliary_[0] = HostPart{kArrangeTable, this, 0, 'a'};
  auxiliary_[1] = HostPart{kModuleTable, this, 0, 'a'};
  auxiliary_[2] = HostPart{kUnknownTable, this, 0, 'a'};
}

ComHostC::~ComHostC() {
  DropCallback();
  // A host that keeps its blocks frees them itself; watched, blocks a faulty
  // client failed to give back go too, so that one fault is reported once.
  for (const TaskBlock& block : handedOut) {
    if (!watch || TaskBlockLive(block)) CoTaskMemFree(block.address);
  }
}

HRESULT ComHostC::QueryRoot(REFIID iid, void** out) {
  *out = nullptr;
  asked.push_back(iid);
  HostPart* part = nullptr;
  if (ComSameId(iid, kIidUnknown)) part = &root_;
  for (int i = 0; part == nullptr && i < kHostInterfaceCount; ++i) {
    if (offer[i] && ComSameId(iid, kHostInterfaceIds[i]))
      part = i == kHostMainInterface ? &main_ : &further_[i];
  }
  for (int i = 0; part == nullptr && i < kHostAuxiliaryCount; ++i) {
    if (offerAuxiliary[i] && ComSameId(iid, kHostAuxiliaryIds[i])) part = &auxiliary_[i];
  }
  if (part == nullptr) return E_NOINTERFACE;
  ++part->refs;
  *out = part;
  return S_OK;
}

int32_t ComHostC::HeldReferences() const {
  int32_t held = root_.refs - 1 + main_.refs;
  for (const HostPart& p : further_) held += p.refs;
  for (const HostPart& p : auxiliary_) held += p.refs;
  return held;
}

void ComHostC::DropCallback() {
  // Pointers are cleared first: the last release runs the client's tear-down.
  IUnknown* held[] = {notifications0, notifications1, cms0};
  notifications0 = nullptr;
  notifications1 = nullptr;
  cms0 = nullptr;
  for (IUnknown* p : held) {
    if (p != nullptr) p->Release();
  }
}

HRESULT ComCountedC::QueryInterface(REFIID iid, void** out) {
  *out = nullptr;
  if (!ComSameId(iid, kIidUnknown)) return E_NOINTERFACE;
  *out = static_cast<IUnknown*>(this);
  AddRef();
  return S_OK;
}

}  // namespace comhost
