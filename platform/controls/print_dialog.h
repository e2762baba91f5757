// The platform's print dialog: a record of the dialog's settings, asked of
// the current user (user.h).
//
// The record has the platform's layout of 66 bytes (structure size, owner,
// device-mode and device-names handles, device context, flags, the page
// range, the page limits and the copies as unsigned 16-bit fields, then
// fields this platform leaves unused). printDialog() shows the dialog from
// it: on OK it copies the user's choices back (the range bits of the flags,
// the pages, the copies, and a device context when the flags ask for one)
// and returns nonzero; on Cancel it changes nothing and returns 0.
#pragma once

#include <cstdint>

namespace platform::controls {

namespace pd {
inline constexpr uint32_t Selection = 0x1;
inline constexpr uint32_t PageNums = 0x2;
inline constexpr uint32_t PrintSetup = 0x40;
inline constexpr uint32_t ReturnDC = 0x100;
}  // namespace pd

#pragma pack(push, 1)
struct PrintDialogRecord {
  uint32_t structSize = 66;
  uint32_t owner = 0;  // window handle
  uint32_t devMode = 0;
  uint32_t devNames = 0;
  uint32_t hDC = 0;
  uint32_t flags = 0;
  uint16_t fromPage = 0;
  uint16_t toPage = 0;
  uint16_t minPage = 0;
  uint16_t maxPage = 0;
  uint16_t copies = 0;
  uint32_t instance = 0;
  uint32_t custData = 0;
  uint32_t printHook = 0;
  uint32_t setupHook = 0;
  uint32_t printTemplateName = 0;
  uint32_t setupTemplateName = 0;
  uint32_t printTemplate = 0;
  uint32_t setupTemplate = 0;
};
#pragma pack(pop)
static_assert(sizeof(PrintDialogRecord) == 66);

// Shows the print dialog (the printer setup form when the flags hold
// pd::PrintSetup). A record whose structure size is not 66, or whose owner
// is not a window, is refused (0, nothing asked). Each device context returned is a new non-zero handle.
int32_t printDialog(PrintDialogRecord& record);

}  // namespace platform::controls

namespace platform {
// The platform's name for the same call; a null record gives 0.
using PRINTDLGA = controls::PrintDialogRecord;
int32_t PrintDlgA(PRINTDLGA* record);
}  // namespace platform
