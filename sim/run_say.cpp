#include "sim/run_say.h"

#include <cstdio>
#include <new>

std::string& Said() {
  static std::string said;
  return said;
}

void Say(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  Said() += text;
}

void SayWhileWriting(const char* text) {
  std::fputs(text, stderr);
  try {
    Said() += text;
  } catch (const std::bad_alloc&) {}
}
