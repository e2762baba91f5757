#include "platform/com/typeinfo.h"

namespace platform::com {

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

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

std::string TypeLibraryInfo::versionText() const {
  return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace platform::com
