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

namespace memhost {

class CharPropIndexes {
 public:
  CharPropIndexes() noexcept = default;
  CharPropIndexes(const CharPropIndexes& o) : count_(o.count_), shared_(o.shared_) {
    if (o.each_) {
      shared_ = count_;
      each_.reset(new uint32_t[count_]);
      std::copy(o.each_.get(), o.each_.get() + count_, each_.get());
    }
  }
  CharPropIndexes(CharPropIndexes&&) noexcept = default;
  CharPropIndexes& operator=(const CharPropIndexes& o) {
    if (this != &o) *this = CharPropIndexes(o);
    return *this;
  }
  CharPropIndexes& operator=(CharPropIndexes&&) noexcept = default;

  size_t size() const noexcept { return count_; }
  bool empty() const noexcept { return count_ == 0; }
  // One look at the list for a paragraph of one font, two for another: the
  // usage scan asks for every position.
  uint32_t operator[](size_t k) const noexcept { return each_ ? each_[k] : shared_; }
  // Whether every position has the same index.
  bool uniform() const noexcept { return !each_; }

  void Set(size_t k, uint32_t index) {
    if (!each_ && index == shared_) return;
    Spread(count_);
    each_[k] = index;
  }
  // n positions of `index` before position `at`.
  void Insert(size_t at, size_t n, uint32_t index) {
    if (n == 0) return;
    if (!each_ && (count_ == 0 || index == shared_)) {
      shared_ = index;
      count_ += static_cast<uint32_t>(n);
      return;
    }
    Spread(count_ + n);
    std::copy_backward(each_.get() + at, each_.get() + count_, each_.get() + count_ + n);
    std::fill(each_.get() + at, each_.get() + at + n, index);
    count_ += static_cast<uint32_t>(n);
  }
  // The positions from `from` on, as a list of their own.
  CharPropIndexes Tail(size_t from) const {
    CharPropIndexes tail;
    if (from >= count_) return tail;
    tail.count_ = count_ - static_cast<uint32_t>(from);
    if (!each_) {
      tail.shared_ = shared_;
    } else {
      tail.shared_ = tail.count_;
      tail.each_.reset(new uint32_t[tail.count_]);
      std::copy(each_.get() + from, each_.get() + count_, tail.each_.get());
      tail.Settle();
    }
    return tail;
  }
  // Keeps the first n positions.
  void Truncate(size_t n) {
    if (n >= count_) return;
    count_ = static_cast<uint32_t>(n);
    Settle();
  }
  // Goes back to one index when every position has come to have the same:
  // after a change of a stretch of text, or of the whole paragraph.
  void Settle() {
    if (!each_) return;
    const uint32_t* all = each_.get();
    if (count_ > 0 && std::any_of(all, all + count_, [all](uint32_t i) { return i != all[0]; })) {
      return;
    }
    shared_ = count_ > 0 ? all[0] : 0;
    each_.reset();
  }

 private:
  // Makes every position hold its own index, with room for `positions`.
  void Spread(size_t positions) {
    if (each_ && positions <= shared_) return;
    size_t room = std::max<size_t>(positions, each_ ? 2 * size_t{shared_} : positions);
    std::unique_ptr<uint32_t[]> grown(new uint32_t[room]);
    if (each_) {
      std::copy(each_.get(), each_.get() + count_, grown.get());
    } else {
      std::fill(grown.get(), grown.get() + count_, shared_);
    }
    each_ = std::move(grown);
    shared_ = static_cast<uint32_t>(room);
  }

  uint32_t count_ = 0;
  // While every position has the same index: that index. Once each has its
  // own: the room of each_, in positions.
  uint32_t shared_ = 0;
  std::unique_ptr<uint32_t[]> each_;
};

}  // namespace memhost

#endif
