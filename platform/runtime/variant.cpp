#include "platform/runtime/variant.h"

namespace platform {

VarType Variant::type() const noexcept {
  switch (value_.index()) {
    case 0: return VarType::Empty;
    case 1: return VarType::Null;
    case 2: return VarType::Integer;
    case 3: return VarType::Long;
    case 4: return VarType::Single;
    case 5: return VarType::Double;
    case 6: return VarType::Boolean;
    case 7: return VarType::String;
    case 8: return VarType::Date;
    case 9: return static_cast<VarType>(static_cast<int32_t>(VarType::Array) | static_cast<int32_t>(VarType::Byte));
    case 10: return static_cast<VarType>(static_cast<int32_t>(VarType::Array) | static_cast<int32_t>(VarType::Long));
    case 11: return static_cast<VarType>(static_cast<int32_t>(VarType::Array) | static_cast<int32_t>(VarType::String));
    default: return VarType::Object;
  }
}

const ObjectRef& Variant::object() const {
  const auto* o = std::get_if<ObjectRef>(&value_);
  if (!o) raise(err::ObjectRequired);
  if (!*o) raise(err::ObjectVariableNotSet);
  return *o;
}

namespace {
template <class F>
int32_t onArray(const Variant& v, F f) {
  if (const auto* a = v.get<ByteArray>()) return f(*a);
  if (const auto* a = v.get<LongArray>()) return f(*a);
  if (const auto* a = v.get<StringArray>()) return f(*a);
  raise(err::TypeMismatch);
}
}  // namespace

int32_t lbound(const Variant& v) {
  return onArray(v, [](const auto& a) { return a.lbound(); });
}
int32_t ubound(const Variant& v) {
  return onArray(v, [](const auto& a) { return a.ubound(); });
}

std::string typeName(const Variant& v) {
  switch (v.storage().index()) {
    case 0: return "Empty";
    case 1: return "Null";
    case 2: return "Integer";
    case 3: return "Long";
    case 4: return "Single";
    case 5: return "Double";
    case 6: return "Boolean";
    case 7: return "String";
    case 8: return "Date";
    case 9: return "Byte()";
    case 10: return "Long()";
    case 11: return "String()";
    default: {
      const auto& o = *v.get<ObjectRef>();
      return o ? o->typeName() : "Nothing";
    }
  }
}

}  // namespace platform
