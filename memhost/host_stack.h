// The in-memory host put together as tests, benchmarks and tools use it:
// the model, the faithful host over it, the script that answers its dialogs
// over that, and on top the fault injector, the host to install. A program
// that needs no fault injection gives the client `script` (or `mem`) and
// pays nothing for it.
#ifndef TAGSMITH_MEMHOST_HOST_STACK_H
#define TAGSMITH_MEMHOST_HOST_STACK_H

#include "memhost/doc_store.h"
#include "memhost/faulty_host.h"
#include "memhost/mem_host.h"
#include "memhost/scripted_host.h"

namespace memhost {

struct HostStack {
  DocStore model;
  MemHost mem{&model};
  ScriptedHost script{&mem};
  FaultyHost faults{&script};
};

}  // namespace memhost

#endif
