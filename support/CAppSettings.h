// CAppSettings: named settings in the registry, grouped in sections below
// one key path. The path is RootKey\MainBranch\CompanyName\AppName; a
// section is the key "<that path>\<section>" (a section name holding "\"
// names a key several levels down) and a setting is a named value of it.
// With the defaults the window placement of the main window lies in
// HKEY_LOCAL_MACHINE\Software\MyCompany\MyApplication\Windows settings\frmMain.
//
// Values in and out are runtime Variants. SaveSetting writes text, dates
// and Booleans as REG_SZ (their text and one NUL, the NUL counted in the
// length) and everything else as a REG_DWORD, converted as CLng converts
// (halves to even). GetSetting gives a REG_SZ value as its data less the
// last character (the terminator), a REG_DWORD as a Long, and the caller's
// default for anything else: no key, no value, another type.
//
// The object holds only its four path fields; every call opens the key it
// needs and closes it again. It does not trace.
//
// Errors (0x80040000 + n):
//   17021 "Invalid AppName value"        Init, AppName setter: empty text
//   17022 "Invalid CompanyName value"    Init, CompanyName setter: empty text
//   17023 "Invalid MainBranch value"     MainBranch setter: empty text
//   17024 "Invalid root key value"       RootKey setter: neither
//                                        HKEY_CURRENT_USER nor HKEY_LOCAL_MACHINE
//   17025 "Failed saving the application setting"     SaveSetting: the key
//                                        cannot be created or the value written
//   17026 "Failed deleting the application setting"   DeleteSetting refused
//   17027 "Failed getting all the application keys"   GetAllKeys: no key
//   17028 "CAppSettings component failure"            anything else
// 17025 to 17027 carry the source "<component>.CAppSetting", the others
// "<component>.CAppSettings". A rejected value leaves the field as it was.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/array.h"
#include "platform/runtime/variant.h"

namespace kestrin::support {

class CAppSettings {
 public:
  // The registry roots the store accepts, as the signed values RootKey holds.
  static constexpr int32_t kCurrentUser = static_cast<int32_t>(0x80000001u);
  static constexpr int32_t kLocalMachine = static_cast<int32_t>(0x80000002u);

  // Root HKEY_LOCAL_MACHINE, "Software", "MyCompany", "MyApplication".
  CAppSettings();

  // Checks and stores CompanyName first (17022), then AppName (17021): a
  // bad AppName leaves the new CompanyName stored.
  void Init(const std::string& CompanyName, const std::string& AppName);

  void setAppName(const std::string& AppName);
  const std::string& AppName() const { return appName_; }
  void setCompanyName(const std::string& CompanyName);
  const std::string& CompanyName() const { return companyName_; }
  void setMainBranch(const std::string& MainBranch);
  const std::string& MainBranch() const { return mainBranch_; }
  void setRootKey(int32_t RootKey);
  int32_t RootKey() const { return rootKey_; }

  // Deletes the section's key, or with Key not empty its sub-key Key. The
  // platform refuses a missing key and one that has sub-keys (17026).
  void DeleteSetting(const std::string& Section, const std::string& Key = "");
  // Keys becomes the names of the section's values in the registry's
  // order, the first at index 1; unallocated when there are none. No
  // section key: 17027 (Keys emptied all the same).
  void GetAllKeys(const std::string& Section, platform::StringArray& Keys) const;
  // The stored value, or Default; never raises for a missing key or value.
  platform::Variant GetSetting(const std::string& Section, const std::string& Key,
                               const platform::Variant& Default = {}) const;
  // Creates the section's key when needed and writes the value.
  void SaveSetting(const std::string& Section, const std::string& Key, const platform::Variant& Setting);

 private:
  std::string sectionPath(const std::string& Section) const;

  int32_t rootKey_ = kLocalMachine;
  std::string mainBranch_ = "Software";
  std::string companyName_ = "MyCompany";
  std::string appName_ = "MyApplication";
};

}  // namespace kestrin::support
