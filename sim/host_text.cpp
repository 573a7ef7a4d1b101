#include "sim/host_text.h"

#include "memhost/model.h"
#include "mif/mif_roman.h"

std::string Readable(const std::string& roman) {
  std::string out;
  out.reserve(roman.size());
  for (char ch : roman) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == 0x08) {
      out += '\t';
    } else if (c == '\n') {
      out += '\n';
    } else if ((c >= 0x04 && c <= 0x06) || ch == memhost::kAnchorByte) {
      continue;  // hyphenation marks, anchors
    } else if (c < 0x20) {
      out += c == 0x15 ? '-' : ' ';
    } else {
      out += MifRomanToUtf8(std::string(1, ch));
    }
  }
  return out;
}
