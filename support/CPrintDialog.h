// CPrintDialog: the platform's print dialog with its settings as
// properties: the owner window, the flag bits, the page range and its
// limits, the copies and the printer's device context. Show builds the
// dialog's record from them and, when the user confirms, copies the
// choices back. The main window's print set-up shows it with the owner
// window and the print-setup flag (0x40) and reads nothing back.
//
// A new object asks for 1 copy, pages 0 to 0 within 1 to 65535 (Max -1
// reaches the dialog as 65535), no owner, flags 0 and all pages. The
// 16-bit properties travel as the record's unsigned 16-bit fields: what
// comes back above 32767 reads negative. The object does not trace.
//
// Errors (0x80040000 + n, source "<component>.CPrintDialog"):
//   17941 "Invalid window handle"            Init and the HWndOwner setter:
//                                            a handle above 0 that names no
//                                            window (0 and negative handles
//                                            are not tested)
//   17942 "CPrintDialog component failure"   anything else
#pragma once

#include <cstdint>

namespace kestrin::support {

class CPrintDialog {
 public:
  // PrintRange: all pages, FromPage to ToPage, the selection.
  static constexpr int32_t kRangeAll = 0;
  static constexpr int32_t kRangePages = 1;
  static constexpr int32_t kRangeSelection = 2;

  // The owner check, then both stored; a failing check stores neither.
  void Init(int32_t HWndOwner, int32_t Flags);

  void setCopies(int16_t Copies);
  int16_t Copies() const;
  // The dialog's flag bits; Show never changes them.
  void setFlags(int32_t Flags);
  int32_t Flags() const;
  void setFromPage(int16_t FromPage);
  int16_t FromPage() const;
  void setHDC(int32_t HDC);
  int32_t HDC() const;
  // The owner check, then stored; a failing check keeps the old handle.
  void setHWndOwner(int32_t HWndOwner);
  int32_t HWndOwner() const;
  void setMax(int16_t Max);
  int16_t Max() const;
  void setMin(int16_t Min);
  int16_t Min() const;
  void setPrintRange(int32_t PrintRange);
  int32_t PrintRange() const;
  void setToPage(int16_t ToPage);
  int16_t ToPage() const;

  // Shows the dialog. The flags go with the range bit of PrintRange added
  // (pages 0x2, selection 0x1). True when the user confirmed: Copies,
  // FromPage, ToPage, Min, Max and HDC come back from the dialog, and
  // PrintRange from the returned range bits. False (Cancel, or a dialog
  // that could not be shown) changes nothing.
  bool Show();

 private:
  void checkOwner(int32_t hwnd) const;

  int16_t copies_ = 1;
  int32_t flags_ = 0;
  int16_t fromPage_ = 0;
  int32_t hdc_ = 0;
  int32_t hwndOwner_ = 0;
  int16_t max_ = -1;
  int16_t min_ = 1;
  int32_t printRange_ = kRangeAll;
  int16_t toPage_ = 0;
};

}  // namespace kestrin::support
