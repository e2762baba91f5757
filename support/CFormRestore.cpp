#include "support/CFormRestore.h"

#include <string>

#include "diagnostics/class_error.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/convert.h"

namespace kestrin::support {

namespace ui = platform::ui;

namespace {

inline constexpr diagnostics::ClassErrors kRestoreErrors{"CFormRestore", 17564};

const char* const kNotInitialized = "Object not properly initialized";
const char* const kInvalidAppSettings = "Invalid AppSettings object";
const char* const kInvalidKeyName = "Invalid KeyName value";

// The record's size, given to the platform with every record.
constexpr uint32_t kPlacementLength = sizeof(ui::WINDOWPLACEMENT);

// A stored value as a number: the leading number of its text (a stored
// integer gives itself, anything else without a leading number 0), rounded
// to a Long with halves to even.
int32_t storedNumber(const platform::Variant& value) { return platform::toLong(platform::val(platform::cStr(value))); }

}  // namespace

std::string CFormRestore::section(const ui::Form& FormObject) const { return keyName_ + "\\" + FormObject.name(); }

void CFormRestore::Init(std::shared_ptr<CAppSettings> AppSettings, bool CenteredByDefault) {
  kRestoreErrors.member([&] {
    if (!AppSettings) kRestoreErrors.raise(17562, kInvalidAppSettings);
    appSettings_ = std::move(AppSettings);
    centeredByDefault_ = CenteredByDefault;
  });
}

void CFormRestore::setAppSettings(std::shared_ptr<CAppSettings> AppSettings) {
  kRestoreErrors.member([&] {
    if (!AppSettings) kRestoreErrors.raise(17562, kInvalidAppSettings);
    appSettings_ = std::move(AppSettings);
  });
}

void CFormRestore::setKeyName(const std::string& KeyName) {
  kRestoreErrors.member([&] {
    if (KeyName.empty()) kRestoreErrors.raise(17563, kInvalidKeyName);
    keyName_ = KeyName;
  });
}

void CFormRestore::SavePosition(ui::Form& FormObject) {
  kRestoreErrors.member([&] {
    if (!appSettings_) kRestoreErrors.raise(17561, kNotInitialized);
    const std::string where = section(FormObject);

    ui::WINDOWPLACEMENT wp;
    wp.length = kPlacementLength;
    if (!ui::GetWindowPlacement(FormObject.hWnd(), &wp)) return;

    CAppSettings& store = *appSettings_;
    auto save = [&](const char* name, int32_t field) { store.SaveSetting(where, name, std::to_string(field)); };
    save("WindowState", static_cast<int32_t>(wp.showCmd));
    save("MinPosX", wp.ptMinPosition.x);
    save("MinPosY", wp.ptMinPosition.y);
    save("MaxPosX", wp.ptMaxPosition.x);
    save("MaxPosY", wp.ptMaxPosition.y);
    save("NormalPosLeft", wp.rcNormalPosition.left);
    save("NormalPosTop", wp.rcNormalPosition.top);
    save("NormalPosRight", wp.rcNormalPosition.right);
    save("NormalPosBottom", wp.rcNormalPosition.bottom);
  });
}

void CFormRestore::GetPosition(ui::Form& FormObject) {
  kRestoreErrors.member([&] {
    if (!appSettings_) kRestoreErrors.raise(17561, kNotInitialized);
    const std::string where = section(FormObject);
    CAppSettings& store = *appSettings_;
    auto read = [&](const char* name, const char* fallback) {
      return storedNumber(store.GetSetting(where, name, fallback));
    };

    ui::WINDOWPLACEMENT wp;
    int32_t state = read("WindowState", "-1");

    if (state > -1) {
      const bool minimisedGroup =
          state == ui::SW_SHOWMINIMIZED || state == ui::SW_MINIMIZE || state == ui::SW_SHOWMINNOACTIVE;
      if (FormObject.visible()) {
        if (minimisedGroup && neverStartMinimized_) state = ui::SW_SHOWNORMAL;
      } else {
        // A hidden form takes the state for its first showing; the record
        // then only gives it its rectangle and keeps it hidden.
        if (state == ui::SW_SHOWMAXIMIZED)
          FormObject.setWindowState(ui::vbMaximized);
        else if (minimisedGroup)
          FormObject.setWindowState(neverStartMinimized_ ? ui::vbNormal : ui::vbMinimized);
        else if (state != ui::SW_SHOWNA && state != ui::SW_SHOWDEFAULT)
          FormObject.setWindowState(ui::vbNormal);
        state = ui::SW_HIDE;
      }

      wp.ptMinPosition.x = read("MinPosX", "");
      wp.ptMinPosition.y = read("MinPosY", "");
      wp.ptMaxPosition.x = read("MaxPosX", "");
      wp.ptMaxPosition.y = read("MaxPosY", "");
      wp.rcNormalPosition.left = read("NormalPosLeft", "");
      wp.rcNormalPosition.top = read("NormalPosTop", "");

      const int32_t border = FormObject.borderStyle();
      if (border == ui::vbSizable || border == ui::vbSizableToolWindow) {
        wp.rcNormalPosition.right = read("NormalPosRight", "");
        wp.rcNormalPosition.bottom = read("NormalPosBottom", "");
      } else {
        // A border that cannot be dragged keeps the form's outer size. The
        // form gives its outer size in twips.
        const double width = FormObject.scaleX(FormObject.width(), ui::vbTwips, ui::vbPixels);
        const double height = FormObject.scaleY(FormObject.height(), ui::vbTwips, ui::vbPixels);
        wp.rcNormalPosition.right = platform::toLong(wp.rcNormalPosition.left + width);
        wp.rcNormalPosition.bottom = platform::toLong(wp.rcNormalPosition.top + height);
      }

      // Flags 0: the minimised position of the record is not applied.
      wp.length = kPlacementLength;
      wp.flags = 0;
      wp.showCmd = static_cast<uint32_t>(state);
      ui::SetWindowPlacement(FormObject.hWnd(), &wp);
      return;
    }

    // Nothing stored.
    if (!centeredByDefault_) return;
    wp.length = kPlacementLength;
    if (!ui::GetWindowPlacement(FormObject.hWnd(), &wp)) return;
    CenterPlacement(wp);
    wp.showCmd = FormObject.visible() ? ui::SW_SHOW : ui::SW_HIDE;
    ui::SetWindowPlacement(FormObject.hWnd(), &wp);
  });
}

void CFormRestore::CenterPlacement(ui::WINDOWPLACEMENT& placement) {
  if (placement.showCmd != static_cast<uint32_t>(ui::SW_SHOWNORMAL)) return;
  ui::WINDOWPLACEMENT screen;
  screen.length = kPlacementLength;
  if (!ui::GetWindowPlacement(ui::GetDesktopWindow(), &screen)) return;

  // Long arithmetic: an overflow fails (and becomes the catch-all).
  ui::RECT& r = placement.rcNormalPosition;
  const ui::RECT& s = screen.rcNormalPosition;
  const int32_t w = platform::subLong(r.right, r.left);
  const int32_t h = platform::subLong(r.bottom, r.top);
  const int32_t screenW = platform::subLong(s.right, s.left);
  const int32_t screenH = platform::subLong(s.bottom, s.top);
  // The desktop's own left and top are not added.
  r.left = platform::toLong((static_cast<double>(screenW) - w) / 2);
  r.top = platform::toLong((static_cast<double>(screenH) - h) / 2);
  r.right = platform::addLong(r.left, w);
  r.bottom = platform::addLong(r.top, h);
}

}  // namespace kestrin::support
