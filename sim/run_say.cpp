#include "sim/run_say.h"

#include <cstdio>
#include <new>

namespace {

// What takes the status line standing on the terminal off it; empty when
// none stands there.
std::string& StatusClear() {
  static std::string clear;
  return clear;
}

}  // namespace

std::string& Said() {
  static std::string said;
  return said;
}

void Say(const std::string& text) {
  ClearStatus();
  std::fputs(text.c_str(), stderr);
  Said() += text;
}

void SayWhileWriting(const char* text) {
  std::fputs(text, stderr);
  try {
    Said() += text;
  } catch (const std::bad_alloc&) {}
}

bool& SayQuietly() {
  static bool quiet = false;
  return quiet;
}

void SayNote(const std::string& text) {
  // A report asked for still tells everything the run had to say.
  if (SayQuietly()) {
    Said() += text;
  } else {
    Say(text);
  }
}

void SayStatus(const std::string& line, const std::string& clear) {
  ClearStatus();
  if (line.empty()) return;
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  StatusClear() = clear;
}

void ClearStatus() {
  if (StatusClear().empty()) return;
  std::fputs(StatusClear().c_str(), stderr);
  StatusClear().clear();
}

void EndStatus() {
  if (StatusClear().empty()) return;
  std::fputs("\n", stderr);
  StatusClear().clear();
}
