#include "support/language.h"

namespace {

// Left as laid out by hand: the names in rows, in the host's order.
// clang-format off
const char* const kLanguageNames[42] = {
    "usenglish",   "ukenglish",      "deutsch",        "swissgerman",
    "francais",    "canadianfrench", "espanol",        "catalan",
    "italiano",    "portuguese",     "brasil",         "danish",
    "dutch",       "norwegian",      "nynorsk",        "finnish",
    "svenska",     "japanese",       "traditionalchinese", "simplifiedchinese",
    "korean",      "newgerman",      "newswissgerman", "newdutch",
    "greek",       "russian",        "czech",          "polish",
    "hungarian",   "turkish",        "slovak",         "slovenian",
    "bulgarian",   "croatian",       "estonian",       "latvian",
    "lithuanian",  "romanian",       "arabic",         "hebrew",
    "thai",        "farsi",
};
// clang-format on

}  // namespace

const char* LanguageNameOf(int32_t n) {
  uint32_t index = static_cast<uint32_t>(n) - 1u;
  return index <= 41u ? kLanguageNames[index] : nullptr;
}
