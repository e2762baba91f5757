// CMemoryInfo: a snapshot of the system's memory status, taken when the
// object is made and renewed by Refresh; reading a figure never renews it.
// The About window keeps one and refreshes it on every tick of its timer.
//
// The platform counts in unsigned 32 bits and saturates at 0xFFFFFFFF; the
// figures are handed out as signed 32-bit numbers (Long Variants), so a
// count of 2 GB or more reads negative and a saturated one reads -1.
//
// Error (0x80040000 + 17801, source "<component>.CMemoryInformation",
// "CMemoryInformation component failure"): any failure inside a member,
// the first snapshot in the constructor included. The object does not
// trace.
#pragma once

#include <cstdint>

#include "platform/runtime/variant.h"

namespace kestrin::support {

class CMemoryInfo {
 public:
  // Takes the first snapshot.
  CMemoryInfo();

  // Bytes, from the last snapshot.
  platform::Variant FreePageFile() const;
  platform::Variant FreePhysical() const;
  platform::Variant FreeVirtual() const;
  // Percent of physical memory in use, 0 to 100.
  platform::Variant PercentUsed() const;
  platform::Variant TotalPageFile() const;
  platform::Variant TotalPhysical() const;
  platform::Variant TotalVirtual() const;

  // Takes a new snapshot.
  void Refresh();

 private:
  int32_t percentUsed_ = 0;
  int32_t totalPhysical_ = 0;
  int32_t freePhysical_ = 0;
  int32_t totalPageFile_ = 0;
  int32_t freePageFile_ = 0;
  int32_t totalVirtual_ = 0;
  int32_t freeVirtual_ = 0;
};

}  // namespace kestrin::support
