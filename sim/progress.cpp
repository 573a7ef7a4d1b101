#include "sim/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kBarWidth = 20;
// A run that ends sooner has no use for a bar: its status line suffices.
constexpr double kBarAfterSeconds = 1.0;

std::string Clocklike(double seconds) {
  long s = static_cast<long>(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// At most `width` bytes, not cutting a UTF-8 character in two.
std::string Cut(const std::string& text, size_t width) {
  if (text.size() <= width) return text;
  size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// One column short of the width: a full line would wrap on some terminals.
size_t Usable(size_t width) { return width > 1 ? width - 1 : width; }

double Between(Progress::Clock::time_point from, Progress::Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The time the pass has left, at the pace of the files it finished; -1
// before it has finished one.
double Left(const Progress& p, size_t done, size_t files, Progress::Clock::time_point now) {
  if (done == 0 || files < done) return -1;
  return Between(p.passStart, now) / static_cast<double>(done) * static_cast<double>(files - done);
}

std::string Shown(Progress* p, size_t done, size_t files, const std::string& status,
                  Progress::Clock::time_point now, size_t width) {
  double seconds = Between(p->start, now);
  if (seconds < kBarAfterSeconds) return Cut(status, Usable(width));
  p->barShown = true;
  return ProgressBar(done, files, status, seconds, Left(*p, done, files, now), width);
}

void Begin(Progress* p, Progress::Clock::time_point now) {
  if (p->walking) return;
  p->walking = true;
  p->start = now;
}

}  // namespace

std::string ProgressBar(size_t done, size_t files, const std::string& status, double seconds,
                        double left, size_t width) {
  std::string bar = "[";
  size_t filled = files == 0 ? 0 : kBarWidth * std::min(done, files) / files;
  bar.append(filled, '=');
  if (filled < kBarWidth) {
    bar += '>';
    bar.append(kBarWidth - filled - 1, ' ');
  }
  // The file being worked on; the last once all are done.
  bar += "] " + std::to_string(files != 0 ? std::min(done + 1, files) : done + 1);
  if (files != 0) bar += "/" + std::to_string(files);
  bar += " " + Clocklike(seconds);
  if (left >= 0) bar += ", " + Clocklike(left + 0.5) + " left";
  if (!status.empty()) bar += " " + status;
  return Cut(bar, Usable(width));
}

std::string ProgressUpdate(Progress* p, const std::string& status, Progress::Clock::time_point now,
                           size_t width) {
  Begin(p, now);
  if (status.empty()) {
    if (p->file == 0) return std::string();
    p->file = 0;
    if (!p->barShown) return std::string();
    return ProgressBar(p->files, p->files, "", Between(p->start, now), -1, width);
  }
  if (p->file == 0) p->passStart = now;
  ++p->file;
  return Shown(p, p->file - 1, p->files, status, now, width);
}

std::string ProgressReading(Progress* p, const std::string& file, size_t done, size_t total,
                            Progress::Clock::time_point now, size_t width) {
  Begin(p, now);
  if (done == 0) p->passStart = now;
  if (done >= total) {
    if (!p->barShown) return std::string();
    return ProgressBar(total, total, "read", Between(p->start, now), -1, width);
  }
  return Shown(p, done, total, "Reading: " + file, now, width);
}

bool TerminalEscapes(const char* term, const char* noColor) {
  if (noColor != nullptr && *noColor != '\0') return false;
  return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

std::string ProgressClear(bool escapes, size_t width) {
  if (escapes) return "\r\033[K";
  return "\r" + std::string(Usable(width), ' ') + "\r";
}

size_t ProgressWidth() {
  struct winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}
