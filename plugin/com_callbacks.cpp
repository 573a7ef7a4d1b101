#include "plugin/com_callbacks.h"

#include <cstring>

#include "plugin/client_runtime.h"
#include "plugin/version_info.h"

// --- ComUltraliteC ----------------------------------------------------------

HRESULT ComUltraliteC::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  FindInterface(iid, out);
  return *out != nullptr ? S_OK : E_NOINTERFACE;
}

ULONG ComUltraliteC::AddRef() { return static_cast<ULONG>(++refs_); }

ULONG ComUltraliteC::Release() {
  int32_t left = --refs_;
  if (left != 0) return static_cast<ULONG>(left);
  refs_ = kTearDownCount;
  if (CanDelete() == 1) {
    delete this;
  } else {
    refs_ = 0;
  }
  return 0;
}

void ComUltraliteC::FindInterface(REFIID iid, void** out) {
  if (ComSameId(iid, kIidUnknown)) {
    *out = static_cast<IUnknown*>(this);
    AddRef();
  }
}

int32_t ComUltraliteC::CanDelete() { return 1; }

void ComUltraliteC::FindInTable(const InterfaceEntry* table, size_t count, REFIID iid, void** out) {
  for (size_t i = 0; i < count; ++i) {
    if (ComSameId(iid, *table[i].iid)) {
      *out = table[i].part(this);
      AddRef();
      return;
    }
  }
}

// --- FrameMakerNotificationsC -------------------------------------------------

namespace {

using Self = FrameMakerNotificationsC;

Self* Of(ComUltraliteC* base) { return static_cast<Self*>(base); }

const ComUltraliteC::InterfaceEntry kCallbackInterfaces[] = {
    {&kIidUnknown, [](ComUltraliteC* o) -> void* { return Of(o)->Unknown(); }},
    {&kIidFrameMakerCMSNotifications0,
     [](ComUltraliteC* o) -> void* { return static_cast<IFrameMakerCMSNotifications0*>(Of(o)); }},
    {&kIidFrameMakerNotifications0,
     [](ComUltraliteC* o) -> void* { return static_cast<IFrameMakerNotifications0*>(Of(o)); }},
    {&kIidFrameMakerNotifications1,
     [](ComUltraliteC* o) -> void* { return static_cast<IFrameMakerNotifications1*>(Of(o)); }},
};

}  // namespace

FrameMakerNotificationsC::~FrameMakerNotificationsC() { ClientRuntimeTearDown(this); }

HRESULT FrameMakerNotificationsC::QueryInterface(REFIID iid, void** out) {
  return ComUltraliteC::QueryInterface(iid, out);
}
ULONG FrameMakerNotificationsC::AddRef() { return ComUltraliteC::AddRef(); }
ULONG FrameMakerNotificationsC::Release() { return ComUltraliteC::Release(); }

void FrameMakerNotificationsC::FindInterface(REFIID iid, void** out) {
  FindInTable(kCallbackInterfaces, sizeof kCallbackInterfaces / sizeof kCallbackInterfaces[0], iid,
              out);
}

HRESULT FrameMakerNotificationsC::Initialize(int32_t code) {
  ClientCurrentHandlers().initialize(code);
  return S_OK;
}

// Nothing is kept that must be saved or let go when the host quits.
HRESULT FrameMakerNotificationsC::Quit() { return S_OK; }

HRESULT FrameMakerNotificationsC::Command(int32_t number) {
  ClientCurrentHandlers().command(number);
  return S_OK;
}

HRESULT FrameMakerNotificationsC::Message(intptr_t, int32_t, int32_t) { return S_OK; }

HRESULT FrameMakerNotificationsC::DialogEvent(int32_t, int32_t, int32_t) { return S_OK; }

HRESULT FrameMakerNotificationsC::Notify(int32_t note, ObjHandle doc, const char* s, int32_t n) {
  if (note != kNotePackedFields) {
    ClientCurrentHandlers().notify(note, doc, s, n);
    return S_OK;
  }
  PackedFields fields;
  PackedFieldsUnpack(s, &fields);
  ClientCurrentHandlers().notify(note, doc, reinterpret_cast<const char*>(&fields), n);
  PackedFieldsFree(&fields);
  return S_OK;
}

HRESULT FrameMakerNotificationsC::GetResource(int32_t type, const char* name, ResourceBlob* blob) {
  if (blob == nullptr) return E_POINTER;
  *blob = ResourceBlob{0, nullptr};
  char path[kModulePathSize];
  const void* data = nullptr;
  uint32_t size = 0;
  if (type == 0) {
    uint32_t length = ModuleFilePath(ClientRuntime.module, path, sizeof path);
    if (length == 0) return E_FAIL;
    data = path;
    size = length + 1;
  } else {
    if (name == nullptr) return E_FAIL;
    data = ModuleResourceData(ClientRuntime.module, name, static_cast<uint16_t>(type), &size);
    if (data == nullptr) return E_FAIL;
  }
  void* block = CoTaskMemAlloc(size);
  if (block == nullptr) return E_OUTOFMEMORY;
  std::memcpy(block, data, size);
  *blob = ResourceBlob{size, block};
  return S_OK;
}

HRESULT FrameMakerNotificationsC::HtmlDialogEventEx(int32_t, void*, void*) { return S_OK; }

HRESULT FrameMakerNotificationsC::CMSCommand(int32_t, void*, int32_t, void*,
                                             CmsCommandResult* result) {
  if (result == nullptr) return E_POINTER;
  // The empty value array passes to the host like every block it receives,
  // so it comes from the task allocator the host frees with.
  *result = CmsCommandResult{0, nullptr, 0, static_cast<int32_t*>(CoTaskMemAlloc(0))};
  return S_OK;
}
