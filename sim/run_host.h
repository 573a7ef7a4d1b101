// The host a run plays: the documents and files, and the layers the client's
// calls pass through on their way to them.
#ifndef TAGSMITH_SIM_RUN_HOST_H
#define TAGSMITH_SIM_RUN_HOST_H

#include "memhost/doc_store.h"
#include "memhost/faulty_host.h"
#include "memhost/mem_host.h"
#include "memhost/scripted_host.h"

// The host's documents and files; `api` answers the client's calls over
// them and `user` answers its dialogs. `calls` counts what the client
// asks, so that a command that ended at once can be told (it fails none).
struct RunHost {
  memhost::DocStore host;
  memhost::MemHost api{&host};
  memhost::ScriptedHost user{&api};
  memhost::FaultyHost calls{&user};

  RunHost() = default;
  RunHost(const RunHost&) = delete;
  RunHost& operator=(const RunHost&) = delete;
};

#endif
