#include "mif/mif_roman.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "mif/mif_utf8.h"

namespace {

// The upper half of the Roman set, 0x80 to 0xFF.
const uint16_t kUpper[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

// Code point to byte for the upper half, sorted for lookup.
using Reverse = std::array<std::pair<uint16_t, unsigned char>, 128>;

Reverse BuildReverse() {
  Reverse r{};
  for (size_t i = 0; i < 128; ++i) r[i] = {kUpper[i], static_cast<unsigned char>(0x80 + i)};
  std::sort(r.begin(), r.end());
  return r;
}

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (cp >> 18));
    *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

uint32_t DecodeAt(std::string_view s, size_t at, size_t n) {
  auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(s[at + k])); };
  switch (n) {
    case 1: return b(0);
    case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    default:
      return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
  }
}

// The Roman byte for code point cp; false when the set lacks it.
bool RomanByte(uint32_t cp, char* byte) {
  static const Reverse reverse = BuildReverse();
  if (cp < 0x80) {
    *byte = static_cast<char>(cp);
    return true;
  }
  if (cp > 0xFFFF) return false;
  auto it =
      std::lower_bound(reverse.begin(), reverse.end(),
                       std::make_pair(static_cast<uint16_t>(cp), static_cast<unsigned char>(0)));
  if (it == reverse.end() || it->first != cp) return false;
  *byte = static_cast<char>(it->second);
  return true;
}

// A name's escape at s[i]: "&#x", one to six hex digits and ";", naming a
// code point UTF-8 can hold. Its length (0 for none) and the code point.
// Neither a path nor a tag gives the characters of an escape a meaning.
size_t EscapeAt(std::string_view s, size_t i, uint32_t* cp) {
  if (s.compare(i, 3, "&#x") != 0) return 0;
  uint32_t v = 0;
  size_t k = i + 3;
  for (; k < s.size() && k < i + 9; ++k) {
    char c = s[k];
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                   : -1;
    if (d < 0) break;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  if (k == i + 3 || k >= s.size() || s[k] != ';') return 0;
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *cp = v;
  return k + 1 - i;
}

void AppendEscape(uint32_t cp, std::string* out) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&#x%X;", static_cast<unsigned>(cp));
  *out += buf;
}

}  // namespace

uint32_t MifRomanCodePoint(unsigned char b) { return b < 0x80 ? b : kUpper[b - 0x80]; }

bool MifUtf8ToRoman(std::string_view utf8, std::string* out) {
  out->clear();
  out->reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t n = MifUtf8Length(utf8, i);
    if (n == 0) return false;
    char byte = kMifRomanMissing;
    RomanByte(DecodeAt(utf8, i, n), &byte);
    *out += byte;
    i += n;
  }
  return true;
}

bool MifUtf8ToRomanName(std::string_view utf8, std::string* out) {
  uint32_t cp = 0;
  if (!MifUtf8ToRoman(utf8, out)) return false;
  bool plain = true;
  for (size_t i = 0; i < utf8.size() && plain; i += MifUtf8Length(utf8, i)) {
    char byte = 0;
    plain = RomanByte(DecodeAt(utf8, i, MifUtf8Length(utf8, i)), &byte) &&
            EscapeAt(utf8, i, &cp) == 0;
  }
  if (plain) return true;
  // Every character the set lacks as its escape, and every '&' that could be
  // read as the start of one as an escape of its own.
  out->clear();
  for (size_t i = 0; i < utf8.size();) {
    size_t n = MifUtf8Length(utf8, i);
    uint32_t c = DecodeAt(utf8, i, n);
    char byte = 0;
    bool escapeLike = c == '&' && utf8.compare(i + 1, 1, "#") == 0;
    if (RomanByte(c, &byte) && !escapeLike) {
      *out += byte;
    } else {
      AppendEscape(c, out);
    }
    i += n;
  }
  return true;
}

std::string MifRomanNameToUtf8(std::string_view roman) {
  std::string out;
  out.reserve(roman.size());
  for (size_t i = 0; i < roman.size();) {
    uint32_t cp = 0;
    size_t n = EscapeAt(roman, i, &cp);
    if (n == 0) {
      cp = MifRomanCodePoint(static_cast<unsigned char>(roman[i]));
      n = 1;
    }
    AppendUtf8(cp, &out);
    i += n;
  }
  return out;
}

std::string MifRomanToUtf8(std::string_view roman) {
  std::string out;
  out.reserve(roman.size());
  for (char c : roman) AppendUtf8(MifRomanCodePoint(static_cast<unsigned char>(c)), &out);
  return out;
}

size_t MifUtf8Offset(std::string_view utf8, size_t chars) {
  size_t at = 0;
  for (size_t k = 0; k < chars && at < utf8.size(); ++k) {
    size_t n = MifUtf8Length(utf8, at);
    at += n == 0 ? 1 : n;
  }
  return at;
}
