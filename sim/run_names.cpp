#include "sim/run_names.h"

#include <cctype>
#include <filesystem>

#include "mif/mif_roman.h"

namespace fs = std::filesystem;

std::string Normal(const std::string& path) {
  // A network path keeps the two slashes that start it.
  if (path.compare(0, 2, "//") == 0 && path.compare(0, 3, "///") != 0) {
    return "/" + fs::path(path.substr(1)).lexically_normal().generic_string();
  }
  return fs::path(path).lexically_normal().generic_string();
}

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string LabelKey(std::string s) {
  s = Lower(s);
  while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

std::string RomanName(const std::string& utf8) {
  std::string roman;
  return MifUtf8ToRomanName(utf8, &roman) ? roman : utf8;
}
