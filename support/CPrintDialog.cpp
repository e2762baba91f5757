#include "support/CPrintDialog.h"

#include "diagnostics/class_error.h"
#include "platform/controls/print_dialog.h"
#include "platform/ui/windows.h"

namespace kestrin::support {

namespace {

inline constexpr diagnostics::ClassErrors kPrintErrors{"CPrintDialog", 17942};

const char* const kInvalidHandle = "Invalid window handle";

namespace pd = platform::controls::pd;

uint16_t field(int16_t value) { return static_cast<uint16_t>(value); }
int16_t property(uint16_t value) { return static_cast<int16_t>(value); }

}  // namespace

void CPrintDialog::checkOwner(int32_t hwnd) const {
  if (hwnd > 0 && !platform::ui::IsWindow(static_cast<platform::HWND>(hwnd))) kPrintErrors.raise(17941, kInvalidHandle);
}

void CPrintDialog::Init(int32_t HWndOwner, int32_t Flags) {
  kPrintErrors.member([&] {
    checkOwner(HWndOwner);
    hwndOwner_ = HWndOwner;
    flags_ = Flags;
  });
}

void CPrintDialog::setCopies(int16_t Copies) { copies_ = Copies; }
int16_t CPrintDialog::Copies() const { return copies_; }
void CPrintDialog::setFlags(int32_t Flags) { flags_ = Flags; }
int32_t CPrintDialog::Flags() const { return flags_; }
void CPrintDialog::setFromPage(int16_t FromPage) { fromPage_ = FromPage; }
int16_t CPrintDialog::FromPage() const { return fromPage_; }
void CPrintDialog::setHDC(int32_t HDC) { hdc_ = HDC; }
int32_t CPrintDialog::HDC() const { return hdc_; }

void CPrintDialog::setHWndOwner(int32_t HWndOwner) {
  kPrintErrors.member([&] {
    checkOwner(HWndOwner);
    hwndOwner_ = HWndOwner;
  });
}
int32_t CPrintDialog::HWndOwner() const { return hwndOwner_; }

void CPrintDialog::setMax(int16_t Max) { max_ = Max; }
int16_t CPrintDialog::Max() const { return max_; }
void CPrintDialog::setMin(int16_t Min) { min_ = Min; }
int16_t CPrintDialog::Min() const { return min_; }
void CPrintDialog::setPrintRange(int32_t PrintRange) { printRange_ = PrintRange; }
int32_t CPrintDialog::PrintRange() const { return printRange_; }
void CPrintDialog::setToPage(int16_t ToPage) { toPage_ = ToPage; }
int16_t CPrintDialog::ToPage() const { return toPage_; }

bool CPrintDialog::Show() {
  return kPrintErrors.member([&] {
    platform::PRINTDLGA record;  // every field not set here is 0
    record.structSize = sizeof(platform::PRINTDLGA);
    record.owner = static_cast<uint32_t>(hwndOwner_);
    record.devMode = 0;
    record.devNames = 0;
    record.hDC = static_cast<uint32_t>(hdc_);
    uint32_t rangeBit = 0;
    if (printRange_ == kRangePages)
      rangeBit = pd::PageNums;
    else if (printRange_ == kRangeSelection)
      rangeBit = pd::Selection;
    record.flags = static_cast<uint32_t>(flags_) | rangeBit;
    record.fromPage = field(fromPage_);
    record.toPage = field(toPage_);
    record.minPage = field(min_);
    record.maxPage = field(max_);
    record.copies = field(copies_);

    if (platform::PrintDlgA(&record) == 0) return false;

    copies_ = property(record.copies);
    fromPage_ = property(record.fromPage);
    hdc_ = static_cast<int32_t>(record.hDC);
    max_ = property(record.maxPage);
    min_ = property(record.minPage);
    toPage_ = property(record.toPage);
    if (record.flags & pd::PageNums)
      printRange_ = kRangePages;
    else if (record.flags & pd::Selection)
      printRange_ = kRangeSelection;
    else
      printRange_ = kRangeAll;
    return true;
  });
}

}  // namespace kestrin::support
