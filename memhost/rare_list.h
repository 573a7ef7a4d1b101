// A list that most objects never fill, in one pointer while it is empty.
// A long document holds an object for each paragraph, and only a few of
// them have anchors or titles: a std::vector of its own would cost every
// paragraph 24 bytes for what it does not hold.
#ifndef TAGSMITH_MEMHOST_RARE_LIST_H
#define TAGSMITH_MEMHOST_RARE_LIST_H

#include <cstddef>
#include <memory>
#include <vector>

namespace memhost {

template <typename T>
class RareList {
 public:
  RareList() noexcept = default;
  RareList(const RareList& o)
      : list_(o.list_ ? std::make_unique<std::vector<T>>(*o.list_) : nullptr) {}
  RareList(RareList&&) noexcept = default;
  RareList& operator=(const RareList& o) {
    if (this != &o) list_ = o.list_ ? std::make_unique<std::vector<T>>(*o.list_) : nullptr;
    return *this;
  }
  RareList& operator=(RareList&&) noexcept = default;
  RareList& operator=(std::vector<T> items) {
    if (items.empty()) {
      list_.reset();
    } else {
      Own() = std::move(items);
    }
    return *this;
  }

  size_t size() const noexcept { return list_ ? list_->size() : 0; }
  bool empty() const noexcept { return size() == 0; }
  T* begin() noexcept { return list_ ? list_->data() : nullptr; }
  T* end() noexcept { return begin() + size(); }
  const T* begin() const noexcept { return list_ ? list_->data() : nullptr; }
  const T* end() const noexcept { return begin() + size(); }
  T& operator[](size_t i) noexcept { return (*list_)[i]; }
  const T& operator[](size_t i) const noexcept { return (*list_)[i]; }

  void push_back(const T& item) { Own().push_back(item); }
  T* insert(const T* at, const T& item) {
    size_t index = static_cast<size_t>(at - begin());
    std::vector<T>& list = Own();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), item);
    return list.data() + index;
  }

  // The list as a std::vector: made (empty) for a caller that changes it.
  std::vector<T>& Own() {
    if (!list_) list_ = std::make_unique<std::vector<T>>();
    return *list_;
  }
  const std::vector<T>& View() const {
    static const std::vector<T> none;
    return list_ ? *list_ : none;
  }

 private:
  std::unique_ptr<std::vector<T>> list_;
};

}  // namespace memhost

#endif
