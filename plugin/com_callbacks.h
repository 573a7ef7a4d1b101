// The client's COM objects: a minimal reference-counted base and the
// callback object the host drives the client through.
#ifndef TAGSMITH_PLUGIN_COM_CALLBACKS_H
#define TAGSMITH_PLUGIN_COM_CALLBACKS_H

#include <cstddef>

#include "plugin/com_interfaces.h"

// A COM object that only counts references. Each derived class answers for
// its interfaces through FindInterface, usually from a table.
class ComUltraliteC : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  // Destroys the object when the count reaches 0. While it is being torn
  // down the count stands at kTearDownCount, so that references taken and
  // dropped by the tear-down cannot start a second one.
  ULONG STDMETHODCALLTYPE Release() override;

  // Stores the interface for iid in *out with a reference added, or leaves
  // *out alone.
  virtual void FindInterface(REFIID iid, void** out);
  virtual int32_t CanDelete();
  virtual ~ComUltraliteC() = default;

  int32_t RefCount() const { return refs_; }

  static constexpr int32_t kTearDownCount = 100;

  // One answer of FindInterface: an id and how to reach its part.
  struct InterfaceEntry {
    const GUID* iid;
    void* (*part)(ComUltraliteC* self);
  };

 protected:
  ComUltraliteC() = default;
  ComUltraliteC(const ComUltraliteC&) = delete;
  ComUltraliteC& operator=(const ComUltraliteC&) = delete;

  void FindInTable(const InterfaceEntry* table, size_t count, REFIID iid, void** out);

 private:
  int32_t refs_ = 1;
};

// The callback object. Its interface parts follow the base part in this
// order: CMS notifications, notifications 0, notifications 1.
class FrameMakerNotificationsC final : public ComUltraliteC,
                                       public IFrameMakerCMSNotifications0,
                                       public IFrameMakerNotifications0,
                                       public IFrameMakerNotifications1 {
 public:
  FrameMakerNotificationsC() = default;
  // The tear-down: runs when the host drops the last reference.
  ~FrameMakerNotificationsC() override;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  void FindInterface(REFIID iid, void** out) override;

  // The part the host is registered with.
  IUnknown* Unknown() { return static_cast<ComUltraliteC*>(this); }

  HRESULT STDMETHODCALLTYPE Initialize(int32_t code) override;
  HRESULT STDMETHODCALLTYPE Quit() override;
  HRESULT STDMETHODCALLTYPE Command(int32_t number) override;
  HRESULT STDMETHODCALLTYPE Message(intptr_t value, int32_t a, int32_t b) override;
  HRESULT STDMETHODCALLTYPE DialogEvent(int32_t a, int32_t b, int32_t c) override;
  HRESULT STDMETHODCALLTYPE Notify(int32_t note, ObjHandle doc, const char* s, int32_t n) override;
  HRESULT STDMETHODCALLTYPE GetResource(int32_t type, const char* name,
                                        ResourceBlob* blob) override;
  HRESULT STDMETHODCALLTYPE HtmlDialogEventEx(int32_t a, void* b, void* c) override;
  HRESULT STDMETHODCALLTYPE CMSCommand(int32_t a, void* b, int32_t c, void* d,
                                       CmsCommandResult* result) override;
};

#endif
