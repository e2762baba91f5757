// The registry: a tree of keys holding typed, named values, below a few
// predefined roots, with the result codes and access rights of the original
// services.
//
// Two hive files hold it. The user hive (HKEY_CURRENT_USER) is per user:
// "$XDG_DATA_HOME/kestrin/user.db", else "~/.local/share/kestrin/user.db".
// The machine hive (HKEY_LOCAL_MACHINE, and HKEY_CLASSES_ROOT, which is its
// key "SOFTWARE\Classes") is "machine.db" in the editor's folder, which the
// component gives when it is loaded (setMachineHiveFolder), so every user of
// one installation shares it. Both are SQLite databases, written by
// any number of processes at once. Reads are cached per hive, and the cache
// is checked against the file's data version at every call, so a write of
// another process is seen by the next call; a write goes to the file at
// once. A process keeps one connection per hive
// and closes both before a fork (they open again on next use; handles stay
// valid). A hive file the user may not write (or a missing one in a folder
// the user may not write) makes its roots read-only, but for the machine
// hive in its default place: there the user's overlay, "machine.db" in the
// user's store of the editor folder's files (platform/win32/editor_store.h),
// stands before it. A key or value of the overlay is read before the
// machine's, listings hold both (the overlay's first), every write of a
// machine root goes to the overlay, and a deletion takes only what the
// overlay holds (a key or value of the machine hive is refused). A damaged or
// unreadable hive file is left as it is: calls on its roots fail with
// ERROR_REGISTRY_CORRUPT or ERROR_CANTREAD and a message goes to standard
// error.
//
// Key paths use "\" between levels. Key and value names are compared without
// regard to (ASCII) case and keep the case they were created with.
// Enumeration follows creation order. Data are raw bytes of any type number.
//
// The reserved, class and security parameters of the original functions are
// left out; everything else keeps its place and meaning. Every function
// returns ERROR_SUCCESS (0) or an error code, never throws, and gives
// ERROR_INVALID_HANDLE for a handle of 0 or one that names no open key.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace platform {

// Predefined roots. HKEY_USERS is known only so that callers can reject it;
// every function answers it with ERROR_INVALID_HANDLE.
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access rights of a key handle.
inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr DWORD KEY_NOTIFY = 0x0010;
inline constexpr DWORD KEY_CREATE_LINK = 0x0020;
inline constexpr DWORD KEY_DELETE = 0x00010000;  // the standard DELETE right
inline constexpr DWORD READ_CONTROL = 0x00020000;
inline constexpr DWORD KEY_READ = 0x00020019;
inline constexpr DWORD KEY_WRITE = 0x00020006;
inline constexpr DWORD KEY_ALL_ACCESS = 0x000F003F;

// Dispositions reported by RegCreateKeyEx.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Registry result codes beyond those of types.h.
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;  // the hive file is damaged
inline constexpr LONG ERROR_KEY_DELETED = 1018;       // the open key was deleted

// Opens an existing key below key; the empty path opens key itself.
// ERROR_FILE_NOT_FOUND when a level is missing; ERROR_ACCESS_DENIED when
// access asks for a write right on a read-only root. options: 0.
LONG RegOpenKeyEx(HKEY key, const std::string& subKey, DWORD options, DWORD access, HKEY* result);

// Opens the key, creating it and every missing key above it. disposition
// (may be null) tells whether it was created. options: 0.
LONG RegCreateKeyEx(HKEY key, const std::string& subKey, DWORD options, DWORD access, HKEY* result,
                    DWORD* disposition = nullptr);

// Closes a handle; closing a predefined root succeeds and does nothing.
LONG RegCloseKey(HKEY key);

// A value's type and data. name "" is the key's default value.
// - data null: *size (when size is not null) receives the data length.
// - data not null: *size is the buffer's length in bytes; when the data do
//   not fit (a buffer of 0 bytes included, unless the value has 0 bytes)
//   the result is ERROR_MORE_DATA, nothing is copied and *size receives the
//   length needed; otherwise the data are copied and *size is their length.
// type (may be null) receives the type in both cases.
LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, void* data, DWORD* size);

// RegOpenKeyEx of subKey for reading, RegQueryValueEx and RegCloseKey in
// one call: the value's type and data as RegQueryValueEx gives them;
// ERROR_FILE_NOT_FOUND when the key or the value is missing. (The
// original's flags that restrict the type are left out: any type is read.)
LONG RegGetValue(HKEY key, const std::string& subKey, const std::string& name, DWORD* type, void* data, DWORD* size);

// Writes a value, replacing one of the same name (which keeps its place in
// the enumeration order). The bytes are stored as given.
LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size);

// One entry of RegWriteBatch: a key below the key given, and, when
// hasValue, a value of it (data as raw bytes).
struct RegistryWrite {
  std::string subKey;
  bool hasValue = false;
  std::string valueName;
  DWORD type = REG_NONE;
  std::string data;
};

// Creates the key of each entry (and every missing key above it) and
// writes its value, in order, in one transaction: afterwards either every
// entry is in the hive or, on a failure, none is. key needs the rights to
// create sub-keys and to set values.
LONG RegWriteBatch(HKEY key, const std::vector<RegistryWrite>& writes);

// Deletes the key named subKey below key, with its values. A key that has
// sub-keys is refused with ERROR_ACCESS_DENIED, as are the roots.
LONG RegDeleteKey(HKEY key, const std::string& subKey);

// Deletes the key named subKey below key with everything below it.
LONG RegDeleteTree(HKEY key, const std::string& subKey);

LONG RegDeleteValue(HKEY key, const std::string& name);

// The name of the sub-key at index (creation order) into name, a buffer of
// nameSize bytes that receives the name and a closing NUL. ERROR_MORE_DATA
// when it does not fit; ERROR_NO_MORE_ITEMS past the last sub-key.
LONG RegEnumKey(HKEY key, DWORD index, char* name, DWORD nameSize);

// The value at index (creation order): its name into name (a buffer of
// *nameSize bytes; on success *nameSize becomes the name's length without
// its closing NUL); type, data and dataSize (each may be null) as in
// RegQueryValueEx. A name that does not fit gives ERROR_MORE_DATA with
// *nameSize set to the name's length. ERROR_NO_MORE_ITEMS past the last.
LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type = nullptr, void* data = nullptr,
                  DWORD* dataSize = nullptr);

// Counts and longest lengths (in bytes, without NUL) of a key's sub-key
// names, value names and value data; any pointer may be null.
LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values, DWORD* maxValueNameLength,
                     DWORD* maxValueLength);

// The folder that holds both hives ("user.db" and "machine.db"), for tests,
// hosts and played scenarios; "" returns to the default places. Closes the
// open hive connections; handles opened before no longer name a key.
void setRegistryFolder(const std::string& folder);

// The folder of the machine hive: the editor's folder, given by the
// component when it is loaded and by a host before it loads one. Until one
// is given (and after "") the machine hive lies beside the user's. A change
// closes the machine hive's connection; handles opened on its roots before
// no longer name a key. A folder given by setRegistryFolder comes first.
void setMachineHiveFolder(const std::string& folder);

// Switches the read cache of both hives off (every read then asks the file,
// as a read after another process's write does) or on again, the default;
// for benchmarks that compare the two.
void setRegistryReadCache(bool on);

// Makes a root read-only (or writable again) for this process, as a root
// whose hive file the user may not write is. HKEY_CLASSES_ROOT follows
// HKEY_LOCAL_MACHINE.
void setRegistryRootReadOnly(HKEY root, bool readOnly);

// How long a call waits for a write lock that another connection holds
// before it fails (10000 milliseconds unless changed; tests shorten it).
void setRegistryBusyTimeout(int milliseconds);

// A text value (REG_SZ or REG_EXPAND_SZ) of the key subKey below key, up to
// its first NUL, into *text: ERROR_FILE_NOT_FOUND when the key or the value
// is missing, ERROR_INVALID_DATA when the value is of another type.
LONG readRegistryText(HKEY key, const std::string& subKey, const std::string& name, std::string* text);

// The hive file that holds a root ("" for a root that is none of the three).
std::string registryHivePath(HKEY root);

// The hive file that takes the writes of a root: the user's overlay where
// it stands before the machine hive, else registryHivePath.
std::string registryWriteHivePath(HKEY root);

}  // namespace platform
