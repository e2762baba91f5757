#include "platform/win32/system.h"

#include <sys/resource.h>
#include <sys/utsname.h>
#include <syslog.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

extern char** environ;

namespace platform {

namespace {

DWORD saturate(uint64_t count) { return count >= 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(count); }

// A "Name:   1234 kB" line of /proc/meminfo, in bytes; found false when absent.
uint64_t meminfoField(const std::string& meminfo, const std::string& name, bool& found) {
  std::istringstream lines(meminfo);
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
    std::istringstream fields(line.substr(name.size() + 1));
    uint64_t value = 0;
    std::string unit;
    fields >> value >> unit;
    found = true;
    return unit == "kB" ? value * 1024 : value;
  }
  found = false;
  return 0;
}

std::string readText(const char* path) {
  std::ifstream in(path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The process's address space in use: VmSize of /proc/self/status.
uint64_t addressSpaceUsed() {
  bool found = false;
  return meminfoField(readText("/proc/self/status"), "VmSize", found);
}

std::mutex g_hookMutex;
EventLogHook g_hook;

int levelOf(uint16_t type) {
  if (type & EVENTLOG_ERROR_TYPE) return LOG_ERR;
  if (type & EVENTLOG_WARNING_TYPE) return LOG_WARNING;
  return LOG_INFO;
}

bool lookUp(const std::string& name, std::string& value) {
  if (const char* exact = std::getenv(name.c_str())) {
    value = exact;
    return true;
  }
  for (char** e = environ; e && *e; ++e) {
    const char* entry = *e;
    const char* eq = std::strchr(entry, '=');
    if (!eq || static_cast<size_t>(eq - entry) != name.size()) continue;
    if (::strncasecmp(entry, name.c_str(), name.size()) == 0) {
      value = eq + 1;
      return true;
    }
  }
  return false;
}

}  // namespace

MEMORYSTATUS memoryStatusFrom(const std::string& meminfo, uint64_t addressLimit, uint64_t addressUsed) {
  bool found = false;
  const uint64_t total = meminfoField(meminfo, "MemTotal", found);
  uint64_t available = meminfoField(meminfo, "MemAvailable", found);
  if (!found) {
    bool f1 = false, f2 = false, f3 = false;
    available = meminfoField(meminfo, "MemFree", f1) + meminfoField(meminfo, "Buffers", f2) +
                meminfoField(meminfo, "Cached", f3);
  }
  if (available > total) available = total;
  const uint64_t swapTotal = meminfoField(meminfo, "SwapTotal", found);
  uint64_t swapFree = meminfoField(meminfo, "SwapFree", found);
  if (swapFree > swapTotal) swapFree = swapTotal;

  MEMORYSTATUS status;
  status.dwLength = sizeof(MEMORYSTATUS);
  status.dwMemoryLoad = total ? static_cast<DWORD>((total - available) * 100 / total) : 0;
  status.dwTotalPhys = saturate(total);
  status.dwAvailPhys = saturate(available);
  status.dwTotalPageFile = saturate(total + swapTotal);
  status.dwAvailPageFile = saturate(available + swapFree);
  status.dwTotalVirtual = saturate(addressLimit);
  status.dwAvailVirtual =
      addressLimit == UINT64_MAX ? 0xFFFFFFFFu : saturate(addressUsed < addressLimit ? addressLimit - addressUsed : 0);
  return status;
}

void GlobalMemoryStatus(MEMORYSTATUS& status) {
  struct rlimit limit {};
  uint64_t addressLimit = UINT64_MAX;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    addressLimit = static_cast<uint64_t>(limit.rlim_cur);
  status = memoryStatusFrom(readText("/proc/meminfo"), addressLimit, addressSpaceUsed());
}

BOOL GetVersionEx(OSVERSIONINFOEX& info) {
  const DWORD size = info.dwOSVersionInfoSize;
  if (size != OSVERSIONINFO_SIZE && size != OSVERSIONINFOEX_SIZE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  info = OSVERSIONINFOEX{};
  info.dwOSVersionInfoSize = size;
  info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  struct utsname names {};
  if (::uname(&names) == 0) {
    // "6.1.0-13-amd64": major, minor and the number after them.
    unsigned numbers[3] = {0, 0, 0};
    const char* p = names.release;
    for (int i = 0; i < 3 && *p; ++i) {
      char* end = nullptr;
      numbers[i] = static_cast<unsigned>(std::strtoul(p, &end, 10));
      if (end == p || (*end != '.' && i < 2)) break;
      p = *end == '.' ? end + 1 : end;
    }
    info.dwMajorVersion = numbers[0];
    info.dwMinorVersion = numbers[1];
    info.dwBuildNumber = numbers[2];
  }
  return 1;
}

BOOL reportEvent(const std::string& source, uint16_t type, const std::string& text) {
  EventLogHook hook;
  {
    std::lock_guard lock(g_hookMutex);
    hook = g_hook;
  }
  if (hook) {
    hook(source, type, text);
    return 1;
  }
  // The source names the entry; the text is data, never a format.
  std::lock_guard lock(g_hookMutex);
  ::openlog(source.c_str(), LOG_PID, LOG_USER);
  ::syslog(levelOf(type), "%s", text.c_str());
  ::closelog();
  return 1;
}

EventLogHook setEventLogHook(EventLogHook hook) {
  std::lock_guard lock(g_hookMutex);
  EventLogHook before = std::move(g_hook);
  g_hook = std::move(hook);
  return before;
}

DWORD ExpandEnvironmentStrings(const std::string& source, char* destination, DWORD size) {
  std::string out;
  size_t i = 0;
  while (i < source.size()) {
    const size_t open = source.find('%', i);
    if (open == std::string::npos) {
      out.append(source, i, std::string::npos);
      break;
    }
    out.append(source, i, open - i);
    const size_t close = source.find('%', open + 1);
    if (close == std::string::npos) {
      out.append(source, open, std::string::npos);
      break;
    }
    const std::string name = source.substr(open + 1, close - open - 1);
    std::string value;
    if (!name.empty() && lookUp(name, value)) {
      out += value;
      i = close + 1;
    } else {
      // Not a reference: the "%" stays, and the second one may open
      // the next reference.
      out += '%';
      out.append(name);
      i = close;
    }
  }
  const DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (destination && size >= needed) {
    std::memcpy(destination, out.data(), out.size());
    destination[out.size()] = '\0';
  }
  return needed;
}

}  // namespace platform
