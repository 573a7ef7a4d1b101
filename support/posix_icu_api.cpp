#include <unicode/putil.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include "support/icu_api.h"

namespace {

// ICU's entry points are renamed per version by macros, so each is wrapped
// rather than taken by address.
UConverter* Open(const char* name, UErrorCode* err) { return ucnv_open(name, err); }
void Close(UConverter* converter) { ucnv_close(converter); }
void SetFallback(UConverter* converter, UBool on) { ucnv_setFallback(converter, on); }
void SetToUEscape(UConverter* converter, UErrorCode* err) {
  ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_ESCAPE, nullptr, nullptr, nullptr, err);
}
int32_t ToUChars(UConverter* converter, UChar* dest, int32_t destCapacity, const char* src,
                 int32_t srcLength, UErrorCode* err) {
  return ucnv_toUChars(converter, dest, destCapacity, src, srcLength, err);
}
int32_t FromUChars(UConverter* converter, char* dest, int32_t destCapacity, const UChar* src,
                   int32_t srcLength, UErrorCode* err) {
  return ucnv_fromUChars(converter, dest, destCapacity, src, srcLength, err);
}
int32_t StrLen(const UChar* s) { return u_strlen(s); }
void SetDataDirectory(const char* directory) { u_setDataDirectory(directory); }
const char* GetDataDirectory() { return u_getDataDirectory(); }

const IcuApi kLinkedIcu = {Open,       Close,  SetFallback,      SetToUEscape,    ToUChars,
                           FromUChars, StrLen, SetDataDirectory, GetDataDirectory};

}  // namespace

const IcuApi* IcuGet() { return &kLinkedIcu; }
