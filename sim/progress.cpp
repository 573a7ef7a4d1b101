#include "sim/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr size_t kBarWidth = 20;
// A walk that ends sooner has no use for a bar: its status line suffices.
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

}  // namespace

std::string ProgressBar(size_t file, size_t files, const std::string& status, double seconds,
                        size_t width) {
  std::string bar = "[";
  size_t done = files == 0 || file == 0 ? 0 : kBarWidth * (std::min(file, files) - 1) / files;
  bar.append(done, '=');
  bar += '>';
  bar.append(kBarWidth - done, ' ');
  bar += "] " + std::to_string(file);
  if (files != 0) bar += "/" + std::to_string(files);
  bar += " " + Clocklike(seconds) + " " + status;
  // One column short of the width: a full line would wrap on some terminals.
  return Cut(bar, width > 1 ? width - 1 : width);
}

std::string ProgressUpdate(Progress* p, const std::string& status, Progress::Clock::time_point now,
                           size_t width) {
  if (status.empty()) {
    p->file = 0;
    return std::string();
  }
  if (!p->walking) {
    p->walking = true;
    p->start = now;
  }
  ++p->file;
  double seconds = std::chrono::duration<double>(now - p->start).count();
  if (seconds < kBarAfterSeconds) return Cut(status, width > 1 ? width - 1 : width);
  return ProgressBar(p->file, p->files, status, seconds, width);
}

size_t ProgressWidth() {
  struct winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}
