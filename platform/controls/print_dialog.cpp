#include "platform/controls/print_dialog.h"

#include <atomic>

#include "platform/ui/user.h"
#include "platform/ui/windows.h"

namespace platform::controls {

namespace {
uint32_t nextPrinterDC() {
  static std::atomic<uint32_t> counter{0};
  return 0x00D10000u + (++counter);
}
}  // namespace

int32_t printDialog(PrintDialogRecord& record) {
  if (record.structSize != sizeof(PrintDialogRecord)) return 0;
  // The dialog needs an owner that exists, or none.
  if (record.owner != 0 && !ui::IsWindow(record.owner)) return 0;
  ui::PrintDialogPrompt prompt;
  prompt.flags = static_cast<int32_t>(record.flags);
  prompt.fromPage = record.fromPage;
  prompt.toPage = record.toPage;
  prompt.minPage = record.minPage;
  prompt.maxPage = record.maxPage;
  prompt.copies = record.copies;
  std::optional<ui::PrintDialogAnswer> answer = ui::currentUser().printDialog(prompt);
  if (!answer) return 0;

  // The user chooses the range (all, pages, selection); the caller's other
  // flags stay as they were.
  const uint32_t range = pd::Selection | pd::PageNums;
  record.flags = (record.flags & ~range) | (static_cast<uint32_t>(answer->flags) & range);
  record.fromPage = static_cast<uint16_t>(answer->fromPage);
  record.toPage = static_cast<uint16_t>(answer->toPage);
  record.copies = static_cast<uint16_t>(answer->copies);
  if (record.flags & pd::ReturnDC) record.hDC = nextPrinterDC();
  return 1;
}

}  // namespace platform::controls

namespace platform {
int32_t PrintDlgA(PRINTDLGA* record) { return record ? controls::printDialog(*record) : 0; }
}  // namespace platform
