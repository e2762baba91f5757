// The splash window's controls, its load and unload steps.
#include "editor/frmSplash.h"

#include <memory>

#include "editor/frmAbout.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"

namespace kestrin::editor {

frmSplash::frmSplash() : Form("frmSplash") {}

void frmSplash::createControls() {
  using platform::controls::Label;
  setBorderStyle(platform::ui::vbFixedDialog);
  picLogo = add(std::make_shared<platform::controls::PictureBox>("picLogo", "Kestrin"));
  lblProductName = add(std::make_shared<Label>("lblProductName", kMainWindowTitle));
  lblCopyright = add(std::make_shared<Label>("lblCopyright", "Copyright Kestrin"));
  lblVersion = add(std::make_shared<Label>("lblVersion", "Version"));
  lblPlatform = add(std::make_shared<Label>("lblPlatform", "Platform"));
}

void frmSplash::onLoad() {
  lblVersion->setCaption("Build " + componentVersionText());
  lblPlatform->setVisible(false);
  setHeight(5265);
  setWidth(6585);
  modMain::CenterForm(*this);
}

void frmSplash::onUnload(bool& Cancel) {
  (void)Cancel;
  platform::ui::releaseDefaultInstance<frmSplash>();
}

}  // namespace kestrin::editor
