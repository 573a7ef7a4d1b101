// Case folding through the host's Roman character set. No locale takes part.
#ifndef TAGSMITH_SUPPORT_CASE_FOLD_H
#define TAGSMITH_SUPPORT_CASE_FOLD_H

#include <cstdint>

extern const unsigned char CaseFoldTable[256];

// As StrEquals and StrCompare, on bytes folded through CaseFoldTable; null
// reads as "".
int32_t StrEqualsNoCase(const char* a, const char* b);
int32_t StrCompareNoCase(const char* a, const char* b);

#endif
