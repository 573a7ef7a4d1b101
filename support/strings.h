// Zero-terminated byte strings in the client encoding. A null string reads as
// the empty string everywhere; a null destination makes an operation do
// nothing and return 0 (or null).
#ifndef TAGSMITH_SUPPORT_STRINGS_H
#define TAGSMITH_SUPPORT_STRINGS_H

#include <cstdint>

// Strings that are returned are the caller's, freed with MemRelease; null
// means the allocation failed.

// A zeroed block for n bytes and a terminator; null for a negative n.
char* StrAllocate(int32_t n);
// A copy of s; null for a null s.
char* StrDuplicate(const char* s);
int32_t StrLength(const char* s);
// Unbounded: dst must hold the whole of src and its terminator.
void StrCopyInto(char* dst, const char* src);
// Copies at most size - 1 bytes and terminates; returns the bytes copied. May
// cut a multibyte character (StrCopyCharSafe does not). size must be >= 1.
int32_t StrCopyBounded(char* dst, const char* src, int32_t size);
// Puts the terminator at pos, which must lie within buf.
void StrTruncateAt(char* buf, int32_t pos);
// Unbounded: dst must have room for src after its text. Returns the new length.
int32_t StrAppend(char* dst, const char* src);
// Appends while the whole stays below size bytes (terminator included);
// returns the new length.
int32_t StrAppendBounded(char* dst, const char* src, int32_t size);
// Appends c when it fits in size bytes with the terminator; returns the new
// length (unchanged when it did not fit).
int32_t StrAppendChar(char* buf, char c, int32_t size);
// Appends text to the owned string *s (null reads as empty), growing it.
// 0, or -1 when memory ran out and *s is unchanged, or when s is null.
int32_t StrAppendGrow(char** s, const char* text);
// 1 when equal, else 0 (null equals "").
int32_t StrEquals(const char* a, const char* b);
// 1 when s begins with prefix; every s begins with an empty prefix.
int32_t StrStartsWith(const char* s, const char* prefix);
// Byte-wise, unsigned: negative, 0 or positive as strcmp.
int32_t StrCompare(const char* a, const char* b);
// The offset of the first occurrence of part; -1 when none, when either is
// null, or when s is empty; 0 for an empty part.
int32_t StrIndexOf(const char* s, const char* part);
// The first c in s; null when there is none, s is null or c is '\0'.
const char* StrFindChar(const char* s, char c);
// Trim spaces (' ' only, not tabs) in place.
void StrTrimTrailingSpaces(char* s);
void StrTrimLeadingSpaces(char* s);
// The leading decimal number, clamped to the int32_t range; 0 when there is
// none or s is null.
int32_t StrParseInt(const char* s);

#endif
