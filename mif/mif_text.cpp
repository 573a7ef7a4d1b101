#include "mif/mif_text.h"

#include <new>
#include <ostream>

namespace {

// A copy is a block of its length (4 bytes, unaligned) and its bytes.
constexpr size_t kHeader = sizeof(uint32_t);

// A block for a copy, at an address within `address` (the bits below those
// a view keeps its lengths in); bad_alloc when the system gives one above.
char* NewBlock(size_t bytes, uintptr_t address) {
  char* block = static_cast<char*>(::operator new(bytes));
  if ((reinterpret_cast<uintptr_t>(block) & ~address) != 0) {
    ::operator delete(block);
    throw std::bad_alloc();
  }
  return block;
}

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
  char* block = NewBlock(kHeader + s.size(), kAddress);
  uint32_t n = static_cast<uint32_t>(s.size());
  std::memcpy(block, &n, kHeader);
  std::memcpy(block + kHeader, s.data(), s.size());
  bits_ = reinterpret_cast<uintptr_t>(block);
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

// ---- MifTail ----
//
// A copy is a block of both lengths (4 bytes each, unaligned), then first's
// bytes and the trail's.

MifTail MifTail::Viewing(std::string_view first, std::string_view trail) {
  MifTail t;
  if (first.empty() && trail.empty()) return t;
  const char* at = first.empty() ? trail.data() : first.data();
  uintptr_t address = reinterpret_cast<uintptr_t>(at);
  if ((address & ~kAddress) != 0) {
    t.Copy(first, trail);
    return t;
  }
  uintptr_t tag = 0;
  if (trail.empty()) {
    if (first.size() <= kMaxAlone) tag = first.size();
  } else if (first.size() <= kMaxFirst && trail.size() <= kMaxTrail) {
    uintptr_t end = address + first.size();
    uintptr_t next = reinterpret_cast<uintptr_t>(trail.data());
    size_t between = static_cast<size_t>(next - end);
    if (next >= end && between <= 1) {
      tag = kPair | (between == 1 ? kGap : 0) | (first.size() << 8) | trail.size();
    }
  }
  if (tag == 0) {
    t.Copy(first, trail);
  } else {
    t.bits_ = (tag << kShift) | address;
  }
  return t;
}

void MifTail::Copy(std::string_view first, std::string_view trail) {
  bits_ = 0;
  if (first.empty() && trail.empty()) return;
  if (first.size() > UINT32_MAX || trail.size() > UINT32_MAX) throw std::bad_alloc();
  char* block = NewBlock(2 * kHeader + first.size() + trail.size(), kAddress);
  uint32_t n[2] = {static_cast<uint32_t>(first.size()), static_cast<uint32_t>(trail.size())};
  std::memcpy(block, n, 2 * kHeader);
  if (!first.empty()) std::memcpy(block + 2 * kHeader, first.data(), first.size());
  if (!trail.empty()) std::memcpy(block + 2 * kHeader + first.size(), trail.data(), trail.size());
  bits_ = reinterpret_cast<uintptr_t>(block);
}

void MifTail::Release() noexcept {
  if (bits_ != 0 && !is_view()) ::operator delete(reinterpret_cast<char*>(bits_));
}

std::string_view MifTail::first() const noexcept {
  if (bits_ == 0) return std::string_view();
  const char* at = reinterpret_cast<const char*>(bits_ & kAddress);
  if (is_view()) {
    unsigned tag = static_cast<unsigned>(bits_ >> kShift);
    return std::string_view(at, (tag & kPair) ? (tag >> 8) & kMaxFirst : tag);
  }
  uint32_t n;
  std::memcpy(&n, at, kHeader);
  return std::string_view(at + 2 * kHeader, n);
}

std::string_view MifTail::trail() const noexcept {
  if (bits_ == 0) return std::string_view();
  const char* at = reinterpret_cast<const char*>(bits_ & kAddress);
  if (is_view()) {
    unsigned tag = static_cast<unsigned>(bits_ >> kShift);
    if (!(tag & kPair)) return std::string_view();
    size_t first = (tag >> 8) & kMaxFirst;
    return std::string_view(at + first + ((tag & kGap) ? 1 : 0), tag & kMaxTrail);
  }
  uint32_t n[2];
  std::memcpy(n, at, 2 * kHeader);
  return std::string_view(at + 2 * kHeader + n[0], n[1]);
}

MifTail& MifTail::operator=(const MifTail& o) {
  if (this == &o) return *this;
  if (o.is_view() || o.bits_ == 0) {
    Release();
    bits_ = o.bits_;
    return *this;
  }
  MifTail copy(o.first(), o.trail());
  return *this = std::move(copy);
}

MifTail& MifTail::operator=(MifTail&& o) noexcept {
  if (this != &o) {
    Release();
    bits_ = o.bits_;
    o.bits_ = 0;
  }
  return *this;
}
