// Case folding through the host's Roman character set. No locale takes part.
#ifndef TAGSMITH_SUPPORT_CASE_FOLD_H
#define TAGSMITH_SUPPORT_CASE_FOLD_H

#include <cstdint>

// Each byte's lower-case form: ICU's simple case folding of the Roman set,
// but for the micro sign and Omega, which fold to Greek letters the set does
// not have and stay themselves. It is the table whatever the client encoding:
// in a multi-byte encoding only ASCII folds right, as the bytes above 0x7F
// are parts of characters there (the client's names are always Roman).
extern const unsigned char CaseFoldTable[256];

// As StrEquals and StrCompare, on bytes folded through CaseFoldTable; null
// reads as "".
int32_t StrEqualsNoCase(const char* a, const char* b);
int32_t StrCompareNoCase(const char* a, const char* b);

#endif
