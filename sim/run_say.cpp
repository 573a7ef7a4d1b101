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
