// Writing the results of a run so that a user's file is never harmed: every
// file is written or none is, each is replaced atomically, what stands at a
// target keeps its mode, owner and group, and no file that is not a target
// changes. The rules are listed in the README ("What writing guarantees").
#ifndef TAGSMITH_SIM_SAFE_WRITE_H
#define TAGSMITH_SIM_SAFE_WRITE_H

#include <string>
#include <vector>

struct SafeWrite {
  std::string path;  // as the user gave it (or built from --out-dir); "-" for standard output
  std::string text;
  // The user named this path, so a symbolic link there is followed and the
  // file it leads to is written (the link stays). Files built from a folder
  // name are not followed: a link found there is refused.
  bool named = false;
  // The input this replaces (--in-place); the target may be that file.
  std::string replaces;
};

enum SafeWriteResult {
  SAFE_WRITTEN = 0,   // every file written
  SAFE_REFUSED = 1,   // a target may not be written; nothing was written
  SAFE_FAILED = 2,    // a write failed; each file's state was reported
};

// How a prepared file is put in place (rename(2)); tests make it fail.
extern int (*SafeRename)(const char* from, const char* to);

// Whether path names standard output.
bool SafeIsStdout(const std::string& path);

// Checks that no target is an input or another target, prepares every file
// beside its place, checks the targets again and puts the files in place,
// restoring the replaced ones if that fails part way. Messages go to stderr.
// inputs are every file the run read.
SafeWriteResult SafeWriteAll(const std::vector<SafeWrite>& writes,
                             const std::vector<std::string>& inputs);

// Refuses, before anything is run, a target that is an input or another
// target or cannot be a target; *message says why.
bool SafeCheckTargets(const std::vector<SafeWrite>& writes, const std::vector<std::string>& inputs,
                      std::string* message);

// Reads a whole regular file of at most limit bytes; false with *why
// ("is a folder", "is not a regular file", "is larger than ...", the
// system's reason) otherwise. Never blocks on a FIFO or a device.
bool SafeReadFile(const std::string& path, size_t limit, std::string* text, std::string* why);

#endif
