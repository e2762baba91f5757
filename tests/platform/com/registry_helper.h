// Reading the classes root of a temporary hive for the boundary's tests.
#pragma once

#include <optional>
#include <string>

#include "platform/win32/registry.h"

namespace com_test {

inline bool keyExists(const std::string& key) {
  platform::HKEY k = 0;
  if (platform::RegOpenKeyEx(platform::HKEY_CLASSES_ROOT, key, 0, platform::KEY_READ, &k) != platform::ERROR_SUCCESS)
    return false;
  platform::RegCloseKey(k);
  return true;
}

// A text value without its closing NUL; nothing when the key or value is missing.
inline std::optional<std::string> textValue(const std::string& key, const std::string& name = "") {
  platform::HKEY k = 0;
  if (platform::RegOpenKeyEx(platform::HKEY_CLASSES_ROOT, key, 0, platform::KEY_READ, &k) != platform::ERROR_SUCCESS)
    return std::nullopt;
  platform::DWORD type = 0, size = 0;
  std::optional<std::string> out;
  if (platform::RegQueryValueEx(k, name, &type, nullptr, &size) == platform::ERROR_SUCCESS &&
      type == platform::REG_SZ) {
    std::string data(size, '\0');
    platform::RegQueryValueEx(k, name, &type, data.data(), &size);
    data.resize(size);
    while (!data.empty() && data.back() == '\0') data.pop_back();
    out = data;
  }
  platform::RegCloseKey(k);
  return out;
}

inline void writeText(const std::string& key, const std::string& name, const std::string& value) {
  platform::HKEY k = 0;
  platform::RegCreateKeyEx(platform::HKEY_CLASSES_ROOT, key, 0, platform::KEY_ALL_ACCESS, &k);
  platform::RegSetValueEx(k, name, platform::REG_SZ, value.c_str(), static_cast<platform::DWORD>(value.size() + 1));
  platform::RegCloseKey(k);
}

}  // namespace com_test
