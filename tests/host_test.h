// The fixture of tests that run client code against the in-memory host:
// installed before each test, removed after it, with the error number and
// the count of finished commands starting from 0.
#ifndef TAGSMITH_TESTS_HOST_TEST_H
#define TAGSMITH_TESTS_HOST_TEST_H

#include <gtest/gtest.h>

#include "memhost/mem_host.h"

// H is the in-memory host or a test's own host derived from it.
template <typename H>
class HostTestWith : public ::testing::Test {
 protected:
  void SetUp() override {
    HostErrno = 0;
    HostMarkDoneCount = 0;
    HostInstall(&host);
  }
  void TearDown() override { HostInstall(nullptr); }

  H host;
};

using HostTest = HostTestWith<memhost::MemHost>;

#endif
