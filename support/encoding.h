// The client encoding, character boundaries, and conversion between character
// sets through ICU.
#ifndef TAGSMITH_SUPPORT_ENCODING_H
#define TAGSMITH_SUPPORT_ENCODING_H

#include <cstdint>

constexpr int32_t ENC_FRAME_ROMAN = 0;
constexpr int32_t ENC_UTF8 = 5;

int32_t ClientEncoding();
int32_t SetClientEncoding(const char* descriptorName);
int32_t EncodingTablesBuilt();
int32_t EncodingNumberOf(const char* descriptorName);
const char* DescriptorNameOfConverter(const char* converterName);
// ICU converter name of encoding n; null outside 0..5.
const char* ConverterNameOf(int32_t n);
int32_t Utf8IsValid(const char* text);
// Bytes of the character that starts at text in the encoding: 2 for a
// lead-trail pair, the sequence length for UTF-8 (never past the terminator),
// 1 otherwise; 0 at the terminator or for null.
int32_t EncodingCharLength(const char* text, int32_t encoding);
int32_t StrCopyCharSafe(char* dst, const char* src, int32_t n, int32_t encoding);
char* ConvertText(const char* text, const char* from, const char* to, int32_t keepControls,
                  int32_t escape);
char* EncodingTextToUtf8(const char* text, int32_t encoding);
char* ClientTextToUtf8(const char* text);
// ICU's data directory: whether one is set, and setting one (directory is
// copied). The joined path is built by the caller.
int32_t IcuDataDirectoryIsSet();
void IcuSetDataDirectory(const char* directory);

#endif
