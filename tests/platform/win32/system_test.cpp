#include "platform/win32/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

constexpr uint64_t MB = 1024 * 1024;

std::string meminfo(uint64_t totalKb, uint64_t availableKb, uint64_t swapTotalKb, uint64_t swapFreeKb) {
  return "MemTotal:       " + std::to_string(totalKb) + " kB\nMemFree:          1000 kB\n" +
         "MemAvailable:   " + std::to_string(availableKb) + " kB\nBuffers:            10 kB\n" +
         "SwapCached:          0 kB\nSwapTotal:      " + std::to_string(swapTotalKb) +
         " kB\nSwapFree:       " + std::to_string(swapFreeKb) + " kB\n";
}

TEST(MemoryStatus, FiguresOfASmallMachine) {
  const MEMORYSTATUS s =
      memoryStatusFrom(meminfo(1024 * 1024, 256 * 1024, 512 * 1024, 128 * 1024), 2048 * MB, 500 * MB);
  EXPECT_EQ(s.dwLength, 32u);
  EXPECT_EQ(s.dwMemoryLoad, 75u);
  EXPECT_EQ(s.dwTotalPhys, 1024 * MB);
  EXPECT_EQ(s.dwAvailPhys, 256 * MB);
  EXPECT_EQ(s.dwTotalPageFile, 1536 * MB);
  EXPECT_EQ(s.dwAvailPageFile, 384 * MB);
  EXPECT_EQ(s.dwTotalVirtual, 2048 * MB);
  EXPECT_EQ(s.dwAvailVirtual, 1548 * MB);
  // Read as the signed figures of the memory object, 2 GB and more is negative.
  EXPECT_LT(static_cast<int32_t>(memoryStatusFrom(meminfo(3u << 20, 1u << 20, 0, 0), 0, 0).dwTotalPhys), 0);
}

TEST(MemoryStatus, FourGigabytesAndMoreSaturate) {
  const MEMORYSTATUS s = memoryStatusFrom(meminfo(16u << 20, 5u << 20, 4u << 20, 4u << 20), UINT64_MAX, 300 * MB);
  EXPECT_EQ(s.dwMemoryLoad, 68u);
  EXPECT_EQ(s.dwTotalPhys, 0xFFFFFFFFu);
  EXPECT_EQ(s.dwAvailPhys, 0xFFFFFFFFu);
  EXPECT_EQ(s.dwTotalPageFile, 0xFFFFFFFFu);
  EXPECT_EQ(s.dwAvailPageFile, 0xFFFFFFFFu);
  EXPECT_EQ(s.dwTotalVirtual, 0xFFFFFFFFu);  // unlimited
  EXPECT_EQ(s.dwAvailVirtual, 0xFFFFFFFFu);
}

TEST(MemoryStatus, OlderKernelsWithoutMemAvailable) {
  const std::string text =
      "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n";
  const MEMORYSTATUS s = memoryStatusFrom(text, 100, 200);
  EXPECT_EQ(s.dwAvailPhys, 400u * 1024);
  EXPECT_EQ(s.dwMemoryLoad, 60u);
  EXPECT_EQ(s.dwAvailVirtual, 0u);  // more in use than the limit
  EXPECT_EQ(memoryStatusFrom("", 0, 0).dwMemoryLoad, 0u);
}

TEST(MemoryStatus, TheMachineItself) {
  MEMORYSTATUS s;
  GlobalMemoryStatus(s);
  EXPECT_EQ(s.dwLength, sizeof(MEMORYSTATUS));
  EXPECT_LE(s.dwMemoryLoad, 100u);
  EXPECT_GT(s.dwTotalPhys, 0u);
  EXPECT_LE(s.dwAvailPhys, s.dwTotalPhys);
  EXPECT_GT(s.dwTotalVirtual, 0u);
}

TEST(Version, BothRecordSizesGiveTheNtFamily) {
  for (DWORD size : {OSVERSIONINFOEX_SIZE, OSVERSIONINFO_SIZE}) {
    OSVERSIONINFOEX info;
    info.dwOSVersionInfoSize = size;
    ASSERT_NE(GetVersionEx(info), 0) << size;
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_GT(info.dwMajorVersion, 0u);
    EXPECT_EQ(info.dwOSVersionInfoSize, size);
  }
  OSVERSIONINFOEX wrong;
  wrong.dwOSVersionInfoSize = 0;
  EXPECT_EQ(GetVersionEx(wrong), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(wrong.dwPlatformId, 0u);
}

TEST(EventLog, TheHookSeesEveryEventUnchanged) {
  struct Event {
    std::string source;
    uint16_t type;
    std::string text;
  };
  std::vector<Event> events;
  const EventLogHook before = setEventLogHook([&](const std::string& source, uint16_t type, const std::string& text) {
    events.push_back({source, type, text});
  });
  const std::string report = "Error 5 %s %n\r\nline two";
  EXPECT_NE(reportEvent("KestrinScriptEditor", EVENTLOG_ERROR_TYPE, report), 0);
  setEventLogHook(before);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, "KestrinScriptEditor");
  EXPECT_EQ(events[0].type, EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(events[0].text, report);
  // Without a hook the text goes to the system log, as data only.
  EXPECT_NE(reportEvent("kestrin-test", EVENTLOG_ERROR_TYPE, "%s%s%s%n"), 0);
  EXPECT_EQ(events.size(), 1u);
}

TEST(Environment, ExpandsKnownReferencesOnly) {
  ::setenv("KESTRIN_TEST_ROOT", "/opt/k", 1);
  ::unsetenv("KESTRIN_TEST_NONE");
  struct Case {
    std::string source, expanded;
  };
  const std::vector<Case> cases = {
      {"%KESTRIN_TEST_ROOT%/bin", "/opt/k/bin"},
      {"%kestrin_test_root%", "/opt/k"},
      {"a%KESTRIN_TEST_ROOT%b%KESTRIN_TEST_ROOT%", "a/opt/kb/opt/k"},
      {"%KESTRIN_TEST_NONE%/x", "%KESTRIN_TEST_NONE%/x"},
      {"100%", "100%"},
      {"%%", "%%"},
      // "% of %" names nothing: its second "%" opens the next reference.
      {"50% of %KESTRIN_TEST_ROOT%", "50% of /opt/k"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const DWORD needed = ExpandEnvironmentStrings(c.source, nullptr, 0);
    EXPECT_EQ(needed, c.expanded.size() + 1);
    std::string buffer(needed, 'x');
    EXPECT_EQ(ExpandEnvironmentStrings(c.source, buffer.data(), needed), needed);
    EXPECT_EQ(std::string(buffer.c_str()), c.expanded);
  }
  // Too small: nothing written, the size needed returned.
  char small[4] = "abc";
  EXPECT_EQ(ExpandEnvironmentStrings("%KESTRIN_TEST_ROOT%", small, sizeof small), 7u);
  EXPECT_STREQ(small, "abc");
  ::unsetenv("KESTRIN_TEST_ROOT");
}

}  // namespace
}  // namespace platform
