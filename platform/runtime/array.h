// Dynamic arrays with the runtime's bounds.
//
// An array is either unallocated (declared with empty parentheses and never
// dimensioned, or erased) or allocated with a lower and an upper bound. An
// allocated array may hold no element at all: Split of an empty text gives
// bounds 0 to -1. Asking an unallocated array for a bound, or indexing
// outside the bounds, raises error 9 "Subscript out of range".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/errors.h"

namespace platform {

template <class T>
class Array {
 public:
  // An unallocated array.
  Array() = default;
  // An allocated array with the bounds lower to upper; upper may be
  // lower - 1 for an allocated array without elements.
  Array(int32_t lower, int32_t upper) { redim(lower, upper); }
  // An allocated array holding the items, the first at index lower.
  static Array of(std::vector<T> items, int32_t lower = 0) {
    Array a;
    a.allocate(lower, static_cast<int64_t>(lower) + static_cast<int64_t>(items.size()) - 1);
    a.items_ = std::move(items);
    return a;
  }
  static Array of(std::initializer_list<T> items, int32_t lower = 0) { return of(std::vector<T>(items), lower); }

  bool isAllocated() const noexcept { return allocated_; }
  // LBound and UBound; error 9 while unallocated.
  int32_t lbound() const {
    if (!allocated_) raise(err::SubscriptOutOfRange);
    return lower_;
  }
  int32_t ubound() const {
    if (!allocated_) raise(err::SubscriptOutOfRange);
    return static_cast<int32_t>(lower_ + static_cast<int64_t>(items_.size()) - 1);
  }
  // Number of elements; 0 while unallocated.
  int32_t count() const noexcept { return static_cast<int32_t>(items_.size()); }

  // ReDim: new bounds, every element reset to its default value.
  void redim(int32_t lower, int32_t upper) {
    allocate(lower, upper);
    items_.assign(static_cast<size_t>(static_cast<int64_t>(upper) - lower + 1), T{});
  }
  // ReDim Preserve: a new upper bound keeping the elements that stay inside
  // it; an unallocated array gets the lower bound 0.
  void redimPreserve(int32_t upper) {
    const int32_t lower = allocated_ ? lower_ : 0;
    allocate(lower, upper);
    items_.resize(static_cast<size_t>(static_cast<int64_t>(upper) - lower + 1));
  }
  // Erase: back to unallocated.
  void erase() noexcept {
    items_.clear();
    allocated_ = false;
    lower_ = 0;
  }

  T& operator[](int32_t index) { return items_[offset(index)]; }
  const T& operator[](int32_t index) const { return items_[offset(index)]; }

  // The elements in index order (empty while unallocated).
  const std::vector<T>& items() const noexcept { return items_; }
  auto begin() noexcept { return items_.begin(); }
  auto end() noexcept { return items_.end(); }
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

  friend bool operator==(const Array& a, const Array& b) {
    return a.allocated_ == b.allocated_ && a.lower_ == b.lower_ && a.items_ == b.items_;
  }

 private:
  void allocate(int64_t lower, int64_t upper) {
    if (upper < lower - 1 || upper > INT32_MAX || upper - lower + 1 > 0x7fffffff) raise(err::SubscriptOutOfRange);
    lower_ = static_cast<int32_t>(lower);
    allocated_ = true;
  }
  size_t offset(int32_t index) const {
    if (!allocated_ || index < lower_ || static_cast<int64_t>(index) - lower_ >= static_cast<int64_t>(items_.size()))
      raise(err::SubscriptOutOfRange);
    return static_cast<size_t>(static_cast<int64_t>(index) - lower_);
  }

  std::vector<T> items_;
  int32_t lower_ = 0;
  bool allocated_ = false;
};

using ByteArray = Array<uint8_t>;
using LongArray = Array<int32_t>;
using StringArray = Array<std::string>;

}  // namespace platform
