#include <algorithm>
#include <new>
#include <utility>

#include "mif/mif_tree.h"

static_assert(alignof(MifNode) <= 8, "the nodes follow an 8-byte header");

MifNodeList::MifNodeList(const MifNodeList& o) {
  reserve(o.size());
  for (const MifNode& n : o) push_back(n);
}

MifNodeList& MifNodeList::operator=(const MifNodeList& o) {
  if (this != &o) {
    MifNodeList copy(o);
    *this = std::move(copy);
  }
  return *this;
}

MifNodeList& MifNodeList::operator=(MifNodeList&& o) noexcept {
  if (this != &o) {
    Free();
    block_ = o.block_;
    o.block_ = nullptr;
  }
  return *this;
}

void MifNodeList::Free() noexcept {
  if (block_ == nullptr) return;
  clear();
  ::operator delete(block_);
  block_ = nullptr;
}

void MifNodeList::clear() noexcept {
  if (block_ == nullptr) return;
  MifNode* nodes = data();
  for (uint32_t i = 0; i < block_->size; ++i) nodes[i].~MifNode();
  block_->size = 0;
}

void MifNodeList::reserve(size_t n) {
  if (n <= capacity()) return;
  if (n > UINT32_MAX) throw std::bad_alloc();
  Header* block = static_cast<Header*>(::operator new(sizeof(Header) + n * sizeof(MifNode)));
  block->size = 0;
  block->capacity = static_cast<uint32_t>(n);
  MifNode* to = reinterpret_cast<MifNode*>(block + 1);
  if (block_ != nullptr) {
    MifNode* from = data();
    for (uint32_t i = 0; i < block_->size; ++i) {
      new (to + i) MifNode(std::move(from[i]));
      from[i].~MifNode();
    }
    block->size = block_->size;
    ::operator delete(block_);
  }
  block_ = block;
}

void MifNodeList::push_back(const MifNode& node) {
  MifNode copy(node);
  push_back(std::move(copy));
}

void MifNodeList::push_back(MifNode&& node) {
  size_t n = size();
  if (n == capacity()) {
    // node may be one of these, which growing moves.
    MifNode keep(std::move(node));
    reserve(n < 4 ? 4 : n * 2);
    new (data() + n) MifNode(std::move(keep));
  } else {
    new (data() + n) MifNode(std::move(node));
  }
  ++block_->size;
}

MifNodeList::iterator MifNodeList::insert(const_iterator at, MifNode&& node) {
  size_t index = static_cast<size_t>(at - data());
  push_back(std::move(node));
  std::rotate(begin() + index, end() - 1, end());
  return begin() + index;
}

MifNodeList::iterator MifNodeList::erase(const_iterator at) { return erase(at, at + 1); }

MifNodeList::iterator MifNodeList::erase(const_iterator from, const_iterator to) {
  size_t index = static_cast<size_t>(from - data());
  size_t count = static_cast<size_t>(to - from);
  if (count == 0) return begin() + index;
  MifNode* kept = std::move(begin() + index + count, end(), begin() + index);
  for (MifNode* n = kept; n != end(); ++n) n->~MifNode();
  block_->size -= static_cast<uint32_t>(count);
  return begin() + index;
}
