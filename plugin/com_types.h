// The COM shapes the client is written against. On Windows they are the
// system's own; elsewhere this header defines layout-identical stand-ins and a
// task allocator (libtagsmith_comrt) so that the bridge, the callback object
// and the entry build and run unchanged, and a test host can drive them.
#ifndef TAGSMITH_PLUGIN_COM_TYPES_H
#define TAGSMITH_PLUGIN_COM_TYPES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// The system's variant-type enumeration shares two names with the client's
// value-type codes; its enumerators are renamed while its headers are read.
#define VT_INT TS_SYSTEM_VT_INT
#define VT_RECORD TS_SYSTEM_VT_RECORD
#include <windows.h>
#include <objbase.h>
#include <unknwn.h>
#undef VT_INT
#undef VT_RECORD

#ifndef TAGSMITH_COM_EXPORT
#define TAGSMITH_COM_EXPORT
#endif

#else  // !_WIN32

#define STDMETHODCALLTYPE
#define TAGSMITH_COM_EXPORT __attribute__((visibility("default")))

typedef int32_t HRESULT;
typedef uint32_t ULONG;
typedef int32_t BOOL;
typedef size_t SIZE_T;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef const IID& REFIID;

// No virtual destructor: the object is destroyed by its own Release, never
// through an interface pointer, and the slot would shift every method.
struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

// The allocator spy, in the shape of the system's: tests register one to see
// every task block that changes hands between host and client.
struct IMallocSpy : IUnknown {
  virtual SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) = 0;
  virtual void* STDMETHODCALLTYPE PostAlloc(void* actual) = 0;
  virtual void* STDMETHODCALLTYPE PreFree(void* request, BOOL spyed) = 0;
  virtual void STDMETHODCALLTYPE PostFree(BOOL spyed) = 0;
  virtual SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** actual,
                                              BOOL spyed) = 0;
  virtual void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL spyed) = 0;
  virtual void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL spyed) = 0;
  virtual SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL spyed) = 0;
  virtual void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL spyed) = 0;
  virtual int STDMETHODCALLTYPE PostDidAlloc(void* request, BOOL spyed, int actual) = 0;
  virtual void STDMETHODCALLTYPE PreHeapMinimize() = 0;
  virtual void STDMETHODCALLTYPE PostHeapMinimize() = 0;
};

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT CO_E_OBJISREG = static_cast<HRESULT>(0x800401FBu);
constexpr HRESULT RPC_E_SERVERCALL_RETRYLATER = static_cast<HRESULT>(0x8001010Au);

inline bool FAILED(HRESULT hr) { return hr < 0; }
inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// The process-wide task allocator, shared by the host and every client module
// (it lives in its own shared library for that reason).
extern "C" {
TAGSMITH_COM_EXPORT void* CoTaskMemAlloc(SIZE_T size);
TAGSMITH_COM_EXPORT void CoTaskMemFree(void* block);
TAGSMITH_COM_EXPORT HRESULT CoRegisterMallocSpy(IMallocSpy* spy);
TAGSMITH_COM_EXPORT HRESULT CoRevokeMallocSpy();
}

#endif  // _WIN32

// Interface ids compare bytewise, the same on every platform.
inline bool ComSameId(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

static_assert(sizeof(GUID) == 16, "GUID layout");

#endif
