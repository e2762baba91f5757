// The runtime's Integer (16-bit) and Long (32-bit) with its overflow.
//
// Int16 and Int32 hold a value of their width; every operation whose
// result does not fit raises 6 "Overflow", as the runtime's Integer and Long
// arithmetic did: a 16-bit position counter that passes 32767 fails instead
// of wrapping. Mixing an Int16 with an Int32 gives an Int32. A double is
// taken with the runtime's rounding (halves to even, convert.h).
//
// The free functions addLong ... do the same on plain int32_t values.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/runtime/errors.h"

namespace platform {

namespace detail {
template <class T>
T narrowChecked(int64_t v) {
  if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max()) raise(err::Overflow);
  return static_cast<T>(v);
}
double roundToEven(double x);
}  // namespace detail

template <class T>
class CheckedInt {
  static_assert(std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t>);

 public:
  constexpr CheckedInt() = default;
  // From any integer; error 6 when it does not fit.
  template <std::integral U>
  CheckedInt(U v) : v_(fit(v)) {}  // NOLINT: implicit like the runtime's assignment
  // Widening from a narrower checked integer (so Int16 op Int32 is an
  // Int32 operation).
  template <class U>
  requires(sizeof(U) < sizeof(T)) CheckedInt(CheckedInt<U> v) : v_(v.value()) {}
  // Narrowing from a wider one, checked.
  template <class U>
  requires(sizeof(U) > sizeof(T)) explicit CheckedInt(CheckedInt<U> v) : v_(detail::narrowChecked<T>(v.value())) {}
  // From a double: rounded half to even, error 6 outside the range.
  static CheckedInt fromDouble(double d) {
    const double r = detail::roundToEven(d);
    if (!(r >= std::numeric_limits<T>::min() && r <= std::numeric_limits<T>::max())) raise(err::Overflow);
    return CheckedInt(static_cast<T>(r));
  }

  constexpr T value() const noexcept { return v_; }
  explicit constexpr operator T() const noexcept { return v_; }

  friend CheckedInt operator+(CheckedInt a, CheckedInt b) { return wrap(int64_t{a.v_} + b.v_); }
  friend CheckedInt operator-(CheckedInt a, CheckedInt b) { return wrap(int64_t{a.v_} - b.v_); }
  friend CheckedInt operator*(CheckedInt a, CheckedInt b) { return wrap(int64_t{a.v_} * b.v_); }
  // Integer division (the runtime's "\"): truncates; 11 for division by 0.
  friend CheckedInt operator/(CheckedInt a, CheckedInt b) {
    if (b.v_ == 0) raise(err::DivisionByZero);
    return wrap(int64_t{a.v_} / b.v_);
  }
  // Mod: the sign of the dividend; 11 for division by 0.
  friend CheckedInt operator%(CheckedInt a, CheckedInt b) {
    if (b.v_ == 0) raise(err::DivisionByZero);
    return wrap(int64_t{a.v_} % b.v_);
  }
  CheckedInt operator-() const { return wrap(-int64_t{v_}); }
  CheckedInt& operator+=(CheckedInt b) { return *this = *this + b; }
  CheckedInt& operator-=(CheckedInt b) { return *this = *this - b; }
  CheckedInt& operator*=(CheckedInt b) { return *this = *this * b; }
  CheckedInt& operator/=(CheckedInt b) { return *this = *this / b; }
  CheckedInt& operator%=(CheckedInt b) { return *this = *this % b; }
  CheckedInt& operator++() { return *this += CheckedInt(T{1}); }
  CheckedInt& operator--() { return *this -= CheckedInt(T{1}); }
  CheckedInt operator++(int) {
    CheckedInt old = *this;
    ++*this;
    return old;
  }
  CheckedInt operator--(int) {
    CheckedInt old = *this;
    --*this;
    return old;
  }

  friend constexpr bool operator==(CheckedInt a, CheckedInt b) { return a.v_ == b.v_; }
  friend constexpr auto operator<=>(CheckedInt a, CheckedInt b) { return a.v_ <=> b.v_; }

 private:
  template <std::integral U>
  static T fit(U v) {
    if constexpr (std::is_signed_v<U>) {
      if (static_cast<int64_t>(v) < std::numeric_limits<T>::min() ||
          static_cast<int64_t>(v) > std::numeric_limits<T>::max())
        raise(err::Overflow);
    } else {
      if (static_cast<uint64_t>(v) > static_cast<uint64_t>(std::numeric_limits<T>::max())) raise(err::Overflow);
    }
    return static_cast<T>(v);
  }
  static CheckedInt wrap(int64_t v) { return CheckedInt(detail::narrowChecked<T>(v)); }

  T v_ = 0;
};

using Int16 = CheckedInt<int16_t>;
using Int32 = CheckedInt<int32_t>;

// Long arithmetic on plain values, error 6 on overflow, 11 on division by 0.
inline int32_t addLong(int32_t a, int32_t b) { return (Int32(a) + Int32(b)).value(); }
inline int32_t subLong(int32_t a, int32_t b) { return (Int32(a) - Int32(b)).value(); }
inline int32_t mulLong(int32_t a, int32_t b) { return (Int32(a) * Int32(b)).value(); }
inline int32_t divLong(int32_t a, int32_t b) { return (Int32(a) / Int32(b)).value(); }
inline int32_t modLong(int32_t a, int32_t b) { return (Int32(a) % Int32(b)).value(); }
// A wider integer narrowed to Long or Integer, error 6 when it does not fit.
inline int32_t toLongChecked(int64_t v) { return detail::narrowChecked<int32_t>(v); }
inline int16_t toIntegerChecked(int64_t v) { return detail::narrowChecked<int16_t>(v); }

template <class T>
std::string to_string(CheckedInt<T> v) {
  return std::to_string(v.value());
}

}  // namespace platform
