#include "client/text_support.h"

#include <gtest/gtest.h>

#include <string>

#include "support/encoding.h"
#include "support/icu_api.h"
#include "support/memory.h"
#include "support/strings.h"
#include "tests/client/stub_host.h"

namespace {

#ifdef _WIN32
constexpr const char* kJoin = "\\icu_data";
#else
constexpr const char* kJoin = "/icu_data";
#endif

// ICU's data directory as a fake table sees it, so that these tests neither
// depend on nor change the process-wide directory of the real ICU.
std::string g_icuDirectory;
int g_setCalls = 0;
void FakeSetDirectory(const char* directory) {
  ++g_setCalls;
  g_icuDirectory = directory != nullptr ? directory : "";
}
const char* FakeGetDirectory() { return g_icuDirectory.c_str(); }
IcuApi FakeIcu() {
  IcuApi api = *IcuGet();
  api.setDataDirectory = FakeSetDirectory;
  api.getDataDirectory = FakeGetDirectory;
  return api;
}

class DirectoryHost : public StubHost {
 public:
  char* GetString(ObjHandle doc, ObjHandle obj, int32_t prop) override {
    ++calls;
    lastDoc = doc;
    lastObj = obj;
    lastProp = prop;
    if (status != 0) {
      HostErrno = status;
      return nullptr;
    }
    if (returnNull) return nullptr;
    return StrDuplicate(directory.c_str());
  }
  std::string directory = "/opt/host";
  int32_t status = 0;
  bool returnNull = false;
  int calls = 0;
  ObjHandle lastDoc = 99, lastObj = 99;
  int32_t lastProp = 0;
};

class TextSupportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const IcuApi fake = FakeIcu();
    IcuOverride(&fake);
    g_icuDirectory.clear();
    g_setCalls = 0;
    previousHost_ = HostInstall(&host_);
    HostErrno = 0;
  }
  void TearDown() override {
    HostInstall(previousHost_);
    IcuOverrideEnd();
    HostErrno = 0;
  }
  DirectoryHost host_;
  HostApi* previousHost_ = nullptr;
};

TEST_F(TextSupportTest, JoinsTheHostDirectoryWithIcuData) {
  EXPECT_EQ(0, SetIcuDataDirectory());
  EXPECT_EQ(1, host_.calls);
  EXPECT_EQ(0u, host_.lastDoc);
  EXPECT_EQ(0u, host_.lastObj);
  EXPECT_EQ(PROP_HOST_DIR, host_.lastProp);
  EXPECT_EQ(std::string("/opt/host") + kJoin, g_icuDirectory);
}

TEST_F(TextSupportTest, EnsureSetsTheEncodingAndAsksTheHostOnce) {
  EXPECT_EQ(0, EnsureTextSupport());
  EXPECT_EQ(1, EncodingTablesBuilt());
  EXPECT_EQ(ENC_FRAME_ROMAN, ClientEncoding());
  EXPECT_EQ(1, host_.calls);
  EXPECT_EQ(0, EnsureTextSupport());
  EXPECT_EQ(1, host_.calls) << "a directory already set is not asked for again";
  EXPECT_EQ(1, g_setCalls);
}

TEST_F(TextSupportTest, EnsureLeavesAChosenEncodingAlone) {
  SetClientEncoding("UTF-8");
  EnsureTextSupport();
  EXPECT_EQ(ENC_UTF8, ClientEncoding());
  SetClientEncoding("FrameRoman");
}

TEST_F(TextSupportTest, HostFailuresSetNothingAndAreRetried) {
  host_.status = 5;
  EXPECT_EQ(1, EnsureTextSupport());
  EXPECT_EQ(5, HostErrno);
  EXPECT_EQ(0, g_setCalls);

  host_.status = 0;
  host_.directory = "";
  EXPECT_EQ(1, EnsureTextSupport());
  host_.returnNull = true;
  EXPECT_EQ(1, EnsureTextSupport());
  EXPECT_EQ(0, g_setCalls);

  host_.returnNull = false;
  host_.directory = "/retry";
  EXPECT_EQ(0, EnsureTextSupport());
  EXPECT_EQ(std::string("/retry") + kJoin, g_icuDirectory);
  EXPECT_EQ(4, host_.calls);
}

TEST_F(TextSupportTest, AnEarlierFailureDoesNotBlockTheSetUp) {
  HostErrno = 7;  // left behind by some unrelated call
  EXPECT_EQ(0, SetIcuDataDirectory());
  EXPECT_EQ(7, HostErrno) << "the caller's error number is kept";
  EXPECT_EQ(1, g_setCalls);
}

TEST_F(TextSupportTest, WithoutAHostNothingIsSet) {
  HostInstall(nullptr);
  EXPECT_EQ(1, SetIcuDataDirectory());
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  EXPECT_EQ(0, g_setCalls);
}

TEST_F(TextSupportTest, DirectoriesTooLongForTheBufferAreDeclined) {
  // 1,024 bytes hold the directory, the separator, "icu_data" and the
  // terminator: a 1,014-byte directory fits exactly.
  host_.directory = std::string(1014, 'd');
  EXPECT_EQ(0, SetIcuDataDirectory());
  EXPECT_EQ(1023u, g_icuDirectory.size());

  g_setCalls = 0;
  host_.directory = std::string(1015, 'd');
  EXPECT_EQ(1, SetIcuDataDirectory());
  host_.directory = std::string(5000, 'd');
  EXPECT_EQ(1, SetIcuDataDirectory());
  EXPECT_EQ(0, g_setCalls);
}

}  // namespace
