#include "support/CRegistry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "diagnostics/class_error.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/strings.h"
#include "platform/win32/registry.h"
#include "platform/win32/system.h"
#include "support/registry_key.h"

namespace kestrin::support {

namespace {

inline constexpr diagnostics::ClassErrors kRegistryErrors{"CRegistry", 18003};

const char* const kInvalidKeyName = "Invalid KeyName value";

constexpr platform::DWORD kEnumerateAccess = platform::KEY_ENUMERATE_SUB_KEYS;
constexpr platform::DWORD kQueryAccess = platform::KEY_QUERY_VALUE;
constexpr platform::DWORD kSubKeyBuffer = 256;

void checkKeyName(const std::string& KeyName) {
  if (KeyName.empty()) kRegistryErrors.raise(18001, kInvalidKeyName);
}

bool succeeded(platform::LONG status) { return status == platform::ERROR_SUCCESS; }

// Opens the key for reading and asks for the value's type and size. A
// failed open leaves no key, on which the query fails. True when the value
// is there, its data too long for no buffer at all included.
bool queryValue(int32_t rootKey, const std::string& KeyName, const std::string& ValueName, OpenKey& key,
                platform::DWORD& type, platform::DWORD& size) {
  platform::RegOpenKeyEx(static_cast<platform::HKEY>(rootKey), KeyName, 0, kQueryAccess, key.out());
  const platform::LONG status = platform::RegQueryValueEx(key.get(), ValueName, &type, nullptr, &size);
  return status == platform::ERROR_SUCCESS || status == platform::ERROR_MORE_DATA;
}

// The next name at the end of a list at indexes 1 to its count.
void append(platform::StringArray& names, int32_t& count, std::string name) {
  if (names.isAllocated())
    names.redimPreserve(count + 1);
  else
    names.redim(1, 1);
  names[count + 1] = std::move(name);
  ++count;
}

int32_t littleEndian(const uint8_t* bytes) {
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                              static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

// A text that holds a "%" and another "%" two or more characters after it
// is stored for expansion.
bool holdsReference(const std::string& text) {
  const int32_t first = platform::inStr(text, "%");
  return first > 0 && platform::inStr(first + 2, text, "%") > 0;
}

}  // namespace

void CRegistry::Init(int32_t RootKey) {
  kRegistryErrors.member([&] { rootKey_ = RootKey; });
}
void CRegistry::setRootKey(int32_t RootKey) { rootKey_ = RootKey; }
int32_t CRegistry::RootKey() const { return rootKey_; }

bool CRegistry::CreateKey(const std::string& KeyName) {
  return kRegistryErrors.member([&] {
    checkKeyName(KeyName);
    OpenKey key;
    return succeeded(
        platform::RegCreateKeyEx(static_cast<platform::HKEY>(rootKey_), KeyName, 0, kKeyWriteAccess, key.out()));
  });
}

bool CRegistry::DeleteKey(const std::string& KeyName) {
  return kRegistryErrors.member([&] {
    checkKeyName(KeyName);
    return succeeded(platform::RegDeleteKey(static_cast<platform::HKEY>(rootKey_), KeyName));
  });
}

bool CRegistry::DeleteValue(const std::string& KeyName, const std::string& ValueName) {
  return kRegistryErrors.member([&] {
    checkKeyName(KeyName);
    OpenKey key;
    if (!succeeded(
            platform::RegOpenKeyEx(static_cast<platform::HKEY>(rootKey_), KeyName, 0, kKeyWriteAccess, key.out())))
      return false;
    return succeeded(platform::RegDeleteValue(key.get(), ValueName));
  });
}

int32_t CRegistry::GetAllSubKeys(const std::string& KeyName, platform::StringArray& SubKeys) {
  return kRegistryErrors.member([&] {
    SubKeys.erase();
    int32_t count = 0;
    OpenKey key;
    if (!succeeded(
            platform::RegOpenKeyEx(static_cast<platform::HKEY>(rootKey_), KeyName, 0, kEnumerateAccess, key.out())))
      return count;
    std::vector<char> name(kSubKeyBuffer);
    for (platform::DWORD index = 0;; ++index) {
      std::fill(name.begin(), name.end(), '\0');
      if (!succeeded(platform::RegEnumKey(key.get(), index, name.data(), kSubKeyBuffer))) return count;
      const auto end = std::find(name.begin(), name.end(), '\0');
      append(SubKeys, count, std::string(name.begin(), end));
    }
  });
}

int32_t CRegistry::GetAllValueNames(const std::string& KeyName, platform::StringArray& ValueNames) {
  return kRegistryErrors.member([&] {
    ValueNames.erase();
    int32_t count = 0;
    OpenKey key;
    if (!succeeded(platform::RegOpenKeyEx(static_cast<platform::HKEY>(rootKey_), KeyName, 0, kQueryAccess, key.out())))
      return count;
    platform::DWORD longest = 0;
    if (!succeeded(platform::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, &longest, nullptr))) return count;
    std::vector<char> name(static_cast<size_t>(longest) + 1);
    for (platform::DWORD index = 0;; ++index) {
      platform::DWORD length = static_cast<platform::DWORD>(name.size());
      if (!succeeded(platform::RegEnumValue(key.get(), index, name.data(), &length))) break;
      append(ValueNames, count, std::string(name.data(), std::min<size_t>(length, name.size())));
    }
    return count;
  });
}

platform::Variant CRegistry::GetValue(const std::string& KeyName, const std::string& ValueName,
                                      const platform::Variant& Default) {
  return kRegistryErrors.member([&]() -> platform::Variant {
    OpenKey key;
    platform::DWORD type = 0;
    platform::DWORD size = 0;
    if (!queryValue(rootKey_, KeyName, ValueName, key, type, size)) return Default;

    auto readBytes = [&](platform::DWORD length) {
      std::vector<uint8_t> data(length);
      platform::DWORD read = length;
      platform::RegQueryValueEx(key.get(), ValueName, &type, data.data(), &read);
      return data;
    };
    // A number is read through a buffer of at least its 4 bytes, whatever
    // length the value has.
    auto readNumber = [&] {
      std::vector<uint8_t> data = readBytes(std::max<platform::DWORD>(size, 4));
      return littleEndian(data.data());
    };

    switch (type) {
      case platform::REG_SZ:
      case platform::REG_EXPAND_SZ:
      case platform::REG_MULTI_SZ: {
        // The text without its last character, the terminator; a value of
        // 0 bytes has none to drop.
        if (size == 0) platform::raise(platform::err::InvalidProcedureCall);
        const std::vector<uint8_t> data = readBytes(size);
        std::string text(data.begin(), data.end() - 1);
        if (type == platform::REG_EXPAND_SZ) return ExpandEnvironmentString(text);
        return text;
      }
      case platform::REG_DWORD: return readNumber();
      case platform::REG_DWORD_BIG_ENDIAN: return ReverseLongBytes(readNumber());
      default: {
        const std::vector<uint8_t> data = readBytes(size);
        return platform::ByteArray::of(data, 0);
      }
    }
  });
}

bool CRegistry::KeyExists(const std::string& KeyName) {
  return kRegistryErrors.member([&] {
    checkKeyName(KeyName);
    OpenKey key;
    return succeeded(
        platform::RegOpenKeyEx(static_cast<platform::HKEY>(rootKey_), KeyName, 0, kQueryAccess, key.out()));
  });
}

bool CRegistry::SetValue(const std::string& KeyName, const std::string& ValueName, const platform::Variant& Value,
                         int32_t ValueType) {
  return kRegistryErrors.member([&] {
    checkKeyName(KeyName);
    OpenKey key;
    if (!succeeded(
            platform::RegCreateKeyEx(static_cast<platform::HKEY>(rootKey_), KeyName, 0, kKeyWriteAccess, key.out())))
      return false;
    platform::LONG status = platform::ERROR_INVALID_DATA;
    switch (ValueType) {
      case kText:
      case kExpandText: {
        const std::string text = platform::cStr(Value);
        const platform::DWORD type = holdsReference(text) ? platform::REG_EXPAND_SZ : platform::REG_SZ;
        status = platform::RegSetValueEx(key.get(), ValueName, type, text.c_str(),
                                         static_cast<platform::DWORD>(text.size() + 1));
        break;
      }
      case kBinary: {
        const platform::ByteArray* bytes = Value.get<platform::ByteArray>();
        if (!bytes) return false;
        std::vector<uint8_t> data;
        for (int32_t i = bytes->lbound(); i <= bytes->ubound(); ++i) data.push_back((*bytes)[i]);
        status = platform::RegSetValueEx(key.get(), ValueName, platform::REG_BINARY, data.data(),
                                         static_cast<platform::DWORD>(data.size()));
        break;
      }
      case kNumber:
      case kBigEndianNumber: {
        int32_t number = 0;
        if (const int32_t* l = Value.get<int32_t>())
          number = *l;
        else if (const int16_t* i = Value.get<int16_t>())
          number = *i;
        else
          return false;
        const uint32_t bits = static_cast<uint32_t>(number);
        const uint8_t data[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                                 static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
        status = platform::RegSetValueEx(key.get(), ValueName, platform::REG_DWORD, data, 4);
        break;
      }
      default: break;
    }
    return succeeded(status);
  });
}

int32_t CRegistry::ValueType(const std::string& KeyName, const std::string& ValueName) {
  return kRegistryErrors.member([&] {
    checkKeyName(KeyName);
    OpenKey key;
    platform::DWORD type = 0;
    platform::DWORD size = 0;
    if (!queryValue(rootKey_, KeyName, ValueName, key, type, size)) return 0;
    return static_cast<int32_t>(type);
  });
}

std::string CRegistry::ExpandEnvironmentString(const std::string& text) {
  const platform::DWORD size = platform::ExpandEnvironmentStrings(text, nullptr, 0);
  if (size == 0) return "";
  std::vector<char> buffer(size);
  platform::ExpandEnvironmentStrings(text, buffer.data(), size);
  return std::string(buffer.data(), size - 1);
}

int32_t CRegistry::ReverseLongBytes(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  return static_cast<int32_t>((v & 0xFFu) << 24 | (v & 0xFF00u) << 8 | (v & 0xFF0000u) >> 8 | (v & 0xFF000000u) >> 24);
}

}  // namespace kestrin::support
