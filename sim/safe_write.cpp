// Writing a run's results without harming anything. The steps: look at
// every target (what stands there, where its folder is, which file it is),
// refuse targets that are inputs or each other or the standard streams;
// write every new text into a temporary file of its own, created
// exclusively in the target's folder; look at the targets again (an input
// replaced must still hold what the run read); write standard output; then,
// with deadly signals held back, look once more at each target, keep its
// original under a second name and rename the new file into place, and
// flush the folders. If any of that fails, the files already replaced get
// their originals back.
#include "sim/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

void Say(const std::string& text) { SafeSay(text.c_str()); }

// A line said while undoing a write: made without allocating.
__attribute__((format(printf, 1, 2))) void SayFixed(const char* format, ...) {
  char line[8192];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  SafeSay(line);
}

std::string Why(int error) { return std::strerror(error); }

// ---- Temporary files removed on a deadly signal ----

// The temporary files that exist now. Changed only with the deadly signals
// blocked, so the handler always sees a whole list; it only reads the
// strings' bytes.
std::vector<std::string>* g_temps = nullptr;

// Whether a signal ends the process unless it is caught: every signal but
// those that cannot be caught, are ignored, or stop the process for a while.
bool Deadly(int sig) {
  switch (sig) {
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGCONT:
    case SIGURG:
    case SIGWINCH:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU: return false;
    default: return true;
  }
}

sigset_t DeadlySignals() {
  sigset_t set;
  sigemptyset(&set);
  // The C library refuses the numbers it keeps for itself.
  for (int s = 1; s < NSIG; ++s) {
    if (Deadly(s)) sigaddset(&set, s);
  }
  return set;
}

extern "C" void RemoveTempsAndDie(int sig, siginfo_t* info, void*) {
  if (g_temps != nullptr) {
    for (const std::string& t : *g_temps) unlink(t.c_str());
  }
  signal(sig, SIG_DFL);
  // A fault of the program itself comes again once the handler returns,
  // now to end it; any other signal is sent again.
  bool fault = (sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE) &&
               info != nullptr && info->si_code > 0;
  if (!fault) raise(sig);
}

// Holds the deadly signals back while alive.
struct Hold {
  sigset_t old;
  Hold() {
    sigset_t set = DeadlySignals();
    sigprocmask(SIG_BLOCK, &set, &old);
  }
  ~Hold() { sigprocmask(SIG_SETMASK, &old, nullptr); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;
};

// While alive: a deadly signal removes the temporary files first; whatever
// way the writing ends (an error, out of memory), the ones left are removed.
// A signal that is ignored (as nohup does) or handled by someone else is
// left as it is.
struct TempGuard {
  std::vector<std::string> temps;
  struct sigaction old[NSIG];
  bool caught[NSIG] = {};
  TempGuard() {
    temps.reserve(64);
    Hold h;
    g_temps = &temps;
    struct sigaction sa {};
    sa.sa_sigaction = RemoveTempsAndDie;
    sa.sa_flags = SA_SIGINFO;
    sa.sa_mask = DeadlySignals();
    for (int s = 1; s < NSIG; ++s) {
      struct sigaction was {};
      if (!Deadly(s) || sigaction(s, nullptr, &was) != 0) continue;
      if ((was.sa_flags & SA_SIGINFO) != 0 || was.sa_handler != SIG_DFL) continue;
      caught[s] = sigaction(s, &sa, &old[s]) == 0;
    }
  }
  ~TempGuard() {
    Hold h;
    for (const std::string& t : temps) unlink(t.c_str());
    g_temps = nullptr;
    for (int s = 1; s < NSIG; ++s) {
      if (caught[s]) sigaction(s, &old[s], nullptr);
    }
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

// Standard output and standard error, when they are regular files (what
// else they may be, a terminal or a pipe, is no file a run reads).
Identity StreamIdentity(int fd) {
  Identity id;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    id.known = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
  }
  return id;
}

const char* StreamName(int fd) {
  return fd == STDOUT_FILENO ? "standard output" : "standard error";
}

SafeFileStamp StampOf(const struct stat& st) {
  SafeFileStamp s;
  s.known = true;
  s.dev = static_cast<uint64_t>(st.st_dev);
  s.ino = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<int64_t>(st.st_size);
  s.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  s.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
  s.ctimeSec = static_cast<int64_t>(st.st_ctim.tv_sec);
  s.ctimeNsec = static_cast<int64_t>(st.st_ctim.tv_nsec);
  return s;
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
  SafeFileStamp now;  // of what stands there, when it exists
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
      *why = path +
             ": is not a regular file (a device, FIFO or socket); only regular files are "
             "replaced";
      return false;
    }
    if (st.st_nlink > 1) {
      *why = path + ": has " + std::to_string(st.st_nlink) +
             " names (hard links); replacing it would part them";
      return false;
    }
    t->st = st;
    t->now = StampOf(st);
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
  // What the run says and shows goes into its standard streams, so they
  // are targets too, written before any other. Standard error first: when
  // it is an input, nothing can be said.
  const int streams[] = {STDERR_FILENO, STDOUT_FILENO};
  Identity streamIds[2] = {StreamIdentity(STDERR_FILENO), StreamIdentity(STDOUT_FILENO)};
  for (int s = 0; s < 2; ++s) {
    for (size_t k = 0; k < inputs.size(); ++k) {
      if (!streamIds[s].known || !(inputIds[k] == streamIds[s])) continue;
      *why = streams[s] == STDERR_FILENO
                 ? std::string()
                 : std::string(StreamName(streams[s])) + " is " + inputs[k] +
                       ", which is read by this run; a result is never written onto an input";
      return false;
    }
  }
  for (size_t i = 0; i < targets->size(); ++i) {
    const Target& t = (*targets)[i];
    if (t.toStdout) continue;
    for (int s = 0; s < 2; ++s) {
      if (!(streamIds[s] == t.id)) continue;
      *why = t.w->path + " is the " + StreamName(streams[s]) +
             " of this run; each result needs a file of its own";
      return false;
    }
    for (size_t j = 0; j < i; ++j) {
      if (!(*targets)[j].toStdout && (*targets)[j].id == t.id) {
        *why = t.w->path + " and " + (*targets)[j].w->path +
               " are the same file; each result "
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
  bool ok = WriteFd(fd, SafeWriteText(*t->w)) && fsync(fd) == 0;
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

// Flushes a folder's names to disk; 0, or why not (an errno).
int SyncFolder(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = SafeSyncFolder(fd) == 0 ? 0 : errno;
  close(fd);
  // A file system that has no way to flush a folder says so (EINVAL):
  // what it holds is then as safe as it can make it.
  return error == EINVAL ? 0 : error;
}

// Undoes the renames done so far and says what state each file is in.
// Allocates nothing, so that it runs to the end even when memory is short.
void RollBack(std::vector<Target>& targets, TempGuard* guard) {
  for (Target& t : targets) {
    const char* path = t.w->path.c_str();
    if (t.toStdout) continue;
    if (!t.renamed) {
      SayFixed("%s: unchanged\n", path);
    } else if (t.backup.empty()) {
      if (unlink(t.real.c_str()) == 0) {
        SayFixed("%s: removed again (it did not exist before)\n", path);
      } else {
        SayFixed("%s: written, and cannot be removed again: %s\n", path, std::strerror(errno));
      }
    } else {
      bool restored = rename(t.backup.c_str(), t.real.c_str()) == 0;
      if (restored) {
        SayFixed("%s: restored to what it was\n", path);
      } else {
        SayFixed("%s: written, and cannot be restored (%s); the original is kept as %s\n", path,
                 std::strerror(errno), t.backup.c_str());
      }
      guard->Forget(t.backup);
    }
  }
}

void CannotWrite(const Target& t, const char* what, int error) {
  SayFixed("%s: cannot write the file: %s%s\n", t.w->path.c_str(), what, std::strerror(error));
}

const char kChangedSinceRead[] =
    ": changed since this run read it; it is not replaced, so that "
    "the change is kept";

// What a target must still be when it is replaced: the stamp the input had
// when the run read it, else the one the target had when first looked at.
const SafeFileStamp& Expected(const Target& t) {
  return t.w->readStamp.known ? t.w->readStamp : t.now;
}

// Whether the file at path holds exactly the bytes of that digest; read
// without blocking on what is not a regular file.
bool Holds(const std::string& path, const Sha256Digest& digest) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  Sha256 hash;
  char buf[65536];
  while (same) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      same = n == 0 && Sha256Finish(&hash) == digest;
      break;
    }
    Sha256Add(&hash, buf, static_cast<size_t>(n));
  }
  close(fd);
  return same;
}

// Whether every target is still what was checked, once the new files are
// ready: the same file (or still none), its stamp unchanged, and an input
// replaced still holding the bytes the run read. SAFE_REFUSED when a
// target has become one that may not be written.
SafeWriteResult StillAsChecked(const std::vector<SafeWrite>& writes,
                               const std::vector<std::string>& inputs,
                               const std::vector<Target>& targets, std::string* why) {
  std::vector<Target> again;
  if (!LookAll(writes, inputs, &again, why)) return SAFE_REFUSED;
  for (size_t i = 0; i < targets.size(); ++i) {
    const Target& t = targets[i];
    if (t.toStdout) continue;
    bool read = t.w->readStamp.known || t.w->read.has_value();
    bool same = t.exists == again[i].exists && t.id == again[i].id && t.real == again[i].real;
    if (same && (t.exists || read) && !(Expected(t) == again[i].now)) same = false;
    if (same && t.w->read.has_value() && !Holds(t.real, *t.w->read)) same = false;
    if (!same) {
      *why = writes[i].path +
             (read ? kChangedSinceRead : ": changed while the results were prepared");
      return SAFE_FAILED;
    }
  }
  return SAFE_WRITTEN;
}

// Whether a target is still what StillAsChecked found, just before it is
// replaced: a look at its stamp, which allocates nothing.
bool StillThere(const Target& t) {
  struct stat st {};
  if (!t.exists) return lstat(t.real.c_str(), &st) != 0 && errno == ENOENT;
  return stat(t.real.c_str(), &st) == 0 && StampOf(st) == Expected(t);
}

// Prepares every file, writes standard output, and puts the files in
// place. The temporary files and the originals' second names are gone
// when it returns.
SafeWriteResult PutInPlace(const std::vector<SafeWrite>& writes,
                           const std::vector<std::string>& inputs, std::vector<Target>& targets) {
  TempGuard guard;
  std::string why;
  for (Target& t : targets) {
    if (t.toStdout) continue;
    if (!Prepare(&t, &guard, &why)) {
      Say(why + ". Nothing was written.\n");
      return SAFE_FAILED;
    }
  }
  // Something may have changed at a target while the files were prepared.
  SafeWriteResult still = StillAsChecked(writes, inputs, targets, &why);
  if (still != SAFE_WRITTEN) {
    if (!why.empty()) Say(why + ". Nothing was written.\n");
    return still;
  }
  // Standard output before the files: should it fail (its reader gone), no
  // file has been replaced.
  for (const Target& t : targets) {
    if (!t.toStdout) continue;
    std::fflush(stdout);
    if (!WriteFd(STDOUT_FILENO, SafeWriteText(*t.w))) {
      Say("standard output: cannot write: " + Why(errno) + ". No file was written.\n");
      return SAFE_FAILED;
    }
  }

  Hold hold;
  for (Target& t : targets) {
    if (t.toStdout) continue;
    if (!StillThere(t)) {
      Say(t.w->path + kChangedSinceRead + "\n");
      RollBack(targets, &guard);
      return SAFE_FAILED;
    }
    bool kept = true;
    try {
      kept = !t.exists || KeepOriginal(&t, &guard);
    } catch (const std::bad_alloc&) {
      kept = false;
      errno = ENOMEM;
    }
    if (!kept) {
      CannotWrite(t, "cannot keep a copy of the original: ", errno);
      RollBack(targets, &guard);
      return SAFE_FAILED;
    }
    if (SafeRename(t.temp.c_str(), t.real.c_str()) != 0) {
      CannotWrite(t, "", errno);
      RollBack(targets, &guard);
      return SAFE_FAILED;
    }
    guard.Forget(t.temp);
    t.renamed = true;
  }
  // Success is only what is on disk: each folder flushed once.
  for (size_t i = 0; i < targets.size(); ++i) {
    const Target& t = targets[i];
    bool seen = t.toStdout;
    for (size_t j = 0; j < i && !seen; ++j) seen = !targets[j].toStdout && targets[j].dir == t.dir;
    if (seen) continue;
    int error = SyncFolder(t.dir);
    if (error != 0) {
      Say(t.dir + ": cannot flush the folder to disk: " + Why(error) + "\n");
      RollBack(targets, &guard);
      return SAFE_FAILED;
    }
  }
  // Every file is in place; the originals' second names go with the guard.
  return SAFE_WRITTEN;
}

}  // namespace

void (*SafeSay)(const char* line) = [](const char* line) { std::fputs(line, stderr); };
int (*SafeRename)(const char* from, const char* to) = rename;
int (*SafeSyncFolder)(int fd) = fsync;

bool SafeIsStdout(const std::string& path) { return path == "-" || path == "/dev/stdout"; }

int SafeStreamAmong(const std::vector<std::string>& paths, std::string* path) {
  for (int fd : {STDERR_FILENO, STDOUT_FILENO}) {
    Identity stream = StreamIdentity(fd);
    if (!stream.known) continue;
    for (const std::string& p : paths) {
      if (IdentityOf(p) == stream) {
        *path = p;
        return fd;
      }
    }
  }
  return 0;
}

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
    if (!why.empty()) Say(why + ". Nothing was written.\n");
    return SAFE_REFUSED;
  }
  SafeWriteResult result = PutInPlace(writes, inputs, targets);
  // Said once nothing of the run's own is left: a reader of these lines
  // that has gone away ends the run with every file in place.
  if (result != SAFE_WRITTEN) return result;
  for (const Target& t : targets) {
    if (!t.toStdout && t.w->announce) Say("wrote " + t.w->path + "\n");
  }
  return SAFE_WRITTEN;
}

namespace {

// Opens a regular file for reading without blocking on what is not one
// (a FIFO with no writer, a terminal); -1 with *why otherwise.
int OpenRegular(const std::string& path, struct stat* st, std::string* why) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *why = "cannot read the file: " + Why(errno);
    return -1;
  }
  bool ok = false;
  if (fstat(fd, st) != 0) {
    *why = "cannot read the file: " + Why(errno);
  } else if (S_ISDIR(st->st_mode)) {
    *why = "is a folder, not a file";
  } else if (!S_ISREG(st->st_mode)) {
    *why = "is not a regular file (a device, FIFO or socket)";
  } else {
    ok = true;
  }
  if (!ok) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// Reads up to limit bytes; false with *why when more are there and
// `whole` is asked for, or when reading fails.
bool ReadUpTo(int fd, size_t limit, size_t expected, bool whole, std::string* text,
              std::string* why) {
  std::string out;
  out.reserve(std::min(expected, limit));
  char buf[65536];
  for (;;) {
    size_t want = whole ? sizeof buf : std::min(sizeof buf, limit - out.size());
    if (want == 0) break;
    ssize_t n = read(fd, buf, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = "cannot read the file: " + Why(errno);
      return false;
    }
    if (n == 0) break;
    // The file may grow while it is read.
    if (out.size() + static_cast<size_t>(n) > limit) {
      *why = "file is larger than " + std::to_string(limit) + " bytes";
      return false;
    }
    out.append(buf, static_cast<size_t>(n));
  }
  *text = std::move(out);
  return true;
}

}  // namespace

bool SafeReadFile(const std::string& path, size_t limit, std::string* text, std::string* why,
                  SafeFileStamp* stamp) {
  struct stat st {};
  int fd = OpenRegular(path, &st, why);
  if (fd < 0) return false;
  bool ok = false;
  if (static_cast<uintmax_t>(st.st_size) > limit) {
    *why = "file is larger than " + std::to_string(limit) + " bytes";
  } else {
    try {
      ok = ReadUpTo(fd, limit, static_cast<size_t>(st.st_size), true, text, why);
    } catch (...) {
      close(fd);
      throw;
    }
  }
  close(fd);
  if (ok && stamp != nullptr) *stamp = StampOf(st);
  return ok;
}

bool SafeReadStart(const std::string& path, size_t n, std::string* head, std::string* why) {
  struct stat st {};
  int fd = OpenRegular(path, &st, why);
  if (fd < 0) return false;
  bool ok = false;
  try {
    ok = ReadUpTo(fd, n, n, false, head, why);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);
  return ok;
}
