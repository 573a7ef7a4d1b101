// Zero-terminated byte strings in the client encoding. A null string reads as
// the empty string everywhere; a null destination makes an operation do
// nothing and return 0 (or null).
#ifndef TAGSMITH_SUPPORT_STRINGS_H
#define TAGSMITH_SUPPORT_STRINGS_H

#include <cstdint>

char* StrAllocate(int32_t n);
char* StrDuplicate(const char* s);
int32_t StrLength(const char* s);
void StrCopyInto(char* dst, const char* src);
int32_t StrCopyBounded(char* dst, const char* src, int32_t size);
void StrTruncateAt(char* buf, int32_t pos);
int32_t StrAppend(char* dst, const char* src);
int32_t StrAppendBounded(char* dst, const char* src, int32_t size);
int32_t StrAppendChar(char* buf, char c, int32_t size);
int32_t StrEquals(const char* a, const char* b);
int32_t StrStartsWith(const char* s, const char* prefix);
int32_t StrCompare(const char* a, const char* b);
int32_t StrIndexOf(const char* s, const char* part);
const char* StrFindChar(const char* s, char c);
void StrTrimTrailingSpaces(char* s);
void StrTrimLeadingSpaces(char* s);
int32_t StrParseInt(const char* s);

#endif
