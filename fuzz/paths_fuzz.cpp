// Paths of every kind, with and without a base and a network library: the
// fixed buffers are never overrun and every result is released.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/memory.h"
#include "support/paths.h"

namespace {

int32_t IsNetFile(const char* path) {
  return std::strncmp(path, "http://", 7) == 0 || std::strncmp(path, "dctm://", 7) == 0 ? 0 : 1;
}

int32_t GetAbsoluteURL(const char* base, const char* relative, char** out) {
  if (relative[0] == 'x') return 1;  // a failing library
  std::string joined = std::string(base) + relative;
  *out = static_cast<char*>(std::malloc(joined.size() + 1));
  std::memcpy(*out, joined.c_str(), joined.size() + 1);
  return 0;
}

void Free(void* block) { std::free(block); }

const NetLibFunctions kNetLib = {IsNetFile, GetAbsoluteURL, Free};

void Ignore() {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  SetFatalStopHandler(Ignore);
  static const int32_t kKinds[] = {0, 1, 2, 3, 4, 7};
  int32_t kind = kKinds[data[0] % 6];
  bool withNet = (data[0] & 0x10) != 0;
  bool withBase = (data[0] & 0x20) != 0;
  NetLibInstall(withNet ? &kNetLib : nullptr);
  std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t split = input.find('\x01');
  std::string text = input.substr(0, split);
  FilePath* base = nullptr;
  if (withBase && split != std::string::npos) {
    base = FilePathFromString(input.c_str() + split + 1, nullptr, 0);
  }
  FilePath* path = FilePathFromString(text.c_str(), base, kind);
  MemRelease(FilePathBaseName(path));
  MemRelease(FilePathBaseName(base));
  PathIsLocal(text.c_str());
  PathIsDctm(text.c_str());
  FilePathRelease(path);
  FilePathRelease(base);
  NetLibInstall(nullptr);
  return 0;
}
