// The host's Roman converter for the support tests that convert: built into
// the test host's icu_data folder (tests/CMakeLists.txt) where makeconv is
// installed, and TAGSMITH_TEST_HOST_DIR is then defined. ICU's data
// directory is process-wide and only counts before a converter first loads,
// so it is set once, before any test runs, however many files include this.
#ifndef TAGSMITH_TESTS_SUPPORT_HOST_ICU_DATA_H
#define TAGSMITH_TESTS_SUPPORT_HOST_ICU_DATA_H

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace testsupport {

constexpr const char* kRoman = "adobe-fm-roman-windows";

class HostIcuData : public ::testing::Environment {
 public:
  void SetUp() override {
#ifdef TAGSMITH_TEST_HOST_DIR
    IcuSetDataDirectory(TAGSMITH_TEST_HOST_DIR "/icu_data");
#endif
  }
};
inline const ::testing::Environment* const g_hostIcuData =
    ::testing::AddGlobalTestEnvironment(new HostIcuData);

// Whether the converter was built; a test that needs it skips without it.
constexpr bool kHostConverterBuilt =
#ifdef TAGSMITH_TEST_HOST_DIR
    true;
#else
    false;
#endif

}  // namespace testsupport

#endif
