// CRegistry: the registry below one root key. It creates, tests and
// deletes keys, deletes values, lists a key's sub-keys and value names, and
// reads and writes typed values. Key names are paths below the root with
// "\" between levels; the value name "" is the key's default value.
//
// A new object works below HKEY_CLASSES_ROOT; Init and the RootKey setter
// change the root without any check (a root that names none makes every
// call a refusal). The object holds no key between calls: every member
// opens what it needs and closes it again, on success and failure alike.
// Refusals of the registry are no errors: the Boolean members give False,
// ValueType 0, GetValue the default and the lists the names reached so far.
// Nothing in the editor makes one. It does not trace.
//
// Errors (0x80040000 + n, source "<component>.CRegistry"):
//   18001 "Invalid KeyName value"       CreateKey, DeleteKey, DeleteValue,
//                                       KeyExists, SetValue and ValueType
//                                       given the empty key name (blanks
//                                       count as a name); the lists and
//                                       GetValue take it as the root itself
//   18003 "CRegistry component failure" anything else: a value that cannot
//                                       be turned into text, a text value of
//                                       0 bytes read back
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/array.h"
#include "platform/runtime/variant.h"

namespace kestrin::support {

class CRegistry {
 public:
  // Registry value types.
  static constexpr int32_t kText = 1;             // REG_SZ
  static constexpr int32_t kExpandText = 2;       // REG_EXPAND_SZ
  static constexpr int32_t kBinary = 3;           // REG_BINARY
  static constexpr int32_t kNumber = 4;           // REG_DWORD
  static constexpr int32_t kBigEndianNumber = 5;  // REG_DWORD_BIG_ENDIAN
  static constexpr int32_t kMultiText = 7;        // REG_MULTI_SZ

  static constexpr int32_t kClassesRoot = static_cast<int32_t>(0x80000000u);

  // Root HKEY_CLASSES_ROOT.
  CRegistry() = default;

  void Init(int32_t RootKey);
  void setRootKey(int32_t RootKey);
  int32_t RootKey() const;

  // Creates the key (and the missing keys above it), or opens an existing
  // one. True when the registry agreed.
  bool CreateKey(const std::string& KeyName);
  // Deletes the key with its values; the registry refuses one that has
  // sub-keys.
  bool DeleteKey(const std::string& KeyName);
  // True only when the key opened and the value was deleted.
  bool DeleteValue(const std::string& KeyName, const std::string& ValueName);
  // The names, in the registry's order, at indexes 1 to the count that is
  // returned; the array is left unallocated when there are none. Sub-key
  // names go through a buffer of 256 characters, the longest name a key
  // may have and its NUL.
  int32_t GetAllSubKeys(const std::string& KeyName, platform::StringArray& SubKeys);
  int32_t GetAllValueNames(const std::string& KeyName, platform::StringArray& ValueNames);
  // The value by its stored type: REG_SZ and REG_MULTI_SZ as their text
  // without the last character (the terminator; a multi-text keeps the NUL
  // after its last part), REG_EXPAND_SZ expanded, REG_DWORD as a Long,
  // REG_DWORD_BIG_ENDIAN with its bytes turned round, anything else as a
  // Byte array from index 0 (bounds 0 to -1 without data). Default when the
  // key or value is missing.
  platform::Variant GetValue(const std::string& KeyName, const std::string& ValueName,
                             const platform::Variant& Default);
  bool KeyExists(const std::string& KeyName);
  // Writes the value, creating the key when needed:
  //   1, 2  the value as text with a closing NUL, stored as REG_EXPAND_SZ
  //         when it holds two "%" at least two characters apart, else REG_SZ
  //   3     a Byte array, all of it, as REG_BINARY
  //   4, 5  an Integer or a Long, as a REG_DWORD (least significant byte
  //         first) in both cases
  // Another type, or a value of the wrong kind for 3 to 5, writes nothing
  // and gives False.
  bool SetValue(const std::string& KeyName, const std::string& ValueName, const platform::Variant& Value,
                int32_t ValueType);
  // The stored type of the value, 0 when the key or value is missing.
  int32_t ValueType(const std::string& KeyName, const std::string& ValueName);

 private:
  static std::string ExpandEnvironmentString(const std::string& text);
  static int32_t ReverseLongBytes(int32_t value);

  int32_t rootKey_ = kClassesRoot;
};

}  // namespace kestrin::support
