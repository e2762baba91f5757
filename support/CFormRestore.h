// CFormRestore: stores a form's window placement in a CAppSettings store
// and restores it, so that a window comes back where and as it was left;
// with nothing stored it can centre the window on the screen instead.
//
// A form's placement lives in the store's section "<KeyName>\<form name>"
// as nine REG_SZ decimal texts, in this order: "WindowState" (the show
// command), "MinPosX", "MinPosY", "MaxPosX", "MaxPosY", "NormalPosLeft",
// "NormalPosTop", "NormalPosRight", "NormalPosBottom". The record's flags
// are not stored.
//
// GetPosition on a form that is not yet visible sets its window state from
// the stored show command (a minimised one as normal with
// NeverStartMinimized) and gives it the stored rectangle for its first
// showing; a visible form takes the show command itself. A form without a
// sizable border keeps its outer size at the stored left and top. A
// "WindowState" that is missing or negative counts as nothing stored.
//
// The object keeps nothing about a form between calls. It does not trace.
//
// Errors (0x80040000 + n, source "<component>.CFormRestore"):
//   17561 "Object not properly initialized"  GetPosition, SavePosition
//                                            without a store
//   17562 "Invalid AppSettings object"       Init, AppSettings setter: none
//   17563 "Invalid KeyName value"            KeyName setter: empty text
//   17564 "CFormRestore component failure"   anything else, an error of the
//                                            store included
// Values written before a failure stay written; a window state set before
// a failure stays set.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/form.h"
#include "platform/ui/windows.h"
#include "support/CAppSettings.h"

namespace kestrin::support {

class CFormRestore {
 public:
  CFormRestore() = default;

  // No store raises 17562; otherwise both are stored.
  void Init(std::shared_ptr<CAppSettings> AppSettings, bool CenteredByDefault);

  void setAppSettings(std::shared_ptr<CAppSettings> AppSettings);
  const std::shared_ptr<CAppSettings>& AppSettings() const { return appSettings_; }
  void setCenteredByDefault(bool CenteredByDefault) { centeredByDefault_ = CenteredByDefault; }
  bool CenteredByDefault() const { return centeredByDefault_; }
  const std::string& KeyName() const { return keyName_; }
  void setKeyName(const std::string& KeyName);
  void setNeverStartMinimized(bool NeverStartMinimized) { neverStartMinimized_ = NeverStartMinimized; }
  bool NeverStartMinimized() const { return neverStartMinimized_; }

  // Applies the stored placement to the form, or centres it when nothing
  // is stored and CenteredByDefault is set.
  void GetPosition(platform::ui::Form& FormObject);
  // Stores the form's current placement; a placement the platform does not
  // give stores nothing and raises nothing.
  void SavePosition(platform::ui::Form& FormObject);

 private:
  // Centres the normal rectangle of a record in the normal state (show
  // command 1) on the screen, the desktop's normal rectangle, keeping its
  // size; halves go to the even neighbour. Other records stay as they are.
  static void CenterPlacement(platform::ui::WINDOWPLACEMENT& placement);
  std::string section(const platform::ui::Form& FormObject) const;

  std::shared_ptr<CAppSettings> appSettings_;
  bool centeredByDefault_ = true;
  std::string keyName_ = "Windows settings";
  bool neverStartMinimized_ = false;
};

}  // namespace kestrin::support
