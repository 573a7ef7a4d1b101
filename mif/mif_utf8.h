// UTF-8 checks shared by the reader and the string helpers (not part of the
// tree's interface).
#ifndef TAGSMITH_MIF_MIF_UTF8_H
#define TAGSMITH_MIF_MIF_UTF8_H

#include <cstddef>
#include <cstdint>
#include <string_view>

// Length of the well-formed UTF-8 sequence at s[i], or 0 if there is none
// (overlong forms and surrogates are not well-formed).
inline size_t MifUtf8Length(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  for (size_t k = 1; k < n; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

inline bool MifUtf8Valid(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = MifUtf8Length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

#endif
