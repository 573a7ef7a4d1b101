// Writing the results of a run so that a user's file is never harmed: every
// file is written or none is, each is replaced atomically, what stands at a
// target keeps its mode, owner and group, and no file that is not a target
// changes. The rules are listed in the README ("What writing guarantees").
#ifndef TAGSMITH_SIM_SAFE_WRITE_H
#define TAGSMITH_SIM_SAFE_WRITE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/sha256.h"

// What tells one state of a file from another without reading it: which
// file it is, its size, and when its content and its inode last changed,
// to the nanosecond.
struct SafeFileStamp {
  bool known = false;
  uint64_t dev = 0;
  uint64_t ino = 0;
  int64_t size = 0;
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  int64_t ctimeSec = 0;
  int64_t ctimeNsec = 0;
  bool operator==(const SafeFileStamp& o) const {
    return known && o.known && dev == o.dev && ino == o.ino && size == o.size &&
           mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec && ctimeSec == o.ctimeSec &&
           ctimeNsec == o.ctimeNsec;
  }
};

struct SafeWrite {
  std::string path;  // as the user gave it (or built from --out-dir); "-" for standard output
  std::string text;  // unless `held` is set
  // The user named this path, so a symbolic link there is followed and the
  // file it leads to is written (the link stays). Files built from a folder
  // name are not followed: a link found there is refused.
  bool named = false;
  // The input this replaces (--in-place); the target may be that file.
  std::string replaces;
  // The digest of what the run read from that input, and the file's stamp
  // when it was read: it is replaced only while it still holds exactly
  // those bytes with that stamp, so that a change made meanwhile is never
  // lost. A digest, not the bytes, as a run that changes a whole book
  // cannot afford to hold every chapter's bytes beside its new text.
  std::optional<Sha256Digest> read = std::nullopt;
  SafeFileStamp readStamp = SafeFileStamp();
  // Said on stderr as "wrote PATH" once written; not when the run sums up
  // its writes in a line of its own, or says only its errors.
  bool announce = true;
  // The text, when the run holds it elsewhere already: a book's changed
  // chapters are written from the texts they were settled as, not copies.
  std::shared_ptr<const std::string> held = nullptr;
};

// What w writes.
inline const std::string& SafeWriteText(const SafeWrite& w) { return w.held ? *w.held : w.text; }

enum SafeWriteResult {
  SAFE_WRITTEN = 0,  // every file written
  SAFE_REFUSED = 1,  // a target may not be written; nothing was written
  SAFE_FAILED = 2,   // a write failed; each file's state was reported
};

// How a prepared file is put in place (rename(2)) and how a folder is
// flushed (fsync(2)); tests make them fail, or act between two renames.
extern int (*SafeRename)(const char* from, const char* to);
extern int (*SafeSyncFolder)(int fd);

// Where everything the writing says goes, a line at a time: standard error,
// unless the program keeps what it says as well. It must say the line even
// when memory is short; keeping it may then fail.
extern void (*SafeSay)(const char* line);

// Whether path names standard output.
bool SafeIsStdout(const std::string& path);

// Standard output and standard error are written from a run's start: when
// either is a regular file, it must be none of paths (compared as files).
// Returns the one that is, with the path in *path: 2 when standard error
// is (nothing can then be said), else 1 when standard output is; 0 when
// neither is.
int SafeStreamAmong(const std::vector<std::string>& paths, std::string* path);

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
// With stamp, the file's stamp from before it was read.
bool SafeReadFile(const std::string& path, size_t limit, std::string* text, std::string* why,
                  SafeFileStamp* stamp = nullptr);

// The first bytes (at most n) of a regular file, without blocking on what
// is not one; false with *why as SafeReadFile gives it.
bool SafeReadStart(const std::string& path, size_t n, std::string* head, std::string* why);

#endif
