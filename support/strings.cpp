#include "support/strings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "support/memory.h"

namespace {

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

}  // namespace

char* StrAllocate(int32_t n) {
  if (n < 0) return nullptr;
  return static_cast<char*>(MemAllocateZeroed(static_cast<uint32_t>(n) + 1, 1, 0));
}

char* StrDuplicate(const char* s) {
  if (s == nullptr) return nullptr;
  size_t length = std::strlen(s);
  if (length >= UINT32_MAX) return nullptr;
  char* copy = static_cast<char*>(MemAllocateZeroed(static_cast<uint32_t>(length) + 1, 1, 0));
  if (copy != nullptr) std::memcpy(copy, s, length);
  return copy;
}

int32_t StrLength(const char* s) { return s != nullptr ? static_cast<int32_t>(std::strlen(s)) : 0; }

void StrCopyInto(char* dst, const char* src) {
  if (dst == nullptr) return;
  std::strcpy(dst, OrEmpty(src));
}

int32_t StrCopyBounded(char* dst, const char* src, int32_t size) {
  if (dst == nullptr) return 0;
  src = OrEmpty(src);
  int32_t copied = 0;
  while (copied < size - 1 && src[copied] != '\0') {
    dst[copied] = src[copied];
    ++copied;
  }
  dst[copied] = '\0';
  return copied;
}

void StrTruncateAt(char* buf, int32_t pos) {
  if (buf != nullptr) buf[pos] = '\0';
}

int32_t StrAppend(char* dst, const char* src) {
  if (dst == nullptr) return 0;
  size_t length = std::strlen(dst);
  if (src != nullptr && *src != '\0') {
    std::strcpy(dst + length, src);
    length += std::strlen(src);
  }
  return static_cast<int32_t>(length);
}

int32_t StrAppendBounded(char* dst, const char* src, int32_t size) {
  if (dst == nullptr) return 0;
  src = OrEmpty(src);
  int32_t length = StrLength(dst);
  while (length < size - 1 && *src != '\0') dst[length++] = *src++;
  dst[length] = '\0';
  return length;
}

int32_t StrAppendChar(char* buf, char c, int32_t size) {
  if (buf == nullptr) return 0;
  int32_t length = StrLength(buf);
  if (length >= size - 1) return length;
  buf[length] = c;
  buf[length + 1] = '\0';
  return length + 1;
}

int32_t StrAppendGrow(char** s, const char* text) {
  if (s == nullptr) return -1;
  int32_t have = StrLength(*s);
  int32_t add = StrLength(text);
  char* grown = static_cast<char*>(
      MemResize(*s, static_cast<uint32_t>(have) + static_cast<uint32_t>(add) + 1, 0));
  if (grown == nullptr) return -1;
  if (have == 0) grown[0] = '\0';
  StrAppend(grown, text);
  *s = grown;
  return 0;
}

int32_t StrEquals(const char* a, const char* b) {
  return std::strcmp(OrEmpty(a), OrEmpty(b)) == 0 ? 1 : 0;
}

int32_t StrStartsWith(const char* s, const char* prefix) {
  s = OrEmpty(s);
  prefix = OrEmpty(prefix);
  while (*prefix != '\0') {
    if (*s++ != *prefix++) return 0;
  }
  return 1;
}

int32_t StrCompare(const char* a, const char* b) {
  const unsigned char* x = reinterpret_cast<const unsigned char*>(OrEmpty(a));
  const unsigned char* y = reinterpret_cast<const unsigned char*>(OrEmpty(b));
  while (*x != 0 && *x == *y) {
    ++x;
    ++y;
  }
  return static_cast<int32_t>(*x) - static_cast<int32_t>(*y);
}

int32_t StrIndexOf(const char* s, const char* part) {
  if (s == nullptr || part == nullptr || *s == '\0') return -1;
  if (*part == '\0') return 0;
  for (int32_t start = 0; s[start] != '\0'; ++start) {
    int32_t i = 0;
    while (part[i] != '\0' && s[start + i] == part[i]) ++i;
    if (part[i] == '\0') return start;
  }
  return -1;
}

const char* StrFindChar(const char* s, char c) {
  if (s == nullptr || c == '\0') return nullptr;
  return std::strchr(s, c);
}

void StrTrimTrailingSpaces(char* s) {
  if (s == nullptr) return;
  size_t length = std::strlen(s);
  while (length > 0 && s[length - 1] == ' ') --length;
  s[length] = '\0';
}

void StrTrimLeadingSpaces(char* s) {
  if (s == nullptr) return;
  size_t lead = 0;
  while (s[lead] == ' ') ++lead;
  if (lead > 0) std::memmove(s, s + lead, std::strlen(s + lead) + 1);
}

// strtol rather than atoi: out-of-range input is clamped instead of being
// undefined.
int32_t StrParseInt(const char* s) {
  if (s == nullptr) return 0;
  errno = 0;
  long value = std::strtol(s, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}
