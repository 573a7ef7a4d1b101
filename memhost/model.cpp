#include "memhost/model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <tuple>

#include "client/host_numbers.h"
#include "client/host_types.h"

namespace memhost {

const int32_t kCharIntProps[kCharIntCount] = {
    PROP_CAPITALIZATION, PROP_CHANGE_BAR,   PROP_FONT_ANGLE,   PROP_FONT_FAMILY,
    PROP_FONT_VARIATION, PROP_FONT_WEIGHT,  PROP_POSITION,     PROP_CHAR_INT_612,
    PROP_PAIR_KERN,      PROP_OVERLINE,     PROP_CHAR_INT_613, PROP_STRIKETHROUGH,
    PROP_UNDERLINING,    PROP_LANGUAGE,     PROP_COLOR,        PROP_CHAR_INT_2287,
    PROP_FONT_SIZE,      PROP_CHAR_INT_616, PROP_CHAR_INT_617, PROP_CHARSPREAD,
    PROP_STRETCH};

const ValueRest Value::kNoRest;

namespace {
bool BeforeProp(const std::pair<int32_t, Value>& entry, int32_t prop) { return entry.first < prop; }
}  // namespace

const Value* FindProp(const PropStore& props, int32_t prop) {
  auto it = std::lower_bound(props.begin(), props.end(), prop, BeforeProp);
  return it != props.end() && it->first == prop ? &it->second : nullptr;
}

Value& PropSlot(PropStore* props, int32_t prop) {
  std::vector<PropStore::Item>& items = props->Own();
  auto it = std::lower_bound(items.begin(), items.end(), prop, BeforeProp);
  if (it == items.end() || it->first != prop) it = items.emplace(it, prop, Value{});
  return it->second;
}

CharProps DefaultCharProps() {
  CharProps props;
  props.ints[CharIntIndex(PROP_FONT_SIZE)] = 12 << 16;
  props.ints[CharIntIndex(PROP_STRETCH)] = 0x10000;
  return props;
}

bool DefaultFontInt(int32_t prop, int32_t* value) {
  static const CharProps kDefault = DefaultCharProps();
  int k = CharIntIndex(prop);
  if (k < 0) return false;
  *value = kDefault.ints[k];
  return true;
}

bool IsViewProp(int32_t prop) {
  switch (prop) {
    case PROP_TEXT_SELECTION:
    case PROP_CURRENT_PAGE:
    case PROP_DOC_WALK_FLAG:
    case PROP_STATUS_LINE: return true;
    default: return false;
  }
}

namespace {
// Property numbers of the font stay small; a table by number answers the
// host's most frequent question without a search.
constexpr int32_t kIndexedProps = 4096;

struct CharIntIndexTable {
  int8_t index[kIndexedProps];
  CharIntIndexTable() {
    std::fill(std::begin(index), std::end(index), static_cast<int8_t>(-1));
    for (int i = 0; i < kCharIntCount; ++i) {
      if (kCharIntProps[i] >= 0 && kCharIntProps[i] < kIndexedProps) {
        index[kCharIntProps[i]] = static_cast<int8_t>(i);
      }
    }
  }
};
}  // namespace

int CharIntIndex(int32_t prop) {
  static const CharIntIndexTable table;
  if (prop >= 0 && prop < kIndexedProps) return table.index[prop];
  for (int i = 0; i < kCharIntCount; ++i) {
    if (kCharIntProps[i] == prop) return i;
  }
  return -1;
}

int32_t CharUseFlagOf(int32_t prop) {
  switch (prop) {
    case PROP_CAPITALIZATION: return PROP_USE_CAPITALIZATION;
    case PROP_CHANGE_BAR: return PROP_USE_CHANGE_BAR;
    case PROP_FONT_ANGLE: return PROP_USE_FONT_ANGLE;
    case PROP_FONT_FAMILY: return PROP_USE_FONT_FAMILY;
    case PROP_FONT_VARIATION: return PROP_USE_FONT_VARIATION;
    case PROP_FONT_WEIGHT: return PROP_USE_FONT_WEIGHT;
    case PROP_POSITION: return PROP_USE_POSITION;
    case PROP_CHAR_INT_612: return PROP_USE_CHAR_INT_612;
    case PROP_PAIR_KERN: return PROP_USE_PAIR_KERN;
    case PROP_OVERLINE: return PROP_USE_OVERLINE;
    case PROP_CHAR_INT_613: return PROP_USE_CHAR_INT_613;
    case PROP_STRIKETHROUGH: return PROP_USE_STRIKETHROUGH;
    case PROP_UNDERLINING: return PROP_USE_UNDERLINING;
    case PROP_COLOR: return PROP_USE_COLOR;
    // The second family property follows the family's own flag.
    case PROP_CHAR_INT_2287: return PROP_USE_FONT_FAMILY;
    case PROP_FONT_SIZE: return PROP_USE_FONT_SIZE;
    case PROP_CHAR_INT_616: return PROP_USE_CHAR_INT_616;
    case PROP_CHAR_INT_617: return PROP_USE_CHAR_INT_617;
    case PROP_CHARSPREAD: return PROP_USE_CHARSPREAD;
    case PROP_STRETCH: return PROP_USE_STRETCH;
    case PROP_BACKGROUND_COLOR: return PROP_USE_BACKGROUND_COLOR;
    default: return 0;
  }
}

int32_t CharValueTypeOf(int32_t prop) {
  switch (prop) {
    case PROP_FONT_SIZE:
    case PROP_CHARSPREAD:
    case PROP_STRETCH: return VT_METRIC;
    case PROP_COLOR:
    case PROP_BACKGROUND_COLOR: return VT_ID;
    default: return VT_INT;
  }
}

char* CopyOut(const std::string& s) {
  char* out = static_cast<char*>(std::malloc(s.size() + 1));
  if (out != nullptr) std::memcpy(out, s.c_str(), s.size() + 1);
  return out;
}

bool CharProps::operator<(const CharProps& o) const {
  if (tag != o.tag) return tag < o.tag;
  for (int i = 0; i < kCharIntCount; ++i) {
    if (ints[i] != o.ints[i]) return ints[i] < o.ints[i];
  }
  return std::tie(strs[0], strs[1]) < std::tie(o.strs[0], o.strs[1]);
}

bool CharProps::operator==(const CharProps& o) const {
  return tag == o.tag && std::equal(ints, ints + kCharIntCount, o.ints) && strs[0] == o.strs[0] &&
         strs[1] == o.strs[1];
}

size_t CharPropsHash::operator()(const CharProps& p) const {
  size_t h = std::hash<std::string>()(p.tag);
  for (int32_t v : p.ints) h = h * 1000003u ^ static_cast<uint32_t>(v);
  for (const std::string& s : p.strs) h = h * 1000003u ^ std::hash<std::string>()(s);
  return h;
}

}  // namespace memhost

namespace memhost {

bool IsAnchorKind(int32_t kind) {
  return kind == ITEM_TABLE_ANCHOR || kind == ITEM_FOOTNOTE_ANCHOR || kind == ITEM_FRAME_ANCHOR ||
         kind == ITEM_MARKER_ANCHOR;
}

std::string VisibleText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != kAnchorByte) out += c;
  }
  return out;
}

}  // namespace memhost
