// Which interned set of character properties each position of a paragraph
// has. Most paragraphs are in one font throughout: such a paragraph keeps
// one index and a count, not four bytes for every character, and only a
// paragraph whose font changes holds an index per position.
#ifndef TAGSMITH_MEMHOST_CHAR_PROP_INDEXES_H
#define TAGSMITH_MEMHOST_CHAR_PROP_INDEXES_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace memhost {

class CharPropIndexes {
 public:
  CharPropIndexes() noexcept = default;
  CharPropIndexes(const CharPropIndexes& o)
      : count_(o.count_),
        uniform_(o.uniform_),
        each_(o.each_ ? std::make_unique<std::vector<uint32_t>>(*o.each_) : nullptr) {}
  CharPropIndexes(CharPropIndexes&&) noexcept = default;
  CharPropIndexes& operator=(const CharPropIndexes& o) {
    if (this != &o) *this = CharPropIndexes(o);
    return *this;
  }
  CharPropIndexes& operator=(CharPropIndexes&&) noexcept = default;

  size_t size() const noexcept { return each_ ? each_->size() : count_; }
  bool empty() const noexcept { return size() == 0; }
  uint32_t operator[](size_t k) const noexcept { return each_ ? (*each_)[k] : uniform_; }
  // Whether every position has the same index.
  bool uniform() const noexcept { return !each_; }

  void Set(size_t k, uint32_t index) {
    if (!each_ && index == uniform_) return;
    Spread();
    (*each_)[k] = index;
  }
  // n positions of `index` before position `at`.
  void Insert(size_t at, size_t n, uint32_t index) {
    if (n == 0) return;
    if (!each_ && (count_ == 0 || index == uniform_)) {
      uniform_ = index;
      count_ += static_cast<uint32_t>(n);
      return;
    }
    Spread();
    each_->insert(each_->begin() + static_cast<std::ptrdiff_t>(at), n, index);
  }
  // The positions from `from` on, as a list of their own.
  CharPropIndexes Tail(size_t from) const {
    CharPropIndexes tail;
    if (!each_) {
      tail.count_ = from < count_ ? count_ - static_cast<uint32_t>(from) : 0;
      tail.uniform_ = uniform_;
    } else if (from < each_->size()) {
      tail.each_ = std::make_unique<std::vector<uint32_t>>(
          each_->begin() + static_cast<std::ptrdiff_t>(from), each_->end());
      tail.Settle();
    }
    return tail;
  }
  // Keeps the first n positions.
  void Truncate(size_t n) {
    if (!each_) {
      count_ = std::min(count_, static_cast<uint32_t>(n));
    } else {
      if (n < each_->size()) each_->resize(n);
      Settle();
    }
  }
  // Goes back to one index when every position has come to have the same:
  // after a change of a stretch of text, or of the whole paragraph.
  void Settle() {
    if (!each_) return;
    const std::vector<uint32_t>& all = *each_;
    if (!all.empty() &&
        std::any_of(all.begin(), all.end(), [&all](uint32_t i) { return i != all[0]; })) {
      return;
    }
    count_ = static_cast<uint32_t>(all.size());
    uniform_ = all.empty() ? 0 : all[0];
    each_.reset();
  }

 private:
  void Spread() {
    if (!each_) each_ = std::make_unique<std::vector<uint32_t>>(count_, uniform_);
  }
  uint32_t count_ = 0;    // while uniform
  uint32_t uniform_ = 0;  // the index of every position while uniform
  std::unique_ptr<std::vector<uint32_t>> each_;
};

}  // namespace memhost

#endif
