#include "platform/win32/settings.h"

#include <cstring>
#include <vector>

#include "platform/runtime/errors.h"
#include "platform/win32/registry.h"

namespace platform {

namespace {

std::string sectionPath(const std::string& app, const std::string& section) {
  if (app.empty() || section.empty()) raise(err::InvalidProcedureCall);
  return std::string(kProgramSettingsKey) + "\\" + app + "\\" + section;
}

// Turns a registry failure into the runtime error that the caller sees.
[[noreturn]] void raiseFor(LONG rc) {
  switch (rc) {
    case ERROR_ACCESS_DENIED: raise(err::PermissionDenied);
    case ERROR_DISK_FULL: raise(err::DiskFull);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_KEY_DELETED:
    case ERROR_INVALID_PARAMETER: raise(err::InvalidProcedureCall);
    default: raise(err::DeviceIOError);
  }
}

// Closes a key when it goes out of use.
struct KeyGuard {
  HKEY key = 0;
  ~KeyGuard() {
    if (key) RegCloseKey(key);
  }
};

}  // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  const std::string path = sectionPath(app, section);
  // Read into a buffer sized for the value; a writer may make the value
  // longer between the two calls, so a short buffer is grown and read again.
  std::vector<char> data(256);
  DWORD type = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    LONG rc = RegGetValue(HKEY_CURRENT_USER, path, key, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      data.resize(size);
      continue;
    }
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_KEY_DELETED) return defaultValue;
    if (rc != ERROR_SUCCESS) raiseFor(rc);
    if (type != REG_SZ) return defaultValue;
    // The text ends at its first NUL (the runtime stores one after it).
    const void* nul = size ? std::memchr(data.data(), 0, size) : nullptr;
    size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - data.data()) : size;
    return std::string(data.data(), length);
  }
}

void SaveSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
  const std::string path = sectionPath(app, section);
  KeyGuard k;
  LONG rc = RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &k.key);
  if (rc != ERROR_SUCCESS) raiseFor(rc);
  rc = RegSetValueEx(k.key, key, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
  if (rc != ERROR_SUCCESS) raiseFor(rc);
}

void DeleteSetting(const std::string& app, const std::string& section) {
  LONG rc = RegDeleteTree(HKEY_CURRENT_USER, sectionPath(app, section));
  if (rc != ERROR_SUCCESS) raiseFor(rc);
}

void DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
  const std::string path = sectionPath(app, section);
  KeyGuard k;
  LONG rc = RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &k.key);
  if (rc != ERROR_SUCCESS) raiseFor(rc);
  rc = RegDeleteValue(k.key, key);
  if (rc != ERROR_SUCCESS) raiseFor(rc);
}

}  // namespace platform
