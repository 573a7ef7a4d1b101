#include "support/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/memory.h"
#include "support/strings.h"

namespace {

// The normalised path made of text, or "<null>" when no path results.
std::string Resolve(const char* text, const FilePath* base = nullptr, int32_t kind = 0) {
  FilePath* path = FilePathFromString(text, base, kind);
  if (path == nullptr) return "<null>";
  EXPECT_EQ(kFilePathTag, path->tag);
  EXPECT_EQ(0x10, path->flags);
  std::string out = path->path;
  FilePathRelease(path);
  return out;
}

std::string BaseName(const char* text, int32_t kind = 0) {
  FilePath* path = FilePathFromString(text, nullptr, kind);
  char* name = FilePathBaseName(path);
  std::string out = name != nullptr ? name : "<null>";
  MemRelease(name);
  FilePathRelease(path);
  return out;
}

// A stand-in for the host's network library: anything with "://" other than
// a dctm reference is a network file.
int g_netCalls = 0;
bool g_netFails = false;
int32_t FakeIsNetFile(const char* path) {
  return (std::strstr(path, "://") != nullptr && std::strncmp(path, "dctm:", 5) != 0) ? 0 : 1;
}
int32_t FakeAbsolute(const char* base, const char* relative, char** out) {
  ++g_netCalls;
  if (g_netFails) return 5;
  std::string joined = std::string("abs:") + base + "|" + relative;
  *out = static_cast<char*>(std::malloc(joined.size() + 1));
  std::memcpy(*out, joined.c_str(), joined.size() + 1);
  return 0;
}
void FakeFree(void* block) { std::free(block); }
const NetLibFunctions kFakeNetLib = {FakeIsNetFile, FakeAbsolute, FakeFree};

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_netCalls = 0;
    g_netFails = false;
  }
  void TearDown() override { NetLibInstall(nullptr); }
};

TEST_F(PathsTest, BaseNamesOfLocalPaths) {
  EXPECT_EQ("ch1.fm", BaseName("C:\\Docs\\Manual\\ch1.fm"));
  EXPECT_EQ("Manual", BaseName("C:\\Docs\\Manual\\"));
  EXPECT_EQ("ch1.fm", BaseName("C:ch1.fm"));
  EXPECT_EQ("ch1.fm", BaseName("ch1.fm"));
  EXPECT_EQ("c.fm", BaseName("C:/a/b/c.fm"));
  EXPECT_EQ("share", BaseName("\\\\server\\share\\"));
  EXPECT_EQ("<null>", BaseName(nullptr));
  EXPECT_EQ(nullptr, FilePathBaseName(nullptr));
}

TEST_F(PathsTest, NormalisationCollapsesDotsAndSeparators) {
  EXPECT_EQ("C:\\a\\c.fm", Resolve("C:\\a\\.\\b\\..\\c.fm"));
  EXPECT_EQ("C:/a/b/c.fm", Resolve("C:/a//b/c.fm"));
  EXPECT_EQ("\\\\server\\share\\x.fm", Resolve("\\\\server\\share\\x.fm"));
  EXPECT_EQ("C:\\x.fm", Resolve("C:\\..\\x.fm"));
  EXPECT_EQ("C:\\x.fm", Resolve("C:\\..\\..\\x.fm"));
  EXPECT_EQ("C:/a/b", Resolve("C:/a\\\\b")) << "the first separator sets the style";
  EXPECT_EQ("\\x.fm", Resolve("\\..\\x.fm")) << "nothing above the root";
  EXPECT_EQ("..\\..\\x.fm", Resolve("..\\..\\x.fm")) << "a relative path may climb";
  EXPECT_EQ("C:\\a\\", Resolve("C:\\a\\b\\.."));
  EXPECT_EQ("C:\\a\\", Resolve("C:\\a\\.\\"));
}

TEST_F(PathsTest, RelativeTextsJoinTheBase) {
  FilePath* base = FilePathFromString("C:\\Books", nullptr, 0);
  ASSERT_NE(nullptr, base);
  EXPECT_EQ("C:\\Books\\ch1.fm", Resolve("ch1.fm", base));
  EXPECT_EQ("C:\\ch1.fm", Resolve("..\\ch1.fm", base));
  EXPECT_EQ("D:\\x.fm", Resolve("D:\\x.fm", base)) << "a drive makes the text absolute";
  EXPECT_EQ("\\x.fm", Resolve("\\x.fm", base));
  FilePathRelease(base);

  FilePath* drive = FilePathFromString("C:", nullptr, 0);
  EXPECT_EQ("C:\\x.fm", Resolve("x.fm", drive)) << "a base ending in ':' still gets the '\\'";
  FilePathRelease(drive);
}

TEST_F(PathsTest, KindsAndEmptyInput) {
  EXPECT_EQ("<null>", Resolve(nullptr));
  EXPECT_EQ("<null>", Resolve(""));
  EXPECT_EQ("C:\\a", Resolve("C:\\a", nullptr, 2));
  EXPECT_EQ("C:\\a", Resolve("C:\\a", nullptr, 4));
  EXPECT_EQ("<null>", Resolve("C:\\a", nullptr, 3));

  static int stops = 0;
  FatalStopHandler previous = SetFatalStopHandler([] { ++stops; });
  stops = 0;
  EXPECT_EQ("<null>", Resolve("C:\\a", nullptr, 7));
  EXPECT_EQ("<null>", Resolve("C:\\a", nullptr, -1));
  EXPECT_EQ(2, stops);
  EXPECT_EQ("<null>", Resolve(nullptr, nullptr, 1)) << "a null token text is an internal error";
  EXPECT_EQ(3, stops);
  SetFatalStopHandler(previous);
}

TEST_F(PathsTest, TokenForm) {
  EXPECT_EQ("C:\\Docs\\a.fm", Resolve("<v>C:<c>Docs<c>a.fm", nullptr, 1));
  EXPECT_EQ("\\Docs\\a.fm", Resolve("<r>x<c>Docs<c>a.fm", nullptr, 1));
  EXPECT_EQ("C:\\a.fm", Resolve("<v>C:<r><c>a.fm", nullptr, 1));
  EXPECT_EQ("\\srv\\share\\a.fm", Resolve("<h>srv<c>share<c>a.fm", nullptr, 1));
  EXPECT_EQ("..\\a.fm", Resolve("<u><c>a.fm", nullptr, 1));
  EXPECT_EQ("C:\\a<b.fm", Resolve("<v>C:<c>a\\<b.fm", nullptr, 1)) << "'\\' escapes";
  EXPECT_EQ("C:\\a.fm", Resolve("<v>C:<q>ignored<c>a.fm", nullptr, 1));
  EXPECT_EQ("C:\\a", Resolve("<v>C:<c>a<broken", nullptr, 1)) << "reading stops";

  EXPECT_EQ("<null>", Resolve("<c>a<v>C:", nullptr, 1)) << "v only first";
  EXPECT_EQ("<null>", Resolve("<c>a<r>", nullptr, 1)) << "r only first or after v";
  EXPECT_EQ("<null>", Resolve("<h>srv<u>", nullptr, 1)) << "no u after h";
  EXPECT_EQ("<null>", Resolve("<r><u>", nullptr, 1)) << "no u after r";
  EXPECT_EQ("<null>", Resolve("plain", nullptr, 1));
  EXPECT_EQ("<null>", Resolve("<r>", nullptr, 1)) << "nothing left after the last byte";
  EXPECT_EQ("<null>", Resolve(("<c>" + std::string(5000, 'n')).c_str(), nullptr, 1));
}

TEST_F(PathsTest, EnvironmentAndHomeExpansion) {
  setenv("TAGSMITH_DOCS", "D:\\Shared\\Docs", 1);
  unsetenv("TAGSMITH_UNSET");
  EXPECT_EQ("D:\\Shared\\Docs\\a.fm", Resolve("$TAGSMITH_DOCS\\a.fm"));
  EXPECT_EQ("C:\\D:\\Shared\\Docs\\a.fm", Resolve("C:\\$TAGSMITH_DOCS\\a.fm"));
  EXPECT_EQ("$TAGSMITH_UNSET\\a.fm", Resolve("$TAGSMITH_UNSET\\a.fm")) << "unknown names stay";
  EXPECT_EQ("C:\\a$.b", Resolve("C:\\a$.b")) << "'$.' is no reference";

  const char* home = std::getenv("HOME");
  std::string saved = home != nullptr ? home : "";
  setenv("HOME", "/home/editor", 1);
  EXPECT_EQ("/home/editor/doc.fm", Resolve("~/doc.fm"));
  EXPECT_EQ("/home/editor", Resolve("~"));
  EXPECT_EQ("user/doc.fm", Resolve("~user/doc.fm")) << "the tilde alone is dropped";
  unsetenv("HOME");
  EXPECT_EQ("/doc.fm", Resolve("~/doc.fm")) << "no home: nothing in its place";
  if (home != nullptr) setenv("HOME", saved.c_str(), 1);
}

TEST_F(PathsTest, OversizedInputNeverOverrunsTheBuffers) {
  std::string huge = "C:\\" + std::string(6000, 'a') + "\\b.fm";
  std::string resolved = Resolve(huge.c_str());
  EXPECT_EQ(4095u, resolved.size());

  setenv("TAGSMITH_LONG", std::string(3000, 'v').c_str(), 1);
  std::string twice = Resolve("$TAGSMITH_LONG\\$TAGSMITH_LONG\\x");
  EXPECT_LE(twice.size(), 4095u);

  std::string longName = "C:\\" + std::string(2000, 'n');
  std::string name = BaseName(longName.c_str());
  EXPECT_EQ(1023u, name.size());

  std::string deep;
  for (int i = 0; i < 2100; ++i) deep += "a\\";
  EXPECT_LE(Resolve(deep.c_str()).size(), 4095u);
}

TEST_F(PathsTest, WithoutNetLibEveryPathIsLocal) {
  EXPECT_EQ(1, PathIsLocal("http://host/a.fm"));
  EXPECT_EQ(1, PathIsLocal(nullptr));
  EXPECT_EQ(1, PathIsDctm("dctm://repo/doc"));
  EXPECT_EQ(0, PathIsDctm("DCTM://repo/doc"));
  EXPECT_EQ(0, PathIsDctm(nullptr));
}

TEST_F(PathsTest, NetworkPathsGoThroughNetLib) {
  EXPECT_EQ(nullptr, NetLibInstall(&kFakeNetLib));
  EXPECT_EQ(0, PathIsLocal("http://host/a.fm"));
  EXPECT_EQ(1, PathIsLocal("C:\\a.fm"));
  EXPECT_EQ(1, PathIsLocal(nullptr));

  EXPECT_EQ("http://host/dir/a.fm", Resolve("http://host/dir/a.fm")) << "taken as it stands";
  EXPECT_EQ("dctm://repo//x", Resolve("dctm://repo//x"));
  EXPECT_EQ("my file.fm", BaseName("http://host/dir/my%20file.fm"));
  EXPECT_EQ("a%00b%zz%4", BaseName("http://host/a%00b%zz%4")) << "only nonzero hex pairs";
  EXPECT_EQ("A.fm", BaseName("http://host/%41.fm"));

  FilePath* base = FilePathFromString("http://host/dir", nullptr, 0);
  ASSERT_NE(nullptr, base);
  EXPECT_EQ("abs:http://host/dir/|sub/a.fm", Resolve("sub\\a.fm", base));
  EXPECT_EQ(1, g_netCalls);
  EXPECT_EQ("C:\\x.fm", Resolve("C:\\x.fm", base)) << "absolute texts ignore the base";
  EXPECT_EQ("dctm://r/x", Resolve("dctm://r/x", base));
  EXPECT_EQ(1, g_netCalls);
  g_netFails = true;
  EXPECT_EQ("<null>", Resolve("a.fm", base)) << "a NetLib failure gives no path";
  FilePathRelease(base);
}

TEST_F(PathsTest, ReleaseAcceptsNull) { FilePathRelease(nullptr); }

}  // namespace
