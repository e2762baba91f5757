#include "platform/com/typeinfo.h"

#include "platform/runtime/strings.h"

namespace platform::com {

bool sameName(std::string_view a, std::string_view b) { return equalsAsciiNoCase(a, b); }

std::vector<const MemberInfo*> InterfaceInfo::membersWithId(DISPID id) const {
  std::vector<const MemberInfo*> found;
  for (const auto& m : members)
    if (m.id == id) found.push_back(&m);
  return found;
}

std::optional<DISPID> InterfaceInfo::idOf(std::string_view name) const {
  for (const auto& m : members)
    if (sameName(m.name, name)) return m.id;
  return std::nullopt;
}

const InterfaceInfo* TypeLibraryInfo::findInterface(std::string_view n) const {
  for (const auto& i : interfaces)
    if (sameName(i.name, n)) return &i;
  return nullptr;
}

const CoClassInfo* TypeLibraryInfo::findClass(std::string_view n) const {
  for (const auto& c : classes)
    if (sameName(c.name, n)) return &c;
  return nullptr;
}

const CoClassInfo* TypeLibraryInfo::findClass(const CLSID& clsid) const {
  for (const auto& c : classes)
    if (c.clsid == clsid) return &c;
  return nullptr;
}

const EnumInfo* TypeLibraryInfo::findEnum(std::string_view n) const {
  for (const auto& e : enums)
    if (sameName(e.name, n)) return &e;
  return nullptr;
}

const InterfaceInfo* TypeLibraryInfo::interfaceOf(const CoClassInfo& coclass) const {
  return findInterface(coclass.interfaceName);
}

std::string TypeLibraryInfo::versionText() const { return std::to_string(major) + "." + std::to_string(minor); }

}  // namespace platform::com
