// CMemoryInfo: the seven figures of one snapshot as signed numbers, reads
// that do not renew the snapshot, and Refresh that does. A child process
// with an address-space limit of 3 GB gives figures of 2 GB and more,
// which read negative.
#include "support/CMemoryInfo.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <cstdlib>
#include <vector>

#include "platform/win32/system.h"

namespace {

using kestrin::support::CMemoryInfo;
using platform::Variant;

int32_t asLong(const Variant& v) {
  const int32_t* n = v.get<int32_t>();
  return n ? *n : 0x7EEEEEEE;
}

std::vector<Variant> figures(const CMemoryInfo& m) {
  return {m.FreePageFile(),  m.FreePhysical(),  m.FreeVirtual(), m.PercentUsed(),
          m.TotalPageFile(), m.TotalPhysical(), m.TotalVirtual()};
}

TEST(MemoryInfo, ANewObjectHoldsThePlatformsCountsAsLongs) {
  const CMemoryInfo m;
  platform::MEMORYSTATUS status;
  platform::GlobalMemoryStatus(status);
  for (const Variant& v : figures(m)) EXPECT_EQ(v.type(), platform::VarType::Long);
  // The totals do not move between the two readings; a saturated count
  // (0xFFFFFFFF) reads -1.
  EXPECT_EQ(asLong(m.TotalPhysical()), static_cast<int32_t>(status.dwTotalPhys));
  EXPECT_EQ(asLong(m.TotalPageFile()), static_cast<int32_t>(status.dwTotalPageFile));
  EXPECT_EQ(asLong(m.TotalVirtual()), static_cast<int32_t>(status.dwTotalVirtual));
  EXPECT_GE(asLong(m.PercentUsed()), 0);
  EXPECT_LE(asLong(m.PercentUsed()), 100);
  EXPECT_NE(asLong(m.TotalPhysical()), 0);
}

TEST(MemoryInfo, ReadsKeepTheSnapshotWhateverTheMemoryUseDoes) {
  CMemoryInfo m;
  const std::vector<Variant> before = figures(m);
  std::vector<char> block(64 << 20, 'x');
  EXPECT_EQ(figures(m), before);
  m.Refresh();
  EXPECT_EQ(asLong(m.TotalPhysical()), asLong(before[5]));
  EXPECT_EQ(block.back(), 'x');
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnReservations = true;  // the sanitizer's shadow exceeds any limit
#else
constexpr bool kOwnReservations = false;
#endif

// The child's checks; its exit code names the first that failed.
int limitedAddressSpace() {
  constexpr uint64_t kLimit = 3ull << 30;
  constexpr uint32_t kBlock = 256u << 20;
  rlimit limit{};
  ::getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = kLimit;
  if (::setrlimit(RLIMIT_AS, &limit) != 0) return 10;
  CMemoryInfo m;
  const int32_t total = asLong(m.TotalVirtual());
  const int32_t free = asLong(m.FreeVirtual());
  if (total != -1073741824) return 1;  // 3 GB read as a signed number
  if (free >= 0) return 2;             // more than 2 GB still free
  void* block = ::mmap(nullptr, kBlock, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (block == MAP_FAILED) return 11;
  if (asLong(m.FreeVirtual()) != free) return 3;  // not renewed by a read
  m.Refresh();
  if (static_cast<uint32_t>(asLong(m.FreeVirtual())) > static_cast<uint32_t>(free) - kBlock) return 4;
  ::munmap(block, kBlock);
  return 0;
}

TEST(MemoryInfo, CountsOfTwoGigabytesAndMoreReadNegativeAndRefreshRenewsThem) {
  if (kOwnReservations) GTEST_SKIP() << "the sanitizer's reservations exceed the limit";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(limitedAddressSpace()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
