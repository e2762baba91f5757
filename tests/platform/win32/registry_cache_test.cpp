// The registry's read cache against other processes' writes, and the batch
// write of many keys and values in one transaction.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/errors.h"
#include "platform/win32/hive_fixture.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

using RegistryCache = kestrin_test::HiveFolderTest;
using kestrin_test::startChild;
using kestrin_test::waitChild;

std::string readSetting(const std::string& key) { return GetSetting("Race", "Counters", key, "-1"); }

// Two writer processes and this one, which writes too and reads every
// value through the cache all along. A writer publishes the number it
// wrote once its write has returned (committed); every read made after
// that must give that number or a later one, never an older one, and this
// process sees each of its own writes at once.
TEST_F(RegistryCache, EveryReadSeesTheLastCommittedWriteOfEachProcess) {
  constexpr int kWrites = 60;
  auto* published = static_cast<std::atomic<int64_t>*>(
      mmap(nullptr, 2 * sizeof(std::atomic<int64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(published, MAP_FAILED);
  published[0] = -1;
  published[1] = -1;
  SaveSetting("Race", "Counters", "Own", "-1");
  // Cache the missing values and keys before the writers start.
  ASSERT_EQ(readSetting("W0"), "-1");
  ASSERT_EQ(readSetting("W1"), "-1");

  std::vector<pid_t> writers;
  for (int w = 0; w < 2; ++w) {
    writers.push_back(startChild([&, w] {
      const std::string name = "W" + std::to_string(w);
      for (int i = 0; i < kWrites; ++i) {
        SaveSetting("Race", "Counters", name, std::to_string(i));
        published[w].store(i);
        // One writer also makes and drops keys beside, so that the
        // tree changes under the cached key lookups.
        if (w == 1) {
          SaveSetting("Race", "Extra" + std::to_string(i % 3), "K", "v");
          if (i > 0) DeleteSetting("Race", "Extra" + std::to_string((i + 2) % 3));
        }
      }
      return 0;
    }));
  }

  int stale = 0, future = 0, ownMissed = 0;
  int64_t lastSeen[2] = {-1, -1};
  for (int round = 0; published[0].load() < kWrites - 1 || published[1].load() < kWrites - 1; ++round) {
    for (int w = 0; w < 2; ++w) {
      const int64_t committed = published[w].load();
      const int64_t seen = std::stoll(readSetting("W" + std::to_string(w)));
      if (seen < committed || seen < lastSeen[w]) ++stale;
      if (seen > published[w].load() + 1) ++future;
      lastSeen[w] = seen;
    }
    if (round % 4096 == 0) {
      SaveSetting("Race", "Counters", "Own", std::to_string(round));
      if (readSetting("Own") != std::to_string(round)) ++ownMissed;
    }
    if (round > 4000000) break;  // a writer that died; its status tells
  }
  for (pid_t pid : writers) EXPECT_EQ(waitChild(pid), 0);
  EXPECT_EQ(stale, 0);
  EXPECT_EQ(future, 0);
  EXPECT_EQ(ownMissed, 0);
  EXPECT_EQ(readSetting("W0"), std::to_string(kWrites - 1));
  EXPECT_EQ(readSetting("W1"), std::to_string(kWrites - 1));
  munmap(published, 2 * sizeof(std::atomic<int64_t>));
}

// A key that another process deletes, and makes again under the same name,
// while this one holds a handle whose existence and values it has read.
TEST_F(RegistryCache, AKeyDeletedByAnotherProcessIsGoneForItsOpenHandle) {
  // The other process waits for a byte on a pipe, so that this one's
  // cache (emptied at a fork) is filled when it acts.
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const pid_t other = startChild([&] {
    char c = 0;
    if (::read(go[0], &c, 1) != 1) return 4;
    if (RegDeleteTree(HKEY_CURRENT_USER, "Software\\Shared") != ERROR_SUCCESS) return 1;
    HKEY again = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_ALL_ACCESS, &again) != ERROR_SUCCESS) return 2;
    return RegSetValueEx(again, "v", REG_SZ, "new", 4) == ERROR_SUCCESS ? 0 : 3;
  });
  HKEY key = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "v", REG_SZ, "old", 4), ERROR_SUCCESS);
  char buf[16] = {};
  DWORD size = sizeof buf;
  ASSERT_EQ(RegQueryValueEx(key, "v", nullptr, buf, &size), ERROR_SUCCESS);
  HKEY opened = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &opened), ERROR_SUCCESS);
  RegCloseKey(opened);

  ASSERT_EQ(::write(go[1], "x", 1), 1);
  ASSERT_EQ(waitChild(other), 0);
  close(go[0]);
  close(go[1]);

  size = sizeof buf;
  EXPECT_EQ(RegQueryValueEx(key, "v", nullptr, buf, &size), ERROR_KEY_DELETED);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
  size = sizeof buf;
  ASSERT_EQ(RegQueryValueEx(key, "v", nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "new");
  RegCloseKey(key);
}

// A batch writes its keys (every missing level) and values in order,
// merging names that differ only in case; on a root that may not be
// written nothing of it is written.
TEST_F(RegistryCache, ABatchWritesEveryKeyAndValueOrNothing) {
  std::vector<RegistryWrite> writes = {
      {"Software\\Batch\\A", true, "", REG_SZ, std::string("first", 6)},
      {"Software\\Batch\\B", false, "", REG_NONE, ""},
      {"software\\BATCH\\a", true, "Count", REG_DWORD, std::string("\x07\0\0\0", 4)},
      {"Software\\Batch\\A", true, "", REG_SZ, std::string("second", 7)},
  };
  ASSERT_EQ(RegWriteBatch(HKEY_CURRENT_USER, writes), ERROR_SUCCESS);
  HKEY key = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Batch", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD subKeys = 0;
  ASSERT_EQ(RegQueryInfoKey(key, &subKeys, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 2u);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Batch\\A", 0, KEY_READ, &key), ERROR_SUCCESS);
  char buf[16] = {};
  DWORD type = 0, size = sizeof buf;
  ASSERT_EQ(RegQueryValueEx(key, "", &type, buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "second");
  uint32_t count = 0;
  size = sizeof count;
  ASSERT_EQ(RegQueryValueEx(key, "count", &type, &count, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(count, 7u);
  RegCloseKey(key);

  setRegistryRootReadOnly(HKEY_CURRENT_USER, true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(RegWriteBatch(HKEY_CURRENT_USER, {{"Software\\Other", true, "v", REG_SZ, "x"}}), ERROR_ACCESS_DENIED);
  testing::internal::GetCapturedStderr();
  setRegistryRootReadOnly(HKEY_CURRENT_USER, false);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Other", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  // A key name beyond the limit refuses the whole batch before anything is written.
  EXPECT_EQ(RegWriteBatch(HKEY_CURRENT_USER, {{"Software\\Other", false, "", REG_NONE, ""},
                                              {"Software\\" + std::string(300, 'x'), false, "", REG_NONE, ""}}),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Other", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

// The one-call read of a value below a key: its data, a missing key or
// value, a short buffer, and the key itself read through a handle that may
// not read values.
TEST_F(RegistryCache, GetValueReadsAValueOfAKeyBelowInOneCall) {
  ASSERT_EQ(RegWriteBatch(HKEY_CURRENT_USER, {{"Software\\App\\Part", true, "Name", REG_SZ, std::string("text", 5)}}),
            ERROR_SUCCESS);
  char buf[16] = {};
  DWORD type = 0, size = sizeof buf;
  ASSERT_EQ(RegGetValue(HKEY_CURRENT_USER, "software\\app\\PART", "name", &type, buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(buf, "text");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 5u);
  size = 2;
  EXPECT_EQ(RegGetValue(HKEY_CURRENT_USER, "Software\\App\\Part", "Name", nullptr, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  size = sizeof buf;
  EXPECT_EQ(RegGetValue(HKEY_CURRENT_USER, "Software\\App\\Gone", "Name", nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegGetValue(HKEY_CURRENT_USER, "Software\\App\\Part", "Gone", nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
  HKEY key = 0;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\App", 0, KEY_ENUMERATE_SUB_KEYS, &key), ERROR_SUCCESS);
  EXPECT_EQ(RegGetValue(key, "Part", "Name", nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(RegGetValue(key, "", "Name", nullptr, buf, &size), ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

}  // namespace
