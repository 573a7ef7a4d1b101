#ifndef TAGSMITH_SUPPORT_LANGUAGE_H
#define TAGSMITH_SUPPORT_LANGUAGE_H

#include <cstdint>

// The host's word for language number n (1..42); null for any other number.
const char* LanguageNameOf(int32_t n);

#endif
