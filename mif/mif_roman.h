// The host's Roman character set beside UTF-8. Documents in the in-memory
// host hold Roman bytes, one per character, as the client expects; files of
// MIF 8 and later hold UTF-8. A character the Roman set lacks still takes one
// byte (kMifRomanMissing), so that offsets into the host's text and into the
// file's characters stay the same.
#ifndef TAGSMITH_MIF_MIF_ROMAN_H
#define TAGSMITH_MIF_MIF_ROMAN_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr char kMifRomanMissing = '?';

// UTF-8 to Roman, one byte per character; false (and *out partly filled) on
// bytes that are not UTF-8.
bool MifUtf8ToRoman(std::string_view utf8, std::string* out);
std::string MifRomanToUtf8(std::string_view roman);
// A name (a tag, a file name) in Roman without loss, so that two names never
// become one: when the set lacks one of its characters, each such character
// is written &#xHEX; and so is each '&' that could be read as the start of
// one; a name the set holds as it is, and that nothing in it reads as an
// escape, stays as it is. False on bytes that are not UTF-8.
bool MifUtf8ToRomanName(std::string_view utf8, std::string* out);
// The inverse; for names the client made, every escape is read.
std::string MifRomanNameToUtf8(std::string_view roman);
// The code point of Roman byte b.
uint32_t MifRomanCodePoint(unsigned char b);
// Byte offset of character number `chars` in UTF-8 text (its size when the
// text is shorter).
size_t MifUtf8Offset(std::string_view utf8, size_t chars);

#endif
