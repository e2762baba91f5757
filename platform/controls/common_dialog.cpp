#include "platform/controls/common_dialog.h"

#include <filesystem>

#include "platform/runtime/errors.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/user.h"

namespace platform::controls {

namespace fs = std::filesystem;

namespace {
const char* const kSource = "CommonDialog";
}

CommonDialog::CommonDialog(std::string name) : ui::Control(std::move(name)) {}

void CommonDialog::setFileName(std::string path) {
  fileName_ = std::move(path);
  fileTitle_ = fs::path(fileName_).filename().string();
}

bool CommonDialog::showOpen() { return show(false); }
bool CommonDialog::showSave() { return show(true); }

std::string CommonDialog::refusal(const std::string& path, bool save) const {
  std::error_code ec;
  fs::path p(path);
  if (path.empty()) return (!save && (flags_ & cdl::FileMustExist)) ? path + kFileNotFoundText : "";
  if (fs::is_directory(p, ec)) return path + kIsFolderText;
  if (flags_ & (cdl::PathMustExist | cdl::FileMustExist)) {
    fs::path folder = p.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) return path + kPathNotFoundText;
  }
  if (!save && (flags_ & cdl::FileMustExist) && !fs::exists(p, ec)) return path + kFileNotFoundText;
  return {};
}

bool CommonDialog::show(bool save) {
  ui::FileDialogPrompt prompt;
  prompt.save = save;
  prompt.title = dialogTitle_;
  prompt.filter = filter_;
  prompt.filterIndex = filterIndex_;
  prompt.initDir = initDir_;
  prompt.fileName = fileName_;
  prompt.flags = flags_;
  const std::string boxTitle = !dialogTitle_.empty() ? dialogTitle_ : (save ? "Save As" : "Open");

  for (;;) {
    std::optional<std::string> answer = ui::currentUser().fileDialog(prompt);
    if (!answer) {
      if (cancelError_) raise(err::CancelSelected, kSource, errorText(err::CancelSelected));
      return false;
    }
    std::string path = *answer;
    if (!path.empty() && fs::path(path).is_relative()) {
      fs::path base = initDir_.empty() ? fs::current_path() : fs::path(initDir_);
      path = (base / path).lexically_normal().string();
    }
    std::string refused = refusal(path, save);
    if (!refused.empty()) {
      ui::MsgBox(refused, ui::mb::OKOnly | ui::mb::Exclamation, boxTitle);
      prompt.fileName = *answer;
      continue;
    }
    std::error_code ec;
    if (save && (flags_ & cdl::OverwritePrompt) && fs::exists(path, ec)) {
      int32_t reply = ui::MsgBox(path + kReplaceQuestionText, ui::mb::YesNo | ui::mb::Exclamation, boxTitle);
      if (reply != ui::mb::Yes) {
        prompt.fileName = *answer;
        continue;
      }
    }
    // A link chosen is its target, unless links are to stay links.
    if (!(flags_ & cdl::NoDereferenceLinks) && fs::is_symlink(path, ec)) {
      fs::path target = fs::canonical(path, ec);
      if (!ec) path = target.string();
    }
    setFileName(path);
    return true;
  }
}

}  // namespace platform::controls
