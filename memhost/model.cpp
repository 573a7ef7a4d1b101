#include "memhost/model.h"

#include <tuple>

#include "client/host_numbers.h"

namespace memhost {

const int32_t kCharIntProps[kCharIntCount] = {
    PROP_CAPITALIZATION, PROP_CHANGE_BAR,    PROP_FONT_ANGLE,   PROP_FONT_FAMILY,
    PROP_FONT_VARIATION, PROP_FONT_WEIGHT,   PROP_POSITION,     PROP_CHAR_INT_612,
    PROP_PAIR_KERN,      PROP_OVERLINE,      PROP_CHAR_INT_613, PROP_STRIKETHROUGH,
    PROP_UNDERLINING,    PROP_LANGUAGE,      PROP_COLOR,        PROP_CHAR_INT_2287,
    PROP_FONT_SIZE,      PROP_CHAR_INT_616,  PROP_CHAR_INT_617, PROP_CHARSPREAD,
    PROP_STRETCH};

int CharIntIndex(int32_t prop) {
  for (int i = 0; i < kCharIntCount; ++i) {
    if (kCharIntProps[i] == prop) return i;
  }
  return -1;
}

bool CharProps::operator<(const CharProps& o) const {
  if (tag != o.tag) return tag < o.tag;
  for (int i = 0; i < kCharIntCount; ++i) {
    if (ints[i] != o.ints[i]) return ints[i] < o.ints[i];
  }
  return std::tie(strs[0], strs[1]) < std::tie(o.strs[0], o.strs[1]);
}

bool CharProps::operator==(const CharProps& o) const { return !(*this < o) && !(o < *this); }

}  // namespace memhost
