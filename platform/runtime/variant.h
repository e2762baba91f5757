// The runtime's Variant: one value of any of the runtime's kinds.
//
// Kinds: Empty (a variable never assigned), Null, Integer (16-bit), Long
// (32-bit), Single, Double, Boolean, String (UTF-8 text), Date, arrays of
// bytes, of Longs and of Strings (with bounds and allocated state, see
// array.h) and object references. An object reference is a shared pointer
// to an Object; an empty pointer is Nothing. Conversions between the kinds
// are in convert.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "platform/runtime/array.h"
#include "platform/runtime/datetime.h"

namespace platform {

// Any object the runtime can hold a reference to.
class Object {
 public:
  virtual ~Object() = default;
  // The name TypeName gives for the object (its class name).
  virtual std::string typeName() const = 0;
};
using ObjectRef = std::shared_ptr<Object>;

// VarType numbers of the runtime. An array is Array plus its element kind.
enum class VarType : int32_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Date = 7,
  String = 8,
  Object = 9,
  Boolean = 11,
  Byte = 17,
  Array = 8192,
};

class Variant {
 public:
  struct NullValue {
    friend bool operator==(NullValue, NullValue) { return true; }
  };

  Variant() = default;  // Empty
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(bool v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(Date v) : value_(v) {}
  Variant(ByteArray v) : value_(std::move(v)) {}
  Variant(LongArray v) : value_(std::move(v)) {}
  Variant(StringArray v) : value_(std::move(v)) {}
  Variant(ObjectRef v) : value_(std::move(v)) {}
  Variant(NullValue v) : value_(v) {}
  Variant(std::nullptr_t) : value_(ObjectRef()) {}  // Nothing

  static Variant null() { return Variant(NullValue{}); }
  static Variant nothing() { return Variant(ObjectRef()); }

  VarType type() const noexcept;
  bool isEmpty() const noexcept { return value_.index() == 0; }
  bool isNull() const noexcept { return std::holds_alternative<NullValue>(value_); }
  bool isString() const noexcept { return std::holds_alternative<std::string>(value_); }
  bool isObject() const noexcept { return std::holds_alternative<ObjectRef>(value_); }
  bool isNothing() const noexcept { return isObject() && !std::get<ObjectRef>(value_); }
  bool isArray() const noexcept {
    return std::holds_alternative<ByteArray>(value_) || std::holds_alternative<LongArray>(value_) ||
           std::holds_alternative<StringArray>(value_);
  }
  // The stored value when it is of kind T, else nullptr.
  template <class T>
  const T* get() const noexcept {
    return std::get_if<T>(&value_);
  }
  template <class T>
  T* get() noexcept {
    return std::get_if<T>(&value_);
  }

  // The array of kind T held; error 13 when the Variant holds no such array.
  template <class T>
  const Array<T>& array() const {
    if (const auto* a = std::get_if<Array<T>>(&value_)) return *a;
    raise(err::TypeMismatch);
  }
  // The object held; error 424 when it is no object, 91 when Nothing.
  const ObjectRef& object() const;

  // Same kind and same value (arrays element by element, objects by
  // identity); not the runtime's = operator.
  friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

  using Storage = std::variant<std::monostate, NullValue, int16_t, int32_t, float, double, bool, std::string, Date,
                               ByteArray, LongArray, StringArray, ObjectRef>;
  const Storage& storage() const noexcept { return value_; }

 private:
  Storage value_;
};

// LBound and UBound of the array a Variant holds: 9 while it is
// unallocated, 13 when the Variant holds no array.
int32_t lbound(const Variant& v);
int32_t ubound(const Variant& v);

// TypeName: "Empty", "Null", "Integer", "Long", "Single", "Double", "Date",
// "String", "Boolean", "Byte()", "Long()", "String()", "Nothing" or the
// object's own type name.
std::string typeName(const Variant& v);

}  // namespace platform
