// File paths: creation with normalisation, the last component, and network
// paths through the host's network library.
#ifndef TAGSMITH_SUPPORT_PATHS_H
#define TAGSMITH_SUPPORT_PATHS_H

#include <cstdint>

constexpr uint32_t kFilePathTag = 0x70617468;

struct FilePath {
  uint32_t tag;  // kFilePathTag
  // 0x10 marks a path made by FilePathFromString. Kept for the record's
  // layout; nothing in the client reads it.
  uint16_t flags;
  char* path;  // owned, normalised, never null
};

// A new path from text: kind 0 (and 2, 4) a platform path, kind 1 the host's
// token form, resolved against base when relative ($NAME and a leading ~
// expanded, "." and ".." folded). Null for kind 3, for a null or empty text,
// a token text that does not parse, or no memory; an unknown kind is a fatal
// stop, a null text of kind 1 an assertion failure. Free with
// FilePathRelease.
FilePath* FilePathFromString(const char* text, const FilePath* base, int32_t kind);
// The last component as a new string (MemRelease); percent escapes decoded for
// network paths. Null for a null path or no memory.
char* FilePathBaseName(const FilePath* path);
void FilePathRelease(FilePath* path);
// 1 unless the bound network library names text a network file; 1 for null.
int32_t PathIsLocal(const char* text);
// 1 when text begins "dctm://", else 0.
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
