// The formatting engine with arbitrary literal text and directives drawn
// from a fixed set whose arguments are known, so every argument read is
// well defined.
#include <cstdint>
#include <string>
#include <vector>

#include "support/format.h"

namespace {

size_t g_printed = 0;

int32_t Sink(const char* utf8) {
  g_printed += std::string(utf8).size();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Literal text may hold no '%': directives come only from the table.
  std::string format;
  int pattern = 0;
  unsigned width = 0;
  for (size_t i = 0; i < size; ++i) {
    uint8_t b = data[i];
    if (b == '%' && i + 2 < size) {
      pattern = data[i + 1] % 8;
      width = data[i + 2];
      i += 2;
      break;
    }
    if (b != '%' && b != 0) format.push_back(static_cast<char>(b));
  }
  std::string tail;
  for (size_t i = format.size() + 3; i < size; ++i) {
    if (data[i] != '%' && data[i] != 0) tail.push_back(static_cast<char>(data[i]));
  }
  static std::vector<char> buffer(1 << 20);
  std::string text = tail.substr(0, 2000);
  int32_t count = 0;
  int16_t shortCount = 0;
  char ch[] = "\xC3\xA9";
  switch (pattern) {
    case 0: StrFormat(buffer.data(), (format + "%s" + tail).c_str(), text.c_str()); break;
    case 1:
      StrFormat(buffer.data(), (format + "%*d" + tail).c_str(), static_cast<int32_t>(width % 200),
                42);
      break;
    case 2: StrFormat(buffer.data(), (format + "%.2f" + tail).c_str(), width * 1.25); break;
    case 3: StrFormat(buffer.data(), (format + "%n" + tail).c_str(), &count); break;
    case 4: StrFormat(buffer.data(), (format + "%hn%%" + tail).c_str(), &shortCount); break;
    case 5: StrFormat(buffer.data(), (format + "%C" + tail).c_str(), ch); break;
    case 6:
      StrFormat(buffer.data(), (format + "%*s|%-5x" + tail).c_str(),
                static_cast<int32_t>(width * 8), nullptr, width);
      break;
    default: {
      ConsoleSink previous = SetConsoleSink(Sink);
      PrintMessage(nullptr, (format + "%s" + tail).c_str(), text.c_str());
      SetConsoleSink(previous);
      break;
    }
  }
  return 0;
}
