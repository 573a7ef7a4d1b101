#include "support/format.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "support/encoding.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

constexpr int32_t kWorkSize = 256;
constexpr int32_t kChunkSize = 256;
constexpr int32_t kStrFormatRoom = 0x7FFFFFFE;
constexpr const char* kConversions = "dioxXucsfeEgGp%nC";

ConsoleSink g_consoleSink = nullptr;

// --- Directives ------------------------------------------------------------

// A directive with every '*' replaced by its argument. Short ones live in the
// inline buffer; a longer one (many or long width digits) on the heap.
struct Directive {
  char inlineText[96];
  char* text;
  int32_t length;
  char conversion;  // 0 when the format ended before a conversion character
};

void DirectiveRelease(Directive* d) {
  if (d->text != d->inlineText) MemRelease(d->text);
}

// Collects the directive at `format` (which points at its '%'), reading one
// int argument per '*'. Returns the number of format bytes it spans, or -1
// when no memory was left for an oversized directive.
int32_t CollectDirective(const char* format, va_list* args, Directive* d) {
  int32_t span = 1;
  int32_t stars = 0;
  d->conversion = 0;
  while (format[span] != '\0') {
    char c = format[span++];
    if (c == '*') ++stars;
    if (std::strchr(kConversions, c) != nullptr) {
      d->conversion = c;
      break;
    }
  }
  size_t needed = static_cast<size_t>(span) + static_cast<size_t>(stars) * 12 + 1;
  d->text = d->inlineText;
  if (needed > sizeof d->inlineText) {
    d->text = static_cast<char*>(MemAllocate(static_cast<uint32_t>(needed), 0));
    if (d->text == nullptr) return -1;
  }
  int32_t out = 0;
  for (int32_t i = 0; i < span; ++i) {
    if (format[i] != '*') {
      d->text[out++] = format[i];
      continue;
    }
    long value = va_arg(*args, int);
    if (value < 0 && out > 0 && d->text[out - 1] == '.') {
      // A negative precision means none at all; "%.-3s" is no directive.
      --out;
      continue;
    }
    out += std::snprintf(d->text + out, 12, "%ld", value);
  }
  d->text[out] = '\0';
  d->length = out;
  return span;
}

// Width and precision of a rendered 's' directive, for sizing the buffer.
// Values beyond what any buffer could hold are clamped just above INT32_MAX.
int64_t DigitsValue(const char** p) {
  int64_t value = 0;
  while (**p >= '0' && **p <= '9') {
    if (value <= INT32_MAX) value = value * 10 + (**p - '0');
    ++*p;
  }
  return value;
}

void WidthAndPrecision(const Directive& d, int64_t* width, int64_t* precision) {
  const char* p = d.text + 1;
  while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') ++p;
  *width = DigitsValue(&p);
  *precision = -1;
  if (*p == '.') {
    ++p;
    *precision = DigitsValue(&p);
  }
}

// The length modifier in front of the conversion character.
enum class Size {
  kDefault,
  kChar,
  kShort,
  kLong,
  kLongLong,
  kSizeT,
  kIntMax,
  kPtrDiff,
  kLongDouble
};

Size SizeOf(const Directive& d) {
  const char* end = d.text + d.length - 1;  // the conversion character
  if (end - 2 >= d.text && end[-1] == 'h' && end[-2] == 'h') return Size::kChar;
  if (end - 2 >= d.text && end[-1] == 'l' && end[-2] == 'l') return Size::kLongLong;
  switch (end - 1 >= d.text ? end[-1] : 0) {
    case 'h': return Size::kShort;
    case 'l': return Size::kLong;
    case 'q': return Size::kLongLong;
    case 'z': return Size::kSizeT;
    case 'j': return Size::kIntMax;
    case 't': return Size::kPtrDiff;
    case 'L': return Size::kLongDouble;
    default: return Size::kDefault;
  }
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

// Renders one numeric, character or pointer directive, consuming its
// argument; returns the rendered length (at most size - 1).
int32_t RenderValue(char* buf, int32_t size, const Directive& d, va_list* args) {
  const char* f = d.text;
  int written = 0;
  switch (d.conversion) {
    case 'd':
    case 'i':
      switch (SizeOf(d)) {
        case Size::kLong: written = std::snprintf(buf, size, f, va_arg(*args, long)); break;
        case Size::kLongLong:
          written = std::snprintf(buf, size, f, va_arg(*args, long long));
          break;
        case Size::kSizeT:
        case Size::kPtrDiff: written = std::snprintf(buf, size, f, va_arg(*args, ptrdiff_t)); break;
        case Size::kIntMax: written = std::snprintf(buf, size, f, va_arg(*args, intmax_t)); break;
        default: written = std::snprintf(buf, size, f, va_arg(*args, int)); break;
      }
      break;
    case 'o':
    case 'x':
    case 'X':
    case 'u':
      switch (SizeOf(d)) {
        case Size::kLong:
          written = std::snprintf(buf, size, f, va_arg(*args, unsigned long));
          break;
        case Size::kLongLong:
          written = std::snprintf(buf, size, f, va_arg(*args, unsigned long long));
          break;
        case Size::kSizeT:
        case Size::kPtrDiff: written = std::snprintf(buf, size, f, va_arg(*args, size_t)); break;
        case Size::kIntMax: written = std::snprintf(buf, size, f, va_arg(*args, uintmax_t)); break;
        default: written = std::snprintf(buf, size, f, va_arg(*args, unsigned int)); break;
      }
      break;
    case 'c': written = std::snprintf(buf, size, f, va_arg(*args, int)); break;
    case 'f':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      if (SizeOf(d) == Size::kLongDouble) {
        written = std::snprintf(buf, size, f, va_arg(*args, long double));
      } else {
        written = std::snprintf(buf, size, f, va_arg(*args, double));
      }
      break;
    case 'p': written = std::snprintf(buf, size, f, va_arg(*args, void*)); break;
    case '%': written = std::snprintf(buf, size, "%%"); break;
    default: break;
  }
  if (written < 0) return 0;
  return written < size ? written : size - 1;
}

int32_t RenderString(char* buf, int32_t size, const Directive& d, const char* s) {
  int written = std::snprintf(buf, size, d.text, s);
  if (written < 0) return 0;
  return written < size ? written : size - 1;
}

#pragma GCC diagnostic pop

// One whole character of the client encoding for 'C', which only UTF-8
// clients render; the copy never runs past the text's terminator.
int32_t RenderCharacter(char* buf, const char* s) {
  if (s == nullptr || ClientEncoding() != ENC_UTF8) {
    buf[0] = '\0';
    return 0;
  }
  unsigned char lead = static_cast<unsigned char>(s[0]);
  int32_t length = 1;
  if (lead >= 0xF0) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = 3;
  } else if (lead >= 0xC0) {
    length = 2;
  }
  int32_t i = 0;
  while (i < length && s[i] != '\0') {
    buf[i] = s[i];
    ++i;
  }
  buf[i] = '\0';
  return i;
}

void StoreCount(const Directive& d, va_list* args, int32_t total) {
  switch (SizeOf(d)) {
    case Size::kChar: *va_arg(*args, signed char*) = static_cast<signed char>(total); break;
    case Size::kShort: *va_arg(*args, short*) = static_cast<short>(total); break;
    case Size::kLong: *va_arg(*args, long*) = total; break;
    case Size::kLongLong: *va_arg(*args, long long*) = total; break;
    case Size::kSizeT: *va_arg(*args, size_t*) = static_cast<size_t>(total); break;
    default: *va_arg(*args, int*) = total; break;
  }
}

// --- Sinks -----------------------------------------------------------------

struct BufferSink {
  char* cursor;
  int32_t room;
};

int32_t BufferSinkWrite(void* context, const char* text, int32_t count) {
  BufferSink* sink = static_cast<BufferSink*>(context);
  int32_t n = count < sink->room ? count : sink->room;
  int32_t copied = StrCopyCharSafe(sink->cursor, text, n + 1, ClientEncoding());
  sink->cursor += copied;
  sink->room -= copied;
  return copied;
}

void PrintWholeText(const char* text) {
  if (ClientEncoding() == ENC_UTF8) {
    if (g_consoleSink != nullptr) g_consoleSink(text);
    return;
  }
  char* utf8 = ClientTextToUtf8(text);
  if (utf8 != nullptr && g_consoleSink != nullptr) g_consoleSink(utf8);
  MemRelease(utf8);
}

int32_t ConsoleSinkWrite(void*, const char* text, int32_t count) {
  if (count < 0) return 0;
  size_t whole = strnlen(text, static_cast<size_t>(count) + 1);
  if (whole <= static_cast<size_t>(count)) {
    // Empty pieces (the literal after a final directive, an empty %s) would
    // only put blank calls on the console.
    if (whole > 0) PrintWholeText(text);
    return static_cast<int32_t>(whole);
  }
  // A literal run that stops at a '%': printed in pieces that fit the chunk
  // buffer and never split a character.
  char chunk[kChunkSize];
  int32_t remaining = count;
  const char* p = text;
  while (remaining > 0) {
    int32_t limit = remaining < kChunkSize - 1 ? remaining : kChunkSize - 1;
    int32_t copied = StrCopyCharSafe(chunk, p, limit + 1, ClientEncoding());
    if (copied == 0) {
      // A character longer than what is left: pass its bytes on as they are
      // rather than stall.
      std::memcpy(chunk, p, static_cast<size_t>(limit));
      chunk[limit] = '\0';
      copied = limit;
    }
    PrintWholeText(chunk);
    p += copied;
    remaining -= copied;
  }
  return count;
}

}  // namespace

int32_t FormatEngine(FormatSink sink, void* context, const char* format, va_list args) {
  if (format == nullptr) format = "";
  va_list ap;
  va_copy(ap, args);

  char work[kWorkSize];
  char* big = nullptr;  // the work buffer grown for an oversized %s
  int32_t bigSize = 0;
  int32_t total = 0;
  const char* p = format;

  while (true) {
    const char* percent = std::strchr(p, '%');
    int32_t literal = static_cast<int32_t>(percent != nullptr ? percent - p : std::strlen(p));
    total += sink(context, p, literal);
    if (percent == nullptr) break;
    p = percent;

    Directive d;
    int32_t span = CollectDirective(p, &ap, &d);
    if (span < 0) break;
    p += span;

    if (d.conversion == 0) {
      // The format ended inside a directive: it is shown as written and
      // takes no argument.
      total += sink(context, d.text, d.length);
      DirectiveRelease(&d);
      break;
    }
    if (d.conversion == 'n') {
      StoreCount(d, &ap, total);
      DirectiveRelease(&d);
      continue;
    }

    const char* rendered = work;
    int32_t length = 0;
    if (d.conversion == 's') {
      const char* s = va_arg(ap, const char*);
      if (s == nullptr) s = "";
      int64_t width = 0;
      int64_t precision = 0;
      WidthAndPrecision(d, &width, &precision);
      int64_t textLength = static_cast<int64_t>(std::strlen(s));
      int64_t shown = (precision >= 0 && precision < textLength) ? precision : textLength;
      int64_t needed = (width > shown ? width : shown) + 1;
      if (needed > kWorkSize) {
        if (needed > INT32_MAX) {
          DirectiveRelease(&d);
          break;
        }
        if (needed > bigSize) {
          MemRelease(big);
          big = static_cast<char*>(MemAllocate(static_cast<uint32_t>(needed), 0));
          bigSize = big != nullptr ? static_cast<int32_t>(needed) : 0;
          if (big == nullptr) {
            DirectiveRelease(&d);
            break;
          }
        }
        length = RenderString(big, bigSize, d, s);
        rendered = big;
      } else {
        length = RenderString(work, kWorkSize, d, s);
      }
    } else if (d.conversion == 'C') {
      length = RenderCharacter(work, va_arg(ap, const char*));
    } else {
      length = RenderValue(work, kWorkSize, d, &ap);
    }
    DirectiveRelease(&d);
    total += sink(context, rendered, length);
  }

  MemRelease(big);
  va_end(ap);
  return total;
}

int32_t StrFormat(char* buf, const char* format, ...) {
  if (buf == nullptr) return 0;
  BufferSink sink{buf, kStrFormatRoom};
  va_list args;
  va_start(args, format);
  int32_t total = FormatEngine(BufferSinkWrite, &sink, format, args);
  va_end(args);
  *sink.cursor = '\0';
  return total;
}

int32_t PrintMessage(void* channel, const char* format, ...) {
  if (channel != nullptr) return 0;  // no buffered channels in this client
  va_list args;
  va_start(args, format);
  int32_t total = FormatEngine(ConsoleSinkWrite, nullptr, format, args);
  va_end(args);
  return total;
}

ConsoleSink SetConsoleSink(ConsoleSink sink) {
  ConsoleSink previous = g_consoleSink;
  g_consoleSink = sink;
  return previous;
}

ConsoleSink GetConsoleSink() { return g_consoleSink; }

void ConsolePrintText(const char* text) {
  if (text != nullptr && *text != '\0') PrintWholeText(text);
}
