// The properties of an object by number, in ascending order, in one block
// that objects holding the same properties share until one of them changes.
// A long document holds an object for each paragraph and most paragraphs
// hold the properties of one of a few formats: shared, a paragraph's
// properties cost it one pointer. A copy of a document (a chapter opened
// again) copies a count rather than every value.
#ifndef TAGSMITH_MEMHOST_PROP_STORE_H
#define TAGSMITH_MEMHOST_PROP_STORE_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace memhost {

template <typename V>
class SharedProps {
 public:
  using Item = std::pair<int32_t, V>;

  SharedProps() noexcept = default;
  SharedProps(const SharedProps& o) noexcept : block_(o.block_) {
    if (block_ != nullptr) ++block_->refs;
  }
  SharedProps(SharedProps&& o) noexcept : block_(o.block_) { o.block_ = nullptr; }
  SharedProps& operator=(const SharedProps& o) noexcept {
    SharedProps copy(o);
    std::swap(block_, copy.block_);
    return *this;
  }
  SharedProps& operator=(SharedProps&& o) noexcept {
    std::swap(block_, o.block_);
    return *this;
  }
  ~SharedProps() { Release(); }

  size_t size() const noexcept { return block_ != nullptr ? block_->items.size() : 0; }
  bool empty() const noexcept { return size() == 0; }
  size_t capacity() const noexcept { return block_ != nullptr ? block_->items.capacity() : 0; }
  const Item* begin() const noexcept { return block_ != nullptr ? block_->items.data() : nullptr; }
  const Item* end() const noexcept { return begin() + size(); }
  // Whether both hold the one block: a change to either would copy it.
  bool SharesWith(const SharedProps& o) const noexcept {
    return block_ != nullptr && block_ == o.block_;
  }

  // The items, to be changed: a shared block is copied first, so that the
  // others keep what they hold.
  std::vector<Item>& Own() {
    if (block_ == nullptr) {
      block_ = new Block;
    } else if (block_->refs > 1) {
      Block* copy = new Block{1, block_->items};
      --block_->refs;
      block_ = copy;
    }
    return block_->items;
  }
  void reserve(size_t n) { Own().reserve(n); }

 private:
  // The store lives on the host's one thread: the count needs no atomics.
  struct Block {
    size_t refs = 1;
    std::vector<Item> items;
  };
  void Release() noexcept {
    if (block_ != nullptr && --block_->refs == 0) delete block_;
    block_ = nullptr;
  }
  Block* block_ = nullptr;
};

}  // namespace memhost

#endif
