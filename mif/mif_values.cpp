// Turning value tokens into bytes and numbers, and back.
#include "mif/mif_tree.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mif/mif_utf8.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

struct UnitInfo {
  const char* word;
  MifUnit unit;
};

// Words seen after numbers, and the keywords of the <Units> statement.
const UnitInfo kUnitWords[] = {
    {"pt", MIF_PT},         {"point", MIF_PT},   {"\"", MIF_IN},         {"in", MIF_IN},
    {"inch", MIF_IN},       {"mm", MIF_MM},      {"millimeter", MIF_MM}, {"cm", MIF_CM},
    {"centimeter", MIF_CM}, {"pc", MIF_PC},      {"pica", MIF_PC},       {"dd", MIF_DD},
    {"didot", MIF_DD},      {"cc", MIF_CC},      {"cicero", MIF_CC},     {"Upt", MIF_PT},
    {"Uin", MIF_IN},        {"Umm", MIF_MM},     {"Ucm", MIF_CM},        {"Upica", MIF_PC},
    {"Udidot", MIF_DD},     {"Ucicero", MIF_CC},
};

// Points per unit. A didot point is 0.376065 mm, a cicero twelve of them.
double PointsPer(MifUnit unit) {
  switch (unit) {
    case MIF_PT: return 1.0;
    case MIF_IN: return 72.0;
    case MIF_MM: return 72.0 / 25.4;
    case MIF_CM: return 720.0 / 25.4;
    case MIF_PC: return 12.0;
    case MIF_DD: return 0.376065 * 72.0 / 25.4;
    case MIF_CC: return 12.0 * 0.376065 * 72.0 / 25.4;
  }
  return 1.0;
}

const char* UnitSuffix(MifUnit unit) {
  switch (unit) {
    case MIF_PT: return " pt";
    case MIF_IN: return "\"";
    case MIF_MM: return " mm";
    case MIF_CM: return " cm";
    case MIF_PC: return " pc";
    case MIF_DD: return " dd";
    case MIF_CC: return " cc";
  }
  return " pt";
}

// The number at the front of a word, and where it ends; false if none.
bool LeadingNumber(std::string_view word, double* value, size_t* end) {
  size_t i = 0;
  if (i < word.size() && (word[i] == '-' || word[i] == '+')) ++i;
  size_t digits = 0;
  while (i < word.size() && word[i] >= '0' && word[i] <= '9') ++i, ++digits;
  if (i < word.size() && word[i] == '.') {
    ++i;
    while (i < word.size() && word[i] >= '0' && word[i] <= '9') ++i, ++digits;
  }
  if (digits == 0 || i > 64) return false;
  char buf[72];
  std::memcpy(buf, word.data(), i);
  buf[i] = '\0';
  *value = std::strtod(buf, nullptr);
  *end = i;
  return true;
}

bool ToMetric(double points, int32_t* out) {
  double scaled = std::round(points * 65536.0);
  if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0)) return false;
  *out = static_cast<int32_t>(scaled);
  return true;
}

}  // namespace

bool MifDecodeString(std::string_view token, MifEncoding encoding, std::string* bytes,
                     std::string* why) {
  auto fail = [&](const std::string& message) {
    if (why) *why = message;
    return false;
  };
  if (token.size() < 2 || token.front() != '`' || token.back() != '\'')
    return fail("not a string value");
  std::string_view s = token.substr(1, token.size() - 2);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\n' || c == '\r') continue;  // where a long string was wrapped
    if (c != '\\') {
      out += c;
      continue;
    }
    char d = i + 1 < s.size() ? s[i + 1] : '\0';
    ++i;
    switch (d) {
      case 't': out += '\t'; break;
      case '>': out += '>'; break;
      case 'q': out += '\''; break;
      case 'Q': out += '`'; break;
      case '\\': out += '\\'; break;
      case 'x': {
        int v = 0, n = 0;
        while (n < 2 && i + 1 < s.size() && HexDigit(s[i + 1]) >= 0)
          v = v * 16 + HexDigit(s[++i]), ++n;
        if (n == 0) return fail("\\x without hex digits");
        // The writer puts one space after the digits to end them; it is not text.
        if (i + 1 < s.size() && s[i + 1] == ' ') ++i;
        if (encoding == MIF_UTF8 && v >= 0x80)
          return fail("\\x escape above 0x7f names a Roman byte, which a UTF-8 file cannot hold");
        out += static_cast<char>(v);
        break;
      }
      case 'u': {
        uint32_t v = 0;
        for (int n = 0; n < 4; ++n) {
          if (i + 1 >= s.size() || HexDigit(s[i + 1]) < 0) return fail("\\u needs four hex digits");
          v = v * 16 + static_cast<uint32_t>(HexDigit(s[++i]));
        }
        if (v >= 0xD800 && v <= 0xDFFF) return fail("\\u names a surrogate");
        if (encoding == MIF_UTF8) {
          AppendUtf8(v, &out);
        } else if (v < 0x80) {
          out += static_cast<char>(v);
        } else {
          return fail("\\u escape above 0x7f in a Roman file");
        }
        break;
      }
      default: return fail(d ? std::string("invalid escape \\") + d : "string ends in a backslash");
    }
  }
  *bytes = std::move(out);
  return true;
}

bool MifEncodeString(std::string_view bytes, MifEncoding encoding, std::string* token) {
  std::string out = "`";
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    switch (c) {
      case '\t': out += "\\t"; continue;
      case '>': out += "\\>"; continue;
      case '\'': out += "\\q"; continue;
      case '`': out += "\\Q"; continue;
      case '\\': out += "\\\\"; continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && encoding == MIF_ROMAN)) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x ", c);
      out += buf;
    } else if (c >= 0x80) {
      size_t n = MifUtf8Length(bytes, i);
      if (n == 0) return false;
      out.append(bytes.substr(i, n));
      i += n - 1;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '\'';
  *token = std::move(out);
  return true;
}

bool MifSplitPath(std::string_view s, std::vector<MifPathPart>* parts) {
  std::vector<MifPathPart> out;
  size_t i = 0;
  while (i < s.size()) {
    // Each component is <code>name, where code is one letter.
    if (s.size() - i < 3 || s[i] != '<' || s[i + 2] != '>') return false;
    char code = s[i + 1];
    if (code == '\0' || std::strchr("rvhcu", code) == nullptr) return false;
    i += 3;
    size_t e = s.find('<', i);
    if (e == std::string_view::npos) e = s.size();
    out.push_back(MifPathPart{code, std::string(s.substr(i, e - i))});
    i = e;
  }
  *parts = std::move(out);
  return true;
}

bool MifUnitFromWord(std::string_view word, MifUnit* unit) {
  for (const UnitInfo& u : kUnitWords) {
    if (word == u.word) {
      *unit = u.unit;
      return true;
    }
  }
  return false;
}

MifUnit MifDefaultUnit(const MifTree& tree) {
  MifUnit unit = MIF_PT;
  std::string word;
  const MifNode* units = MifFind(tree.root, "Units");
  if (units && MifGetWord(*units, &word)) MifUnitFromWord(word, &unit);
  return unit;
}

bool MifGetString(const MifNode& node, MifEncoding encoding, std::string* bytes) {
  if (node.values.empty()) return false;
  std::string out;
  if (!MifDecodeString(node.values[0].text, encoding, &out, nullptr)) return false;
  *bytes = std::move(out);
  return true;
}

bool MifGetWord(const MifNode& node, std::string* word) {
  if (node.values.empty() || node.values[0].text.empty() || node.values[0].text[0] == '`')
    return false;
  *word = node.values[0].text;
  return true;
}

bool MifGetBool(const MifNode& node, bool* yes) {
  std::string word;
  if (!MifGetWord(node, &word)) return false;
  if (word == "Yes") {
    *yes = true;
  } else if (word == "No") {
    *yes = false;
  } else {
    return false;
  }
  return true;
}

bool MifGetInt(const MifNode& node, int32_t* value) {
  if (node.values.empty()) return false;
  std::string_view t = node.values[0].text;
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i == t.size() || t.size() > 12) return false;
  int64_t v = 0;
  for (size_t k = i; k < t.size(); ++k) {
    if (t[k] < '0' || t[k] > '9') return false;
    v = v * 10 + (t[k] - '0');
  }
  if (t[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool MifGetNumber(const MifNode& node, size_t index, double* value) {
  if (index >= node.values.size()) return false;
  std::string_view t = node.values[index].text;
  double v;
  size_t end;
  if (!LeadingNumber(t, &v, &end)) return false;
  if (end != t.size() && !(end + 1 == t.size() && t[end] == '%')) return false;
  *value = v;
  return true;
}

bool MifGetMetrics(const MifNode& node, MifUnit default_unit, std::vector<int32_t>* values) {
  std::vector<int32_t> out;
  const std::vector<MifValue> v(node.values.begin(), node.values.end());
  for (size_t i = 0; i < v.size(); ++i) {
    double number;
    size_t end;
    if (!LeadingNumber(v[i].text, &number, &end)) return false;
    MifUnit unit = default_unit;
    if (end < v[i].text.size()) {
      if (!MifUnitFromWord(std::string_view(v[i].text).substr(end), &unit)) return false;
    } else if (i + 1 < v.size() && MifUnitFromWord(v[i + 1].text, &unit)) {
      ++i;
    }
    int32_t metric;
    if (!ToMetric(number * PointsPer(unit), &metric)) return false;
    out.push_back(metric);
  }
  *values = std::move(out);
  return true;
}

bool MifGetMetric(const MifNode& node, MifUnit default_unit, int32_t* value) {
  std::vector<int32_t> all;
  if (!MifGetMetrics(node, default_unit, &all) || all.empty()) return false;
  *value = all[0];
  return true;
}

bool MifChildString(const MifNode& parent, std::string_view name, MifEncoding encoding,
                    std::string* bytes) {
  const MifNode* c = MifFind(parent, name);
  return c && MifGetString(*c, encoding, bytes);
}

bool MifChildWord(const MifNode& parent, std::string_view name, std::string* word) {
  const MifNode* c = MifFind(parent, name);
  return c && MifGetWord(*c, word);
}

bool MifChildBool(const MifNode& parent, std::string_view name, bool* yes) {
  const MifNode* c = MifFind(parent, name);
  return c && MifGetBool(*c, yes);
}

bool MifChildInt(const MifNode& parent, std::string_view name, int32_t* value) {
  const MifNode* c = MifFind(parent, name);
  return c && MifGetInt(*c, value);
}

bool MifChildMetric(const MifNode& parent, std::string_view name, MifUnit default_unit,
                    int32_t* value) {
  const MifNode* c = MifFind(parent, name);
  return c && MifGetMetric(*c, default_unit, value);
}

namespace {

void SetOneValue(MifNode* node, std::string_view text) {
  std::string space = node->values.empty() ? std::string(" ") : std::string(node->values[0].space);
  node->values.clear();
  node->values.push_back(MifValue{space, text});
}

}  // namespace

bool MifSetString(MifNode* node, std::string_view bytes, MifEncoding encoding) {
  std::string token;
  if (!MifEncodeString(bytes, encoding, &token)) return false;
  SetOneValue(node, token);
  return true;
}

void MifSetWord(MifNode* node, std::string_view word) { SetOneValue(node, word); }

void MifSetInt(MifNode* node, int64_t value) { SetOneValue(node, std::to_string(value)); }

void MifSetMetric(MifNode* node, int32_t value, MifUnit unit) {
  // Enough places that reading it back gives the same 1/65536 point.
  double v = value / 65536.0 / PointsPer(unit);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.9f", v);
  std::string text = buf;
  while (text.size() > 1 && text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
  if (text == "-0.0") text = "0.0";
  text += UnitSuffix(unit);
  // A unit written as its own word becomes a second value, as the host writes it.
  size_t blank = text.find(' ');
  std::string space = node->values.empty() ? std::string(" ") : std::string(node->values[0].space);
  node->values.clear();
  if (blank == std::string::npos) {
    node->values.push_back(MifValue{space, text});
  } else {
    node->values.push_back(MifValue{space, text.substr(0, blank)});
    node->values.push_back(MifValue{" ", text.substr(blank + 1)});
  }
}
