#include "client/text_support.h"

#include <cstring>

#include "client/host_api.h"
#include "support/encoding.h"
#include "support/memory.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif
constexpr char kIcuFolder[] = "icu_data";
constexpr size_t kDirectorySize = 1024;

}  // namespace

int32_t SetIcuDataDirectory() {
  // HostErrno is cleared so that an old failure of some other call does not
  // count against this one (the set-up would otherwise never be retried
  // successfully); a success puts the caller's value back.
  const int32_t previousErrno = HostErrno;
  HostErrno = 0;
  char* hostDir = HostGetString(0, 0, PROP_HOST_DIR);
  if (HostErrno != 0 || hostDir == nullptr || *hostDir == '\0') {
    if (HostErrno == 0) HostErrno = previousErrno;
    MemRelease(hostDir);
    return 1;
  }
  HostErrno = previousErrno;

  // A directory too long for the buffer is declined rather than cut: a cut
  // path would point ICU at some other folder.
  size_t length = std::strlen(hostDir);
  if (length + 1 + sizeof kIcuFolder > kDirectorySize) {
    MemRelease(hostDir);
    return 1;
  }
  char directory[kDirectorySize];
  std::memcpy(directory, hostDir, length);
  directory[length] = kSeparator;
  std::memcpy(directory + length + 1, kIcuFolder, sizeof kIcuFolder);
  MemRelease(hostDir);

  IcuSetDataDirectory(directory);
  return 0;
}

int32_t EnsureTextSupport() {
  if (!EncodingTablesBuilt()) SetClientEncoding("FrameRoman");
  if (IcuDataDirectoryIsSet()) return 0;
  return SetIcuDataDirectory();
}
