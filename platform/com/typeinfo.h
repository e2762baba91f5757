// Type descriptions as data: a type library with its classes, their
// interfaces and members, and its enumerations. The dispatch
// implementation (dispatch.h) serves an interface's members from these
// descriptions; the server (server.h) registers classes from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/com/guid.h"
#include "platform/com/interfaces.h"

namespace platform::com {

// How a member is called: a method, or the get, let or put (set) of a
// property. Lets and puts are both invoked as DISPATCH_PROPERTYPUT.
enum class MemberKind { Method, PropertyGet, PropertyLet, PropertyPut };

// The default of an optional parameter.
using DefaultValue = std::variant<std::monostate, bool, int32_t, double, std::string>;

struct ParamInfo {
  std::string name;
  VARTYPE type = 0;      // VT_BSTR, VT_I4, VT_BOOL, ..., VT_VARIANT
  std::string typeName;  // the enumeration's name for an enumerated type, else ""
  bool byRef = false;
  bool optional = false;
  DefaultValue defaultValue;  // monostate: optional without a default (passed as missing)
};

struct MemberInfo {
  std::string name;
  DISPID id = 0;
  MemberKind kind = MemberKind::Method;
  // The parameters in order; a let's or put's value is the last one.
  std::vector<ParamInfo> params;
  VARTYPE result = 0;  // VT_EMPTY: no result
  std::string resultTypeName;
};

struct InterfaceInfo {
  std::string name;
  IID iid;
  bool dual = true;
  std::vector<MemberInfo> members;  // in interface order

  // The members with this id (a property's get and let share one).
  std::vector<const MemberInfo*> membersWithId(DISPID id) const;
  // The id of the member of this name, compared without regard to case.
  std::optional<DISPID> idOf(std::string_view name) const;
};

struct CoClassInfo {
  std::string name;
  CLSID clsid;
  std::string interfaceName;  // its default interface
};

struct EnumMemberInfo {
  std::string name;
  int32_t value = 0;
};

struct EnumInfo {
  std::string name;
  GUID guid;
  std::vector<EnumMemberInfo> members;
};

struct TypeLibraryInfo {
  std::string name;
  GUID libid;
  uint16_t major = 1;
  uint16_t minor = 0;
  std::vector<InterfaceInfo> interfaces;
  std::vector<CoClassInfo> classes;
  std::vector<EnumInfo> enums;

  const InterfaceInfo* findInterface(std::string_view name) const;
  const CoClassInfo* findClass(std::string_view name) const;
  const CoClassInfo* findClass(const CLSID& clsid) const;
  const EnumInfo* findEnum(std::string_view name) const;
  // The default interface of a class.
  const InterfaceInfo* interfaceOf(const CoClassInfo& coclass) const;
  // "1.0"
  std::string versionText() const;
};

// ASCII case-insensitive equality of names.
bool sameName(std::string_view a, std::string_view b);

}  // namespace platform::com
