#include "support/CAppSettings.h"

#include <algorithm>
#include <vector>

#include "diagnostics/class_error.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/errors.h"
#include "platform/win32/registry.h"
#include "support/registry_key.h"

namespace kestrin::support {

namespace {

inline constexpr diagnostics::ClassErrors kSettingsErrors{"CAppSettings", 17028};
// The registry failures of saving, deleting and listing carry the class
// name without its final "s".
inline constexpr diagnostics::ClassErrors kRegistryErrors{"CAppSetting", 17028};

const char* const kInvalidAppName = "Invalid AppName value";
const char* const kInvalidCompanyName = "Invalid CompanyName value";
const char* const kInvalidMainBranch = "Invalid MainBranch value";
const char* const kInvalidRootKey = "Invalid root key value";
const char* const kSaveFailed = "Failed saving the application setting";
const char* const kDeleteFailed = "Failed deleting the application setting";
const char* const kGetAllKeysFailed = "Failed getting all the application keys";

platform::HKEY rootHandle(int32_t rootKey) { return static_cast<platform::HKEY>(rootKey); }

}  // namespace

CAppSettings::CAppSettings() = default;

std::string CAppSettings::sectionPath(const std::string& Section) const {
  return mainBranch_ + "\\" + companyName_ + "\\" + appName_ + "\\" + Section;
}

void CAppSettings::Init(const std::string& CompanyName, const std::string& AppName) {
  kSettingsErrors.member([&] {
    if (CompanyName.empty()) kSettingsErrors.raise(17022, kInvalidCompanyName);
    companyName_ = CompanyName;
    if (AppName.empty()) kSettingsErrors.raise(17021, kInvalidAppName);
    appName_ = AppName;
  });
}

void CAppSettings::setAppName(const std::string& AppName) {
  kSettingsErrors.member([&] {
    if (AppName.empty()) kSettingsErrors.raise(17021, kInvalidAppName);
    appName_ = AppName;
  });
}

void CAppSettings::setCompanyName(const std::string& CompanyName) {
  kSettingsErrors.member([&] {
    if (CompanyName.empty()) kSettingsErrors.raise(17022, kInvalidCompanyName);
    companyName_ = CompanyName;
  });
}

void CAppSettings::setMainBranch(const std::string& MainBranch) {
  kSettingsErrors.member([&] {
    if (MainBranch.empty()) kSettingsErrors.raise(17023, kInvalidMainBranch);
    mainBranch_ = MainBranch;
  });
}

void CAppSettings::setRootKey(int32_t RootKey) {
  kSettingsErrors.member([&] {
    if (RootKey != kCurrentUser && RootKey != kLocalMachine) kSettingsErrors.raise(17024, kInvalidRootKey);
    rootKey_ = RootKey;
  });
}

void CAppSettings::DeleteSetting(const std::string& Section, const std::string& Key) {
  kSettingsErrors.member([&] {
    std::string path = sectionPath(Section);
    if (!Key.empty()) path += "\\" + Key;
    if (platform::RegDeleteKey(rootHandle(rootKey_), path) != platform::ERROR_SUCCESS)
      kRegistryErrors.raise(17026, kDeleteFailed);
  });
}

void CAppSettings::GetAllKeys(const std::string& Section, platform::StringArray& Keys) const {
  kSettingsErrors.member([&] {
    Keys.erase();
    OpenKey key;
    if (platform::RegOpenKeyEx(rootHandle(rootKey_), sectionPath(Section), 0, platform::KEY_QUERY_VALUE, key.out()) !=
        platform::ERROR_SUCCESS)
      kRegistryErrors.raise(17027, kGetAllKeysFailed);

    platform::DWORD longest = 0;
    if (platform::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, &longest, nullptr) != platform::ERROR_SUCCESS)
      return;

    // The count is a 16-bit Integer: a 32768th name overflows.
    int16_t count = 0;
    for (platform::DWORD index = 0;; ++index) {
      std::vector<char> buffer(static_cast<size_t>(longest) + 1, '\0');
      platform::DWORD length = longest + 1;
      if (platform::RegEnumValue(key.get(), index, buffer.data(), &length) != platform::ERROR_SUCCESS) break;
      if (count == INT16_MAX) platform::raise(platform::err::Overflow);
      ++count;
      if (count == 1)
        Keys.redim(1, 1);
      else
        Keys.redimPreserve(count);
      Keys[count] = std::string(buffer.data(), std::min<size_t>(length, buffer.size()));
    }
  });
}

platform::Variant CAppSettings::GetSetting(const std::string& Section, const std::string& Key,
                                           const platform::Variant& Default) const {
  return kSettingsErrors.member([&]() -> platform::Variant {
    platform::Variant result = Default;
    OpenKey key;
    if (platform::RegOpenKeyEx(rootHandle(rootKey_), sectionPath(Section), 0, platform::KEY_READ, key.out()) !=
        platform::ERROR_SUCCESS)
      return result;

    platform::DWORD type = 0, size = 0;
    if (platform::RegQueryValueEx(key.get(), Key, &type, nullptr, &size) != platform::ERROR_SUCCESS) return result;

    if (type == platform::REG_SZ) {
      std::string buffer(size, '\0');
      platform::DWORD length = size;
      if (platform::RegQueryValueEx(key.get(), Key, nullptr, buffer.data(), &length) == platform::ERROR_SUCCESS) {
        // The last character is taken to be the terminator; a value of no
        // data at all leaves a negative count, which fails.
        if (size == 0) platform::raise(platform::err::InvalidProcedureCall);
        result = buffer.substr(0, size - 1);
      }
    } else if (type == platform::REG_DWORD) {
      int32_t number = 0;
      platform::DWORD length = sizeof number;
      if (platform::RegQueryValueEx(key.get(), Key, nullptr, &number, &length) == platform::ERROR_SUCCESS)
        result = number;
    }
    return result;
  });
}

void CAppSettings::SaveSetting(const std::string& Section, const std::string& Key, const platform::Variant& Setting) {
  kSettingsErrors.member([&] {
    OpenKey key;
    if (platform::RegCreateKeyEx(rootHandle(rootKey_), sectionPath(Section), 0, kKeyWriteAccess, key.out()) !=
        platform::ERROR_SUCCESS)
      kRegistryErrors.raise(17025, kSaveFailed);

    platform::LONG written = platform::ERROR_SUCCESS;
    const platform::VarType kind = Setting.type();
    if (kind == platform::VarType::String || kind == platform::VarType::Date || kind == platform::VarType::Boolean) {
      const std::string data = platform::cStr(Setting);
      // The text and its terminator, the terminator counted.
      written = platform::RegSetValueEx(key.get(), Key, platform::REG_SZ, data.c_str(),
                                        static_cast<platform::DWORD>(data.size() + 1));
    } else {
      const int32_t number = platform::cLng(Setting);
      written = platform::RegSetValueEx(key.get(), Key, platform::REG_DWORD, &number, sizeof number);
    }
    if (written != platform::ERROR_SUCCESS) kRegistryErrors.raise(17025, kSaveFailed);
  });
}

}  // namespace kestrin::support
