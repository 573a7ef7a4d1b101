// The fixture of tests that run client code against the in-memory host:
// its model, the faithful host over it, the script that answers dialogs over
// that, and on top the host the client is given (by default the fault
// injector), installed before each test and removed after it, with the
// error number and the count of finished commands starting from 0.
#ifndef TAGSMITH_TESTS_HOST_TEST_H
#define TAGSMITH_TESTS_HOST_TEST_H

#include <gtest/gtest.h>

#include "memhost/doc_store.h"
#include "memhost/faulty_host.h"
#include "memhost/mem_host.h"
#include "memhost/scripted_host.h"

// H is the fault injector or a test's own host derived from it (or from
// HostWrapper), made over the script.
template <typename H>
class HostTestWith : public ::testing::Test {
 protected:
  void SetUp() override {
    HostErrno = 0;
    HostMarkDoneCount = 0;
    HostInstall(&host);
  }
  void TearDown() override { HostInstall(nullptr); }

  memhost::DocStore model;
  memhost::MemHost mem{&model};
  memhost::ScriptedHost script{&mem};
  H host{&script};
};

using HostTest = HostTestWith<memhost::FaultyHost>;

#endif
