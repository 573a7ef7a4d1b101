// Conversion between character sets with arbitrary text and names: whatever
// the bytes, the result is a fresh terminated string and nothing overruns.
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/encoding.h"
#include "support/memory.h"

namespace {
const char* const kNames[] = {"UTF-8",       "UTF-16", "adobe-fm-roman-windows",
                              "ISO-8859-1",  "locale", "windows-1252",
                              "Shift_JIS",   "",       nullptr,
                              "no-such-name"};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char* from = kNames[data[0] % kNameCount];
  const char* to = kNames[(data[0] / kNameCount) % kNameCount];
  int32_t keep = data[1] & 1;
  int32_t escape = (data[1] >> 1) & 1;
  int32_t encoding = (data[1] >> 2) % 7;
  // A UTF-16 source ends at a zero unit, which an odd length puts one byte
  // further on: four zeros end every reading.
  std::vector<char> text(data + 2, data + size);
  text.insert(text.end(), 4, 0);
  MemRelease(ConvertText(text.data(), from, to, keep, escape));
  MemRelease(EncodingTextToUtf8(text.data(), encoding));
  Utf8IsValid(text.data());
  char small[8];
  StrCopyCharSafe(small, text.data(), static_cast<int32_t>(data[1] % 9),
                  encoding == 6 ? 5 : encoding);
  return 0;
}
