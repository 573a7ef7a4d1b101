// Line diff by Myers' algorithm in linear space (the middle snake, found
// from both ends), so that two large documents with many changes cost
// memory in proportion to their length only.
#include "sim/diff_preview.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>

#include "mif/mif_tree.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kContext = 3;

// Lines with their line breaks, so that text is given back byte for byte.
std::vector<std::string_view> SplitLines(const std::string& text) {
  std::vector<std::string_view> lines;
  size_t from = 0;
  while (from < text.size()) {
    size_t eol = text.find('\n', from);
    size_t end = eol == std::string::npos ? text.size() : eol + 1;
    lines.emplace_back(text.data() + from, end - from);
    from = end;
  }
  return lines;
}

struct Point {
  long x;
  long y;
};

// Lines as numbers, equal numbers for equal lines: the search compares these.
struct Sequences {
  std::vector<int> a;
  std::vector<int> b;
};

class MiddleSnake {
 public:
  MiddleSnake(const Sequences& s, long mostEdits) : a_(s.a), b_(s.b), mostEdits_(mostEdits) {}

  // The points of an edit path from (left, top) to (right, bottom), each pair
  // joined by edits of one kind and a run of equal lines; the shortest path
  // where no part of it needs more than mostEdits edits.
  void Path(long left, long top, long right, long bottom, std::vector<Point>* path) {
    // The part after each snake is taken in turn rather than by recursion:
    // a search that gives up may split off a small part each time.
    for (bool rest = false;; rest = true) {
      Point from{};
      Point to{};
      if (!Find(left, top, right, bottom, &from, &to)) {
        if (rest) path->push_back(Point{left, top});
        return;
      }
      bool stuck = from.x == to.x && from.y == to.y &&
                   ((from.x == left && from.y == top) || (from.x == right && from.y == bottom));
      if (stuck) {
        // Every line out, every line in.
        path->insert(path->end(), {Point{left, top}, Point{right, top}, Point{right, bottom}});
        return;
      }
      size_t before = path->size();
      Path(left, top, from.x, from.y, path);
      if (path->size() == before) path->push_back(from);
      left = to.x;
      top = to.y;
    }
  }

 private:
  bool Find(long left, long top, long right, long bottom, Point* from, Point* to) {
    long width = right - left;
    long height = bottom - top;
    long size = width + height;
    if (size == 0) return false;
    // The search ends by d = (size + 1) / 2 at the latest, or gives up.
    long max = std::min((size + 1) / 2, mostEdits_);
    long delta = width - height;
    forward_.assign(static_cast<size_t>(2 * max + 3), 0);
    backward_.assign(static_cast<size_t>(2 * max + 3), 0);
    auto vf = [&](long k) -> long& { return forward_[static_cast<size_t>(k + max + 1)]; };
    auto vb = [&](long c) -> long& { return backward_[static_cast<size_t>(c + max + 1)]; };
    vf(1) = left;
    vb(1) = bottom;
    for (long d = 0; d <= max; ++d) {
      for (long k = d; k >= -d; k -= 2) {
        long c = k - delta;
        long px;
        long x;
        if (k == -d || (k != d && vf(k - 1) < vf(k + 1))) {
          px = x = vf(k + 1);
        } else {
          px = vf(k - 1);
          x = px + 1;
        }
        long y = top + (x - left) - k;
        long py = (d == 0 || x != px) ? y : y - 1;
        while (x < right && y < bottom &&
               a_[static_cast<size_t>(x)] == b_[static_cast<size_t>(y)]) {
          ++x;
          ++y;
        }
        vf(k) = x;
        if ((delta & 1) != 0 && c >= -(d - 1) && c <= d - 1 && y >= vb(c)) {
          *from = Point{px, py};
          *to = Point{x, y};
          return true;
        }
      }
      for (long c = d; c >= -d; c -= 2) {
        long k = c + delta;
        long py;
        long y;
        if (c == -d || (c != d && vb(c - 1) > vb(c + 1))) {
          py = y = vb(c + 1);
        } else {
          py = vb(c - 1);
          y = py - 1;
        }
        long x = left + (y - top) + k;
        long px = (d == 0 || y != py) ? x : x + 1;
        while (x > left && y > top &&
               a_[static_cast<size_t>(x - 1)] == b_[static_cast<size_t>(y - 1)]) {
          --x;
          --y;
        }
        vb(c) = y;
        if ((delta & 1) == 0 && k >= -d && k <= d && x <= vf(k)) {
          *from = Point{x, y};
          *to = Point{px, py};
          return true;
        }
      }
      if (d == mostEdits_) {
        // Too dear to search on: split where the forward search got
        // furthest, and search each side on its own.
        Point best{left, top};
        for (long k = d; k >= -d; k -= 2) {
          long x = vf(k);
          long y = top + (x - left) - k;
          if (x <= right && y >= top && y <= bottom && x + y > best.x + best.y) best = Point{x, y};
        }
        *from = *to = best;
        return true;
      }
    }
    return false;
  }

  const std::vector<int>& a_;
  const std::vector<int>& b_;
  long mostEdits_;
  std::vector<long> forward_;
  std::vector<long> backward_;
};

// One change: `removed` lines of the old text at `at` become `added` lines
// of the new text at `to`.
struct Change {
  size_t at;
  size_t removed;
  size_t to;
  size_t added;
};

std::vector<Change> Changes(const std::vector<std::string_view>& a,
                            const std::vector<std::string_view>& b, size_t mostEdits) {
  // Equal ends need no search.
  size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  Sequences s;
  std::unordered_map<std::string_view, int> ids;
  auto id = [&](std::string_view line) {
    return ids.emplace(line, static_cast<int>(ids.size())).first->second;
  };
  for (size_t i = head; i < a.size() - tail; ++i) s.a.push_back(id(a[i]));
  for (size_t j = head; j < b.size() - tail; ++j) s.b.push_back(id(b[j]));

  std::vector<Point> path;
  MiddleSnake search(s, static_cast<long>(std::max<size_t>(mostEdits, 1)));
  search.Path(0, 0, static_cast<long>(s.a.size()), static_cast<long>(s.b.size()), &path);
  std::vector<Change> changes;
  auto note = [&](long x, long y, bool removed) {
    size_t at = head + static_cast<size_t>(x);
    size_t to = head + static_cast<size_t>(y);
    if (changes.empty() || changes.back().at + changes.back().removed != at ||
        changes.back().to + changes.back().added != to) {
      changes.push_back(Change{at, 0, to, 0});
    }
    ++(removed ? changes.back().removed : changes.back().added);
  };
  for (size_t p = 1; p < path.size(); ++p) {
    long x = path[p - 1].x;
    long y = path[p - 1].y;
    const Point& end = path[p];
    auto equal = [&]() {
      while (x < end.x && y < end.y && s.a[static_cast<size_t>(x)] == s.b[static_cast<size_t>(y)]) {
        ++x;
        ++y;
      }
    };
    equal();
    while (end.x - x > end.y - y) note(x++, y, true);
    while (end.x - x < end.y - y) note(x, y++, false);
    equal();
  }
  return changes;
}

void AppendLine(std::string* out, char mark, std::string_view line) {
  *out += mark;
  out->append(line.data(), line.size());
  if (line.empty() || line.back() != '\n') *out += "\n\\ No newline at end of file\n";
}

// A name as git writes it in a diff's header: in double quotes, with C
// escapes, when it holds a control character, '"', '\\' or a byte of 0x80
// or more, so that no name can end the line or pass for another; and a tab
// after a name with a space, without which patch(1) takes the name to end
// at the space.
std::string HeaderName(const std::string& name) {
  bool plain = true;
  for (unsigned char c : name) plain = plain && c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
  std::string out;
  if (plain) {
    out = name;
  } else {
    out = "\"";
    static const char kControls[] = "\a\b\t\n\v\f\r";
    for (unsigned char c : name) {
      const char* control = c == 0 ? nullptr : std::strchr(kControls, c);
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (control != nullptr) {
        out += '\\';
        out += "abtnvfr"[control - kControls];
      } else if (c < 0x20 || c >= 0x7F) {
        char octal[5];
        std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(c));
        out += octal;
      } else {
        out += static_cast<char>(c);
      }
    }
    out += '"';
  }
  if (name.find(' ') != std::string::npos) out += '\t';
  return out;
}

// "-start,count" as diff(1) writes it: an empty range names the line before it.
std::string Range(size_t start, size_t count) {
  std::string text = std::to_string(count == 0 ? start : start + 1);
  if (count != 1) text += "," + std::to_string(count);
  return text;
}

}  // namespace

std::string UnifiedDiff(const std::string& before, const std::string& after,
                        const std::string& oldName, const std::string& newName, size_t mostEdits) {
  std::vector<std::string_view> a = SplitLines(before);
  std::vector<std::string_view> b = SplitLines(after);
  std::vector<Change> changes = Changes(a, b, mostEdits);
  if (changes.empty()) return std::string();
  std::string out = "--- " + HeaderName(oldName) + "\n+++ " + HeaderName(newName) + "\n";
  for (size_t first = 0; first < changes.size();) {
    // Changes whose contexts meet or overlap make one hunk.
    size_t last = first;
    while (last + 1 < changes.size() &&
           changes[last + 1].at - (changes[last].at + changes[last].removed) <= 2 * kContext) {
      ++last;
    }
    size_t lead = std::min(kContext, changes[first].at);
    size_t aStart = changes[first].at - lead;
    size_t bStart = changes[first].to - lead;
    size_t aEnd = std::min(a.size(), changes[last].at + changes[last].removed + kContext);
    size_t bCount = aEnd - aStart;
    for (size_t c = first; c <= last; ++c) bCount = bCount - changes[c].removed + changes[c].added;
    out += "@@ -" + Range(aStart, aEnd - aStart) + " +" + Range(bStart, bCount) + " @@\n";
    size_t i = aStart;
    for (size_t c = first; c <= last; ++c) {
      for (; i < changes[c].at; ++i) AppendLine(&out, ' ', a[i]);
      for (size_t k = 0; k < changes[c].removed; ++k) AppendLine(&out, '-', a[i++]);
      for (size_t k = 0; k < changes[c].added; ++k) AppendLine(&out, '+', b[changes[c].to + k]);
    }
    for (; i < aEnd; ++i) AppendLine(&out, ' ', a[i]);
    first = last + 1;
  }
  return out;
}

std::string DiffPathOf(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::path(path).lexically_normal();
  // Neither patch(1) nor git apply goes up a folder: a path above the
  // working folder is named from the root, as an absolute one is.
  if (!p.empty() && *p.begin() == "..") {
    fs::path whole = fs::absolute(p, ec);
    if (!ec) p = whole.lexically_normal();
  }
  if (p.is_absolute()) {
    fs::path here = fs::current_path(ec);
    fs::path relative = ec ? fs::path() : p.lexically_relative(here);
    if (!relative.empty() && *relative.begin() != "..") p = relative;
  }
  std::string name = p.generic_string();
  while (!name.empty() && name[0] == '/') name.erase(0, 1);
  return name;
}

std::string ColouredDiff(const std::string& diff) {
  std::string out;
  size_t line = 0;
  for (size_t at = 0; at < diff.size(); ++line) {
    size_t end = diff.find('\n', at);
    end = end == std::string::npos ? diff.size() : end;
    // The two name lines come first: a removed line may begin as they do.
    const char* colour = line < 2          ? "\033[1m"
                         : diff[at] == '@' ? "\033[36m"
                         : diff[at] == '-' ? "\033[31m"
                         : diff[at] == '+' ? "\033[32m"
                                           : nullptr;
    if (colour != nullptr) out += colour;
    out.append(diff, at, end - at);
    if (colour != nullptr) out += "\033[m";
    if (end < diff.size()) out += '\n';
    at = end + 1;
  }
  return out;
}

bool PrintDiffPreview(const std::vector<SafeWrite>& writes, bool colour) {
  for (const SafeWrite& w : writes) {
    if (SafeIsStdout(w.path)) continue;
    std::string name = DiffPathOf(w.path);
    std::string now;
    std::string oldName = "/dev/null";
    std::error_code ec;
    if (fs::exists(fs::symlink_status(w.path, ec))) {
      std::string why;
      if (!SafeReadFile(w.path, MifLimits().max_bytes, &now, &why)) {
        std::fprintf(stderr, "tagsmith-run: %s: %s\n", w.path.c_str(), why.c_str());
        return false;
      }
      oldName = "a/" + name;
    }
    // Written whole: a file may hold NUL bytes (padding after its end).
    std::string diff = UnifiedDiff(now, SafeWriteText(w), oldName, "b/" + name);
    if (colour) diff = ColouredDiff(diff);
    std::fwrite(diff.data(), 1, diff.size(), stdout);
  }
  std::fflush(stdout);
  return true;
}
