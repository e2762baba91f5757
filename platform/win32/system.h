// Win32-shaped system information: memory status, the platform's version,
// the application event log and environment-variable references.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win32/types.h"

namespace platform {

// ---- memory status ----------------------------------------------------------

// The eight 32-bit fields of the memory-status record. Counts of 4 GB or
// more saturate at 0xFFFFFFFF, as the original did on large machines.
struct MEMORYSTATUS {
  DWORD dwLength = 0;
  DWORD dwMemoryLoad = 0;     // percent of physical memory in use
  DWORD dwTotalPhys = 0;      // physical memory
  DWORD dwAvailPhys = 0;      // physical memory available
  DWORD dwTotalPageFile = 0;  // the commit limit: physical memory and swap
  DWORD dwAvailPageFile = 0;  // what of it is available
  DWORD dwTotalVirtual = 0;   // the process's address-space limit
  DWORD dwAvailVirtual = 0;   // what of the limit the process does not use
};

// Fills the record (its length field too) from /proc/meminfo and the
// process's address-space limit; an unlimited address space counts as
// saturated.
void GlobalMemoryStatus(MEMORYSTATUS& status);

// The record for the text of /proc/meminfo, an address-space limit
// (UINT64_MAX: unlimited) and the address space in use, in bytes.
MEMORYSTATUS memoryStatusFrom(const std::string& meminfo, uint64_t addressLimit, uint64_t addressUsed);

// ---- version --------------------------------------------------------------

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// The version record in its basic form (148 bytes: dwOSVersionInfoSize
// 148) and its extended form (156 bytes: the last five fields too).
struct OSVERSIONINFOEX {
  DWORD dwOSVersionInfoSize = 0;
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char szCSDVersion[128] = {};
  uint16_t wServicePackMajor = 0;
  uint16_t wServicePackMinor = 0;
  uint16_t wSuiteMask = 0;
  uint8_t wProductType = 0;
  uint8_t wReserved = 0;
};
inline constexpr DWORD OSVERSIONINFO_SIZE = 148;
inline constexpr DWORD OSVERSIONINFOEX_SIZE = 156;

// The platform's version: the kernel's release numbers, and the NT
// platform family, because this platform keeps an application event log
// (the system log). Accepts the sizes 148 and 156 only; otherwise 0 with
// ERROR_INVALID_PARAMETER.
BOOL GetVersionEx(OSVERSIONINFOEX& info);

// ---- event log ----------------------------------------------------------

inline constexpr uint16_t EVENTLOG_ERROR_TYPE = 0x1;
inline constexpr uint16_t EVENTLOG_WARNING_TYPE = 0x2;
inline constexpr uint16_t EVENTLOG_INFORMATION_TYPE = 0x4;

// Writes one event to the application event log, which here is the system
// log (facility user; an error event at the error level), under the source
// name. The text goes as it is, line breaks included. Non-zero on success.
BOOL reportEvent(const std::string& source, uint16_t type, const std::string& text);

// While a hook is set every event goes to it instead of the system log;
// an empty hook restores the log. Returns the hook set before.
using EventLogHook = std::function<void(const std::string& source, uint16_t type, const std::string& text)>;
EventLogHook setEventLogHook(EventLogHook hook);

// ---- environment ----------------------------------------------------------

// Replaces each %NAME% by the value of the environment variable NAME (the
// exact name, else one that differs only in case); an unknown %NAME%, and
// a "%" without its partner, stay as they are. Writes the text with its
// closing NUL into destination when size (in characters, the NUL counted)
// is enough, and returns the size needed, the NUL counted, either way;
// with size 0 nothing is written.
DWORD ExpandEnvironmentStrings(const std::string& source, char* destination, DWORD size);

}  // namespace platform
