#include "support/encoding.h"

#include <cstring>

#include "support/case_fold.h"
#include "support/icu_api.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

struct ByteRange {
  unsigned char lo;
  unsigned char hi;
};

// Lead and trail bytes of the double-byte encodings: a lead byte followed by
// a trail byte is one character. An empty range (lo > hi) matches nothing.
struct Descriptor {
  const char* name;
  const char* converter;
  ByteRange lead[2];
  ByteRange trail[2];
};

constexpr ByteRange kNone = {1, 0};

const Descriptor kDescriptors[6] = {
    {"FrameRoman", "adobe-fm-roman-windows", {kNone, kNone}, {kNone, kNone}},
    {"JISX0208.ShiftJIS",
     "adobe-fm-shift-jis",
     {{0x81, 0x9F}, {0xE0, 0xFC}},
     {{0x40, 0x7E}, {0x80, 0xFC}}},
    {"KSC5601-1992", "adobe-fm-ksc-5601", {{0xA1, 0xFE}, kNone}, {{0xA1, 0xFE}, kNone}},
    {"BIG5", "adobe-fm-big5", {{0xA1, 0xFE}, kNone}, {{0x40, 0x7E}, {0xA1, 0xFE}}},
    {"GB2312-80.EUC", "adobe-fm-gb2312", {{0x81, 0xFE}, kNone}, {{0x40, 0xFE}, kNone}},
    {"UTF-8", "UTF-8", {kNone, kNone}, {kNone, kNone}},
};

int32_t g_clientEncoding = ENC_FRAME_ROMAN;
bool g_tablesBuilt = false;

bool g_icuOverridden = false;
const IcuApi* g_icuOverride = nullptr;

bool InRanges(const ByteRange (&ranges)[2], unsigned char c) {
  for (const ByteRange& r : ranges) {
    if (r.lo <= c && c <= r.hi) return true;
  }
  return false;
}

bool IsDoubleByte(int32_t encoding) { return encoding >= 1 && encoding <= 4; }

// Whether src[i] and src[i + 1] form one lead-trail character.
bool IsPair(int32_t encoding, const unsigned char* src, size_t i) {
  const Descriptor& d = kDescriptors[encoding];
  return InRanges(d.lead, src[i]) && src[i + 1] != 0 && InRanges(d.trail, src[i + 1]);
}

int32_t Utf8SequenceLength(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 1;
}

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

const unsigned char* Bytes(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

// --- ConvertText's output: a growing byte buffer -------------------------

struct Output {
  char* data;
  size_t length;
  size_t capacity;
  bool failed;
};

void OutputAppend(Output* out, const void* bytes, size_t n) {
  if (out->failed || n == 0) return;
  if (out->length + n + 2 > out->capacity) {
    size_t wanted = out->capacity * 2;
    if (wanted < out->length + n + 2) wanted = out->length + n + 2;
    if (wanted > UINT32_MAX) {
      out->failed = true;
      return;
    }
    char* grown =
        static_cast<char*>(MemResize(out->data, static_cast<uint32_t>(wanted), MEM_FATAL));
    if (grown == nullptr) {
      out->failed = true;
      return;
    }
    out->data = grown;
    out->capacity = wanted;
  }
  std::memcpy(out->data + out->length, bytes, n);
  out->length += n;
}

// A new block of `length` bytes followed by two zero bytes (so that the result
// is terminated both as bytes and as 16-bit units).
char* TerminatedCopy(const void* bytes, size_t length) {
  if (length + 2 > UINT32_MAX) return nullptr;
  char* result =
      static_cast<char*>(MemAllocateZeroed(static_cast<uint32_t>(length) + 2, 1, MEM_FATAL));
  if (result != nullptr && length > 0) std::memcpy(result, bytes, length);
  return result;
}

// --- Conversion of one run through ICU -------------------------------------

struct Conversion {
  const IcuApi* icu;
  UConverter* source;  // null when the source is UTF-16
  UConverter* target;  // null when the target is UTF-16
  bool sourceUtf16;
  bool targetUtf16;
  bool sourceOpen;  // false when the source converter could not be opened
  bool targetOpen;
};

UConverter* OpenConverter(const IcuApi* icu, const char* name) {
  if (icu == nullptr) return nullptr;
  UErrorCode err = U_ZERO_ERROR;
  UConverter* converter = icu->open(StrEquals(name, "locale") ? nullptr : name, &err);
  if (U_FAILURE(err)) {
    if (converter != nullptr) icu->close(converter);
    return nullptr;
  }
  return converter;
}

// Runs one ICU conversion into a heap buffer of `estimate` units, retrying
// once with the size ICU asks for. Returns the buffer (caller frees) and its
// length in *produced; null when ICU reports an error.
template <typename Unit, typename Convert>
Unit* ConvertWithRetry(int32_t estimate, Convert convert, int32_t* produced) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (estimate < 0 || estimate > (INT32_MAX - 1) / static_cast<int32_t>(sizeof(Unit))) {
      return nullptr;
    }
    Unit* buffer = static_cast<Unit*>(
        MemAllocate(static_cast<uint32_t>((estimate + 1) * sizeof(Unit)), MEM_FATAL));
    if (buffer == nullptr) return nullptr;
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = convert(buffer, estimate + 1, &err);
    if (err == U_BUFFER_OVERFLOW_ERROR && attempt == 0) {
      MemRelease(buffer);
      estimate = length;
      continue;
    }
    if (U_FAILURE(err) || length < 0 || length > estimate + 1) {
      MemRelease(buffer);
      return nullptr;
    }
    *produced = length;
    return buffer;
  }
  return nullptr;
}

void ConvertRun(const Conversion& c, const char* run, size_t units, Output* out) {
  if (units == 0 || units > INT32_MAX / 8) return;
  int32_t count = static_cast<int32_t>(units);

  UChar* utf16 = nullptr;
  int32_t utf16Length = 0;
  if (c.sourceUtf16) {
    utf16 =
        static_cast<UChar*>(MemAllocate(static_cast<uint32_t>(units * sizeof(UChar)), MEM_FATAL));
    if (utf16 == nullptr) return;
    std::memcpy(utf16, run, units * sizeof(UChar));
    utf16Length = count;
  } else {
    if (!c.sourceOpen) return;
    utf16 = ConvertWithRetry<UChar>(
        count * 4 + 4,
        [&](UChar* dest, int32_t capacity, UErrorCode* err) {
          return c.icu->toUChars(c.source, dest, capacity, run, count, err);
        },
        &utf16Length);
    if (utf16 == nullptr) return;
  }

  if (c.targetUtf16) {
    OutputAppend(out, utf16, static_cast<size_t>(utf16Length) * sizeof(UChar));
  } else if (c.targetOpen) {
    int32_t length = 0;
    char* bytes = ConvertWithRetry<char>(
        count * 8 + 4,
        [&](char* dest, int32_t capacity, UErrorCode* err) {
          return c.icu->fromUChars(c.target, dest, capacity, utf16, utf16Length, err);
        },
        &length);
    if (bytes != nullptr) OutputAppend(out, bytes, static_cast<size_t>(length));
    MemRelease(bytes);
  }
  MemRelease(utf16);
}

// A 16-bit unit of a UTF-16 text, read bytewise: the text arrives as a char
// pointer with no promise of alignment.
uint16_t UnitAt(const char* text, size_t i) {
  uint16_t unit;
  std::memcpy(&unit, text + i * 2, sizeof unit);
  return unit;
}

}  // namespace

const IcuApi* IcuCurrent() { return g_icuOverridden ? g_icuOverride : IcuGet(); }

void IcuOverride(const IcuApi* api) {
  g_icuOverridden = true;
  g_icuOverride = api;
}

void IcuOverrideEnd() {
  g_icuOverridden = false;
  g_icuOverride = nullptr;
}

int32_t ClientEncoding() { return g_clientEncoding; }

int32_t SetClientEncoding(const char* descriptorName) {
  g_tablesBuilt = true;
  for (int32_t i = 0; i < 6; ++i) {
    if (StrEqualsNoCase(descriptorName, kDescriptors[i].name)) g_clientEncoding = i;
  }
  return g_clientEncoding;
}

int32_t EncodingTablesBuilt() { return g_tablesBuilt ? 1 : 0; }

int32_t EncodingNumberOf(const char* descriptorName) {
  for (int32_t i = 0; i < 6; ++i) {
    if (StrEqualsNoCase(descriptorName, kDescriptors[i].name)) return i;
  }
  return 0;
}

const char* DescriptorNameOfConverter(const char* converterName) {
  if (converterName == nullptr) return nullptr;
  for (const Descriptor& d : kDescriptors) {
    if (std::strcmp(converterName, d.converter) == 0) return d.name;
  }
  if (std::strcmp(converterName, "UTF-16") == 0) return "UTF-16";
  return nullptr;
}

const char* ConverterNameOf(int32_t n) {
  return (n >= 0 && n < 6) ? kDescriptors[n].converter : nullptr;
}

int32_t Utf8IsValid(const char* text) {
  if (text == nullptr) return 0;
  const unsigned char* s = Bytes(text);
  while (*s != 0) {
    if (*s < 0x80) {
      ++s;
      continue;
    }
    if (*s < 0xC2 || *s > 0xF4) return 0;
    int32_t length = Utf8SequenceLength(*s);
    for (int32_t i = 1; i < length; ++i) {
      if (!IsContinuation(s[i])) return 0;  // also stops at the terminator
    }
    s += length;
  }
  return 1;
}

int32_t EncodingCharLength(const char* text, int32_t encoding) {
  if (text == nullptr || *text == '\0') return 0;
  const unsigned char* s = Bytes(text);
  if (encoding == ENC_UTF8) {
    int32_t length = Utf8SequenceLength(s[0]);
    int32_t i = 1;
    while (i < length && s[i] != 0) ++i;
    return i;
  }
  if (IsDoubleByte(encoding) && IsPair(encoding, s, 0)) return 2;
  return 1;
}

int32_t StrCopyCharSafe(char* dst, const char* src, int32_t n, int32_t encoding) {
  if (dst == nullptr || n <= 0) return 0;
  if (src == nullptr) {
    dst[0] = '\0';
    return 0;
  }
  const unsigned char* s = Bytes(src);
  size_t limit = static_cast<size_t>(n) - 1;
  size_t k = 0;
  while (k < limit && s[k] != 0) ++k;

  if (k == limit && s[k] != 0) {
    if (encoding == ENC_UTF8 && IsContinuation(s[k])) {
      // The character that straddles the limit is left out whole; a lone
      // continuation byte belongs to no character and cuts nothing.
      for (size_t back = 1; back <= 3 && back <= k; ++back) {
        unsigned char c = s[k - back];
        if (IsContinuation(c)) continue;
        if (c >= 0xC2 && static_cast<size_t>(Utf8SequenceLength(c)) > back) k -= back;
        break;
      }
    } else if (IsDoubleByte(encoding)) {
      // Pairs are counted from the start: a trail byte cannot be told from a
      // single byte by looking at it alone.
      size_t i = 0;
      while (i < k) {
        if (IsPair(encoding, s, i)) {
          if (i + 1 == k) {
            k = i;
            break;
          }
          i += 2;
        } else {
          ++i;
        }
      }
    }
  }
  std::memcpy(dst, src, k);
  dst[k] = '\0';
  return static_cast<int32_t>(k);
}

char* ConvertText(const char* text, const char* from, const char* to, int32_t keepControls,
                  int32_t escape) {
  if (text == nullptr) return nullptr;
  if (from == nullptr || *from == '\0' || to == nullptr || *to == '\0') {
    return StrDuplicate(text);
  }
  const bool sourceUtf16 = std::strcmp(from, "UTF-16") == 0;
  const bool targetUtf16 = std::strcmp(to, "UTF-16") == 0;

  size_t units = 0;
  if (sourceUtf16) {
    while (UnitAt(text, units) != 0) ++units;
  } else {
    units = std::strlen(text);
  }
  if (units == 0) return TerminatedCopy(nullptr, 0);

  if (std::strcmp(from, "UTF-8") == 0 && !Utf8IsValid(text)) {
    if (targetUtf16) {
      const uint16_t marks[3] = {'?', '?', '?'};
      return TerminatedCopy(marks, sizeof marks);
    }
    return TerminatedCopy("???", 3);
  }

  if (std::strcmp(from, to) == 0) return TerminatedCopy(text, units * (sourceUtf16 ? 2 : 1));

  const IcuApi* icu = IcuCurrent();
  Conversion c{icu, nullptr, nullptr, sourceUtf16, targetUtf16, false, false};
  if (!sourceUtf16) {
    c.source = OpenConverter(icu, from);
    c.sourceOpen = c.source != nullptr;
    if (c.sourceOpen) {
      UErrorCode err = U_ZERO_ERROR;
      icu->setFallback(c.source, 1);
      if (escape == 1) icu->setToUEscape(c.source, &err);
      if (U_FAILURE(err)) {
        icu->close(c.source);
        c.source = nullptr;
        c.sourceOpen = false;
      }
    }
  }
  if (!targetUtf16) {
    c.target = OpenConverter(icu, to);
    c.targetOpen = c.target != nullptr;
  }

  const size_t unitSize = sourceUtf16 ? 2 : 1;
  const bool oneRun = keepControls == 1 || std::strcmp(from, "locale") == 0 ||
                      std::strcmp(to, "locale") == 0;
  const int32_t sourceEncoding = EncodingNumberOf(DescriptorNameOfConverter(from));
  const unsigned char* bytes = Bytes(text);

  Output out{nullptr, 0, 0, false};
  size_t runStart = 0;
  size_t i = 0;
  while (i < units) {
    uint32_t unit = sourceUtf16 ? UnitAt(text, i) : bytes[i];
    if (!oneRun && unit < 0x20) {
      ConvertRun(c, text + runStart * unitSize, i - runStart, &out);
      if (targetUtf16) {
        uint16_t wide = static_cast<uint16_t>(unit);
        OutputAppend(&out, &wide, sizeof wide);
      } else {
        char narrow = static_cast<char>(unit);
        OutputAppend(&out, &narrow, 1);
      }
      runStart = ++i;
      continue;
    }
    size_t length = 1;
    if (!sourceUtf16 && sourceEncoding == ENC_UTF8) {
      length = static_cast<size_t>(Utf8SequenceLength(bytes[i]));
    } else if (!sourceUtf16 && IsDoubleByte(sourceEncoding) && IsPair(sourceEncoding, bytes, i)) {
      length = 2;
    }
    i += length;
    if (i > units) i = units;
  }
  ConvertRun(c, text + runStart * unitSize, i - runStart, &out);

  if (c.source != nullptr) icu->close(c.source);
  if (c.target != nullptr) icu->close(c.target);

  char* result = TerminatedCopy(out.data, out.failed ? 0 : out.length);
  MemRelease(out.data);
  return result;
}

char* EncodingTextToUtf8(const char* text, int32_t encoding) {
  return ConvertText(text, ConverterNameOf(encoding), "UTF-8", 0, 0);
}

char* ClientTextToUtf8(const char* text) { return EncodingTextToUtf8(text, g_clientEncoding); }

int32_t IcuDataDirectoryIsSet() {
  const IcuApi* icu = IcuCurrent();
  if (icu == nullptr) return 0;
  const char* directory = icu->getDataDirectory();
  return (directory != nullptr && *directory != '\0') ? 1 : 0;
}

void IcuSetDataDirectory(const char* directory) {
  const IcuApi* icu = IcuCurrent();
  if (icu != nullptr) icu->setDataDirectory(directory);
}
