// Writing a run's results without harming anything. The steps: look at
// every target (what stands there, where its folder is, which file it is),
// refuse targets that are inputs or each other; write every new text into a
// temporary file of its own, created exclusively in the target's folder;
// look at the targets again; then, with interruptions held back, keep each
// original under a second name and rename the new files into place. If a
// rename fails, the files already replaced get their originals back.
#include "sim/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

void Say(const std::string& text) { std::fputs(text.c_str(), stderr); }

std::string Why(int error) { return std::strerror(error); }

// ---- Temporary files removed on interruption ----

// The temporary files that exist now. Changed only with the interrupting
// signals blocked, so the handler always sees a whole list; it only reads
// the strings' bytes.
std::vector<std::string>* g_temps = nullptr;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempsAndDie(int sig) {
  if (g_temps != nullptr) {
    for (const std::string& t : *g_temps) unlink(t.c_str());
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

sigset_t InterruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kSignals) sigaddset(&set, s);
  return set;
}

// Holds interruptions back while alive.
struct Hold {
  sigset_t old;
  Hold() {
    sigset_t set = InterruptSignals();
    sigprocmask(SIG_BLOCK, &set, &old);
  }
  ~Hold() { sigprocmask(SIG_SETMASK, &old, nullptr); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;
};

// While alive: interruptions remove the temporary files; whatever way the
// writing ends (an error, out of memory), the ones left are removed.
struct TempGuard {
  std::vector<std::string> temps;
  struct sigaction old[3];
  TempGuard() {
    temps.reserve(64);
    Hold h;
    g_temps = &temps;
    struct sigaction sa {};
    sa.sa_handler = RemoveTempsAndDie;
    sa.sa_mask = InterruptSignals();
    for (size_t i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &old[i]);
  }
  ~TempGuard() {
    Hold h;
    for (const std::string& t : temps) unlink(t.c_str());
    g_temps = nullptr;
    for (size_t i = 0; i < 3; ++i) sigaction(kSignals[i], &old[i], nullptr);
  }
  TempGuard(const TempGuard&) = delete;
  TempGuard& operator=(const TempGuard&) = delete;
  // A fresh file from a mkstemp pattern, on the list from the moment it
  // exists; its name in *made. -1 (errno set) when it cannot be made.
  int Create(std::string pattern, std::string* made) {
    int fd = -1;
    {
      Hold h;
      if (temps.size() == temps.capacity()) temps.reserve(temps.size() * 2);
      fd = mkstemp(pattern.data());
      if (fd < 0) return -1;
      temps.push_back(std::move(pattern));
    }
    *made = temps.back();
    return fd;
  }
  void Forget(const std::string& t) {
    Hold h;
    for (size_t i = 0; i < temps.size(); ++i) {
      if (temps[i] == t) {
        // Swapping keeps the list whole without allocating.
        temps[i].swap(temps.back());
        temps.pop_back();
        return;
      }
    }
  }
};

// ---- Looking at targets ----

struct Identity {
  bool known = false;
  dev_t dev = 0;
  ino_t ino = 0;
  std::string name;  // for a file yet to be made: its name in the folder (dev, ino)
  bool operator==(const Identity& o) const {
    return known && o.known && dev == o.dev && ino == o.ino && name == o.name;
  }
};

Identity IdentityOf(const std::string& path) {
  Identity id;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    id.known = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
  }
  return id;
}

struct Target {
  const SafeWrite* w = nullptr;
  bool toStdout = false;
  std::string real;  // the file that changes: the path, or where its link leads
  std::string dir;
  std::string base;
  bool exists = false;
  struct stat st {};
  Identity id;
  std::string temp;
  std::string backup;
  bool renamed = false;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Look(const SafeWrite& w, Target* t, std::string* why) {
  t->w = &w;
  if (SafeIsStdout(w.path)) {
    t->toStdout = true;
    return true;
  }
  const std::string& path = w.path;
  if (path.empty()) {
    *why = "(empty name): not a file name";
    return false;
  }
  if (path.back() == '/') {
    *why = path + ": is a folder name, not a file name";
    return false;
  }
  struct stat st {};
  t->real = path;
  if (lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      *why = path + ": " + Why(errno);
      return false;
    }
  } else if (S_ISLNK(st.st_mode)) {
    if (!w.named) {
      *why = path + ": is a symbolic link; a link in the output folder is not followed";
      return false;
    }
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf) == nullptr) {
      *why = path + ": is a symbolic link that leads to no file (" + Why(errno) + ")";
      return false;
    }
    t->real = buf;
    if (stat(buf, &st) != 0) {
      *why = path + ": " + Why(errno);
      return false;
    }
    t->exists = true;
  } else {
    t->exists = true;
  }
  t->dir = FolderOf(t->real);
  t->base = NameOf(t->real);
  if (t->exists) {
    if (S_ISDIR(st.st_mode)) {
      *why = path + ": is a folder";
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      *why = path + ": is not a regular file (a device, FIFO or socket); only regular files are "
                    "replaced";
      return false;
    }
    if (st.st_nlink > 1) {
      *why = path + ": has " + std::to_string(st.st_nlink) +
             " names (hard links); replacing it would part them";
      return false;
    }
    t->st = st;
    t->id.known = true;
    t->id.dev = st.st_dev;
    t->id.ino = st.st_ino;
    return true;
  }
  struct stat dst {};
  if (stat(t->dir.c_str(), &dst) != 0) {
    *why = path + ": folder " + t->dir + ": " + Why(errno);
    return false;
  }
  if (!S_ISDIR(dst.st_mode)) {
    *why = path + ": " + t->dir + " is not a folder";
    return false;
  }
  t->id.known = true;
  t->id.dev = dst.st_dev;
  t->id.ino = dst.st_ino;
  t->id.name = t->base;
  return true;
}

bool LookAll(const std::vector<SafeWrite>& writes, const std::vector<std::string>& inputs,
             std::vector<Target>* targets, std::string* why) {
  targets->assign(writes.size(), Target());
  for (size_t i = 0; i < writes.size(); ++i) {
    if (!Look(writes[i], &(*targets)[i], why)) return false;
  }
  // Each input looked at once, not once for every target.
  std::vector<Identity> inputIds;
  inputIds.reserve(inputs.size());
  for (const std::string& in : inputs) inputIds.push_back(IdentityOf(in));
  for (size_t i = 0; i < targets->size(); ++i) {
    const Target& t = (*targets)[i];
    if (t.toStdout) continue;
    for (size_t j = 0; j < i; ++j) {
      if (!(*targets)[j].toStdout && (*targets)[j].id == t.id) {
        *why = t.w->path + " and " + (*targets)[j].w->path + " are the same file; each result "
               "needs a file of its own";
        return false;
      }
    }
    for (size_t k = 0; k < inputs.size(); ++k) {
      const std::string& in = inputs[k];
      if (in == t.w->replaces || !(inputIds[k] == t.id)) continue;
      *why = t.w->path + (in == t.w->path ? std::string() : " is " + in + ", which") +
             " is read by this run; a result is never written onto an input (--in-place "
             "replaces a changed input)";
      return false;
    }
  }
  return true;
}

// ---- Writing ----

bool WriteFd(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The pattern of a fresh file beside target: ".<name>.<kind>-XXXXXX".
std::string TempPattern(const Target& t, const char* kind) {
  return t.dir + "/." + t.base + "." + kind + "-XXXXXX";
}

bool Prepare(Target* t, TempGuard* guard, std::string* why) {
  std::string name;
  int fd = guard->Create(TempPattern(*t, "tagsmith"), &name);
  if (fd < 0) {
    *why = t->w->path + ": cannot write the file: " + Why(errno);
    return false;
  }
  t->temp = name;
  bool ok = WriteFd(fd, t->w->text) && fsync(fd) == 0;
  if (ok && t->exists) {
    struct stat now {};
    if (fstat(fd, &now) == 0 && (now.st_uid != t->st.st_uid || now.st_gid != t->st.st_gid) &&
        fchown(fd, t->st.st_uid, t->st.st_gid) != 0) {
      *why = t->w->path + ": cannot keep the file's owner and group (" + Why(errno) + ")";
      close(fd);
      return false;
    }
  }
  // After the owner, since changing it may clear set-id bits.
  ok = ok && fchmod(fd, t->exists ? (t->st.st_mode & 07777) : NewFileMode()) == 0;
  int error = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) *why = t->w->path + ": cannot write the file: " + Why(error);
  return ok;
}

// The original keeps a second name until every file is in place: a hard
// link where the file system has them, else a copy.
bool KeepOriginal(Target* t, TempGuard* guard) {
  std::string name;
  for (int attempt = 0; attempt < 8; ++attempt) {
    // A unique name, on the list before the link takes it.
    int fd = guard->Create(TempPattern(*t, "tagsmith-original"), &name);
    if (fd < 0) return false;
    close(fd);
    unlink(name.c_str());
    if (link(t->real.c_str(), name.c_str()) == 0) {
      t->backup = name;
      return true;
    }
    int error = errno;
    guard->Forget(name);
    errno = error;
    if (error != EEXIST) break;
  }
  std::string text;
  std::string why;
  if (!SafeReadFile(t->real, SIZE_MAX, &text, &why)) return false;
  int fd = guard->Create(TempPattern(*t, "tagsmith-original"), &name);
  if (fd < 0) return false;
  bool ok = WriteFd(fd, text) && fsync(fd) == 0 && fchmod(fd, t->st.st_mode & 07777) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) t->backup = name;
  return ok;
}

void SyncFolder(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Undoes the renames done so far and says what state each file is in.
// Allocates nothing, so that it runs to the end even when memory is short.
void RollBack(std::vector<Target>& targets, const Target& failed, const char* what, int error,
              TempGuard* guard) {
  std::fprintf(stderr, "%s: cannot write the file: %s%s\n", failed.w->path.c_str(), what,
               std::strerror(error));
  for (Target& t : targets) {
    const char* path = t.w->path.c_str();
    if (t.toStdout) continue;
    if (!t.renamed) {
      std::fprintf(stderr, "%s: unchanged\n", path);
    } else if (t.backup.empty()) {
      if (unlink(t.real.c_str()) == 0) {
        std::fprintf(stderr, "%s: removed again (it did not exist before)\n", path);
      } else {
        std::fprintf(stderr, "%s: written, and cannot be removed again: %s\n", path,
                     std::strerror(errno));
      }
    } else {
      bool restored = rename(t.backup.c_str(), t.real.c_str()) == 0;
      if (restored) {
        std::fprintf(stderr, "%s: restored to what it was\n", path);
      } else {
        std::fprintf(stderr, "%s: written, and cannot be restored (%s); the original is kept as %s\n",
                     path, std::strerror(errno), t.backup.c_str());
      }
      guard->Forget(t.backup);
    }
  }
}

}  // namespace

int (*SafeRename)(const char* from, const char* to) = rename;

bool SafeIsStdout(const std::string& path) { return path == "-" || path == "/dev/stdout"; }

bool SafeCheckTargets(const std::vector<SafeWrite>& writes, const std::vector<std::string>& inputs,
                      std::string* message) {
  std::vector<Target> targets;
  return LookAll(writes, inputs, &targets, message);
}

SafeWriteResult SafeWriteAll(const std::vector<SafeWrite>& writes,
                             const std::vector<std::string>& inputs) {
  std::vector<Target> targets;
  std::string why;
  if (!LookAll(writes, inputs, &targets, &why)) {
    Say(why + ". Nothing was written.\n");
    return SAFE_REFUSED;
  }
  TempGuard guard;
  for (Target& t : targets) {
    if (t.toStdout) continue;
    if (!Prepare(&t, &guard, &why)) {
      Say(why + ". Nothing was written.\n");
      return SAFE_FAILED;
    }
  }
  // Something may have changed at a target while the files were prepared.
  std::vector<Target> again;
  if (!LookAll(writes, inputs, &again, &why)) {
    Say(why + ". Nothing was written.\n");
    return SAFE_REFUSED;
  }
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].toStdout) continue;
    if (targets[i].exists != again[i].exists || !(targets[i].id == again[i].id) ||
        targets[i].real != again[i].real) {
      Say(writes[i].path + ": changed while the results were prepared. Nothing was written.\n");
      return SAFE_FAILED;
    }
  }

  {
    Hold hold;
    for (Target& t : targets) {
      if (t.toStdout) continue;
      bool kept = true;
      try {
        kept = !t.exists || KeepOriginal(&t, &guard);
      } catch (const std::bad_alloc&) {
        kept = false;
        errno = ENOMEM;
      }
      if (!kept) {
        RollBack(targets, t, "cannot keep a copy of the original: ", errno, &guard);
        return SAFE_FAILED;
      }
      if (SafeRename(t.temp.c_str(), t.real.c_str()) != 0) {
        RollBack(targets, t, "", errno, &guard);
        return SAFE_FAILED;
      }
      guard.Forget(t.temp);
      t.renamed = true;
    }
    // Every file is in place; the originals' second names go with the guard.
    for (const Target& t : targets) {
      if (!t.toStdout) SyncFolder(t.dir);
    }
  }
  for (const Target& t : targets) {
    if (!t.toStdout) std::fprintf(stderr, "wrote %s\n", t.w->path.c_str());
  }
  for (const Target& t : targets) {
    if (!t.toStdout) continue;
    std::fflush(stdout);
    if (!WriteFd(STDOUT_FILENO, t.w->text)) {
      Say("standard output: cannot write: " + Why(errno) + "\n");
      return SAFE_FAILED;
    }
  }
  return SAFE_WRITTEN;
}

bool SafeReadFile(const std::string& path, size_t limit, std::string* text, std::string* why) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = "cannot read the file: " + Why(errno);
    return false;
  }
  struct stat st {};
  bool ok = false;
  if (fstat(fd, &st) != 0) {
    *why = "cannot read the file: " + Why(errno);
  } else if (S_ISDIR(st.st_mode)) {
    *why = "is a folder, not a file";
  } else if (!S_ISREG(st.st_mode)) {
    *why = "is not a regular file (a device, FIFO or socket)";
  } else if (static_cast<uintmax_t>(st.st_size) > limit) {
    *why = "file is larger than " + std::to_string(limit) + " bytes";
  } else {
    ok = true;
  }
  if (ok) try {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string out;
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
      ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *why = "cannot read the file: " + Why(errno);
        ok = false;
        break;
      }
      if (n == 0) break;
      // The file may grow while it is read.
      if (out.size() + static_cast<size_t>(n) > limit) {
        *why = "file is larger than " + std::to_string(limit) + " bytes";
        ok = false;
        break;
      }
      out.append(buf, static_cast<size_t>(n));
    }
    if (ok) *text = std::move(out);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);
  return ok;
}
