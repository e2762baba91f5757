#include "support/CMemoryInfo.h"

#include "diagnostics/class_error.h"
#include "platform/win32/system.h"

namespace kestrin::support {

namespace {

// The class's texts name it "CMemoryInformation".
inline constexpr diagnostics::ClassErrors kMemoryErrors{"CMemoryInformation", 17801};

int32_t asLong(platform::DWORD count) { return static_cast<int32_t>(count); }

}  // namespace

CMemoryInfo::CMemoryInfo() { Refresh(); }

platform::Variant CMemoryInfo::FreePageFile() const {
  return kMemoryErrors.member([&] { return platform::Variant(freePageFile_); });
}
platform::Variant CMemoryInfo::FreePhysical() const {
  return kMemoryErrors.member([&] { return platform::Variant(freePhysical_); });
}
platform::Variant CMemoryInfo::FreeVirtual() const {
  return kMemoryErrors.member([&] { return platform::Variant(freeVirtual_); });
}
platform::Variant CMemoryInfo::PercentUsed() const {
  return kMemoryErrors.member([&] { return platform::Variant(percentUsed_); });
}
platform::Variant CMemoryInfo::TotalPageFile() const {
  return kMemoryErrors.member([&] { return platform::Variant(totalPageFile_); });
}
platform::Variant CMemoryInfo::TotalPhysical() const {
  return kMemoryErrors.member([&] { return platform::Variant(totalPhysical_); });
}
platform::Variant CMemoryInfo::TotalVirtual() const {
  return kMemoryErrors.member([&] { return platform::Variant(totalVirtual_); });
}

void CMemoryInfo::Refresh() {
  kMemoryErrors.member([&] {
    // The length field stays 0: the platform fills the record itself.
    platform::MEMORYSTATUS status{};
    platform::GlobalMemoryStatus(status);
    percentUsed_ = asLong(status.dwMemoryLoad);
    totalPhysical_ = asLong(status.dwTotalPhys);
    freePhysical_ = asLong(status.dwAvailPhys);
    totalPageFile_ = asLong(status.dwTotalPageFile);
    freePageFile_ = asLong(status.dwAvailPageFile);
    totalVirtual_ = asLong(status.dwTotalVirtual);
    freeVirtual_ = asLong(status.dwAvailVirtual);
  });
}

}  // namespace kestrin::support
