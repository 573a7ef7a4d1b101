// File paths: creation with normalisation, the last component, and network
// paths through the host's network library.
#ifndef TAGSMITH_SUPPORT_PATHS_H
#define TAGSMITH_SUPPORT_PATHS_H

#include <cstdint>

constexpr uint32_t FILE_PATH_TAG = 0x70617468;

struct FilePath {
  uint32_t tag;
  uint16_t flags;
  char* path;
};

FilePath* FilePathFromString(const char* text, const FilePath* base, int32_t kind);
char* FilePathBaseName(const FilePath* path);
void FilePathRelease(FilePath* path);
int32_t PathIsLocal(const char* text);
int32_t PathIsDctm(const char* text);

// The host's network-file library, bound at run time. With none bound every
// path is local.
struct NetLibFunctions {
  int32_t (*IsNetFile)(const char* path);  // 0 when the path is a network file
  int32_t (*GetAbsoluteURL)(const char* base, const char* relative, char** out);  // 0 = success
  void (*Free)(void* block);
};
// Installs the functions (null: none); returns the previous table.
const NetLibFunctions* NetLibInstall(const NetLibFunctions* functions);

#endif
