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
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;
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

  T& front() noexcept { return (*list_)[0]; }
  T& back() noexcept { return list_->back(); }
  const T& front() const noexcept { return (*list_)[0]; }
  const T& back() const noexcept { return list_->back(); }

  void push_back(const T& item) { Own().push_back(item); }
  // Takes out [from, to); the list goes back to one empty pointer when
  // nothing is left.
  T* erase(const T* from, const T* to) {
    if (from == to) return begin() + (from - begin());
    size_t at = static_cast<size_t>(from - begin());
    std::vector<T>& list = *list_;
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(at),
               list.begin() + static_cast<std::ptrdiff_t>(to - begin()));
    if (list.empty()) {
      list_.reset();
      return nullptr;
    }
    return list.data() + at;
  }
  T* erase(const T* at) { return erase(at, at + 1); }
  void clear() noexcept { list_.reset(); }
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

template <typename T>
bool operator==(const RareList<T>& a, const std::vector<T>& b) {
  return a.View() == b;
}
template <typename T>
bool operator==(const std::vector<T>& a, const RareList<T>& b) {
  return a == b.View();
}

// A record that most objects never need, in one pointer while they do not:
// it reads as a record of zeros then.
template <typename T>
class RareBox {
 public:
  RareBox() noexcept = default;
  RareBox(const RareBox& o) : box_(o.box_ ? std::make_unique<T>(*o.box_) : nullptr) {}
  RareBox(RareBox&&) noexcept = default;
  RareBox& operator=(const RareBox& o) {
    if (this != &o) box_ = o.box_ ? std::make_unique<T>(*o.box_) : nullptr;
    return *this;
  }
  RareBox& operator=(RareBox&&) noexcept = default;

  bool has() const noexcept { return box_ != nullptr; }
  const T& get() const noexcept {
    static const T kNone{};
    return box_ ? *box_ : kNone;
  }
  // The record, made (zero) for a caller that changes it.
  T& Own() {
    if (!box_) box_ = std::make_unique<T>();
    return *box_;
  }
  void reset() noexcept { box_.reset(); }

 private:
  std::unique_ptr<T> box_;
};

}  // namespace memhost

#endif
