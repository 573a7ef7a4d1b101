#include "plugin/entry.h"

#include <new>

#include "client/host_lists.h"
#include "client/text_support.h"
#include "plugin/com_bridge.h"
#include "plugin/com_callbacks.h"
#include "plugin/version_info.h"
#include "support/format.h"

int32_t F_ApiClientInit(void* module, IUnknown* host, IUnknown* companion, PropVals* description) {
  ClientRuntime.module = module;
  if (host == nullptr) return -1;

  FmApiInterfacesC& interfaces = ComHostInterfaces();
  HostInstall(ComBridge());
  interfaces.Acquire(host);
  if (interfaces.Main() == nullptr) {
    // Nothing will ever come back to release what was obtained.
    interfaces.Release();
    return -1;
  }
  interfaces.AcquireAuxiliary(host);

  ComHostKeepsResults = 0;
  if (auto* memory = static_cast<IHostMemoryArrangement0*>(interfaces.Auxiliary(0))) {
    if (memory->Arrange(1) == 0) ComHostKeepsResults = 1;
  }

  FrameMakerNotificationsC* callback = new (std::nothrow) FrameMakerNotificationsC();
  if (callback == nullptr) {
    interfaces.Release();
    ComHostKeepsResults = 0;
    return -1;
  }
  ClientRuntime.callback = callback;

  PropVals local{0, nullptr};
  const PropVals* used = description;
  if (description == nullptr) {
    if (module != nullptr) BuildClientDescription(module, &local);
    used = &local;
  }
  interfaces.Main()->Register(callback->Unknown(), kRegisterConstant, used);

  if (auto* sink = static_cast<IHostModuleSink0*>(interfaces.Auxiliary(1))) sink->SetModule(module);
  PropValsFree(&local);

  EnsureTextSupport();
  HostExitFlag = 0;
  if (companion != nullptr) {
    ClientRuntime.companion = companion;
    companion->AddRef();
  }

  // From here the host's reference from the register call keeps the callback
  // object alive; a host that took none tears everything down right here.
  callback->Release();

  SetConsoleSink(HostPrintConsole);
  return interfaces.Main() != nullptr ? 0 : -1;
}
