// The client encoding, character boundaries, and conversion between character
// sets through ICU.
#ifndef TAGSMITH_SUPPORT_ENCODING_H
#define TAGSMITH_SUPPORT_ENCODING_H

#include <cstdint>

constexpr int32_t ENC_FRAME_ROMAN = 0;
constexpr int32_t ENC_UTF8 = 5;

// The process-wide client encoding, ENC_FRAME_ROMAN until set.
int32_t ClientEncoding();
// Makes the encoding named by descriptorName (case-folded) the client's and
// returns it; an unknown or null name leaves the current one. Marks the
// tables built either way.
int32_t SetClientEncoding(const char* descriptorName);
// 1 once SetClientEncoding has been called, else 0.
int32_t EncodingTablesBuilt();
// The number (0..5) of a descriptor name, case-folded; 0 for an unknown or
// null name.
int32_t EncodingNumberOf(const char* descriptorName);
// The descriptor name of an ICU converter name ("UTF-16" for itself); null for
// an unknown or null name. Static text.
const char* DescriptorNameOfConverter(const char* converterName);
// ICU converter name of encoding n; null outside 0..5.
const char* ConverterNameOf(int32_t n);
// 1 when text is well-formed UTF-8 (no overlong leads, nothing past U+10FFFF
// leads), else 0; 0 for null.
int32_t Utf8IsValid(const char* text);
// Bytes of the character that starts at text in the encoding: 2 for a
// lead-trail pair, the sequence length for UTF-8 (never past the terminator),
// 1 otherwise; 0 at the terminator or for null.
int32_t EncodingCharLength(const char* text, int32_t encoding);
// Copies at most n - 1 bytes of src into dst and terminates, never cutting a
// character of the encoding; returns the bytes copied. Does nothing and
// returns 0 for a null dst or n <= 0; a null src gives "".
int32_t StrCopyCharSafe(char* dst, const char* src, int32_t n, int32_t encoding);
// text converted between ICU converter names (or "UTF-16", whose text ends at
// a zero unit; "locale" is the platform's). A new block with two zero bytes at
// the end, freed with MemRelease. Null for a null text; a copy when either
// name is empty or null; "???" for invalid UTF-8 input; an empty text when no
// converter could be opened or memory ran out. Control characters (< 0x20)
// pass through unconverted unless keepControls is 1; escape 1 writes
// unmappable input as escape sequences instead of substitutes.
char* ConvertText(const char* text, const char* from, const char* to, int32_t keepControls,
                  int32_t escape);
// ConvertText from encoding number `encoding` (or the client encoding) to
// UTF-8; same results and ownership.
char* EncodingTextToUtf8(const char* text, int32_t encoding);
char* ClientTextToUtf8(const char* text);
// ICU's data directory: whether one is set, and setting one (directory is
// copied). The joined path is built by the caller.
int32_t IcuDataDirectoryIsSet();
void IcuSetDataDirectory(const char* directory);

#endif
