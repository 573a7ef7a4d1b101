// A piece of MIF text in one machine word. A parsed tree holds several per
// statement, hundreds of thousands for a long document, so each is either a
// view into the text the tree was parsed from (which the tree keeps alive)
// or a copy of its own, and never a std::string's 32 bytes.
//
// A view packs its length into the top 16 bits of the address, which user
// space leaves clear on the 64-bit systems this runs on; a longer piece is
// copied. A copy is a heap block holding its length and bytes.
#ifndef TAGSMITH_MIF_MIF_TEXT_H
#define TAGSMITH_MIF_MIF_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

class MifText {
 public:
  MifText() noexcept = default;
  explicit MifText(std::string_view s) { Copy(s); }
  // Refers to s without copying it: its bytes must outlive this text and every
  // copy made of it.
  static MifText Viewing(std::string_view s);

  MifText(const MifText& o) { *this = o; }
  MifText(MifText&& o) noexcept : bits_(o.bits_) { o.bits_ = 0; }
  MifText& operator=(const MifText& o);
  MifText& operator=(MifText&& o) noexcept;
  // Copies s (which may point into this text).
  MifText& operator=(std::string_view s);
  MifText& operator=(const std::string& s) { return *this = std::string_view(s); }
  MifText& operator=(const char* s) { return *this = std::string_view(s); }
  ~MifText() { Release(); }

  bool empty() const noexcept { return bits_ == 0; }
  size_t size() const noexcept;
  const char* data() const noexcept;
  std::string_view view() const noexcept { return std::string_view(data(), size()); }
  operator std::string_view() const noexcept { return view(); }
  operator std::string() const { return std::string(view()); }
  std::string str() const { return std::string(view()); }
  // Whether this refers into other text rather than holding a copy.
  bool is_view() const noexcept { return (bits_ >> kShift) != 0; }

  char operator[](size_t i) const noexcept { return data()[i]; }
  char front() const noexcept { return data()[0]; }
  char back() const noexcept { return data()[size() - 1]; }
  size_t find(std::string_view s, size_t pos = 0) const noexcept { return view().find(s, pos); }
  size_t find(char c, size_t pos = 0) const noexcept { return view().find(c, pos); }
  size_t rfind(char c, size_t pos = std::string_view::npos) const noexcept {
    return view().rfind(c, pos);
  }
  size_t find_first_of(std::string_view s, size_t pos = 0) const noexcept {
    return view().find_first_of(s, pos);
  }
  size_t find_last_of(std::string_view s, size_t pos = std::string_view::npos) const noexcept {
    return view().find_last_of(s, pos);
  }
  int compare(size_t pos, size_t n, std::string_view s) const { return view().compare(pos, n, s); }
  std::string substr(size_t pos, size_t n = std::string::npos) const {
    return std::string(view().substr(pos, n));
  }

  void clear() noexcept {
    Release();
    bits_ = 0;
  }
  MifText& insert(size_t pos, std::string_view s);
  MifText& erase(size_t pos, size_t n = std::string::npos);
  MifText& operator+=(std::string_view s);

 private:
  static constexpr int kShift = 48;
  static constexpr uintptr_t kAddress = (uintptr_t{1} << kShift) - 1;
  static constexpr size_t kMaxView = (size_t{1} << (64 - kShift)) - 1;

  void Copy(std::string_view s);
  void Release() noexcept;

  uintptr_t bits_ = 0;
};

// The two pieces of text that end a node, in one machine word: for a
// statement what comes before its '>' and what follows it on the same line;
// for a comment or data its text and what follows it on its line. A parsed
// tree has one per node, so they share a word rather than taking one each:
// a view of both when they lie in the text read, one byte apart at most and
// short, as the host writes them, else a copy of both in one block.
class MifTail {
 public:
  MifTail() noexcept = default;
  MifTail(std::string_view first, std::string_view trail) { Copy(first, trail); }
  // Refers to first and trail without copying them when they lie close
  // enough together (see above): their bytes must outlive this and every
  // copy made of it. Copies them otherwise.
  static MifTail Viewing(std::string_view first, std::string_view trail);

  MifTail(const MifTail& o) { *this = o; }
  MifTail(MifTail&& o) noexcept : bits_(o.bits_) { o.bits_ = 0; }
  MifTail& operator=(const MifTail& o);
  MifTail& operator=(MifTail&& o) noexcept;
  ~MifTail() { Release(); }

  std::string_view first() const noexcept;
  std::string_view trail() const noexcept;
  // Each copies (the text given may point into this).
  void set_first(std::string_view s) { *this = MifTail(s, trail()); }
  void set_trail(std::string_view s) { *this = MifTail(first(), s); }
  bool is_view() const noexcept { return (bits_ >> kShift) != 0; }

 private:
  // A view's top 16 bits: with kPair clear, the length of first alone (and
  // no trail); with kPair set, kGap when one byte lies between the two, the
  // length of first (6 bits) and of the trail (8 bits).
  static constexpr int kShift = 48;
  static constexpr uintptr_t kAddress = (uintptr_t{1} << kShift) - 1;
  static constexpr unsigned kPair = 0x8000;
  static constexpr unsigned kGap = 0x4000;
  static constexpr size_t kMaxAlone = 0x7fff;
  static constexpr size_t kMaxFirst = 0x3f;
  static constexpr size_t kMaxTrail = 0xff;

  void Copy(std::string_view first, std::string_view trail);
  void Release() noexcept;

  uintptr_t bits_ = 0;
};

static_assert(sizeof(void*) == 8, "MifText packs a length into a 64-bit address");

std::ostream& operator<<(std::ostream& out, const MifText& t);

inline bool operator==(const MifText& a, const MifText& b) { return a.view() == b.view(); }
inline bool operator==(const MifText& a, std::string_view b) { return a.view() == b; }
inline bool operator==(std::string_view a, const MifText& b) { return a == b.view(); }
inline bool operator==(const MifText& a, const char* b) { return a.view() == b; }
inline bool operator==(const char* a, const MifText& b) { return a == b.view(); }
inline bool operator==(const MifText& a, const std::string& b) { return a.view() == b; }
inline bool operator==(const std::string& a, const MifText& b) { return a == b.view(); }
inline bool operator!=(const MifText& a, const MifText& b) { return !(a == b); }
inline bool operator!=(const MifText& a, std::string_view b) { return !(a == b); }
inline bool operator!=(std::string_view a, const MifText& b) { return !(a == b); }
inline bool operator!=(const MifText& a, const char* b) { return !(a == b); }
inline bool operator!=(const char* a, const MifText& b) { return !(a == b); }
inline bool operator!=(const MifText& a, const std::string& b) { return !(a == b); }
inline bool operator!=(const std::string& a, const MifText& b) { return !(a == b); }

inline std::string operator+(const std::string& a, const MifText& b) {
  std::string out = a;
  out += b.view();
  return out;
}
inline std::string operator+(const char* a, const MifText& b) { return std::string(a) + b; }
inline std::string operator+(const MifText& a, const std::string& b) { return a.str() + b; }
inline std::string operator+(const MifText& a, const char* b) { return a.str() + b; }

#endif
