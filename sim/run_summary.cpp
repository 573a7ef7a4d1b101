#include "sim/run_summary.h"

#include <cstring>
#include <string_view>

#include "sim/client_commands.h"

ChangeTally& RunTally() {
  static ChangeTally tally;
  return tally;
}

bool IsChangingCall(const char* call) {
  const KnownCall* known = call == nullptr ? nullptr : KnownCallOf(call);
  return known != nullptr && known->changes == CHANGES_DOCUMENTS;
}

namespace {

// Where the MIF string that opens at `open` (its backquote) closes: at its
// closing quote, or at the end of the text.
size_t StringEnd(const std::string& mif, size_t open) {
  size_t i = open + 1;
  for (; i < mif.size() && mif[i] != '\''; ++i) {
    if (mif[i] == '\\' && i + 1 < mif.size()) ++i;
  }
  return i;
}

std::string Counted(size_t n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// One document by its name, more by their number.
std::string Files(const std::vector<std::string>& files) {
  return files.size() == 1 ? files[0] : Counted(files.size(), "file");
}

}  // namespace

std::vector<std::string> CatalogFormats(const std::string& mif) {
  std::vector<std::string> names;
  int depth = 0;
  int catalog = -1;  // the depth of the font catalog's statement, once found
  for (size_t i = 0; i < mif.size(); ++i) {
    char c = mif[i];
    if (c == '`') {
      i = StringEnd(mif, i);  // skipped, not copied: a document is mostly strings
    } else if (c == '#') {
      while (i < mif.size() && mif[i] != '\n') ++i;
    } else if (c == '>') {
      if (--depth < catalog) return names;
    } else if (c == '<') {
      ++depth;
      size_t end = i + 1;
      while (end < mif.size() && std::strchr(" \t\r\n<>`", mif[end]) == nullptr) ++end;
      std::string_view token(mif.data() + i + 1, end - i - 1);
      i = end - 1;
      if (token == "FontCatalog" && catalog < 0) catalog = depth;
      if (token == "FTag" && catalog >= 0 && depth == catalog + 2) {
        size_t q = mif.find_first_not_of(" \t\r\n", end);
        if (q != std::string::npos && mif[q] == '`') {
          i = StringEnd(mif, q);
          names.push_back(mif.substr(q + 1, i - q - 1));
        }
      }
    }
  }
  return names;
}

std::string ChangeSummary(const ChangeTally& t) {
  bool written = t.writing == ChangeTally::kInPlace || t.writing == ChangeTally::kOutDir;
  std::string line;
  if (t.changed.empty()) {
    line = "nothing to change";
  } else if (t.formatsDeleted > 0) {
    line = std::string(written ? "deleted " : "would delete ") +
           Counted(static_cast<size_t>(t.formatsDeleted), "character format") + " in " +
           Files(t.deletedIn);
    if (t.changed.size() > t.deletedIn.size()) {
      line += std::string(written ? " and changed " : " and change ") +
              Counted(t.changed.size() - t.deletedIn.size(), "more file");
    }
  } else {
    line = std::string(written ? "changed " : "would change ") + Files(t.changed);
  }
  if (!t.changed.empty()) {
    switch (t.writing) {
      case ChangeTally::kNotWritten:
        line += "; no file written: --out-dir DIR or --in-place writes ";
        line += t.changed.size() == 1 ? "it" : "them";
        break;
      case ChangeTally::kDiff: line += "; no file written (--diff)"; break;
      case ChangeTally::kInPlace: line += "; wrote " + Files(t.written) + " in place"; break;
      case ChangeTally::kOutDir:
        line += "; wrote " + (t.written.size() == 1
                                  ? t.written[0]
                                  : Counted(t.written.size(), "file") + " into " + t.outDir);
        break;
    }
  }
  if (!t.output.empty()) line += "; wrote the output document to " + t.output;
  return line;
}
