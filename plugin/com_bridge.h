// The host operations over the real host's COM API: the interface set the
// client holds, and a HostApi whose every operation is one call of the main
// API interface.
#ifndef TAGSMITH_PLUGIN_COM_BRIDGE_H
#define TAGSMITH_PLUGIN_COM_BRIDGE_H

#include "plugin/com_interfaces.h"
#include "client/host_api.h"

// The host's interfaces, each null when the host does not offer it.
class FmApiInterfacesC {
 public:
  // Asks the host object for the thirteen interfaces, in order.
  void Acquire(IUnknown* host);
  // Asks for the three auxiliary interfaces.
  void AcquireAuxiliary(IUnknown* host);
  // Releases every held pointer, the set first, then the auxiliary ones.
  void Release();

  IHostMainApi0* Main() const {
    return static_cast<IHostMainApi0*>(interfaces[kHostMainInterface]);
  }
  IUnknown* Auxiliary(int i) const { return auxiliary[i]; }

  IUnknown* interfaces[kHostInterfaceCount] = {};
  IUnknown* auxiliary[kHostAuxiliaryCount] = {};
};

// The one interface set of the process.
FmApiInterfacesC& ComHostInterfaces();

// Set when the host keeps the blocks it hands back (it frees them itself);
// clear, the bridge gives each one back after copying it.
extern int32_t ComHostKeepsResults;

// The HostApi that speaks to the held main API interface. It has no state of
// its own; with no main interface held every operation fails with -1.
HostApi* ComBridge();

// Empties the bridge's return-parameter lists (at tear-down).
void ComBridgeDropReturnLists();

// HostErrno for a failed COM call.
int32_t ComFailureErrno(HRESULT hr);

#endif
