#include "sim/run_say.h"

#include <cstdio>

std::string& Said() {
  static std::string said;
  return said;
}

void Say(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  Said() += text;
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
