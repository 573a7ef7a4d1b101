// The ICU functions the encodings use, reached through one table so that a
// platform can bind them at link time or find them at run time in the host's
// own ICU library.
#ifndef TAGSMITH_SUPPORT_ICU_API_H
#define TAGSMITH_SUPPORT_ICU_API_H

#include <cstdint>

#include <unicode/ucnv.h>
#include <unicode/umachine.h>
#include <unicode/utypes.h>

struct IcuApi {
  UConverter* (*open)(const char* name, UErrorCode* err);  // ucnv_open
  void (*close)(UConverter* converter);                    // ucnv_close
  void (*setFallback)(UConverter* converter, UBool on);    // ucnv_setFallback
  // ucnv_setToUCallBack with ICU's escape callback: unmappable input comes
  // out as an escape sequence instead of a substitute.
  void (*setToUEscape)(UConverter* converter, UErrorCode* err);
  int32_t (*toUChars)(UConverter* converter, UChar* dest, int32_t destCapacity, const char* src,
                      int32_t srcLength, UErrorCode* err);  // ucnv_toUChars
  int32_t (*fromUChars)(UConverter* converter, char* dest, int32_t destCapacity, const UChar* src,
                        int32_t srcLength, UErrorCode* err);  // ucnv_fromUChars
  int32_t (*strlen)(const UChar* s);                          // u_strlen
  void (*setDataDirectory)(const char* directory);            // u_setDataDirectory
  const char* (*getDataDirectory)();                          // u_getDataDirectory
};

// The platform's table; null when ICU is not available, and then every
// conversion behaves as if no converter could be opened.
const IcuApi* IcuGet();

// The table the encodings use: IcuGet's, unless a test has put another one
// (or none, with null) in its place with IcuOverride. IcuOverrideEnd goes
// back to the platform's.
const IcuApi* IcuCurrent();
void IcuOverride(const IcuApi* api);
void IcuOverrideEnd();

#endif
