// The per-user application settings store: text settings by application,
// section and key, kept as the language runtime kept them, as REG_SZ values
// below HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>.
//
// Reads go through the registry's read cache, which every read checks
// against the user hive first, so a value written by another process is
// seen at once; a write goes to the hive at once; the last write wins.
#pragma once

#include <string>

namespace platform {

// The registry path below HKEY_CURRENT_USER that holds an application's settings.
inline constexpr const char* kProgramSettingsKey = "Software\\VB and VBA Program Settings";

// The stored text of the setting, or defaultValue when the section or the
// key is missing or holds no text value. An empty application or section
// name raises 5 (invalid procedure call); a hive that cannot be read raises
// 57 (device I/O error) and a refused read 70 (permission denied).
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue = "");

// Writes the setting as REG_SZ, creating the section as needed. Failures
// raise as for GetSetting (a read-only store: 70).
void SaveSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value);

// Deletes a whole section with its settings, or one setting of it. A
// section or setting that does not exist raises 5, as the runtime did.
void DeleteSetting(const std::string& app, const std::string& section);
void DeleteSetting(const std::string& app, const std::string& section, const std::string& key);

}  // namespace platform
