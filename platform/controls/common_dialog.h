// The common dialog: the open and save dialogs of a window.
//
// One instance serves all of a window's file dialogs; it keeps its settings
// (filter, filter index, initial folder, title, flags, cancel error) and the
// last file name between uses, so a dialog shows whatever the last use left.
// ShowOpen and ShowSave ask the current user (user.h) with all of them; the
// answer is a path (a relative one counts from InitDir) or Cancel.
//
// The flags it honours (cdl::): a path whose folder does not exist is
// refused under PathMustExist, a file that does not exist under
// FileMustExist (the empty answer too), and a folder always; a refused answer is told to the user
// in a message box titled with the dialog's title and the dialog is asked
// again. Under OverwritePrompt, ShowSave asks whether an existing file may
// be replaced (Yes/No); No asks the dialog again. A symbolic link chosen
// gives its target's path unless NoDereferenceLinks is set. HideReadOnly
// and Explorer reach the user with the other flags and change nothing
// else. Cancel leaves every setting and the file name as they were, and
// raises 32755 "Cancel was selected." when CancelError is set.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/control.h"

namespace platform::controls {

namespace cdl {
inline constexpr int32_t ReadOnly = 0x1;
inline constexpr int32_t OverwritePrompt = 0x2;
inline constexpr int32_t HideReadOnly = 0x4;
inline constexpr int32_t PathMustExist = 0x800;
inline constexpr int32_t FileMustExist = 0x1000;
inline constexpr int32_t Explorer = 0x80000;
inline constexpr int32_t NoDereferenceLinks = 0x100000;
}  // namespace cdl

// The texts of the dialog's own messages; each follows the refused path on
// its line.
inline constexpr const char* kFileNotFoundText = "\r\nFile not found.\r\nCheck the file name and try again.";
inline constexpr const char* kPathNotFoundText = "\r\nPath does not exist.\r\nCheck the path and try again.";
inline constexpr const char* kIsFolderText = "\r\nThis is a folder.\r\nChoose a file name.";
inline constexpr const char* kReplaceQuestionText = " already exists.\r\nDo you want to replace it?";

class CommonDialog : public ui::Control {
 public:
  explicit CommonDialog(std::string name = "CommonDialog1");
  std::string typeName() const override { return "CommonDialog"; }
  bool canTakeFocus() const override { return false; }

  // "description|pattern|description|pattern..."
  const std::string& filter() const noexcept { return filter_; }
  void setFilter(std::string filter) { filter_ = std::move(filter); }
  int32_t filterIndex() const noexcept { return filterIndex_; }
  void setFilterIndex(int32_t index) noexcept { filterIndex_ = index; }
  const std::string& initDir() const noexcept { return initDir_; }
  void setInitDir(std::string dir) { initDir_ = std::move(dir); }
  const std::string& dialogTitle() const noexcept { return dialogTitle_; }
  void setDialogTitle(std::string title) { dialogTitle_ = std::move(title); }
  int32_t flags() const noexcept { return flags_; }
  void setFlags(int32_t flags) noexcept { flags_ = flags; }
  bool cancelError() const noexcept { return cancelError_; }
  void setCancelError(bool on) noexcept { cancelError_ = on; }
  // The full path of the chosen file; setting it also sets FileTitle.
  const std::string& fileName() const noexcept { return fileName_; }
  void setFileName(std::string path);
  // The chosen file's name without its folder.
  const std::string& fileTitle() const noexcept { return fileTitle_; }

  // Return true when the user chose a file (FileName and FileTitle then
  // hold it), false on Cancel without CancelError.
  bool showOpen();
  bool showSave();

 private:
  bool show(bool save);
  // The message of a refused answer, or empty when it is taken.
  std::string refusal(const std::string& path, bool save) const;

  std::string filter_;
  int32_t filterIndex_ = 0;
  std::string initDir_;
  std::string dialogTitle_;
  int32_t flags_ = 0;
  bool cancelError_ = false;
  std::string fileName_;
  std::string fileTitle_;
};

}  // namespace platform::controls
