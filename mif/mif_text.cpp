#include "mif/mif_text.h"

#include <new>
#include <ostream>

namespace {

// A copy is a block of its length (4 bytes, unaligned) and its bytes.
constexpr size_t kHeader = sizeof(uint32_t);

}  // namespace

MifText MifText::Viewing(std::string_view s) {
  MifText t;
  uintptr_t address = reinterpret_cast<uintptr_t>(s.data());
  if (s.empty()) return t;
  if (s.size() > kMaxView || (address & ~kAddress) != 0) {
    t.Copy(s);
  } else {
    t.bits_ = (static_cast<uintptr_t>(s.size()) << kShift) | address;
  }
  return t;
}

void MifText::Copy(std::string_view s) {
  bits_ = 0;
  if (s.empty()) return;
  if (s.size() > UINT32_MAX) throw std::bad_alloc();
  char* block = static_cast<char*>(::operator new(kHeader + s.size()));
  uintptr_t address = reinterpret_cast<uintptr_t>(block);
  if ((address & ~kAddress) != 0) {
    ::operator delete(block);
    throw std::bad_alloc();
  }
  uint32_t n = static_cast<uint32_t>(s.size());
  std::memcpy(block, &n, kHeader);
  std::memcpy(block + kHeader, s.data(), s.size());
  bits_ = address;
}

void MifText::Release() noexcept {
  if (bits_ != 0 && !is_view()) ::operator delete(reinterpret_cast<char*>(bits_));
}

size_t MifText::size() const noexcept {
  if (bits_ == 0) return 0;
  if (is_view()) return static_cast<size_t>(bits_ >> kShift);
  uint32_t n;
  std::memcpy(&n, reinterpret_cast<const char*>(bits_), kHeader);
  return n;
}

const char* MifText::data() const noexcept {
  if (bits_ == 0) return "";
  if (is_view()) return reinterpret_cast<const char*>(bits_ & kAddress);
  return reinterpret_cast<const char*>(bits_) + kHeader;
}

MifText& MifText::operator=(const MifText& o) {
  if (this == &o) return *this;
  if (o.is_view() || o.bits_ == 0) {
    Release();
    bits_ = o.bits_;
    return *this;
  }
  return *this = o.view();
}

MifText& MifText::operator=(MifText&& o) noexcept {
  if (this != &o) {
    Release();
    bits_ = o.bits_;
    o.bits_ = 0;
  }
  return *this;
}

MifText& MifText::operator=(std::string_view s) {
  MifText copy(s);
  return *this = std::move(copy);
}

MifText& MifText::insert(size_t pos, std::string_view s) {
  std::string out(view());
  out.insert(pos, s);
  return *this = out;
}

MifText& MifText::erase(size_t pos, size_t n) {
  std::string out(view());
  out.erase(pos, n);
  return *this = out;
}

MifText& MifText::operator+=(std::string_view s) {
  std::string out(view());
  out += s;
  return *this = out;
}

std::ostream& operator<<(std::ostream& out, const MifText& t) { return out << t.view(); }
