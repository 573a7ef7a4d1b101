// A stand-in for a host's own ICU common library, named as such a library is
// (icuuc77.dll) and exporting its entry points with the version suffix, so
// that the run-time binding can be seen to find and use it. Only what the
// binding test observes does anything.
#include <cstdint>
#include <cstring>

#define FAKE_ICU_EXPORT extern "C" __declspec(dllexport)

namespace {
char g_directory[260] = "";
int g_converter = 0;
int g_fallback = -1;
}  // namespace

FAKE_ICU_EXPORT void* ucnv_open_77(const char*, int* err) {
  *err = 0;
  return &g_converter;
}
FAKE_ICU_EXPORT void ucnv_close_77(void*) {}
FAKE_ICU_EXPORT void ucnv_setFallback_77(void*, int8_t on) { g_fallback = on; }
FAKE_ICU_EXPORT void UCNV_TO_U_CALLBACK_ESCAPE_77(const void*, void*, const char*, int32_t, int,
                                                  int*) {}
FAKE_ICU_EXPORT void ucnv_setToUCallBack_77(void*, void*, const void*, void**, const void**,
                                            int* err) {
  *err = 0;
}
FAKE_ICU_EXPORT int32_t ucnv_toUChars_77(void*, char16_t*, int32_t, const char*, int32_t,
                                         int* err) {
  *err = 0;
  return 0;
}
FAKE_ICU_EXPORT int32_t ucnv_fromUChars_77(void*, char*, int32_t, const char16_t*, int32_t,
                                           int* err) {
  *err = 0;
  return 0;
}
FAKE_ICU_EXPORT int32_t u_strlen_77(const char16_t* s) {
  int32_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}
FAKE_ICU_EXPORT void u_setDataDirectory_77(const char* directory) {
  std::strncpy(g_directory, directory, sizeof g_directory - 1);
}
FAKE_ICU_EXPORT const char* u_getDataDirectory_77() { return g_directory; }
FAKE_ICU_EXPORT int FakeIcuFallback() { return g_fallback; }
