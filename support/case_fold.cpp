#include "support/case_fold.h"

namespace {

// Built once at compile time: identity, ASCII upper case, and the upper-case
// letters of the upper half of the Roman set.
struct FoldTable {
  unsigned char map[256];
  constexpr FoldTable() : map() {
    for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
    for (int c = 0x41; c <= 0x5A; ++c) map[c] = static_cast<unsigned char>(c + 0x20);
    constexpr unsigned char pairs[][2] = {
        {0x80, 0x8A}, {0x81, 0x8C}, {0x82, 0x8D}, {0x83, 0x8E}, {0x84, 0x96}, {0x85, 0x9A},
        {0x86, 0x9F}, {0xAE, 0xBE}, {0xAF, 0xBF}, {0xCB, 0x88}, {0xCC, 0x8B}, {0xCD, 0x9B},
        {0xCE, 0xCF}, {0xD9, 0xD8}, {0xE5, 0x89}, {0xE6, 0x90}, {0xE7, 0x87}, {0xE8, 0x91},
        {0xE9, 0x8F}, {0xEA, 0x92}, {0xEB, 0x94}, {0xEC, 0x95}, {0xED, 0x93}, {0xEE, 0x97},
        {0xEF, 0x99}, {0xF1, 0x98}, {0xF2, 0x9C}, {0xF3, 0x9E}, {0xF4, 0x9D}};
    for (const auto& p : pairs) map[p[0]] = p[1];
  }
};

constexpr FoldTable kFold;

const unsigned char* Bytes(const char* s) {
  return reinterpret_cast<const unsigned char*>(s != nullptr ? s : "");
}

// Walks both strings until the folded bytes differ or the first one ends;
// returns the difference of the folded bytes there.
int32_t FoldedDifference(const char* a, const char* b) {
  const unsigned char* x = Bytes(a);
  const unsigned char* y = Bytes(b);
  while (*x != 0 && CaseFoldTable[*x] == CaseFoldTable[*y]) {
    ++x;
    ++y;
  }
  return static_cast<int32_t>(CaseFoldTable[*x]) - static_cast<int32_t>(CaseFoldTable[*y]);
}

}  // namespace

const unsigned char CaseFoldTable[256] = {
#define ROW(i)                                                                                  \
  kFold.map[i], kFold.map[i + 1], kFold.map[i + 2], kFold.map[i + 3], kFold.map[i + 4],         \
      kFold.map[i + 5], kFold.map[i + 6], kFold.map[i + 7], kFold.map[i + 8], kFold.map[i + 9], \
      kFold.map[i + 10], kFold.map[i + 11], kFold.map[i + 12], kFold.map[i + 13],               \
      kFold.map[i + 14], kFold.map[i + 15]
    ROW(0x00), ROW(0x10), ROW(0x20), ROW(0x30), ROW(0x40), ROW(0x50), ROW(0x60), ROW(0x70),
    ROW(0x80), ROW(0x90), ROW(0xA0), ROW(0xB0), ROW(0xC0), ROW(0xD0), ROW(0xE0), ROW(0xF0),
#undef ROW
};

int32_t StrEqualsNoCase(const char* a, const char* b) { return FoldedDifference(a, b) == 0; }

int32_t StrCompareNoCase(const char* a, const char* b) { return FoldedDifference(a, b); }
